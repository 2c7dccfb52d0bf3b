#include "platform/os/dir_reader.h"

#include <fcntl.h>

namespace mivaro::os {

DirReader::DirReader(const std::string& native_folder)
    : dir_(opendir(native_folder.empty() ? "." : native_folder.c_str())) {}

DirReader::~DirReader() {
  if (dir_ != nullptr) closedir(dir_);
}

const char* DirReader::Next() {
  if (dir_ == nullptr) return nullptr;
  while (const dirent* e = readdir(dir_)) {
    const char* n = e->d_name;
    if (n[0] == '.' && (n[1] == '\0' || (n[1] == '.' && n[2] == '\0'))) continue;
    last_kind_ = e->d_type == DT_DIR ? 1 : (e->d_type == DT_LNK || e->d_type == DT_UNKNOWN) ? -1 : 0;
    return n;
  }
  return nullptr;
}

int DirReader::Fd() const { return dir_ != nullptr ? dirfd(dir_) : AT_FDCWD; }

}  // namespace mivaro::os
