// TMyWStrings: the ordered list of UTF-16 strings, each with an object reference, on
// which every list of the program is built (file list, media playlist, histories, the
// playlist of the main window).
//
// Items live in a TMyStringStore. A list either owns its store or is attached to one
// that belongs to somebody else, typically a list control: the control's model reads the
// very same items from the store and follows its change notifications, so list and
// control never hold two copies.
//
// The store keeps the UTF-16 text directly (fast to read, sort and show). The 8-bit
// "stored form" of an item (code page 932 with $xxxx escapes for everything else) is
// what the list exchanges with 8-bit lists: EncodeItem/DecodeItem, GetStoredList,
// AddAnsiStrings, AssignAnsiStrings, InsertAnsiStrings.
//
// Lists never fail on a bad index: reads give "" or no object, writes are ignored.
// Long operations call ProcessMessages(), so callers must expect re-entry meanwhile.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/text_encoding.h"
#include "core/text_lines.h"
#include "core/ustring.h"

namespace mivaro {

class TMyWStrings;

// One item: its text and its object reference (opaque to the list).
struct TMyStringItem {
  WString text;
  void* object = nullptr;
};

// One 8-bit item: bytes (a stored form or an ANSI text) and an object reference.
struct TMyAnsiItem {
  std::string text;
  void* object = nullptr;
};

// A plain 8-bit string list (with an object per item), as GetAnsiList and GetStoredList
// return it and AddAnsiStrings/AssignAnsiStrings/InsertAnsiStrings take it.
class TMyAnsiStrings {
 public:
  int Count() const { return static_cast<int>(items.size()); }
  const std::string& Get(int i) const;  // "" when out of range
  void* GetObject(int i) const;         // nullptr when out of range
  void Add(std::string text, void* object = nullptr) {
    items.push_back({std::move(text), object});
  }
  void Clear() { items.clear(); }

  std::vector<TMyAnsiItem> items;
};

// Receives the changes of a store, for a list control's model. Every "AboutTo" call is
// followed by its completion call. Row numbers are 0-based. Default: ignore everything.
class TMyStringStoreObserver {
 public:
  virtual ~TMyStringStoreObserver() = default;
  virtual void StoreAboutToInsert(int /*first*/, int /*count*/) {}
  virtual void StoreInserted(int /*first*/, int /*count*/) {}
  virtual void StoreAboutToRemove(int /*first*/, int /*count*/) {}
  virtual void StoreRemoved(int /*first*/, int /*count*/) {}
  // Item `from` is about to be moved so that it ends up at index `to`.
  virtual void StoreAboutToMove(int /*from*/, int /*to*/) {}
  virtual void StoreMoved(int /*from*/, int /*to*/) {}
  // Texts or objects of items first..last were replaced.
  virtual void StoreChanged(int /*first*/, int /*last*/) {}
  // Everything is about to go (Clear) / went.
  virtual void StoreAboutToReset() {}
  virtual void StoreReset() {}
  // Outermost BeginUpdate / EndUpdate: a control may hold repaints in between.
  virtual void StoreUpdateBegun() {}
  virtual void StoreUpdateEnded() {}
  // The store is being destroyed; the observer must forget it.
  virtual void StoreDestroyed() {}
};

// The ordered items of one or more lists, shareable with a list control.
// Index arguments must be valid (TMyWStrings does the checking); Insert may throw
// std::bad_alloc or std::length_error, which TMyWStrings turns into a message.
class TMyStringStore {
 public:
  TMyStringStore() = default;
  ~TMyStringStore();
  TMyStringStore(const TMyStringStore&) = delete;
  TMyStringStore& operator=(const TMyStringStore&) = delete;

  int Count() const { return static_cast<int>(items_.size()); }
  const WString& Text(int i) const { return items_[static_cast<std::size_t>(i)].text; }
  void* Object(int i) const { return items_[static_cast<std::size_t>(i)].object; }
  const std::vector<TMyStringItem>& Items() const { return items_; }

  void SetText(int i, WString text);
  void SetObject(int i, void* object);
  void Insert(int i, WString text, void* object);
  // Inserts many items at i in their order (one notification).
  void InsertMany(int i, std::vector<TMyStringItem>&& items);
  void Delete(int i);
  void Exchange(int i, int j);
  void Move(int from, int to);
  void Clear();
  // Removes every item whose flag is set, in one pass (observers see a reset).
  void RemoveMarked(const std::vector<bool>& marked);
  // Rearranges items first..first+order.size()-1: position first+k receives the item
  // that was at order[k] (a permutation of that range). One change notification.
  void Permute(int first, const std::vector<int>& order);

