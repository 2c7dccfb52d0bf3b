#include "platform/os/file_transfer.h"

#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <future>
#include <string_view>
#include <vector>

#include "platform/os/dir_reader.h"

namespace mivaro::os {
namespace {

constexpr std::string_view kTempMarker = ".mivaro-tmp-";

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Makes a rename durable: the folder's entry is on disk once this returns.
void SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// Renames without replacing an existing target. File systems without RENAME_NOREPLACE fall
// back to link + unlink, which refuses an existing target as well.
int RenameNoReplace(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
    return 0;
  if (errno != EINVAL && errno != ENOSYS) return errno;
  if (::link(from.c_str(), to.c_str()) != 0) return errno;
  ::unlink(from.c_str());
  return 0;
}

int RenameInto(const std::string& from, const std::string& to, bool replace) {
  if (replace) return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
  return RenameNoReplace(from, to);
}

std::string NewTempName(const std::string& target) {
  static std::atomic<unsigned> counter{0};
  return FolderOf(target) + "/." + NameOf(target) + std::string(kTempMarker) +
         std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1)) + ".tmp";
}

// The record of one running transfer: a small file in the journal folder naming the
// temporary, present from before the temporary exists until after it is gone.
class JournalRecord {
 public:
  JournalRecord(const std::string& folder, const std::string& temp) {
    if (folder.empty()) return;
    ::mkdir(folder.c_str(), 0700);
    static std::atomic<unsigned> counter{0};
    path_ = folder + "/" + std::to_string(::getpid()) + "-" +
            std::to_string(counter.fetch_add(1)) + ".transfer";
    const int fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
      path_.clear();
      return;
    }
    const bool written = ::write(fd, temp.data(), temp.size()) == static_cast<ssize_t>(temp.size());
    ::fsync(fd);
    ::close(fd);
    if (!written) Remove();
  }
  ~JournalRecord() { Remove(); }
  JournalRecord(const JournalRecord&) = delete;
  JournalRecord& operator=(const JournalRecord&) = delete;

 private:
  void Remove() {
    if (!path_.empty()) ::unlink(path_.c_str());
    path_.clear();
  }
  std::string path_;
};

// One step of the copy, at most `want` bytes from the current offsets: in the kernel where it
// can (copy_file_range within a file system type, sendfile between any two regular files),
// through a buffer otherwise. Returns the bytes copied (0 at the end of the file) or -errno.
class ChunkCopier {
 public:
  ChunkCopier(int in, int out) : in_(in), out_(out) {}

  ssize_t Copy(std::size_t want) {
    for (;;) {
      ssize_t n = 0;
      switch (way_) {
        case Way::kCopyRange: n = ::copy_file_range(in_, nullptr, out_, nullptr, want, 0); break;
        case Way::kSendFile: n = ::sendfile(out_, in_, nullptr, want); break;
        case Way::kBuffer: n = ThroughBuffer(want); break;
      }
      if (n >= 0) return n;
      const int err = errno;
      if (err == EINTR) continue;
      // A way the kernel does not offer for these two files: try the next, from the same
      // offsets (a refused call copied nothing).
      if (way_ != Way::kBuffer && (err == EXDEV || err == ENOSYS || err == EINVAL ||
                                   err == EOPNOTSUPP)) {
        way_ = way_ == Way::kCopyRange ? Way::kSendFile : Way::kBuffer;
        continue;
      }
      return -err;
    }
  }

 private:
  enum class Way { kCopyRange, kSendFile, kBuffer };

  ssize_t ThroughBuffer(std::size_t want) {
    buffer_.resize(std::min<std::size_t>(want, 1u << 20));
    const ssize_t n = ::read(in_, buffer_.data(), buffer_.size());
    if (n <= 0) return n;
    for (ssize_t written = 0; written < n;) {
      const ssize_t w = ::write(out_, buffer_.data() + written, static_cast<std::size_t>(n - written));
      if (w < 0) {
        if (errno == EINTR) continue;
        return -1;
      }
      written += w;
    }
    return n;
  }

