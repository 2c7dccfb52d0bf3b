// Replacing a file safely: the new content goes to a temporary file beside the target,
// is flushed to disk, and only then renamed over the target. On any failure the target
// keeps its old content and the temporary file is removed.
#pragma once

#include <string>
#include <string_view>

#include "core/ustring.h"

namespace mivaro {

// Writes bytes as the new content of fileName (UTF-16 path). Returns false, leaving the
// old file untouched, when the folder is not writable, the disk is full or the rename
// fails. A symbolic link is followed: the file it points to is replaced, the link kept.
// An existing file's permission bits are kept; a new file gets 0666 minus the umask.
bool WriteFileAtomic(WStringView fileName, std::string_view bytes);
bool WriteFileAtomicUtf8(const std::string& path, std::string_view bytes);

// Streaming form for writers that produce their output piece by piece:
//   TMyAtomicFile f; if (!f.Open(path)) ...; f.Write(a); f.Write(b); ok = f.Commit();
// Destroying it without Commit discards the temporary file.
// Temporaries are named ".NAME.mivaro-tmp-PID-N.tmp" beside the target NAME, so that one
// left behind by a killed process can be told from every other file.
inline constexpr std::string_view kAtomicTempMarker = ".mivaro-tmp-";
// Removes the temporaries in `native_folder` left by processes that no longer run, for
// targets whose names start with `name_prefix` (the program's own files). Returns how
// many were removed.
int RemoveStaleAtomicTemporaries(const std::string& native_folder, std::string_view name_prefix);

class TMyAtomicFile {
 public:
  TMyAtomicFile() = default;
  ~TMyAtomicFile();
  TMyAtomicFile(const TMyAtomicFile&) = delete;
  TMyAtomicFile& operator=(const TMyAtomicFile&) = delete;

  // Creates the temporary file beside fileName. False when it cannot be created.
  bool Open(WStringView fileName);
  bool OpenUtf8(const std::string& path);
  // Appends bytes; false (and the file is doomed) when writing fails.
  bool Write(std::string_view bytes);
  // Flushes, syncs and renames over the target. False on any failure so far.
  bool Commit();
  // Removes the temporary file without touching the target.
  void Discard();
  bool IsOpen() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
  bool failed_ = false;
  std::string target_;
  std::string temp_;
};

}  // namespace mivaro
