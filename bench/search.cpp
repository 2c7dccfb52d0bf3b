// One search step of the playlist window over many full paths, timed in-process.
//
//   bench_search [M3U8]
// M3U8: the playlist of gen-m3u8.sh (default /tmp/perf-m3u8/playlist.m3u8); without it,
// 100,000 made-up paths with Japanese folder names. Prints "@metric" lines:
//   first_ms  the first step, which builds the normal form of every entry
//   step_ms   a later step over the cached forms (no match: every entry is looked at)
//   raw_ms    the reference: a plain substring scan of the raw paths, same run
//   cache_mib memory held by the cached forms
#include <algorithm>
#include <cstdio>
#include <optional>
#include <fstream>
#include <string>
#include <vector>

#include "bench/bench_clock.h"
#include "core/search_text.h"
#include "core/ustring.h"

using namespace mivaro;
using namespace mivaro::bench;

static std::vector<WString> LoadPaths(const char* file) {
  std::vector<WString> paths;
  std::ifstream in(file);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    paths.push_back(U16(line));
  }
  if (!paths.empty()) return paths;
  for (int i = 0; i < 100000; ++i) {
    std::string p = "/home/user/音楽/Set " + std::to_string(i % 10) + "/アーティスト" +
                    std::to_string(i % 300) + "/Album " + std::to_string(i % 1000) +
                    "/" + std::to_string(i) + " - Some Title of a Song.mp3";
    paths.push_back(U16(p));
  }
  return paths;
}

int main(int argc, char** argv) {
  const char* file = argc > 1 ? argv[1] : "/tmp/perf-m3u8/playlist.m3u8";
  const std::vector<WString> paths = LoadPaths(file);
  auto at = [&](size_t i) { return WStringView(paths[i]); };
  SearchKeyCache cache;
  const WString key = NormaliseSearchText(u"そんなものはない");

  auto t0 = Clock::now();
  auto hit = cache.Find(key, paths.size(), 0, true, at);
  const double first = MsSince(t0);

  double best = 1e9;
  for (int r = 0; r < 5; ++r) {
    auto t = Clock::now();
    hit = cache.Find(key, paths.size(), 0, true, at);
    best = std::min(best, MsSince(t));
  }
  double raw = 1e9;
  size_t found = 0;
  for (int r = 0; r < 5; ++r) {
    auto t = Clock::now();
    for (const WString& p : paths) found += p.find(u"そんなものはない") != WString::npos;
    raw = std::min(raw, MsSince(t));
  }
  const size_t bytes = cache.MemoryBytes();
  std::printf("entries %zu%s\n", paths.size(), hit || found ? " (unexpected match)" : "");
  std::printf("@metric first_ms %.2f\n@metric step_ms %.2f\n@metric raw_ms %.2f\n", first,
              best, raw);
  std::printf("@metric cache_mib %.2f\n", static_cast<double>(bytes) / (1024.0 * 1024.0));
  return 0;
}
