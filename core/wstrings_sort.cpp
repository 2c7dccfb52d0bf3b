// TMyWStrings: the merge, quick and insertion sorts and the path sort.
#include <cstdio>
#include <memory>
#include <vector>

#include "core/hooks.h"
#include "core/wstrings.h"

namespace mivaro {
namespace {

// Folder (without its trailing "\" or "/"; a drive colon is kept) and name of a path,
// as views into it.
void SplitDirAndNameView(WStringView path, WStringView& folder, WStringView& name) {
  const auto pos = path.find_last_of(u"\\/:");
  if (pos == WStringView::npos) {
    folder = {};
    name = path;
    return;
  }
  name = path.substr(pos + 1);
  folder = path[pos] == u':' ? path.substr(0, pos + 1) : path.substr(0, pos);
}

int ComparePathParts(WStringView folderA, WStringView nameA, WStringView folderB,
                     WStringView nameB) {
  if (folderA != folderB) {
    const int r = CompareNumberedText(folderA, folderB);
    if (r != 0) return r;
  }
  return CompareNumberedText(nameA, nameB);
}

// The path comparison over the items as they were when the sort began: every item is
// split once, not once per comparison.
class PathKeys {
 public:
  int Compare(TMyWStrings& list, int a, int b) {
    if (keys_.empty()) Build(list);
    if (a < 0 || b < 0 || a >= static_cast<int>(keys_.size()) ||
        b >= static_cast<int>(keys_.size())) {
      return TMyWStrings::ComparePaths(list.Get(a), list.Get(b));
    }
    const Key& ka = keys_[static_cast<std::size_t>(a)];
    const Key& kb = keys_[static_cast<std::size_t>(b)];
    if (ka.text == kb.text) return 0;
    return ComparePathParts(ka.folder, ka.name, kb.folder, kb.name);
  }

