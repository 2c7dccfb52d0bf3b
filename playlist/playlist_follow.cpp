#include "playlist/playlist_follow.h"

#include "core/files.h"
#include "core/text_encoding.h"
#include "core/wstrings.h"

namespace mivaro {

namespace {

// True when `entry` stands for the file that was at `path` (whose upper-case form is
// `upper`). `now_at` is where that file is now (empty when it is gone).
bool NamesFile(WStringView entry, WStringView path, WStringView upper, WStringView now_at) {
  if (entry == path) return true;
  if (entry.size() != path.size() || UpperCaseText(entry) != upper) return false;
  // Another spelling: the same file unless it names an existing file of its own.
  FileIdentity entry_id, now_id;
  if (!GetFileIdentity(entry, entry_id)) return true;
  return !now_at.empty() && GetFileIdentity(now_at, now_id) && entry_id == now_id;
}

}  // namespace

int ReplacePlaylistPath(TMyWStrings& list, WStringView old_path, WStringView new_path) {
  const WString upper = UpperCaseText(old_path);
  int changed = 0;
  list.BeginUpdate();
  for (int i = 0; i < list.Count(); ++i) {
    if (!NamesFile(list.At(i), old_path, upper, new_path)) continue;
    if (list.At(i) != new_path) list.Put(i, new_path);
    ++changed;
  }
  list.EndUpdate();
  return changed;
}

int RemovePlaylistPath(TMyWStrings& list, WStringView path, int* index) {
  const WString upper = UpperCaseText(path);
  int removed = 0;
  list.BeginUpdate();
  for (int i = list.Count() - 1; i >= 0; --i) {
    if (!NamesFile(list.At(i), path, upper, WStringView())) continue;
    list.Delete(i);
    if (index && i < *index) --*index;
    ++removed;
  }
  list.EndUpdate();
  return removed;
}

int FindPlaylistPath(TMyWStrings& list, WStringView path) {
  const WString upper = UpperCaseText(path);
  int other_case = -1;
  for (int i = 0; i < list.Count(); ++i) {
    if (list.At(i) == path) return i;
    if (other_case < 0 && list.At(i).size() == path.size() && UpperCaseText(list.At(i)) == upper)
      other_case = i;
  }
  return other_case;
}

}  // namespace mivaro
