#include "playlist/file_strings.h"

#include <algorithm>
#include <mutex>
#include <numeric>
#include <random>
#include <set>
#include <typeinfo>
#include <unordered_set>
#include <utility>

#include "core/files.h"
#include "core/hooks.h"
#include "core/natural.h"
#include "core/paths.h"
#include "core/text_encoding.h"

namespace mivaro {
namespace {

// The process-wide random generator, seeded once (the program's "Randomize").
std::mt19937_64& RandomGenerator(std::unique_lock<std::mutex>& lock) {
  static std::mutex mutex;
  static std::mt19937_64 generator{std::random_device{}()};
  lock = std::unique_lock<std::mutex>(mutex);
  return generator;
}

void Randomize() {
  std::unique_lock<std::mutex> lock;
  RandomGenerator(lock);
}

bool EndsWithFolderSeparator(WStringView s) {
  return !s.empty() && (s.back() == u'\\' || s.back() == u'/');
}

// A file found in the folder being walked, waiting to be sorted among its neighbours.
// Its path is the folder's and the key's text: it is put together when the file joins the
// list.
struct Found {
  void* obj;
  TMyNumberedKey key;  // of the name
};

// Sorts indexes into `found` by name, step for step as the list's own merge sort does
// (halves split alike, the left item taken on ties), so that the walk gives the very order
// a path sort of the folder's range gave, also where names compare inconsistently.
void MergeSortNames(const std::vector<Found>& found, int* first, int count, int* scratch) {
  if (count <= 1) return;
  const int left = count / 2;
  MergeSortNames(found, first, left, scratch);
  MergeSortNames(found, first + left, count - left, scratch);
  std::copy(first, first + left, scratch);
  int i = 0, j = left, k = 0;
  while (i < left && j < count) {
    if (CompareNumberedKeys(found[static_cast<size_t>(scratch[i])].key,
                            found[static_cast<size_t>(first[j])].key) > 0) {
      first[k++] = first[j++];
    } else {
      first[k++] = scratch[i++];
    }
  }
  while (i < left) first[k++] = scratch[i++];
}

}  // namespace

TMyFileStrings::TMyFileStrings() : TMyFileStrings(nullptr) {}

TMyFileStrings::TMyFileStrings(TMyStringStore* storage) : TMyWStrings(storage) {
  Randomize();
  CaseSensitive = false;
}

TMyFileStrings::~TMyFileStrings() = default;

// ---- Filter -----------------------------------------------------------------------------

bool TMyFileStrings::ExtensionListed(const std::vector<WString>& list, WStringView ext) const {
  for (const WString& e : list) {
    // An entry may hold wildcards: ".h1?" takes ".h10" and ".h1a", ".mp*" takes ".mp3".
    if (HasWildcards(e)) {
      if (!ext.empty() && MatchesFileMask(ext, e)) return true;
    } else if (e.size() == ext.size() && CompareTextIgnoreCaseLocale(e, ext) == 0) {
      return true;
    }
  }
  return false;
}

bool TMyFileStrings::AcceptFile(WStringView path) {
  if (IncludeExtensions.empty() && ExcludeExtensions.empty()) {
    LastAccepted = true;
    return true;
  }
  WString ext = ExtractFileExt(path);
  ExtensionDecision& last = last_decision_;
  // The same extension code unit for code unit against the same lists gets the same answer.
  if (last.valid && last.ext == ext && last.include == IncludeExtensions &&
      last.exclude == ExcludeExtensions) {
    LastAccepted = last.accepted;
    return LastAccepted;
  }
  LastAccepted = (IncludeExtensions.empty() || ExtensionListed(IncludeExtensions, ext)) &&
                 !ExtensionListed(ExcludeExtensions, ext);
  last.ext = std::move(ext);
  if (last.include != IncludeExtensions) last.include = IncludeExtensions;
  if (last.exclude != ExcludeExtensions) last.exclude = ExcludeExtensions;
  last.accepted = LastAccepted;
  last.valid = true;
  return LastAccepted;
}

int TMyFileStrings::AddObject(WStringView s, void* obj) {
  if (!AcceptFile(s)) {
    if (obj != nullptr) FreeObject(obj);
    return -1;
  }
  return TMyWStrings::AddObject(s, obj);
}

void TMyFileStrings::InsertItem(int i, WStringView s, void* obj) {
  if (!AcceptFile(s)) {
    if (obj != nullptr) FreeObject(obj);
    return;
  }
  TMyWStrings::InsertItem(i, s, obj);
}

void TMyFileStrings::AssignWStrings(TMyWStrings& list) {
  if (auto* files = dynamic_cast<TMyFileStrings*>(&list); files != nullptr && files != this) {
    CopyFilters(*files);
  }
  TMyWStrings::AssignWStrings(list);
}

void TMyFileStrings::CopyFilters(const TMyFileStrings& from) {
  if (&from == this) return;
  IncludeExtensions = from.IncludeExtensions;
  ExcludeExtensions = from.ExcludeExtensions;
}

void TMyFileStrings::SetIncludeExtensions(const std::vector<WString>& list) {
  IncludeExtensions = list;
}

void TMyFileStrings::SetExcludeExtensions(const std::vector<WString>& list) {
  ExcludeExtensions = list;
}

void TMyFileStrings::SetSources(TMyWStrings& list) {
  if (&list == &Sources) return;
  Sources.Clear();
  const int n = list.Count();
  for (int i = 0; i < n; ++i) Sources.Add(list.At(i));
}

// ---- Enumeration ------------------------------------------------------------------------

void* TMyFileStrings::CreateFileObject(WStringView /*path*/, const TMyFindData& /*find_data*/) {
  return nullptr;
}

bool TMyFileStrings::WantsFileDetails() const {
  // This class's CreateFileObject ignores the entry; a derived list may read its size and
  // times, so it gets them unless it says otherwise.
  return typeid(*this) != typeid(TMyFileStrings);
}

bool TMyFileStrings::CheckContinue() {
  ProcessMessages();
  if (IsApplicationTerminating()) return false;
  if (OnCancelQuery) return !OnCancelQuery();
  return true;
}

bool TMyFileStrings::Enumerate() {
  if (!Append) Clear();
  const int start_count = Count();
  // Sources in path order, each name once. Only identical names are one source: on this
  // system "/m/A" and "/m/a" are two folders.
  Sources.MergeSortAll([](TMyWStrings& list, int a, int b) {
    return TMyWStrings::ComparePaths(list.At(a), list.At(b));
  });
  {
    std::unordered_set<WString> seen;
    for (int i = 0; i < Sources.Count();) {
      if (!seen.insert(Sources.At(i)).second) {
        Sources.Delete(i);
      } else {
        ++i;
      }
    }
  }

  bool go_on = false;
  bool any_source = false;
  // Folders still to walk, kept in path order, so that the next one taken is always the
  // smallest: the tree is walked depth-first in sorted order, each folder's files before
  // its sub-folders. Each new folder is put in its place by a binary search (re-sorting
  // the whole list after every folder cost a quarter of a large walk). Only identical
  // names count as one folder: "A" and "a" are two folders here.
  // Each keeps its folder's collation keys, made once: the binary searches compare every
  // new folder with a dozen queued ones.
  std::vector<TMyWStrings::PathKey> pending;
  // Folders whose whole listing was walked, by identity: a link back up the tree ("up" ->
  // "..") or two links to one folder are entered once, so a loop cannot make the walk
  // endless.
  std::set<std::pair<uint64_t, uint64_t>> entered;
  auto first_entry = [&entered](const TMyFindFile& find, WStringView pattern) {
    if (pattern != u"*.*") return true;  // a pattern of its own ("*.mp3") is never merged
    FileIdentity id;
    const WString& folder = find.Folder();
    if (!find.FolderIdentity(id) &&
        !GetFileIdentity(folder.empty() ? WString(u".") : folder, id)) {
      return true;
    }
    return entered.insert({id.device, id.inode}).second;
  };
  auto queue = [&pending](WString pattern) {
    TMyWStrings::PathKey key(std::move(pattern));
    auto at = std::upper_bound(pending.begin(), pending.end(), key,
                               [](const TMyWStrings::PathKey& a, const TMyWStrings::PathKey& b) {
                                 return ComparePathKeys(a, b) < 0;
                               });
    for (auto it = at; it != pending.begin(); --it) {
      if (ComparePathKeys(*(it - 1), key) != 0) break;
      if ((it - 1)->Path() == key.Path()) return;
    }
    pending.insert(at, std::move(key));
  };
  // Reading an entry's size, times and permissions costs a statx call, most of a walk's
  // time. The folder and hidden bits come from the folder listing itself, so the walk reads
  // names only unless a filter looks at other bits (read-only, normal); then details are
  // read only for the files that are kept, and only when the list's objects use them.
  constexpr uint32_t kListingBits = kFileAttrHidden | kFileAttrDirectory;
  const TMyFindDetail detail = (ExcludeAttributes & ~kListingBits) != 0
                                   ? TMyFindDetail::Full
                                   : TMyFindDetail::NamesOnly;
  const bool wants_details = WantsFileDetails();
  std::vector<Found> batch;
  WString folder;
  WString path;  // of the entry at hand (its storage reused)
  std::vector<int> order;
  std::vector<int> scratch;
  auto add = [this, start_count](const WString& file, void* obj) {
    const int index = AddObject(file, obj);
    if (index >= 0 && OnFileAdded) OnFileAdded(index - start_count + 1, file);
  };
  const int source_count = Sources.Count();
  for (int s = 0; s < source_count; ++s) {
    const WString source = Sources.Get(s);
    if (source.empty()) continue;
    any_source = true;
    WString pattern = source;
    if (EndsWithFolderSeparator(source)) {
      pattern += u"*.*";
    } else if (source.back() == u':') {
      pattern += u"\\*.*";
    }
    pending.clear();
    pending.emplace_back(pattern);
    go_on = true;
    while (!pending.empty() && go_on) {
      const WString current = pending.front().Path();
      pending.erase(pending.begin());
      // One folder's files are sorted among themselves before they join the list (earlier
      // folders stay as they are). All share the folder, so only their names are compared,
      // each name's sort key made once: the whole-path sort of the added range gave the
      // same order at several times the cost. A sorted list puts each file in its place.
      batch.clear();
      {
        TMyFindFile find(current, detail);
        folder = find.Folder();
        TMyFindData fd;
        const bool walk = first_entry(find, ExtractFileName(current));
        while (walk && go_on && find.Next(fd)) {
          if ((fd.attributes & ExcludeAttributes) != 0) {
            go_on = CheckContinue();
            continue;
          }
          if (fd.IsFolder()) {
            WString sub = folder;
            sub += fd.name;
            sub += kPathSeparator;
            sub += u"*.*";
            queue(std::move(sub));
          } else {
            path.assign(folder).append(fd.name);
            // Files the extension filter refuses are dropped before their details are read.
            // An entry that vanished before its details could be read is skipped, as the
            // full listing skips it.
            if (AcceptFile(path) && (!wants_details || FillFindDetails(folder, fd))) {
              void* obj = CreateFileObject(path, fd);
              if (Sorted) {
                add(path, obj);
              } else {
                batch.push_back({obj, TMyNumberedKey(fd.name)});
              }
            }
          }
          go_on = CheckContinue();
        }
      }
      // Files found before a cancel are kept, sorted as well.
      order.resize(batch.size());
      for (size_t k = 0; k < order.size(); ++k) order[k] = static_cast<int>(k);
      scratch.resize(order.size() / 2 + 1);
      MergeSortNames(batch, order.data(), static_cast<int>(order.size()), scratch.data());
      for (int k : order) {
        const Found& f = batch[static_cast<size_t>(k)];
        path.assign(folder).append(f.key.Text());
        add(path, f.obj);
      }
      if (go_on) go_on = CheckContinue();
    }
    pending.clear();
    if (!go_on) break;
  }
  return any_source && go_on;
}

bool TMyFileStrings::EnumerateCancellable() {
  const FileAddedEvent saved_added = OnFileAdded;
  const CancelQueryEvent saved_cancel = OnCancelQuery;
  if (!OnCancelQuery && EscapeCancels) OnCancelQuery = [] { return IsEscapePressed(); };
  const bool result = Enumerate();
  OnFileAdded = saved_added;
  OnCancelQuery = saved_cancel;
  return result;
}

bool TMyFileStrings::AddFromSources(TMyWStrings& list) {
  SetSources(list);
  return Enumerate();
}

bool TMyFileStrings::AddFromSource(WStringView path) {
  Sources.Clear();
  Sources.Add(path);
  return Enumerate();
}

bool TMyFileStrings::AppendFromSources(TMyWStrings& list) {
  const bool saved = Append;
  Append = true;
  const bool result = AddFromSources(list);
  Append = saved;
  return result;
}

bool TMyFileStrings::AppendFromSource(WStringView path) {
  const bool saved = Append;
  Append = true;
  const bool result = AddFromSource(path);
  Append = saved;
  return result;
}

// ---- Sorting ----------------------------------------------------------------------------

bool TMyFileStrings::ClampRange(int& lo, int& hi) const {
  const int n = Count();
  if (hi < 0 || hi >= n) hi = n - 1;
  if (lo < 0) lo = 0;
  return lo < hi;
}

void TMyFileStrings::SortByTextKey(bool ascending, int lo, int hi,
                                   const std::function<WString(int index)>& key) {
  if (!ClampRange(lo, hi)) return;
  std::vector<TMyNaturalKey> keys;
  keys.reserve(static_cast<size_t>(hi - lo + 1));
  for (int i = lo; i <= hi; ++i) {
    keys.push_back(TMyNaturalKey::ForFileName(key(i)));
    ProcessMessages();
  }
  const int dir = ascending ? 1 : -1;
  MergeSortRange(lo, hi, [&keys, lo, dir](TMyWStrings&, int a, int b) {
    return dir * TMyNaturalKey::Compare(keys[static_cast<size_t>(a - lo)],
                                        keys[static_cast<size_t>(b - lo)]);
  });
}

void TMyFileStrings::SortByNumberKey(bool ascending, int lo, int hi,
                                     const std::function<int64_t(int index)>& key) {
  if (!ClampRange(lo, hi)) return;
  std::vector<int64_t> keys;
  keys.reserve(static_cast<size_t>(hi - lo + 1));
  for (int i = lo; i <= hi; ++i) keys.push_back(key(i));
  const int dir = ascending ? 1 : -1;
  MergeSortRange(lo, hi, [&keys, lo, dir](TMyWStrings&, int a, int b) {
    const int64_t x = keys[static_cast<size_t>(a - lo)];
    const int64_t y = keys[static_cast<size_t>(b - lo)];
    return dir * (x < y ? -1 : (x > y ? 1 : 0));
  });
}

void TMyFileStrings::SortByDoubleKey(bool ascending, int lo, int hi,
                                     const std::function<double(int index)>& key) {
  if (!ClampRange(lo, hi)) return;
  std::vector<double> keys;
  keys.reserve(static_cast<size_t>(hi - lo + 1));
  for (int i = lo; i <= hi; ++i) {
    const double v = key(i);
    keys.push_back(v == v ? v : 0.0);  // NaN would break the order
  }
  const int dir = ascending ? 1 : -1;
  MergeSortRange(lo, hi, [&keys, lo, dir](TMyWStrings&, int a, int b) {
    const double x = keys[static_cast<size_t>(a - lo)];
    const double y = keys[static_cast<size_t>(b - lo)];
    return dir * (x < y ? -1 : (x > y ? 1 : 0));
  });
}

void TMyFileStrings::SortByPath(bool ascending, int lo, int hi) {
  SortByTextKey(ascending, lo, hi, [this](int i) { return WString(At(i)); });
}

void TMyFileStrings::SortByName(bool ascending, int lo, int hi) {
  SortByTextKey(ascending, lo, hi, [this](int i) { return ExtractFileName(At(i)); });
}

void TMyFileStrings::SortByFolder(bool ascending, int lo, int hi) {
  SortByTextKey(ascending, lo, hi, [this](int i) { return ExtractFilePath(At(i)); });
}

void TMyFileStrings::SortByExtension(bool ascending, int lo, int hi) {
  SortByTextKey(ascending, lo, hi, [this](int i) { return ExtractFileExt(At(i)); });
}

void TMyFileStrings::SortBySize(bool ascending, int lo, int hi) {
  SortByNumberKey(ascending, lo, hi, [this](int i) { return GetFileSize64(At(i)); });
}

void TMyFileStrings::SortByWriteTime(bool ascending, int lo, int hi) {
  SortByNumberKey(ascending, lo, hi, [this](int i) { return GetFileWriteTime(At(i)); });
}

void TMyFileStrings::SortByCreateTime(bool ascending, int lo, int hi) {
  SortByNumberKey(ascending, lo, hi, [this](int i) { return GetFileCreateTime(At(i)); });
}

void TMyFileStrings::Shuffle(int lo, int hi) {
  if (!ClampRange(lo, hi)) return;
  const size_t n = static_cast<size_t>(hi - lo + 1);
  std::vector<int> order(n);
  std::iota(order.begin(), order.end(), lo);
  {
    // Fisher-Yates: every order equally likely.
    std::unique_lock<std::mutex> lock;
    std::mt19937_64& gen = RandomGenerator(lock);
    for (size_t k = 0; k + 1 < n; ++k) {
      std::uniform_int_distribution<size_t> pick(k, n - 1);
      const size_t r = pick(gen);
      if (r != k) std::swap(order[k], order[r]);
    }
  }
  std::vector<TMyStringItem> items;
  items.reserve(n);
  for (int index : order) items.push_back({WString(At(index)), GetObject(index)});
  BeginUpdate();
  for (size_t k = 0; k < n; ++k) {
    const int target = lo + static_cast<int>(k);
    Put(target, items[k].text);
    PutObject(target, items[k].object);
  }
  EndUpdate();
}

}  // namespace mivaro
