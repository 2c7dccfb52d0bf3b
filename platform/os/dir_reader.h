// Reading the entries of one folder, "." and ".." left out, in the file system's order.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace mivaro::os {

class DirReader {
 public:
  // Opens the folder (native bytes; empty means the current folder).
  explicit DirReader(const std::string& native_folder);
  ~DirReader();
  DirReader(const DirReader&) = delete;
  DirReader& operator=(const DirReader&) = delete;

  bool IsOpen() const { return fd_ >= 0; }
  // The next entry's name, or nullptr at the end. Valid until the next call.
  const char* Next();
  // What the folder itself says about the last entry: 1 folder, 0 something else, -1 unknown
  // (a symbolic link, or a file system that does not say).
  int LastIsFolder() const { return last_kind_; }
  // The folder's descriptor, for statx relative to it.
  int Fd() const;

 private:
  int fd_ = -1;
  std::unique_ptr<char[]> buffer_;  // entries as the kernel gives them
  size_t filled_ = 0;               // bytes of buffer_ that hold entries
  size_t at_ = 0;                   // the next entry's offset
  bool ended_ = false;
  int last_kind_ = -1;
};

}  // namespace mivaro::os
