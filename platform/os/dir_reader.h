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
  // The folder's descriptor, for statx relative to it.
  int Fd() const;

 private:
  DIR* dir_ = nullptr;
};

}  // namespace mivaro::os
