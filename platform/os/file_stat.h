// Facts about one file from statx: type, permissions, size and times, and the attribute
// word the program synthesises from them.
#pragma once

#include <cstdint>
#include <string>

namespace mivaro::os {

struct FileStat {
  bool is_folder = false;
  bool read_only = false;  // the write permission that applies to this user is missing
  uint32_t mode = 0;       // st_mode
  int64_t size = 0;
  int64_t write_time = 0;   // FILETIME
  int64_t create_time = 0;  // birth time, else the write time
  int64_t access_time = 0;
  uint64_t device = 0;  // the file system holding it and its number there: one file's
  uint64_t inode = 0;   // identity, whatever name or link reaches it
};

// Follows symbolic links; a broken link reports the link itself. False when nothing is
// there. `dir_fd` may be AT_FDCWD; `name` is relative to it or absolute.
bool StatAt(int dir_fd, const char* name, FileStat& out);
bool StatPath(const std::string& native_path, FileStat& out);
// What an open descriptor refers to; the same facts as StatAt of the name it was opened by.
bool StatFd(int fd, FileStat& out);

// The attribute word: 0x10 folder, 0x01 read-only, 0x02 hidden (name starts with "."),
// 0x80 when none of them holds. `name` is the last part of the path (UTF-8).
uint32_t AttributesOf(const FileStat& st, const char* name);

// Whether the permission bits deny writing to this process's user (owner bits for the
// owner and for root, group bits for group members, else the other bits).
bool IsModeReadOnly(uint32_t mode, uint32_t uid, uint32_t gid);

}  // namespace mivaro::os
