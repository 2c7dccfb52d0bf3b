// How long the running process has existed, for the start-up timing report.
#pragma once

namespace mivaro::os {

// Milliseconds since this process started, in clock-tick steps (10 ms on Linux), from
// /proc/self/stat and /proc/uptime; -1 when they cannot be read.
double MsSinceProcessStart();

}  // namespace mivaro::os