  int in_, out_;
  Way way_ = Way::kCopyRange;
  std::vector<char> buffer_;
};

int CopyBytes(int in, int out, uint64_t total, const TransferOptions& options) {
  // Reserving the space first finds a full file system before any copying and keeps the
  // file in one piece; the size stays as it is, so a file that shrinks is copied as it is.
  if (total > 0 && ::fallocate(out, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(total)) != 0 &&
      errno == ENOSPC)
    return ENOSPC;
  ::posix_fadvise(in, 0, 0, POSIX_FADV_SEQUENTIAL);
  const uint64_t step = options.chunk_bytes > 0 ? options.chunk_bytes : (4u << 20);
  ChunkCopier copier(in, out);
  uint64_t done = 0;
  while (done < total || total == 0) {
    const std::size_t want =
        static_cast<std::size_t>(total > done ? std::min(step, total - done) : step);
    const ssize_t n = copier.Copy(want);
    if (n < 0) return static_cast<int>(-n);
    if (n == 0) break;  // end of file (the file shrank, or a size of 0 was reported)
    // Write behind: start writing this chunk to disk and wait for the one before it. The
    // copy then runs at the disk's pace in steps of one chunk, and the flush before the final
    // rename only waits for the last two chunks instead of holding the caller for the whole
    // file at the end.
    ::sync_file_range(out, static_cast<off_t>(done), n, SYNC_FILE_RANGE_WRITE);
    if (done >= step)
      ::sync_file_range(out, static_cast<off_t>(done - step), static_cast<off_t>(step),
                        SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE |
                            SYNC_FILE_RANGE_WAIT_AFTER);
    done += static_cast<uint64_t>(n);
    if (options.progress) options.progress(done, total);
  }
  return 0;
}

// Copies a regular file into a new temporary beside `target` and renames it into place.
int CopyThroughTemporary(const std::string& source, const std::string& target,
                         const TransferOptions& options) {
  // O_NONBLOCK: opening a FIFO must not wait for a writer; it is refused below.
  const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (in < 0) return errno;
  struct stat st {};
  if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
    const int err = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    ::close(in);
    return err;
  }
  ::fcntl(in, F_SETFL, ::fcntl(in, F_GETFL) & ~O_NONBLOCK);
  if (!options.replace_existing) {
    struct stat existing {};
    if (::lstat(target.c_str(), &existing) == 0) {
      ::close(in);
      return EEXIST;
    }
  }

  const std::string temp = NewTempName(target);
  JournalRecord record(options.journal_folder, temp);
  const int out = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (out < 0) {
    const int err = errno;
    ::close(in);
    return err;
  }
  int err = CopyBytes(in, out, static_cast<uint64_t>(st.st_size), options);
  if (err == 0 && ::fchmod(out, st.st_mode & 07777) != 0) err = errno;
  if (err == 0) {
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    ::futimens(out, times);
  }
  if (err == 0 && ::fsync(out) != 0) err = errno;
  if (::close(out) != 0 && err == 0) err = errno;
  ::close(in);
  if (err == 0) err = RenameInto(temp, target, options.replace_existing);
  if (err != 0) {
    ::unlink(temp.c_str());
    return err;
  }
  SyncFolder(FolderOf(target));
  return 0;
}

// Removes the source of a finished move. Freeing a large file can take the kernel a second
// or more (a tmpfs gives back its pages one by one), so with a progress callback the unlink
// runs on a helper thread while the caller's thread keeps getting progress calls.
int RemoveSource(const std::string& source, uint64_t total, const TransferOptions& options) {
  if (!options.progress || total < (64u << 20)) return ::unlink(source.c_str()) == 0 ? 0 : errno;
  std::future<int> removed = std::async(std::launch::async, [&source] {
    return ::unlink(source.c_str()) == 0 ? 0 : errno;
  });
  while (removed.wait_for(std::chrono::milliseconds(40)) != std::future_status::ready)
    options.progress(total, total);
  return removed.get();
}

