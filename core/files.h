// File-system queries and changes: existence (also of patterns), attributes, times, sizes,
// directory iteration, folders, deletion by pattern.
//
// Missing or unreadable files are never an error: queries give false, -1, a zero time,
// 0 or empty text. Patterns use "*" and "?" in the last name only (see MatchesFileMask).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/ustring.h"

namespace mivaro {

// ---- Attributes -------------------------------------------------------------------------

// The attribute word synthesised from the file's type and permissions.
inline constexpr uint32_t kFileAttrReadOnly = 0x01;   // no write permission
inline constexpr uint32_t kFileAttrHidden = 0x02;     // name starts with "."
inline constexpr uint32_t kFileAttrDirectory = 0x10;  // a folder
inline constexpr uint32_t kFileAttrNormal = 0x80;     // none of the above
inline constexpr int64_t kNoFileAttr = -1;            // no such file

// ---- Times ------------------------------------------------------------------------------

// FILETIME: 100-ns ticks since 1601-01-01 UTC; 0 means "could not be read".
using FileTime = int64_t;
inline constexpr FileTime kUnixEpochFileTime = 116444736000000000LL;

FileTime FileTimeFromUnix(int64_t seconds, int64_t nanoseconds = 0);
// Seconds since 1970 (floor) of a FILETIME.
int64_t UnixSecondsFromFileTime(FileTime ft);

// A calendar time as the program shows it.
struct TMySystemTime {
  int year = 0;
  int month = 0;         // 1..12
  int day_of_week = 0;   // 0 = Sunday
  int day = 0;           // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
  int milliseconds = 0;
  friend bool operator==(const TMySystemTime&, const TMySystemTime&) = default;
};

// The FILETIME in the local time zone (`out` zeroed and false for 0 or unconvertible).
bool FileTimeToLocalSystemTime(FileTime ft, TMySystemTime& out);
// The FILETIME as UTC calendar time.
bool FileTimeToSystemTime(FileTime ft, TMySystemTime& out);
// "yyyy/mm/dd h:mm:ss", the Japanese short date and long time.
WString SystemTimeText(const TMySystemTime& t);

// ---- Directory iteration ----------------------------------------------------------------

// One entry found by the iteration. Symbolic links report what they point to (a broken link
// reports itself).
struct TMyFindData {
  WString name;  // the name only, no folder
  uint32_t attributes = 0;
  int64_t size = 0;  // 0 for folders
  FileTime write_time = 0;
  FileTime create_time = 0;  // birth time where the file system keeps one, else write time
  FileTime access_time = 0;
  // False when the entry came from a names-only iteration: size, times and the read-only
  // bit are then not filled (FillFindDetails reads them).
  bool has_details = false;
  bool IsFolder() const { return (attributes & kFileAttrDirectory) != 0; }
};

// How much the iteration reads per entry. Reading size, times and permissions costs one
// statx call per entry, about ten times the cost of reading the folder itself; a walk that
// only needs names and folders should ask for NamesOnly (the folder and hidden bits are
// still set; symbolic links are still followed to learn whether they lead to a folder).
enum class TMyFindDetail { Full, NamesOnly };

// Reads size, times and attributes of an entry found in `folder` (with its trailing
// separator, as TMyFindFile::Folder gives it). False when the entry has gone.
bool FillFindDetails(WStringView folder, TMyFindData& fd);

struct FileIdentity;

// Iterates the entries of the folder part of `pattern` (ExtractFilePath) whose names match
// its name part. "." and ".." are never reported. The order is the file system's.
// A pattern without wildcards finds that one entry. The folder is closed when the
// iteration object goes away.
//
//   TMyFindFile find(u"/music/*.mp3");
//   TMyFindData fd;
//   while (find.Next(fd)) ...
class TMyFindFile {
 public:
  explicit TMyFindFile(WStringView pattern, TMyFindDetail detail = TMyFindDetail::Full);
  ~TMyFindFile();
  TMyFindFile(const TMyFindFile&) = delete;
  TMyFindFile& operator=(const TMyFindFile&) = delete;

  // The next match; false at the end (or when the folder cannot be read).
  bool Next(TMyFindData& out);
  // The folder that is iterated, with its trailing separator (empty for the current one).
  const WString& Folder() const { return folder_; }
  // The identity of the folder being read, from its open descriptor (no second look-up of
  // its path); false for a pattern without wildcards, an unreadable folder, or once the
  // iteration has ended.
  bool FolderIdentity(FileIdentity& out) const;

