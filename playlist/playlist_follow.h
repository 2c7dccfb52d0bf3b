// Keeping the playlist in step with files that were renamed, moved or sent to the trash.
//
// Entries name a file ignoring letter case, as on the systems the playlists come from:
// "/m/Song.mp3" and "/m/song.mp3" are one entry's two spellings. On a file system that
// tells case apart they can also be two files; an entry whose spelling differs from the
// path and which still names a file of its own is then another file and is left alone.
#pragma once

#include "core/ustring.h"

namespace mivaro {

class TMyWStrings;

// Replaces every entry naming `old_path` by `new_path` (the file now lives there), inside
// one update bracket. Returns how many entries changed.
int ReplacePlaylistPath(TMyWStrings& list, WStringView old_path, WStringView new_path);
// Deletes every entry naming `path` (the file is gone). Returns how many were deleted.
// `index`, when given, is an entry's index that follows the entries that stay: it keeps to
// its entry, or when that is deleted, to the one that came after it.
int RemovePlaylistPath(TMyWStrings& list, WStringView path, int* index = nullptr);
// The first entry naming `path`: an exact match before one that differs in case; -1 when
// none.
int FindPlaylistPath(TMyWStrings& list, WStringView path);

}  // namespace mivaro
