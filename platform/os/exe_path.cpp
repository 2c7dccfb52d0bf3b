#include "platform/os/exe_path.h"

#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <vector>

namespace mivaro::os {

std::string ExecutablePath() {
  std::vector<char> buf(PATH_MAX);
  for (int attempt = 0; attempt < 4; ++attempt) {
    const ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size());
    if (n < 0) return {};
    if (static_cast<size_t>(n) < buf.size()) return std::string(buf.data(), static_cast<size_t>(n));
    buf.resize(buf.size() * 4);
  }
  return {};
}

std::string CanonicalPath(const std::string& native_path) {
  if (native_path.empty()) return {};
  char* r = realpath(native_path.c_str(), nullptr);
  if (r == nullptr) return {};
  std::string out(r);
  free(r);
  return out;
}

bool IsWritableFolder(const std::string& native_folder) {
  return !native_folder.empty() && access(native_folder.c_str(), W_OK | X_OK) == 0;
}

}  // namespace mivaro::os
