// Removal of the atomic writer's temporaries that a killed process left behind.
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "core/atomic_file.h"
#include "platform/os/dir_reader.h"

namespace mivaro {

int RemoveStaleAtomicTemporaries(const std::string& native_folder, std::string_view name_prefix) {
  os::DirReader dir(native_folder);
  if (!dir.IsOpen()) return 0;
  int removed = 0;
  while (const char* entry = dir.Next()) {
    const std::string_view name(entry);
    const std::size_t marker = name.find(kAtomicTempMarker);
    if (name.size() < 2 || name[0] != '.' || marker == std::string_view::npos ||
        !name.substr(1).starts_with(name_prefix) || !name.ends_with(".tmp"))
      continue;
    const std::string rest(name.substr(marker + kAtomicTempMarker.size()));
    char* end = nullptr;
    const long pid = std::strtol(rest.c_str(), &end, 10);
    if (end == rest.c_str() || *end != '-' || pid <= 0) continue;
    // A writer that still runs keeps its temporary.
    if (pid == getpid() || ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
    if (::unlink((native_folder + "/" + std::string(name)).c_str()) == 0) ++removed;
  }
  return removed;
}

}  // namespace mivaro
