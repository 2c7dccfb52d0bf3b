#include "platform/os/process_clock.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace mivaro::os {

double MsSinceProcessStart() {
  FILE* stat = std::fopen("/proc/self/stat", "re");
  FILE* uptime = std::fopen("/proc/uptime", "re");
  double result = -1;
  if (stat && uptime) {
    char buffer[1024] = {};
    const size_t n = std::fread(buffer, 1, sizeof buffer - 1, stat);
    buffer[n] = 0;
    // Field 22 (start time in clock ticks since boot) follows the command name in "()".
    const char* p = std::strrchr(buffer, ')');
    unsigned long long start = 0;
    double up = 0;
    if (p &&
        std::sscanf(p + 2,
                    "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u "
                    "%*u %*u %*d %*d %*d %*d %*d %*d %llu",
                    &start) == 1 &&
        std::fscanf(uptime, "%lf", &up) == 1) {
      const double tick_ms = 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
      result = up * 1000.0 - static_cast<double>(start) * tick_ms;
    }
  }
  if (stat) std::fclose(stat);
  if (uptime) std::fclose(uptime);
  return result;
}

}  // namespace mivaro::os