 private:
  struct Impl;
  Impl* impl_ = nullptr;
  WString folder_;
};

// Calls `fn` for each match of `pattern` until it returns false. Returns the number of
// entries passed to `fn`.
size_t ForEachFileMatch(WStringView pattern, const std::function<bool(const TMyFindData&)>& fn,
                        TMyFindDetail detail = TMyFindDetail::Full);

// ---- Queries ----------------------------------------------------------------------------

// True when the folder exists, or the pattern matches at least one folder.
bool FolderExists(WStringView path);
// True when the file exists (not a folder), or the pattern matches at least one file in an
// existing folder ("*.mp3" without a folder part is false).
bool FileExists(WStringView path);
// The path if it is an existing folder, else its nearest existing ancestor, else empty.
WString NearestExistingFolder(WStringView path);
// The identity of what a path names, links followed: the same for every name and link that
// reaches one file or folder. False when nothing is there.
struct FileIdentity {
  uint64_t device = 0;
  uint64_t inode = 0;
  bool operator==(const FileIdentity&) const = default;
};
bool GetFileIdentity(WStringView path, FileIdentity& out);
// True for a regular file (links followed): not a folder, device, FIFO or socket, which a
// reader could block on or never finish.
bool IsRegularFile(WStringView path);

// Answers "is there a file (not a folder) under this name" for many names in a row, as
// FileExists does for a name without wildcards. Names in one folder, as a playlist lists
// them, share one open descriptor of that folder, so each look-up walks the last name
// only; once a folder has been asked about several times in a row its entries are read in
// one go, and names whose kind the folder states need no look-up of their own.
class TMyFileLookup {
 public:
  TMyFileLookup() = default;
  ~TMyFileLookup();
  TMyFileLookup(const TMyFileLookup&) = delete;
  TMyFileLookup& operator=(const TMyFileLookup&) = delete;

  bool FileExists(WStringView path);

 private:
  void OpenFolder(std::string_view folder);
  void ReadEntries();
  // 1 a file, 0 a folder, -1 the listing cannot tell (not listed, a link, an unknown kind).
  int KindFromEntries(std::string_view name) const;

  struct Entry {
    uint32_t offset = 0;  // of the name in names_
    uint32_t length = 0;
    uint8_t type = 0;     // DT_* of the folder's listing
  };
  std::string native_;  // the last name asked for, as bytes (its storage is reused)
  std::string folder_;  // the folder that folder_fd_ holds open
  int folder_fd_ = -1;  // -1: none, or folder_ could not be opened
  bool folder_known_ = false;
  int asked_ = 0;       // look-ups in this folder so far
  bool listed_ = false; // entries_ holds the folder's entries, sorted by name
  std::string names_;
  std::vector<Entry> entries_;
};

// Attributes of the first match (optionally files only), -1 if none.
int64_t FindFileAttributes(WStringView pattern, bool files_only);
// Attributes of a path or pattern, -1 if none.
int64_t GetFileAttr(WStringView path);
// Applies the read-only bit of `attributes` to the permissions (the other bits cannot be
// set on this system and are ignored). False when the file is missing or cannot be changed.
bool SetFileAttr(WStringView path, uint32_t attributes);

bool IsReadOnlyFile(WStringView path);
bool SetReadOnlyFile(WStringView path);
bool ClearReadOnlyFile(WStringView path);

// Times of a path, or of the first file matching a pattern; 0 when they cannot be read.
FileTime GetFileWriteTime(WStringView path);
FileTime GetFileCreateTime(WStringView path);
// The write time in local time; false when it cannot be read.
bool GetFileWriteTimeLocal(WStringView path, TMySystemTime& out);
// The local write time (in two-second steps) as "yyyy/mm/dd h:mm:ss"; empty when it cannot
// be read.
WString FileWriteTimeText(WStringView path);

// Size of a path, or of the first file matching a pattern; 0 when it cannot be read.
int64_t GetFileSize64(WStringView path);
// SizeText of the file's size.
WString FileSizeText(WStringView path);

// A file opened for reading (existing regular files only). Move-only; closes itself.
class TMyFileHandle {
 public:
  TMyFileHandle() = default;
  explicit TMyFileHandle(int fd) : fd_(fd) {}
  ~TMyFileHandle();
  TMyFileHandle(TMyFileHandle&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  TMyFileHandle& operator=(TMyFileHandle&& other) noexcept;
  TMyFileHandle(const TMyFileHandle&) = delete;
  TMyFileHandle& operator=(const TMyFileHandle&) = delete;

  bool IsValid() const { return fd_ >= 0; }
  int fd() const { return fd_; }
  void Close();
  // Reads up to `size` bytes; returns the count read, 0 at the end, -1 on error.
  int64_t Read(void* buffer, int64_t size);
  // Size of the open file, -1 on error.
  int64_t Size() const;

 private:
  int fd_ = -1;
};
TMyFileHandle OpenFileForRead(WStringView path);

// True for programs: an ELF file, or an executable file starting with "#!".
bool IsExecutableFile(WStringView path);

// ---- Changes ----------------------------------------------------------------------------

// Creates one folder level; false when it exists already or cannot be created.
bool CreateFolder(WStringView path);
// Creates the folder and its missing parents; true when it exists afterwards.
bool ForceFolders(WStringView path);
// Deletes every file (not folder) matching the pattern; true when at least one matched and
// every one was deleted.
bool DeleteMatchingFiles(WStringView pattern);
// Deletes one file; false when it is missing, a folder, or cannot be deleted.
bool DeleteOneFile(WStringView path);

}  // namespace mivaro
