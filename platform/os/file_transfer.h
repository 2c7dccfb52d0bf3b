// Moving, copying and renaming files so that no file is ever lost or left half-written.
//
// - A move within one file system is a single rename(2): atomic.
// - A move to another file system copies into a temporary file in the target folder,
//   flushes it to disk, renames it into place and only then removes the source. A failure
//   at any point removes the temporary file and leaves the source untouched.
// - A copy takes the same temporary-then-rename path, so the target name never holds a
//   half-written file, and an existing target is replaced only by that final rename.
// - A symbolic link as the source of a move is moved as the link; a copy copies what the
//   link points to.
//
// Temporaries are named ".NAME.mivaro-tmp-PID-N.tmp" (as the atomic writer names its own).
// When a journal folder is given, each transfer leaves a record there while it runs, so that
// RemoveInterruptedTransfers can find and remove the temporaries of a process that was
// killed in the middle of a copy.
//
// All paths are the file system's byte names (see native_path.h). Every call blocks until it
// is done; the progress callback runs on the calling thread after every chunk, and every few
// tens of milliseconds while the source of a large move is being freed, so a window can pump
// its messages there and stay live during a large copy.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace mivaro::os {

// Called with the bytes copied so far and the total; total is 0 for a rename.
using TransferProgress = std::function<void(uint64_t done, uint64_t total)>;

struct TransferOptions {
  // Replace an existing target (by the final rename only). Without it an existing target
  // fails with EEXIST.
  bool replace_existing = false;
  // Folder for the records of running transfers (empty: no records).
  std::string journal_folder;
  TransferProgress progress;
  // Bytes per copy step: the progress callback runs at least this often.
  uint64_t chunk_bytes = 4u << 20;
};

// Each returns 0 when done, else the errno of the step that failed (the source is then
// unchanged, and no temporary is left).
int MoveFileSafely(const std::string& source, const std::string& target,
                   const TransferOptions& options = {});
int CopyFileSafely(const std::string& source, const std::string& target,
                   const TransferOptions& options = {});
// A rename within one folder or file system; falls back to MoveFileSafely across file
// systems.
int RenameFileSafely(const std::string& source, const std::string& target,
                     const TransferOptions& options = {});

// True when both paths lie on the same file system (the target's folder for a target that
// does not exist yet).
bool SameFileSystem(const std::string& source, const std::string& target);

// Removes the temporaries recorded in `journal_folder` by processes that no longer run, and
// their records. Returns how many temporaries were removed.
int RemoveInterruptedTransfers(const std::string& journal_folder);

// The error code the file commands report for an errno: 5 (in use or denied) for EACCES,
// EPERM, EBUSY and ETXTBSY, 19 (write-protected) for EROFS, the errno itself otherwise.
int FileCommandErrorCode(int errno_value);

}  // namespace mivaro::os
