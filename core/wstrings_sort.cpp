// TMyWStrings: the merge, quick and insertion sorts and the path sort.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/hooks.h"
#include "core/paths.h"
#include "core/wstrings.h"

namespace mivaro {
namespace {

int ComparePathParts(WStringView folderA, WStringView nameA, WStringView folderB,
                     WStringView nameB) {
  if (folderA != folderB) {
    const int r = CompareNumberedText(folderA, folderB);
    if (r != 0) return r;
  }
  return CompareNumberedText(nameA, nameB);
}

// The path comparison over the items lo..hi as they were when the sort began. Every
// item is split once; the distinct folders are put in order once, so that comparing
// two folders is comparing two ranks; names get their collation keys once. Only for
// sorts that move nothing until the end.
class PathKeys {
 public:
  PathKeys(int lo, int hi) : lo_(lo), hi_(hi) {}

  int Compare(TMyWStrings& list, int a, int b) {
    if (!built_) Build(list);
    if (a < lo_ || b < lo_ || a > hi_ || b > hi_ || hi_ >= list.Count()) {
      return TMyWStrings::ComparePaths(list.Get(a), list.Get(b));
    }
    const auto ka = static_cast<std::size_t>(a - lo_);
    const auto kb = static_cast<std::size_t>(b - lo_);
    // Folder ranks and name-head prefixes sit in their own small array: most
    // comparisons end there, and the sort's random accesses then stay in the cache.
    const Quick& qa = quick_[ka];
    const Quick& qb = quick_[kb];
    if (qa.rank != qb.rank) return qa.rank < qb.rank ? -1 : 1;
    if (qa.hasHead && qb.hasHead) {
      // Heads that differ in collation decide; equal heads with two different numbers
      // (that fit in 64 bits) let the numbers decide. Exactly what the full comparison
      // would conclude in these cases.
      if (qa.headRank != qb.headRank) return qa.headRank < qb.headRank ? -1 : 1;
      if (qa.headId == qb.headId && qa.numberFits && qb.numberFits && qa.number != qb.number) {
        return qa.number < qb.number ? -1 : 1;
      }
    }
    return CompareNumberedKeys(names_[ka], names_[kb]);
  }

 private:
  void Build(TMyWStrings& list) {
    built_ = true;
    if (lo_ < 0) lo_ = 0;
    if (hi_ >= list.Count()) hi_ = list.Count() - 1;
    if (hi_ < lo_) return;
    const auto n = static_cast<std::size_t>(hi_ - lo_ + 1);
    names_.resize(n);
    quick_.resize(n);
    std::unordered_map<WString, std::uint32_t> folderIndex;
    std::vector<TMyNumberedKey> folders;
    std::vector<std::uint32_t> folderOfItem(n);
    WString folder, name;
    for (int i = lo_; i <= hi_; ++i) {
      SplitDirAndName(list.At(i), folder, name);
      auto [it, added] =
          folderIndex.try_emplace(folder, static_cast<std::uint32_t>(folders.size()));
      if (added) folders.emplace_back(folder);
      const auto k = static_cast<std::size_t>(i - lo_);
      folderOfItem[k] = it->second;
      names_[k] = TMyNumberedKey(std::move(name));
    }
    // Rank the distinct folders; folders that compare equal share a rank.
    std::vector<std::uint32_t> order(folders.size());
    for (std::uint32_t f = 0; f < order.size(); ++f) order[f] = f;
    std::stable_sort(order.begin(), order.end(), [&](std::uint32_t x, std::uint32_t y) {
      return CompareNumberedKeys(folders[x], folders[y]) < 0;
    });
    std::vector<std::uint32_t> rank(folders.size());
    std::uint32_t r = 0;
    for (std::size_t k = 0; k < order.size(); ++k) {
      if (k > 0 && CompareNumberedKeys(folders[order[k - 1]], folders[order[k]]) != 0) ++r;
      rank[order[k]] = r;
    }
    // Heads: an id per exact text, a rank per collation key (bytewise key order).
    std::unordered_map<WString, std::uint32_t> headIds;
    std::unordered_map<std::string, std::uint32_t> headKeyIndex;
    std::vector<const std::string*> headKeys;
    std::vector<std::uint32_t> headKeyOfItem(n);
    for (std::size_t k = 0; k < n; ++k) {
      const TMyNumberedKey& key = names_[k];
      Quick& q = quick_[k];
      q.rank = rank[folderOfItem[k]];
      q.hasHead = !key.Head().empty();
      q.numberFits = key.HasNumber() && key.NumberFits();
      q.number = key.Number();
      q.headId = headIds.try_emplace(WString(key.Head()), static_cast<std::uint32_t>(headIds.size()))
                     .first->second;
      auto [it, added] =
          headKeyIndex.try_emplace(std::string(key.HeadKey()), static_cast<std::uint32_t>(headKeys.size()));
      if (added) headKeys.push_back(&it->first);
      headKeyOfItem[k] = it->second;
    }
    std::vector<std::uint32_t> keyOrder(headKeys.size());
    for (std::uint32_t h = 0; h < keyOrder.size(); ++h) keyOrder[h] = h;
    std::sort(keyOrder.begin(), keyOrder.end(),
              [&](std::uint32_t x, std::uint32_t y) { return *headKeys[x] < *headKeys[y]; });
    std::vector<std::uint32_t> keyRank(headKeys.size());
    for (std::uint32_t r2 = 0; r2 < keyOrder.size(); ++r2) keyRank[keyOrder[r2]] = r2;
    for (std::size_t k = 0; k < n; ++k) quick_[k].headRank = keyRank[headKeyOfItem[k]];
  }
  int lo_, hi_;
  bool built_ = false;
  struct Quick {
    std::uint32_t rank = 0;      // of the folder
    std::uint32_t headRank = 0;  // of the name's head by collation
    std::uint32_t headId = 0;    // of the name's head text
    bool hasHead = false;
    bool numberFits = false;
    std::int64_t number = 0;
  };
  std::vector<Quick> quick_;
  std::vector<TMyNumberedKey> names_;
};

TMyWStringsCompare MakePathCompare(int lo, int hi) {
  auto keys = std::make_shared<PathKeys>(lo, hi);
  return [keys](TMyWStrings& list, int a, int b) { return keys->Compare(list, a, b); };
}

// The plain comparison over collation keys made once per item, for the merge sorts.
class PlainKeys {
 public:
  int Compare(TMyWStrings& list, int a, int b) {
    const Key* ka = Get(list, a);
    const Key* kb = Get(list, b);
    if (ka == nullptr || kb == nullptr) return list.CompareItems(a, b);
    const int r = ka->collation.compare(kb->collation);
    if (r != 0) return r < 0 ? -1 : 1;
    const int t = ka->tieBreak.compare(kb->tieBreak);
    return t < 0 ? -1 : (t > 0 ? 1 : 0);
  }

