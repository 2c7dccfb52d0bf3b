// Safe replacement of files: temporary file beside the target, fsync, rename.
#include "core/atomic_file.h"
#include "platform/os/native_path.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>

namespace mivaro {
namespace {

std::string FolderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The file that actually gets replaced: a symbolic link is followed so that the link
// itself stays in place.
std::string ResolveTarget(const std::string& path) {
  struct stat st {};
  if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  char buf[PATH_MAX];
  if (realpath(path.c_str(), buf) != nullptr) return buf;
  // A dangling link: write where it points.
  const ssize_t n = readlink(path.c_str(), buf, sizeof buf - 1);
  if (n <= 0) return path;
  std::string link(buf, static_cast<std::size_t>(n));
  if (link[0] == '/') return link;
  return FolderOf(path) + "/" + link;
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

}  // namespace

TMyAtomicFile::~TMyAtomicFile() { Discard(); }

bool TMyAtomicFile::Open(WStringView fileName) { return OpenUtf8(os::NativePath(fileName)); }

bool TMyAtomicFile::OpenUtf8(const std::string& path) {
  Discard();
  failed_ = false;
  if (path.empty() || path.back() == '/') return false;
  target_ = ResolveTarget(path);
  struct stat st {};
  const bool exists = stat(target_.c_str(), &st) == 0;
  if (exists && !S_ISREG(st.st_mode)) return false;  // never replace a folder or device
  if (exists && (st.st_mode & 0222) == 0) return false;  // a read-only file stays as it is
  static std::atomic<unsigned> counter{0};
  const std::string base =
      FolderOf(target_) + "/." + NameOf(target_) + std::string(kAtomicTempMarker);
  for (int attempt = 0; attempt < 100; ++attempt) {
    temp_ = base + std::to_string(getpid()) + "-" + std::to_string(counter++) + ".tmp";
    fd_ = open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ >= 0) break;
    if (errno != EEXIST) break;
  }
  if (fd_ < 0) {
    temp_.clear();
    return false;
  }
  if (exists) {
    // Keep the permissions (and where allowed the owner) of the file being replaced.
    (void)fchmod(fd_, st.st_mode & 07777);
    if (st.st_uid != geteuid() || st.st_gid != getegid()) {
      (void)fchown(fd_, st.st_uid, st.st_gid);
    }
  }
  return true;
}

bool TMyAtomicFile::Write(std::string_view bytes) {
  if (fd_ < 0 || failed_) return false;
  if (!WriteAll(fd_, bytes)) failed_ = true;
  return !failed_;
}

bool TMyAtomicFile::Commit() {
  if (fd_ < 0) return false;
  bool ok = !failed_;
  if (ok && fsync(fd_) != 0) ok = false;
  if (close(fd_) != 0) ok = false;
  fd_ = -1;
  if (ok && rename(temp_.c_str(), target_.c_str()) != 0) ok = false;
  if (!ok) {
    unlink(temp_.c_str());
    temp_.clear();
    return false;
  }
  temp_.clear();
  // Make the rename itself durable (best effort: some file systems refuse it).
  const int dir = open(FolderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    (void)fsync(dir);
    close(dir);
  }
  return true;
}

void TMyAtomicFile::Discard() {
  if (fd_ >= 0) {
    close(fd_);
    fd_ = -1;
  }
  if (!temp_.empty()) {
    unlink(temp_.c_str());
    temp_.clear();
  }
}

bool WriteFileAtomicUtf8(const std::string& path, std::string_view bytes) {
  TMyAtomicFile file;
  if (!file.OpenUtf8(path)) return false;
  if (!file.Write(bytes)) return false;
  return file.Commit();
}

bool WriteFileAtomic(WStringView fileName, std::string_view bytes) {
  return WriteFileAtomicUtf8(os::NativePath(fileName), bytes);
}

}  // namespace mivaro