  int Capacity() const { return static_cast<int>(items_.capacity()); }
  void SetCapacity(int capacity);

  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return updateCount_; }

  // Comparison mode offered to lists that attach to this store (general lists only).
  bool CaseSensitive = false;

  void AddObserver(TMyStringStoreObserver* observer);
  void RemoveObserver(TMyStringStoreObserver* observer);

 private:
  template <typename F>
  void Notify(F&& f);

  std::vector<TMyStringItem> items_;
  std::vector<TMyStringStoreObserver*> observers_;
  int updateCount_ = 0;
};

// Duplicate policy of a sorted list.
enum class TMyDuplicates : std::uint8_t { Ignore = 0, Accept = 1, Error = 2 };

// Compare function of the sorts: the list and two item indexes; negative, zero or
// positive. It always reads the items at their places before the sort.
using TMyWStringsCompare = std::function<int(TMyWStrings& list, int index1, int index2)>;

// Messages shown by the list.
inline constexpr char16_t kMsgDuplicatesNotAllowed[] = u"文字列リストは重複を許しません";
inline constexpr char16_t kMsgOutOfMemory[] = u"データが大きすぎて操作が完了できませんでした";
inline constexpr char16_t kMsgOperationFailed[] = u"操作が完了できませんでした";

class TMyWStrings {
 public:
  using ChangeEvent = std::function<void(TMyWStrings* sender)>;
  using LineAddedEvent =
      std::function<void(TMyWStrings* sender, int index, std::int64_t consumed)>;

  // An own, empty store.
  TMyWStrings();
  // storage given: the list works on it and never frees it; nullptr: an own store.
  explicit TMyWStrings(TMyStringStore* storage);
  // Clears and frees an own store (freeing owned objects); an attached one is untouched.
  virtual ~TMyWStrings();
  TMyWStrings(const TMyWStrings&) = delete;
  TMyWStrings& operator=(const TMyWStrings&) = delete;

  // ---- Virtual operations -------------------------------------------------------------
  // Stored form: "" stays ""; plain code page 932 when exact and free of "$"; otherwise
  // every "$" and every unit without an exact mapping becomes "$" + 4 lower-case hex
  // digits. DecodeItem turns "$" + 4 hex digits back into that unit; any other "$" stays.
  virtual std::string EncodeItem(WStringView s);
  virtual WString DecodeItem(std::string_view stored);

  virtual WString Get(int i);                // "" when out of range
  virtual void Put(int i, WStringView s);    // ignored out of range; no OnChange
  virtual void* GetObject(int i);            // nullptr when out of range
  virtual void PutObject(int i, void* obj);  // ignored out of range

  virtual WString GetText();
  virtual void SetText(WStringView s);
  virtual WString GetDelimitedText();
  virtual void SetDelimitedText(WStringView s);
  virtual void RemoveDuplicates();
  virtual int GetCapacity();
  virtual void SetCapacity(int n);

  virtual int Add(WStringView s);
  virtual void AddFromFile(WStringView fileName);
  virtual void AddFromFiles(TMyWStrings& fileNames);
  virtual int AddObject(WStringView s, void* obj);
  virtual int AddNameValue(WStringView name, WStringView value);
  virtual void AddAnsiStrings(const TMyAnsiStrings& list);
  virtual void AddWStrings(TMyWStrings& list);
  virtual void AddEmpty(int n);
  virtual void AddText(WStringView s);
  virtual void Append(WStringView s);
  virtual void AssignAnsiStrings(const TMyAnsiStrings& list);
  virtual void AssignWStrings(TMyWStrings& list);
  virtual void AttachStrings(TMyStringStore* storage);
  virtual void BeginUpdate();
  virtual void Clear();
  virtual void SortWith(const TMyWStringsCompare& compare);
  virtual void Delete(int i);
  virtual void Reset();
  virtual void EndUpdate();
  virtual void Exchange(int i, int j);
  virtual void SortPaths();
  virtual void SortPathsAndRemoveDuplicates();
  virtual void SortPathsRange(int lo, int hi);
  virtual bool Find(WStringView s, int& index);
  virtual int IndexOfPrefix(WStringView s);
  virtual int IndexOfPrefixFrom(WStringView s, int start);
  virtual void Insert(int i, WStringView s);
  virtual void InsertionSort(bool removeEqual);
  virtual void InsertionSortWith(const TMyWStringsCompare& compare, bool removeEqual);
  virtual void InsertItem(int i, WStringView s, void* obj);
  virtual void InsertAnsiStrings(int i, const TMyAnsiStrings& list);
  virtual void InsertWStrings(int i, TMyWStrings& list);
  virtual int IndexOfSubstring(WStringView s);
  virtual int IndexOfSubstringFrom(WStringView s, int start);
  virtual void LoadFromFile(WStringView fileName);
  virtual void LoadFromFileEnc(WStringView fileName, TextEncoding& code);
  virtual void LoadFromFileEncEx(WStringView fileName, TextEncoding& code,
                                 std::uint64_t byteCount);
  virtual void MergeSortRange(int lo, int hi, const TMyWStringsCompare& compare);
  virtual void SortRange(int lo, int hi);
  virtual void SortWithThenDedupe(const TMyWStringsCompare& compare, bool removeDuplicates);
  virtual void MergeSortAll(const TMyWStringsCompare& compare);
  virtual void Sort();
  virtual void Move(int from, int to);
  virtual void QuickSortWith(const TMyWStringsCompare& compare);
  virtual void QuickSortWithDedupe(const TMyWStringsCompare& compare, bool removeDuplicates);
  virtual void Reverse();
  virtual bool SaveToFileEncBreak(WStringView fileName, TextEncoding code,
                                  std::uint8_t lineBreak);
  virtual bool SaveToFileEnc(WStringView fileName, TextEncoding code);
  virtual bool SaveToFile(WStringView fileName);
  virtual void SortDefault();

