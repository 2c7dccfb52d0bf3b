// The order of the player's playlist: the sort state shown on the sort commands, the sorts
// by a part of the path and the shuffle.
//
// The sort state is one integer: 0 unsorted, 1 shuffled, 2 by full path, 3 by folder, 4 by
// name, 5 by extension; positive ascending, negative descending. Choosing the active key
// again flips its direction.
#pragma once

#include "core/ustring.h"

namespace mivaro {

class TMyWStrings;

enum TMySortKey : int {
  kSortNone = 0,
  kSortShuffled = 1,
  kSortPath = 2,
  kSortFolder = 3,
  kSortName = 4,
  kSortExtension = 5,
};

class TMySortState {
 public:
  int Value() const { return state_; }
  // The user chose `key` (kSortPath..kSortExtension): its direction flips when it is the
  // active key, otherwise it becomes the active key, ascending. Returns the new state.
  int Choose(int key);
  void SetShuffled() { state_ = kSortShuffled; }
  void Reset() { state_ = kSortNone; }
  // The caption of the command for `key`: `caption` up to its first blank (which drops a
  // direction mark shown before), then " ▲" or " ▼" when `key` is active.
  WString Caption(WStringView caption, int key) const;

 private:
  int state_ = kSortNone;
};

// Stable sort of the whole list by the key of |state| with CompareFileNamesNatural on that
// part of each path (full path, folder without its trailing separator, name, extension);
// descending for a negative state. Other states leave the list as it is.
void SortPlaylist(TMyWStrings& list, int state);
// Puts the list in a random order, every order equally likely.
void ShufflePlaylist(TMyWStrings& list);

}  // namespace mivaro
