#include "platform/os/dir_reader.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace mivaro::os {

namespace {

// Bytes asked of the kernel at a time: a folder of a few hundred entries in one call.
constexpr size_t kBufferBytes = 32 * 1024;

}  // namespace

// The folder is read with getdents64 straight into one buffer: opendir would also fstat
// the folder for a buffer size, one more system call per folder of a walk.
DirReader::DirReader(const std::string& native_folder)
    : fd_(open(native_folder.empty() ? "." : native_folder.c_str(),
               O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
  if (fd_ >= 0) buffer_.reset(new char[kBufferBytes]);  // not cleared: getdents64 fills it
}

DirReader::~DirReader() {
  if (fd_ >= 0) close(fd_);
}

const char* DirReader::Next() {
  if (fd_ < 0) return nullptr;
  for (;;) {
    if (at_ >= filled_) {
      if (ended_) return nullptr;
      const ssize_t n = getdents64(fd_, buffer_.get(), kBufferBytes);
      if (n <= 0) {
        ended_ = true;
        return nullptr;
      }
      filled_ = static_cast<size_t>(n);
      at_ = 0;
    }
    const auto* e = reinterpret_cast<const struct dirent64*>(buffer_.get() + at_);
    at_ += e->d_reclen;
    const char* n = e->d_name;
    if (n[0] == '.' && (n[1] == '\0' || (n[1] == '.' && n[2] == '\0'))) continue;
    last_kind_ = e->d_type == DT_DIR ? 1 : (e->d_type == DT_LNK || e->d_type == DT_UNKNOWN) ? -1 : 0;
    return n;
  }
}

int DirReader::Fd() const { return fd_ >= 0 ? fd_ : AT_FDCWD; }

}  // namespace mivaro::os