 private:
  struct Key {
    WString text;
    WStringView folder, name;
  };
  void Build(TMyWStrings& list) {
    const int n = list.Count();
    keys_.resize(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
      Key& k = keys_[static_cast<std::size_t>(i)];
      k.text = list.Get(i);
    }
    // Views only after every string has its final place.
    for (Key& k : keys_) SplitDirAndNameView(k.text, k.folder, k.name);
  }
  std::vector<Key> keys_;
};

TMyWStringsCompare MakePathCompare() {
  auto keys = std::make_shared<PathKeys>();
  return [keys](TMyWStrings& list, int a, int b) { return keys->Compare(list, a, b); };
}

TMyWStringsCompare PlainCompare() {
  return [](TMyWStrings& list, int a, int b) { return list.CompareItems(a, b); };
}

}  // namespace

int TMyWStrings::ComparePaths(WStringView a, WStringView b) {
  if (a == b) return 0;
  WStringView fa, na, fb, nb;
  SplitDirAndNameView(a, fa, na);
  SplitDirAndNameView(b, fb, nb);
  return ComparePathParts(fa, na, fb, nb);
}

const WString& TMyWStrings::SortProgressText() const {
  if (!sortStarted_) {
    sortProgressText_.clear();
  } else if (progressTextSteps_ != sortSteps_) {
    char buf[32];
    std::snprintf(buf, sizeof buf, " [%lld]", static_cast<long long>(sortSteps_));
    sortProgressText_ = u"リストのソート中";
    sortProgressText_ += U16(buf);
    progressTextSteps_ = sortSteps_;
  }
  return sortProgressText_;
}

// ---- Merge sort ------------------------------------------------------------------------------

void TMyWStrings::MergeSortIndexes(int* first, int count, int* scratch,
                                   const TMyWStringsCompare& compare) {
  ++sortSteps_;
  ProcessMessages();
  if (count <= 1) return;
  const int left = count / 2;
  const int right = count - left;
  MergeSortIndexes(first, left, scratch, compare);
  MergeSortIndexes(first + left, right, scratch, compare);
  // Merge through the scratch copy of the first half; the second half's entry is taken
  // only when the first half's is greater, so equal items keep their order.
  std::copy(first, first + left, scratch);
  int i = 0, j = left, k = 0;
  while (i < left && j < count) {
    if (compare(*this, scratch[i], first[j]) > 0) {
      first[k++] = first[j++];
    } else {
      first[k++] = scratch[i++];
    }
  }
  while (i < left) first[k++] = scratch[i++];
}

void TMyWStrings::MergeSortRange(int lo, int hi, const TMyWStringsCompare& compare) {
  sortStarted_ = true;
  sortSteps_ = 0;
  const int n = Count();
  if (lo < 0) lo = 0;
  if (hi >= n) hi = n - 1;
  std::vector<int> order;
  if (hi >= lo) {
    order.resize(static_cast<std::size_t>(hi - lo + 1));
    for (int k = 0; k <= hi - lo; ++k) order[static_cast<std::size_t>(k)] = lo + k;
  }
  std::vector<int> scratch(order.size() / 2 + 1);
  MergeSortIndexes(order.data(), static_cast<int>(order.size()), scratch.data(), compare);
  if (order.size() < 2) return;
  // The compare function or a message handler may have changed the list meanwhile; the
  // order then no longer applies to it.
  if (Count() != n) return;
  bool moved = false;
  for (std::size_t k = 0; k < order.size() && !moved; ++k) {
    moved = order[k] != lo + static_cast<int>(k);
  }
  if (moved) Store().Permute(lo, order);
}

void TMyWStrings::MergeSortAll(const TMyWStringsCompare& compare) {
  MergeSortRange(0, Count() - 1, compare);
}

void TMyWStrings::SortWith(const TMyWStringsCompare& compare) { MergeSortAll(compare); }

void TMyWStrings::Sort() { MergeSortAll(PlainCompare()); }

void TMyWStrings::SortDefault() { MergeSortAll(PlainCompare()); }

void TMyWStrings::SortRange(int lo, int hi) { MergeSortRange(lo, hi, PlainCompare()); }

void TMyWStrings::SortWithThenDedupe(const TMyWStringsCompare& compare,
                                     bool removeDuplicates) {
  BeginUpdate();
  MergeSortAll(compare);
  if (removeDuplicates) RemoveDuplicates();
  EndUpdate();
}

void TMyWStrings::SortPaths() { SortWithThenDedupe(MakePathCompare(), true); }

void TMyWStrings::SortPathsAndRemoveDuplicates() { SortWithThenDedupe(MakePathCompare(), true); }

void TMyWStrings::SortPathsRange(int lo, int hi) { MergeSortRange(lo, hi, MakePathCompare()); }

// ---- Quick sort ---------------------------------------------------------------------------------

void TMyWStrings::QuickSortRange(int lo, int hi, const TMyWStringsCompare& compare) {
  do {
    if (hi >= Count()) return;  // the list shrank while messages were processed
    int i = lo;
    int j = hi;
    int pivot = (lo + hi) / 2;
    do {
      // The bounds only matter for a compare function that is not a consistent order.
      while (i < hi && compare(*this, i, pivot) < 0) ++i;
      while (j > lo && compare(*this, j, pivot) > 0) --j;
      if (i <= j) {
        Exchange(i, j);
        if (pivot == i) {
          pivot = j;
        } else if (pivot == j) {
          pivot = i;
        }
        ++i;
        --j;
      }
      ProcessMessages();
      if (hi >= Count()) return;
    } while (i <= j);
    if (lo < j) QuickSortRange(lo, j, compare);
    lo = i;
  } while (lo < hi);
}

void TMyWStrings::QuickSortWithDedupe(const TMyWStringsCompare& compare,
                                      bool removeDuplicates) {
  if (Count() <= 1) return;
  BeginUpdate();
  QuickSortRange(0, Count() - 1, compare);
  EndUpdate();
  if (removeDuplicates) RemoveDuplicates();
}

void TMyWStrings::QuickSortWith(const TMyWStringsCompare& compare) {
  QuickSortWithDedupe(compare, false);
}

// ---- Insertion sort -----------------------------------------------------------------------------

void TMyWStrings::InsertionSortWith(const TMyWStringsCompare& compare, bool removeEqual) {
  if (Count() < 2) return;
  BeginUpdate();
  for (int i = 1; i < Count(); ++i) {
    for (int j = i; j > 0 && j < Count(); --j) {
      const int r = compare(*this, j - 1, j);
      ProcessMessages();
      if (r < 0) break;
      if (r > 0) {
        Exchange(j - 1, j);
        continue;
      }
      if (removeEqual) {
        Delete(j);
        --i;
        break;
      }
    }
  }
  EndUpdate();
}

void TMyWStrings::InsertionSort(bool removeEqual) { InsertionSortWith(PlainCompare(), removeEqual); }

}  // namespace mivaro
