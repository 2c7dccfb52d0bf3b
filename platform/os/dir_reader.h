// Reading the entries of one folder, "." and ".." left out, in the file system's order.
#pragma once

#include <dirent.h>

#include <string>

namespace mivaro::os {

class DirReader {
 public:
  // Opens the folder (native bytes; empty means the current folder).
  explicit DirReader(const std::string& native_folder);
  ~DirReader();
  DirReader(const DirReader&) = delete;
  DirReader& operator=(const DirReader&) = delete;

  bool IsOpen() const { return dir_ != nullptr; }
  // The next entry's name, or nullptr at the end. Valid until the next call.
  const char* Next();
  // What the folder itself says about the last entry: 1 folder, 0 something else, -1 unknown
  // (a symbolic link, or a file system that does not say).
  int LastIsFolder() const { return last_kind_; }
  // The folder's descriptor, for statx relative to it.
  int Fd() const;

 private:
  DIR* dir_ = nullptr;
  int last_kind_ = -1;
};

}  // namespace mivaro::os
