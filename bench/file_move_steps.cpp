// How long a window would be held up during a large move across file systems: moves a file
// from /dev/shm (tmpfs) into TMPDIR on the disk with the default chunk size and prints the
// longest stretch between two progress calls (the window pumps its messages in each), the
// stretch after the last one (flush and rename) and the total.
// Usage: bench_file_move_steps [SIZE_MIB]
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "bench/bench_clock.h"
#include "platform/os/file_transfer.h"

namespace fs = std::filesystem;
using mivaro::bench::Clock;
using mivaro::bench::MsSince;

int main(int argc, char** argv) {
  const uint64_t mib = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 2048;
  const std::string name = "mivaro-steps-" + std::to_string(::getpid());
  const fs::path source = fs::path("/dev/shm") / name;
  const fs::path folder = fs::temp_directory_path() / name;
  fs::create_directories(folder);
  {
    std::ofstream out(source, std::ios::binary);
    std::mt19937_64 rng(7);
    std::vector<uint64_t> block(1u << 17);  // 1 MiB
    for (uint64_t i = 0; i < mib; ++i) {
      for (uint64_t& w : block) w = rng();
      out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(block.size() * 8));
    }
  }
  ::sync();

  mivaro::os::TransferOptions options;
  const Clock::time_point start = Clock::now();
  Clock::time_point last = start;
  double longest = 0;
  int calls = 0;
  options.progress = [&](uint64_t, uint64_t) {
    longest = std::max(longest, MsSince(last));
    last = Clock::now();
    ++calls;
  };
  const int err = mivaro::os::MoveFileSafely(source, folder / "moved.bin", options);
  const double tail = MsSince(last);
  const double total = MsSince(start);
  fs::remove_all(folder);
  fs::remove(source);
  if (err != 0) {
    std::fprintf(stderr, "move failed: errno %d\n", err);
    return 1;
  }
  std::printf("move of %llu MiB across file systems, %d progress calls:\n",
              static_cast<unsigned long long>(mib), calls);
  std::printf("  longest stretch between calls  %.0f ms\n", longest);
  std::printf("  after the last call (flush)    %.0f ms\n", tail);
  std::printf("  total                          %.0f ms\n", total);
  return 0;
}
