// Natural sort of many names: key building and the sort itself, timed in-process.
//
//   bench_natural [FILE] [--path] [--direct]
// FILE: one UTF-8 name a line (default /tmp/perf-names/names.txt from gen-names.py).
// --path orders as paths (folder, then name). --direct sorts with the plain comparison
// (no precomputed keys), as the list's own merge sort does with a compare function.
// Prints "@metric" lines for bench.py: keys_ms, sort_ms, total_ms (wall), cpu_ms.
#include <algorithm>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <numeric>
#include <string>
#include <vector>

#include "core/natural.h"
#include "core/ustring.h"
#include "bench/bench_clock.h"

using namespace mivaro;
using namespace mivaro::bench;

static double Ms(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double, std::milli>(b - a).count();
}

// CPU time of the process in ms: meaningful also on a machine that others keep busy.
int main(int argc, char** argv) {
  std::string file = "/tmp/perf-names/names.txt";
  bool paths = false;
  bool direct = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--path") == 0) {
      paths = true;
    } else if (std::strcmp(argv[i], "--direct") == 0) {
      direct = true;
    } else {
      file = argv[i];
    }
  }
  std::ifstream in(file);
  if (!in) {
    std::fprintf(stderr, "bench_natural: cannot read %s (run gen-names.py first)\n",
                 file.c_str());
    return 1;
  }
  std::vector<WString> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(U16(line));

  const double c0 = CpuMs();
  const auto t0 = Clock::now();
  std::vector<size_t> order(lines.size());
  std::iota(order.begin(), order.end(), size_t{0});
  auto t1 = t0;
  if (direct) {
    auto cmp = paths ? &CompareFileNamesNatural : &CompareNatural;
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return cmp(lines[a], lines[b]) < 0; });
    t1 = Clock::now();
  } else {
    std::vector<TMyNaturalKey> keys;
    keys.reserve(lines.size());
    for (const WString& s : lines) {
      keys.push_back(paths ? TMyNaturalKey::ForFileName(s) : TMyNaturalKey::ForText(s));
    }
    t1 = Clock::now();
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
      return TMyNaturalKey::Compare(keys[a], keys[b]) < 0;
    });
  }
  const auto t2 = Clock::now();
  const double c2 = CpuMs();
  std::printf("%zu names%s%s\n", lines.size(), paths ? " (paths)" : "",
              direct ? " (direct comparison)" : "");
  std::printf("@metric keys_ms=%.1f\n@metric sort_ms=%.1f\n@metric total_ms=%.1f\n"
              "@metric cpu_ms=%.1f\n",
              Ms(t0, t1), Ms(t1, t2), Ms(t0, t2), c2 - c0);
  return 0;
}
