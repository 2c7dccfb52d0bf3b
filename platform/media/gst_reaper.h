// Taking closed pipelines down away from the caller's thread.
//
// Bringing a playing pipeline to NULL joins its streaming threads and closes its devices
// and display connections: tens of milliseconds that the user-interface thread would
// otherwise stand still for on every close or next playlist entry. The graph hands the
// pipeline's last references over instead; one thread of the process does the work, in
// the order given, and lives as long as the process (it drains what is left at exit).
// Once no pipeline has been handed over for a second, it gives the freed memory back to
// the system.
#pragma once

#include <functional>

namespace mivaro {

// Runs `job` on the reaper thread, after the jobs handed over before it.
void ReapLater(std::function<void()> job);

// Waits until every job handed over so far has run (for exit paths and tests).
void WaitForReaped();

}  // namespace mivaro
