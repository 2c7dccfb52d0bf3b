#include "platform/os/file_stat.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

namespace mivaro::os {

namespace {

constexpr int64_t kUnixEpochTicks = 116444736000000000LL;

int64_t TicksOf(const struct statx_timestamp& t) {
  return kUnixEpochTicks + static_cast<int64_t>(t.tv_sec) * 10000000 + t.tv_nsec / 100;
}

struct Identity {
  uid_t uid;
  gid_t gid;
  std::vector<gid_t> groups;
  Identity() : uid(geteuid()), gid(getegid()) {
    const int n = getgroups(0, nullptr);
    if (n > 0) {
      groups.resize(static_cast<size_t>(n));
      const int got = getgroups(n, groups.data());
      groups.resize(got > 0 ? static_cast<size_t>(got) : 0);
    }
  }
};

const Identity& Me() {
  static const Identity id;
  return id;
}

}  // namespace

bool IsModeReadOnly(uint32_t mode, uint32_t uid, uint32_t gid) {
  const Identity& me = Me();
  if (me.uid == 0 || uid == me.uid) return (mode & S_IWUSR) == 0;
  if (gid == me.gid || std::find(me.groups.begin(), me.groups.end(), gid) != me.groups.end())
    return (mode & S_IWGRP) == 0;
  return (mode & S_IWOTH) == 0;
}

namespace {

constexpr unsigned kStatMask = STATX_TYPE | STATX_MODE | STATX_UID | STATX_GID | STATX_SIZE |
                               STATX_MTIME | STATX_ATIME | STATX_BTIME | STATX_INO;

void FillFrom(const struct statx& sx, FileStat& out) {
  out.mode = sx.stx_mode;
  out.device = (static_cast<uint64_t>(sx.stx_dev_major) << 32) | sx.stx_dev_minor;
  out.inode = sx.stx_ino;
  out.is_folder = S_ISDIR(sx.stx_mode);
  out.read_only = IsModeReadOnly(sx.stx_mode, sx.stx_uid, sx.stx_gid);
  out.size = out.is_folder ? 0 : static_cast<int64_t>(sx.stx_size);
  out.write_time = (sx.stx_mask & STATX_MTIME) ? TicksOf(sx.stx_mtime) : 0;
  out.access_time = (sx.stx_mask & STATX_ATIME) ? TicksOf(sx.stx_atime) : 0;
  out.create_time = (sx.stx_mask & STATX_BTIME) ? TicksOf(sx.stx_btime) : out.write_time;
}

}  // namespace

bool StatAt(int dir_fd, const char* name, FileStat& out) {
  struct statx sx {};
  if (statx(dir_fd, name, AT_STATX_DONT_SYNC, kStatMask, &sx) != 0 &&
      statx(dir_fd, name, AT_STATX_DONT_SYNC | AT_SYMLINK_NOFOLLOW, kStatMask, &sx) != 0)
    return false;
  FillFrom(sx, out);
  return true;
}

bool StatFd(int fd, FileStat& out) {
  struct statx sx {};
  if (fd < 0 || statx(fd, "", AT_EMPTY_PATH | AT_STATX_DONT_SYNC, kStatMask, &sx) != 0) return false;
  FillFrom(sx, out);
  return true;
}

bool StatPath(const std::string& native_path, FileStat& out) {
  if (native_path.empty()) return false;
  return StatAt(AT_FDCWD, native_path.c_str(), out);
}

uint32_t AttributesOf(const FileStat& st, const char* name) {
  uint32_t a = 0;
  if (st.is_folder) a |= 0x10;
  if (st.read_only) a |= 0x01;
  if (name != nullptr && name[0] == '.' && name[1] != '\0' &&
      !(name[1] == '.' && name[2] == '\0'))
    a |= 0x02;
  return a == 0 ? 0x80 : a;
}

}  // namespace mivaro::os