// Recreates a symbolic link beside `target` and renames it into place.
int MoveLinkAcross(const std::string& source, const std::string& target,
                   const TransferOptions& options) {
  std::string link(4096, '\0');
  const ssize_t n = ::readlink(source.c_str(), link.data(), link.size());
  if (n < 0) return errno;
  if (static_cast<std::size_t>(n) >= link.size()) return ENAMETOOLONG;
  link.resize(static_cast<std::size_t>(n));
  const std::string temp = NewTempName(target);
  JournalRecord record(options.journal_folder, temp);
  if (::symlink(link.c_str(), temp.c_str()) != 0) return errno;
  if (const int err = RenameInto(temp, target, options.replace_existing); err != 0) {
    ::unlink(temp.c_str());
    return err;
  }
  SyncFolder(FolderOf(target));
  return ::unlink(source.c_str()) == 0 ? 0 : errno;
}

}  // namespace

bool SameFileSystem(const std::string& source, const std::string& target) {
  struct stat a {}, b {};
  if (::lstat(source.c_str(), &a) != 0) return false;
  if (::stat(target.c_str(), &b) != 0 && ::stat(FolderOf(target).c_str(), &b) != 0) return false;
  return a.st_dev == b.st_dev;
}

int MoveFileSafely(const std::string& source, const std::string& target,
                   const TransferOptions& options) {
  struct stat st {};
  if (::lstat(source.c_str(), &st) != 0) return errno;
  if (S_ISDIR(st.st_mode)) return EISDIR;
  const int renamed = RenameInto(source, target, options.replace_existing);
  if (renamed == 0) {
    SyncFolder(FolderOf(target));
    if (options.progress) options.progress(0, 0);
    return 0;
  }
  if (renamed != EXDEV) return renamed;
  if (S_ISLNK(st.st_mode)) return MoveLinkAcross(source, target, options);
  if (const int err = CopyThroughTemporary(source, target, options); err != 0) return err;
  // The target is complete and on disk: only now does the source go.
  return RemoveSource(source, static_cast<uint64_t>(st.st_size), options);
}

int CopyFileSafely(const std::string& source, const std::string& target,
                   const TransferOptions& options) {
  return CopyThroughTemporary(source, target, options);
}

int RenameFileSafely(const std::string& source, const std::string& target,
                     const TransferOptions& options) {
  return MoveFileSafely(source, target, options);
}

int RemoveInterruptedTransfers(const std::string& journal_folder) {
  if (journal_folder.empty()) return 0;
  std::vector<std::string> records;
  {
    DirReader dir(journal_folder);
    if (!dir.IsOpen()) return 0;
    while (const char* entry = dir.Next()) records.emplace_back(entry);
  }
  int removed = 0;
  for (const std::string& name : records) {
    if (!std::string_view(name).ends_with(".transfer")) continue;
    char* end = nullptr;
    const long pid = std::strtol(name.c_str(), &end, 10);
    if (end == name.c_str() || *end != '-' || pid <= 0) continue;
    // A transfer that still runs keeps its temporary.
    if (pid == ::getpid() || ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
    const std::string record = journal_folder + "/" + name;
    std::string temp;
    if (const int fd = ::open(record.c_str(), O_RDONLY | O_CLOEXEC); fd >= 0) {
      char buf[4096];
      ssize_t n;
      while ((n = ::read(fd, buf, sizeof buf)) > 0) temp.append(buf, static_cast<std::size_t>(n));
      ::close(fd);
    }
    // Only a name that this module made is ever removed, whatever the record says.
    const std::string temp_name = NameOf(temp);
    if (temp_name.starts_with('.') && temp_name.find(kTempMarker) != std::string::npos &&
        std::string_view(temp_name).ends_with(".tmp") && ::unlink(temp.c_str()) == 0)
      ++removed;
    ::unlink(record.c_str());
  }
  return removed;
}

int FileCommandErrorCode(int errno_value) {
  switch (errno_value) {
    case EACCES:
    case EPERM:
    case EBUSY:
    case ETXTBSY: return 5;
    case EROFS: return 19;
    default: return errno_value;
  }
}

}  // namespace mivaro::os