  // Frees one item object when OwnsObjects is set. Default: ObjectDeleter when set,
  // otherwise nothing. Lists whose objects have a known type override it; as C++ does
  // not reach an override from the base destructor, such a list clears itself (with
  // OwnsObjects set) in its own destructor, or uses ObjectDeleter instead.
  virtual void FreeObject(void* obj);

  // ---- Non-virtual ----------------------------------------------------------------------
  int Count() const;
  WString GetQuotedText();
  int IndexOfName(WStringView name);
  int IndexOfNameFrom(WStringView name, int start);
  WString GetName(int i);
  // Every item converted to code page 932 (lossy) / every item's stored form. The list
  // keeps the result and overwrites it on the next call.
  const TMyAnsiStrings& GetAnsiList();
  const TMyAnsiStrings& GetStoredList();

  // Fast read of an item's text without copying; an empty string when out of range.
  const WString& At(int i) const;
  // The plain comparison of two items / of two texts under this list's CaseSensitive.
  int CompareItems(int i, int j);
  // CompareItems(i, j) == 0, faster.
  bool SameItems(int i, int j);
  int CompareStrings(WStringView a, WStringView b) const;
  // The path comparison of SortPaths: folders by CompareNumberedText, then names.
  static int ComparePaths(WStringView a, WStringView b);
  // A path prepared for many ComparePaths calls: split once, its folder keyed once.
  // ComparePathKeys(a, b) gives exactly ComparePaths(a.Path(), b.Path()).
  class PathKey {
   public:
    explicit PathKey(WString path);
    const WString& Path() const { return path_; }

   private:
    friend int ComparePathKeys(const PathKey& a, const PathKey& b);
    WString path_;
    TMyNumberedKey folder_;
    WString name_;
  };

  TMyStringStore* Storage() const { return storage_; }
  bool OwnsStorage() const { return ownsStorage_; }
  std::int64_t SortSteps() const { return sortSteps_; }
  // "リストのソート中 [%d]" with SortSteps; empty before the first sort.
  const WString& SortProgressText() const;

  // ---- Settings (public fields, as the program has always used them) --------------------
  bool CaseSensitive = false;
  bool Sorted = false;
  TMyDuplicates Duplicates = TMyDuplicates::Ignore;
  WString Delimiter = u",";
  WString QuoteChar = u"\"";
  TextEncoding Encoding = kEncodingDetect;
  std::uint8_t LineBreak = kLineBreakCrLf;
  bool OwnsObjects = false;
  std::function<void(void* obj)> ObjectDeleter;
  ChangeEvent OnChange;
  LineAddedEvent OnLineAdded;

 protected:
  void Changed();
  // Storage, creating an own one if there is none (never nullptr afterwards).
  TMyStringStore& Store();

 private:
  void MakeOwnStorage();
  void FreeStorage(bool freeObjects);
  void FreeAllObjects();
  void MergeSortIndexes(int* first, int count, int* scratch,
                        const TMyWStringsCompare& compare);
  void QuickSortRange(int lo, int hi, const TMyWStringsCompare& compare);

  TMyStringStore* storage_ = nullptr;
  bool ownsStorage_ = false;
  TMyAnsiStrings scratchList_;
  std::int64_t sortSteps_ = 0;
  bool sortStarted_ = false;
  mutable std::int64_t progressTextSteps_ = -1;
  mutable WString sortProgressText_;
};

int ComparePathKeys(const TMyWStrings::PathKey& a, const TMyWStrings::PathKey& b);

}  // namespace mivaro
