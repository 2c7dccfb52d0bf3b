#include "core/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <optional>
#include <vector>

#include "core/numbers.h"
#include "core/paths.h"
#include "platform/os/dir_reader.h"
#include "platform/os/file_stat.h"
#include "platform/os/native_path.h"

namespace mivaro {

namespace {

constexpr int64_t kTicksPerSecond = 10000000;

// The pattern without one trailing separator ("C:\music\*\" -> "C:\music\*").
WString DropOneTrailingSeparator(WStringView pattern) {
  if (!pattern.empty() && IsPathDelimiter(pattern.back())) pattern.remove_suffix(1);
  return WString(pattern);
}

bool StatOf(WStringView path, os::FileStat& st) {
  std::string native;
  if (!os::ToNativePath(path, native)) return false;
  return os::StatPath(native, st);
}

// The first entry of the pattern's iteration that is a file (not a folder).
std::optional<TMyFindData> FirstFileMatch(WStringView pattern) {
  TMyFindFile find(pattern);
  TMyFindData fd;
  while (find.Next(fd)) {
    if (!fd.IsFolder()) return fd;
  }
  return std::nullopt;
}

bool SplitTicks(FileTime ft, time_t& seconds, int& milliseconds) {
  if (ft <= 0) return false;
  const int64_t rel = ft - kUnixEpochFileTime;
  int64_t s = rel / kTicksPerSecond;
  int64_t r = rel % kTicksPerSecond;
  if (r < 0) {
    r += kTicksPerSecond;
    --s;
  }
  seconds = static_cast<time_t>(s);
  milliseconds = static_cast<int>(r / 10000);
  return true;
}

void FromTm(const struct tm& t, int ms, TMySystemTime& out) {
  out.year = t.tm_year + 1900;
  out.month = t.tm_mon + 1;
  out.day_of_week = t.tm_wday;
  out.day = t.tm_mday;
  out.hour = t.tm_hour;
  out.minute = t.tm_min;
  out.second = t.tm_sec;
  out.milliseconds = ms;
}

}  // namespace

// ---- Times ------------------------------------------------------------------------------

FileTime FileTimeFromUnix(int64_t seconds, int64_t nanoseconds) {
  return kUnixEpochFileTime + seconds * kTicksPerSecond + nanoseconds / 100;
}

int64_t UnixSecondsFromFileTime(FileTime ft) {
  const int64_t rel = ft - kUnixEpochFileTime;
  int64_t s = rel / kTicksPerSecond;
  if (rel % kTicksPerSecond < 0) --s;
  return s;
}

namespace {

// A file time broken down by `toTm` (localtime_r or gmtime_r).
bool FileTimeToCalendar(FileTime ft, TMySystemTime& out, tm* (*toTm)(const time_t*, tm*)) {
  out = {};
  time_t s;
  int ms;
  tm t{};
  if (!SplitTicks(ft, s, ms) || toTm(&s, &t) == nullptr) return false;
  FromTm(t, ms, out);
  return true;
}

}  // namespace

bool FileTimeToLocalSystemTime(FileTime ft, TMySystemTime& out) {
  return FileTimeToCalendar(ft, out, localtime_r);
}

bool FileTimeToSystemTime(FileTime ft, TMySystemTime& out) {
  return FileTimeToCalendar(ft, out, gmtime_r);
}

WString SystemTimeText(const TMySystemTime& t) {
  char buf[96];
  std::snprintf(buf, sizeof buf, "%04d/%02d/%02d %d:%02d:%02d", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  return U16(buf);
}

// ---- Directory iteration ----------------------------------------------------------------

struct TMyFindFile::Impl {
  std::optional<os::DirReader> reader;
  TMyFileMask mask;
  // A pattern without wildcards names one entry: it is found once, without reading the folder.
  bool single = false;
  bool done = false;
  bool details = true;
  WString single_name;
  std::string single_native;
};

TMyFindFile::TMyFindFile(WStringView pattern, TMyFindDetail detail) : impl_(new Impl) {
  impl_->details = detail == TMyFindDetail::Full;
  folder_ = ExtractFilePath(pattern);
  const WString name = ExtractFileName(pattern);
  if (name.empty() || name == u"." || name == u"..") {
    impl_->done = true;
    return;
  }
  if (!HasWildcards(name)) {
    impl_->single = true;
    impl_->single_name = name;
    if (!os::ToNativePath(pattern, impl_->single_native)) impl_->done = true;
    return;
  }
  std::string native_folder;
  if (!folder_.empty() && !os::ToNativePath(folder_, native_folder)) {
    impl_->done = true;
    return;
  }
  impl_->mask = TMyFileMask(name);
  impl_->reader.emplace(native_folder);
  if (!impl_->reader->IsOpen()) impl_->done = true;
}

TMyFindFile::~TMyFindFile() { delete impl_; }

bool TMyFindFile::Next(TMyFindData& out) {
  if (impl_->done) return false;
  os::FileStat st;
  if (impl_->single) {
    impl_->done = true;
    if (!os::StatPath(impl_->single_native, st)) return false;
    out.name = impl_->single_name;
    const std::string leaf = os::NativePath(out.name);
    out.attributes = os::AttributesOf(st, leaf.c_str());
  } else {
    for (;;) {
      const char* n = impl_->reader->Next();
      if (n == nullptr) {
        impl_->done = true;
        impl_->reader.reset();  // the folder is closed as soon as the iteration ends
        return false;
      }
      os::FromNativeNameInto(n, out.name);
      if (!impl_->mask.Matches(out.name)) continue;
      const int kind = impl_->reader->LastIsFolder();
      if (!impl_->details && kind >= 0) {
        // The folder told the kind: no statx call for this entry.
        st = os::FileStat();
        st.is_folder = kind == 1;
        out.attributes = os::AttributesOf(st, n);
        out.size = 0;
        out.write_time = out.create_time = out.access_time = 0;
        out.has_details = false;
        return true;
      }
      if (!os::StatAt(impl_->reader->Fd(), n, st)) continue;  // vanished meanwhile
      out.attributes = os::AttributesOf(st, n);
      break;
    }
  }
  out.size = st.size;
  out.write_time = st.write_time;
  out.create_time = st.create_time;
  out.access_time = st.access_time;
  out.has_details = true;
  return true;
}

bool TMyFindFile::FolderIdentity(FileIdentity& out) const {
  os::FileStat st;
  if (!impl_->reader || !impl_->reader->IsOpen() || !os::StatFd(impl_->reader->Fd(), st)) {
    return false;
  }
  out = {st.device, st.inode};
  return true;
}

bool FillFindDetails(WStringView folder, TMyFindData& fd) {
  if (fd.has_details) return true;
  std::string native;
  os::FileStat st;
  if (!os::ToNativePath(WString(folder) + fd.name, native) || !os::StatPath(native, st))
    return false;
  const std::string leaf = os::NativePath(fd.name);
  fd.attributes = os::AttributesOf(st, leaf.c_str());
  fd.size = st.size;
  fd.write_time = st.write_time;
  fd.create_time = st.create_time;
  fd.access_time = st.access_time;
  fd.has_details = true;
  return true;
}

size_t ForEachFileMatch(WStringView pattern, const std::function<bool(const TMyFindData&)>& fn,
                        TMyFindDetail detail) {
  TMyFindFile find(pattern, detail);
  TMyFindData fd;
  size_t count = 0;
  while (find.Next(fd)) {
    ++count;
    if (!fn(fd)) break;
  }
  return count;
}

// ---- Queries ----------------------------------------------------------------------------

bool FolderExists(WStringView path) {
  if (path.empty()) return false;
  if (HasWildcards(path)) {
    TMyFindFile find(DropOneTrailingSeparator(path));
    TMyFindData fd;
    while (find.Next(fd)) {
      if (fd.IsFolder()) return true;
    }
    return false;
  }
  os::FileStat st;
  return StatOf(path, st) && st.is_folder;
}

bool FileExists(WStringView path) {
  if (path.empty()) return false;
  if (HasWildcards(path)) {
    return FolderExists(ExtractFilePath(path)) && FirstFileMatch(path).has_value();
  }
  os::FileStat st;
  return StatOf(path, st) && !st.is_folder;
}

TMyFileLookup::~TMyFileLookup() {
  if (folder_fd_ >= 0) close(folder_fd_);
}

namespace {

// Folders asked about this often in a row are read whole; larger folders than this (in
// the bytes the file system gives as their size) are not, as reading thousands of names
// for a few look-ups would cost more than it saves.
constexpr int kLookupsBeforeListing = 2;
constexpr int64_t kMaxListedFolderBytes = 256 * 1024;

}  // namespace

void TMyFileLookup::OpenFolder(std::string_view folder) {
  if (folder_fd_ >= 0) close(folder_fd_);
  folder_.assign(folder);
  folder_fd_ = open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  // A folder that may be searched but not read still answers for its names.
  if (folder_fd_ < 0) folder_fd_ = open(folder_.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  folder_known_ = true;
  asked_ = 0;
  listed_ = false;
}

void TMyFileLookup::ReadEntries() {
  names_.clear();
  entries_.clear();
  alignas(8) char buffer[32 * 1024];
  for (bool first = true;; first = false) {
    const ssize_t n = getdents64(folder_fd_, buffer, sizeof buffer);
    if (n < 0) return;  // not readable (O_PATH) or failed: look names up one by one
    if (n == 0) break;
    // A folder that does not fit in one buffer is read on only when the file system gives
    // it a moderate size (most folders of a playlist fit, and need no fstat call).
    if (first && static_cast<size_t>(n) >= sizeof buffer / 2) {
      struct stat st {};
      if (fstat(folder_fd_, &st) != 0 || st.st_size > kMaxListedFolderBytes) return;
    }
    for (ssize_t at = 0; at < n;) {
      const auto* d = reinterpret_cast<const struct dirent64*>(buffer + at);
      at += d->d_reclen;
      const std::string_view name(d->d_name);
      entries_.push_back({static_cast<uint32_t>(names_.size()),
                          static_cast<uint32_t>(name.size()), d->d_type});
      names_.append(name);
    }
    // A call that left most of the buffer empty has given the whole folder on the usual
    // file systems; the call that would say so costs as much as a look-up. Should one
    // have given less, a name it left out is still looked up on its own (not listed).
    if (static_cast<size_t>(n) < sizeof buffer / 2) break;
  }
  std::sort(entries_.begin(), entries_.end(), [this](const Entry& x, const Entry& y) {
    return std::string_view(names_).substr(x.offset, x.length) <
           std::string_view(names_).substr(y.offset, y.length);
  });
  listed_ = true;
}

int TMyFileLookup::KindFromEntries(std::string_view name) const {
  const std::string_view all(names_);
  auto it = std::lower_bound(entries_.begin(), entries_.end(), name,
                             [all](const Entry& e, std::string_view n) {
                               return all.substr(e.offset, e.length) < n;
                             });
  // A name not listed as written may still be found by a look-up, on file systems that
  // ignore case (a FAT memory stick) or when it was made after the folder was read.
  if (it == entries_.end() || all.substr(it->offset, it->length) != name) return -1;
  if (it->type == DT_DIR) return 0;
  // Devices, FIFOs and sockets are files here as they are to a look-up; links and
  // unknown kinds need one to say what they lead to.
  if (it->type == DT_LNK || it->type == DT_UNKNOWN) return -1;
  return 1;
}

bool TMyFileLookup::FileExists(WStringView path) {
  if (path.empty() || HasWildcards(path)) return mivaro::FileExists(path);
  const WStringView name = FileNamePart(path);
  if (name.empty() || name == u"." || name == u"..") return false;
  if (!os::ToNativePath(path, native_)) return false;
  const size_t slash = native_.rfind('/');
  os::FileStat st;
  if (slash == std::string::npos || slash + 1 == native_.size()) {
    return os::StatPath(native_, st) && !st.is_folder;
  }
  const std::string_view folder(native_.data(), slash + 1);
  if (!folder_known_ || folder != folder_) OpenFolder(folder);
  // A folder that cannot be opened (missing, or no descriptor left) gets the whole-path
  // look-up, which answers the same as before.
  if (folder_fd_ < 0) return os::StatPath(native_, st) && !st.is_folder;
  const char* leaf = native_.c_str() + slash + 1;
  if (!listed_ && ++asked_ == kLookupsBeforeListing) ReadEntries();
  if (listed_) {
    const int kind = KindFromEntries(leaf);
    if (kind >= 0) return kind == 1;
  }
  return os::StatAt(folder_fd_, leaf, st) && !st.is_folder;
}

WString NearestExistingFolder(WStringView path) {
  WString p(path);
  while (!p.empty()) {
    if (FolderExists(p)) return p;
    WString up = ExtractFileDir(p);
    if (up == p) break;
    p = std::move(up);
  }
  return {};
}

int64_t FindFileAttributes(WStringView pattern, bool files_only) {
  TMyFindFile find(DropOneTrailingSeparator(pattern));
  TMyFindData fd;
  while (find.Next(fd)) {
    if (files_only && fd.IsFolder()) continue;
    return fd.attributes;
  }
  return kNoFileAttr;
}

int64_t GetFileAttr(WStringView path) {
  if (path.empty()) return kNoFileAttr;
  if (HasWildcards(path)) return FindFileAttributes(path, false);
  os::FileStat st;
  if (!StatOf(path, st)) return kNoFileAttr;
  const std::string leaf = os::NativePath(ExtractFileName(ExcludeTrailingPathDelimiter(path)));
  return os::AttributesOf(st, leaf.c_str());
}

bool SetFileAttr(WStringView path, uint32_t attributes) {
  std::string native;
  os::FileStat st;
  if (!os::ToNativePath(path, native) || !os::StatPath(native, st)) return false;
  const bool want_read_only = (attributes & kFileAttrReadOnly) != 0;
  if (want_read_only == st.read_only) return true;
  mode_t mode = st.mode & 07777;
  if (want_read_only) {
    mode &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
  } else {
    mode |= S_IWUSR;
  }
  return chmod(native.c_str(), mode) == 0;
}

bool IsReadOnlyFile(WStringView path) {
  if (!FileExists(path)) return false;
  const int64_t a = FindFileAttributes(path, true);
  return a != kNoFileAttr && (a & kFileAttrReadOnly) != 0;
}

bool SetReadOnlyFile(WStringView path) {
  if (!FileExists(path)) return false;
  const int64_t a = GetFileAttr(path);
  if (a == kNoFileAttr) return false;
  if (a & kFileAttrReadOnly) return true;
  return SetFileAttr(path, static_cast<uint32_t>(a) | kFileAttrReadOnly);
}

bool ClearReadOnlyFile(WStringView path) {
  if (!FileExists(path)) return false;
  const int64_t a = GetFileAttr(path);
  if (a == kNoFileAttr) return false;
  if (a & kFileAttrReadOnly) return SetFileAttr(path, static_cast<uint32_t>(a) & ~kFileAttrReadOnly);
  return true;
}

FileTime GetFileWriteTime(WStringView path) {
  if (HasWildcards(path)) {
    const auto fd = FirstFileMatch(path);
    return fd ? fd->write_time : 0;
  }
  os::FileStat st;
  return StatOf(path, st) ? st.write_time : 0;
}

FileTime GetFileCreateTime(WStringView path) {
  if (HasWildcards(path)) {
    const auto fd = FirstFileMatch(path);
    return fd ? fd->create_time : 0;
  }
  os::FileStat st;
  return StatOf(path, st) ? st.create_time : 0;
}

bool GetFileWriteTimeLocal(WStringView path, TMySystemTime& out) {
  return FileTimeToLocalSystemTime(GetFileWriteTime(path), out);
}

WString FileWriteTimeText(WStringView path) {
  TMySystemTime t;
  if (!GetFileWriteTimeLocal(path, t)) return {};
  // The time passes through a DOS date and time: two-second steps, years 1980 to 2107.
  if (t.year < 1980 || t.year > 2107) return {};
  t.second &= ~1;
  t.milliseconds = 0;
  return SystemTimeText(t);
}

int64_t GetFileSize64(WStringView path) {
  if (HasWildcards(path)) {
    const auto fd = FirstFileMatch(path);
    return fd ? fd->size : 0;
  }
  os::FileStat st;
  return StatOf(path, st) ? st.size : 0;
}

WString FileSizeText(WStringView path) { return SizeText(GetFileSize64(path)); }

// ---- Handles ----------------------------------------------------------------------------

TMyFileHandle::~TMyFileHandle() { Close(); }

TMyFileHandle& TMyFileHandle::operator=(TMyFileHandle&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

void TMyFileHandle::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

int64_t TMyFileHandle::Read(void* buffer, int64_t size) {
  if (fd_ < 0 || size < 0) return -1;
  for (;;) {
    const ssize_t n = ::read(fd_, buffer, static_cast<size_t>(size));
    if (n < 0 && errno == EINTR) continue;
    return n;
  }
}

int64_t TMyFileHandle::Size() const {
  struct stat st {};
  if (fd_ < 0 || fstat(fd_, &st) != 0) return -1;
  return st.st_size;
}

TMyFileHandle OpenFileForRead(WStringView path) {
  std::string native;
  if (!os::ToNativePath(path, native)) return {};
  const int fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return {};
  TMyFileHandle h(fd);
  struct stat st {};
  if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) return {};
  return h;
}

bool GetFileIdentity(WStringView path, FileIdentity& out) {
  os::FileStat st;
  if (!StatOf(path, st)) return false;
  out = {st.device, st.inode};
  return true;
}

bool IsRegularFile(WStringView path) {
  os::FileStat st;
  return StatOf(path, st) && S_ISREG(st.mode);
}

bool IsExecutableFile(WStringView path) {
  std::string native;
  os::FileStat st;
  if (!os::ToNativePath(path, native) || !os::StatPath(native, st) || !S_ISREG(st.mode))
    return false;
  TMyFileHandle h = OpenFileForRead(path);
  unsigned char head[4] = {0, 0, 0, 0};
  if (!h.IsValid() || h.Read(head, 4) < 2) return false;
  if (head[0] == 0x7F && head[1] == 'E' && head[2] == 'L' && head[3] == 'F') return true;
  return head[0] == '#' && head[1] == '!' && (st.mode & (S_IXUSR | S_IXGRP | S_IXOTH)) != 0;
}

// ---- Changes ----------------------------------------------------------------------------

bool CreateFolder(WStringView path) {
  std::string native;
  if (!os::ToNativePath(path, native)) return false;
  return ::mkdir(native.c_str(), 0777) == 0;
}

bool ForceFolders(WStringView path) {
  const WString p = ExcludeTrailingPathDelimiter(path);
  if (p.empty()) return false;
  if (FolderExists(p)) return true;
  const WString up = ExtractFileDir(p);
  if (!up.empty() && up != p && !ForceFolders(up)) return false;
  return CreateFolder(p) || FolderExists(p);
}

bool DeleteOneFile(WStringView path) {
  std::string native;
  os::FileStat st;
  if (!os::ToNativePath(path, native) || !os::StatPath(native, st) || st.is_folder) return false;
  return ::unlink(native.c_str()) == 0;
}

bool DeleteMatchingFiles(WStringView pattern) {
  // The names are collected first: deleting while the folder is being read may skip entries.
  const WString folder = ExtractFilePath(pattern);
  std::vector<WString> names;
  bool matched = false;
  ForEachFileMatch(pattern, [&](const TMyFindData& fd) {
    if (!fd.IsFolder()) {
      matched = true;
      names.push_back(fd.name);
    }
    return true;
  });
  bool ok = matched;
  for (const WString& name : names) {
    std::string native;
    if (!os::ToNativePath(folder + name, native) || ::unlink(native.c_str()) != 0) ok = false;
  }
  return ok;
}

}  // namespace mivaro