 private:
  struct Key {
    bool built = false;
    std::string collation;
    WString tieBreak;  // folded text (ignoring case) or the text itself
  };
  const Key* Get(TMyWStrings& list, int i) {
    if (keys_.empty()) keys_.resize(static_cast<std::size_t>(list.Count()));
    if (i < 0 || i >= static_cast<int>(keys_.size()) || i >= list.Count()) return nullptr;
    Key& k = keys_[static_cast<std::size_t>(i)];
    if (!k.built) {
      const bool ignoreCase = !list.CaseSensitive;
      k.collation = CollationKey(list.At(i), ignoreCase);
      k.tieBreak = ignoreCase ? FoldCaseText(list.At(i)) : list.At(i);
      k.built = true;
    }
    return &k;
  }
  std::vector<Key> keys_;
};

TMyWStringsCompare PlainMergeCompare() {
  auto keys = std::make_shared<PlainKeys>();
  return [keys](TMyWStrings& list, int a, int b) { return keys->Compare(list, a, b); };
}

// The plain comparison of the items at their current places (sorts that move items).
TMyWStringsCompare PlainCompare() {
  return [](TMyWStrings& list, int a, int b) { return list.CompareItems(a, b); };
}

}  // namespace

int TMyWStrings::ComparePaths(WStringView a, WStringView b) {
  if (a == b) return 0;
  WString fa, na, fb, nb;
  SplitDirAndName(a, fa, na);
  SplitDirAndName(b, fb, nb);
  return ComparePathParts(fa, na, fb, nb);
}

TMyWStrings::PathKey::PathKey(WString path) : path_(std::move(path)) {
  WString folder;
  SplitDirAndName(path_, folder, name_);
  folder_ = TMyNumberedKey(std::move(folder));
}

int ComparePathKeys(const TMyWStrings::PathKey& a, const TMyWStrings::PathKey& b) {
  if (a.path_ == b.path_) return 0;
  if (a.folder_.Text() != b.folder_.Text()) {
    const int r = CompareNumberedKeys(a.folder_, b.folder_);
    if (r != 0) return r;
  }
  return CompareNumberedText(a.name_, b.name_);
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

void TMyWStrings::Sort() { MergeSortAll(PlainMergeCompare()); }

void TMyWStrings::SortDefault() { MergeSortAll(PlainMergeCompare()); }

void TMyWStrings::SortRange(int lo, int hi) { MergeSortRange(lo, hi, PlainMergeCompare()); }

void TMyWStrings::SortWithThenDedupe(const TMyWStringsCompare& compare,
                                     bool removeDuplicates) {
  BeginUpdate();
  MergeSortAll(compare);
  if (removeDuplicates) RemoveDuplicates();
  EndUpdate();
}

void TMyWStrings::SortPaths() { SortWithThenDedupe(MakePathCompare(0, Count() - 1), true); }

void TMyWStrings::SortPathsAndRemoveDuplicates() {
  SortWithThenDedupe(MakePathCompare(0, Count() - 1), true);
}

void TMyWStrings::SortPathsRange(int lo, int hi) {
  MergeSortRange(lo, hi, MakePathCompare(lo, hi));
}

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
