// Clocks shared by the timing programs: CPU time of this process and wall time.
#pragma once

#include <time.h>

#include <chrono>

namespace mivaro::bench {

using Clock = std::chrono::steady_clock;

// CPU time this process has used so far, in milliseconds.
inline double CpuMs() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) * 1000.0 + static_cast<double>(ts.tv_nsec) / 1e6;
}

// Wall time since `start`, in milliseconds.
inline double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

}  // namespace mivaro::bench
