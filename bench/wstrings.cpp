// Timing of the wide string list on the shared benchmark data (/tmp/perf-names):
// LoadFromFile of a 100,000-line UTF-8 file, SortPaths of 100,000 paths, and the memory
// an item costs beyond its text.
//
//   bench_wstrings [--mode all|load|sort] [-n RUNS] FILE
//
// --mode sort and --mode load do one run and print "@metric" lines, for bench.py runs
// against a baseline tool in the same rounds (see bench/wstrings.sh). --mode all (the
// default) repeats each step RUNS times (default 5) and prints median and minimum.
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/wstrings.h"
#include "bench/bench_clock.h"

using namespace mivaro::bench;

namespace {

void Report(const char* what, std::vector<double> ms) {
  std::sort(ms.begin(), ms.end());
  std::printf("%-34s median %8.1f ms   min %8.1f ms   (%zu runs)\n", what, ms[ms.size() / 2],
              ms.front(), ms.size());
}

std::size_t HeapInUse() { return mallinfo2().uordblks; }

}  // namespace

int main(int argc, char** argv) {
  std::string mode = "all";
  std::string file;
  int runs = 5;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--mode") == 0 && i + 1 < argc) {
      mode = argv[++i];
    } else if (std::strcmp(argv[i], "-n") == 0 && i + 1 < argc) {
      runs = std::max(1, std::atoi(argv[++i]));
    } else {
      file = argv[i];
    }
  }
  if (file.empty()) {
    std::fprintf(stderr, "usage: bench_wstrings [--mode all|load|sort] [-n RUNS] FILE\n"
                         "(make the data with /work/shared/bench/gen-names.py --no-measure)\n");
    return 2;
  }
  const mivaro::WString path = mivaro::U16(file);

  if (mode == "load" || mode == "sort") {
    mivaro::TMyWStrings list;
    auto t0 = Clock::now();
    double c0 = CpuMs();
    list.LoadFromFile(path);
    std::printf("@metric load_ms=%.2f\n@metric load_cpu_ms=%.2f\n", MsSince(t0), CpuMs() - c0);
    if (list.Count() == 0) {
      std::fprintf(stderr, "no lines in %s\n", file.c_str());
      return 1;
    }
    if (mode == "sort") {
      t0 = Clock::now();
      c0 = CpuMs();
      list.SortPaths();
      std::printf("@metric sortpaths_ms=%.2f\n@metric sortpaths_cpu_ms=%.2f\n", MsSince(t0),
                  CpuMs() - c0);
    }
    return 0;
  }

  std::vector<double> load, sortPaths, sortPlain, stored, loadCpu, sortPathsCpu;
  int count = 0;
  for (int r = 0; r < runs; ++r) {
    mivaro::TMyWStrings list;
    auto t0 = Clock::now();
    double c0 = CpuMs();
    list.LoadFromFile(path);
    load.push_back(MsSince(t0));
    loadCpu.push_back(CpuMs() - c0);
    count = list.Count();
    if (count == 0) {
      std::fprintf(stderr, "no lines in %s\n", file.c_str());
      return 1;
    }
    t0 = Clock::now();
    c0 = CpuMs();
    list.SortPaths();
    sortPaths.push_back(MsSince(t0));
    sortPathsCpu.push_back(CpuMs() - c0);
    mivaro::TMyWStrings plain;
    plain.LoadFromFile(path);
    t0 = Clock::now();
    plain.Sort();
    sortPlain.push_back(MsSince(t0));
    t0 = Clock::now();
    const auto& storedList = plain.GetStoredList();
    stored.push_back(MsSince(t0));
    if (storedList.Count() != count) return 1;
  }

  // Memory: heap in use with the list loaded, minus the UTF-16 text itself.
  malloc_trim(0);
  const std::size_t before = HeapInUse();
  auto* list = new mivaro::TMyWStrings();
  list->LoadFromFile(path);
  malloc_trim(0);
  const std::size_t after = HeapInUse();
  std::size_t textBytes = 0;
  for (int i = 0; i < list->Count(); ++i) textBytes += list->At(i).size() * sizeof(char16_t);
  const double perItem =
      (static_cast<double>(after - before) - static_cast<double>(textBytes)) / list->Count();
  delete list;

  std::printf("%d lines from %s\n", count, file.c_str());
  Report("LoadFromFile (UTF-8, detect)", load);
  Report("  CPU time", loadCpu);
  Report("SortPaths", sortPaths);
  Report("  CPU time", sortPathsCpu);
  Report("Sort (plain comparison)", sortPlain);
  Report("GetStoredList", stored);
  std::printf("memory beyond the text: %.1f bytes per item (text %.1f bytes per item)\n",
              perItem, static_cast<double>(textBytes) / count);
  return 0;
}
