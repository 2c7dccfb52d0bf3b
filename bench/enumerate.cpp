// Folder expansion as the player does it: TMyFileStrings::AddFromSource over a tree
// (depth-first, each folder's files sorted), timed in-process.
//
//   bench_enumerate [--full] [DIR]   DIR defaults to /tmp/perf-tree (gen-tree.sh)
// --full reads every entry's details (a read-only filter forces it), the cost of the walk
// before it learnt to read names only; on a tree without read-only entries the result is
// the same.
// Prints the file count and "@metric" lines for bench.py: enumerate_ms (wall), cpu_ms.

#include <chrono>
#include <cstdio>
#include <string>

#include "core/files.h"
#include "core/ustring.h"
#include "playlist/file_strings.h"
#include "bench/bench_clock.h"

using namespace mivaro;
using namespace mivaro::bench;

int main(int argc, char** argv) {
  bool full = false;
  std::string dir = "/tmp/perf-tree";
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--full") {
      full = true;
    } else {
      dir = argv[i];
    }
  }
  if (!FolderExists(U16(dir))) {
    std::fprintf(stderr, "bench_enumerate: no folder %s (run gen-tree.sh first)\n", dir.c_str());
    return 1;
  }
  const double c0 = CpuMs();
  const auto t0 = Clock::now();
  TMyFileStrings list;
  if (full) list.ExcludeAttributes = kFileAttrReadOnly;
  list.AddFromSource(U16(dir));
  const auto t1 = Clock::now();
  const double c1 = CpuMs();
  std::printf("%d files\n@metric enumerate_ms=%.1f\n@metric cpu_ms=%.1f\n", list.Count(),
              std::chrono::duration<double, std::milli>(t1 - t0).count(), c1 - c0);
  return 0;
}
