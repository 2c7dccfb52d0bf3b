// Playlist expansion as the player does it: an M3U8 item expanded by TMyMediaStrings with
// existence checks and a tag object per entry, timed in-process.
//
//   bench_playlist [FILE] [--no-check]   FILE defaults to /tmp/perf-m3u8/playlist.m3u8
// Prints the entry count and "@metric" lines for bench.py: expand_ms (wall), cpu_ms.

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/files.h"
#include "core/ustring.h"
#include "playlist/media_strings.h"
#include "bench/bench_clock.h"

using namespace mivaro;
using namespace mivaro::bench;

int main(int argc, char** argv) {
  std::string file = "/tmp/perf-m3u8/playlist.m3u8";
  bool check = true;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--no-check") == 0) {
      check = false;
    } else {
      file = argv[i];
    }
  }
  if (!FileExists(U16(file))) {
    std::fprintf(stderr, "bench_playlist: no file %s (run gen-m3u8.sh first)\n", file.c_str());
    return 1;
  }
  const double c0 = CpuMs();
  const auto t0 = Clock::now();
  TMyMediaStrings list;
  list.Add(U16(file));
  list.ExpandPlaylists(check);
  const auto t1 = Clock::now();
  const double c1 = CpuMs();
  std::printf("%d entries\n@metric expand_ms=%.1f\n@metric cpu_ms=%.1f\n", list.Count(),
              std::chrono::duration<double, std::milli>(t1 - t0).count(), c1 - c0);
  return 0;
}
