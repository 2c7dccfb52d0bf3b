// TMyFileStrings: a TMyWStrings of file paths with an extension filter that every
// insertion passes through, the expansion of sources (files, folders, wildcard patterns)
// into the files they name, walking sub-folders depth-first in sorted order with progress
// and cancellation, and sorts by path parts, size and file times, plus a shuffle.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/files.h"
#include "core/wstrings.h"

namespace mivaro {

class TMyFileStrings : public TMyWStrings {
 public:
  // After each file Enumerate adds: its running number (from 1) and its path.
  using FileAddedEvent = std::function<void(int number, WStringView path)>;
  // True stops the enumeration.
  using CancelQueryEvent = std::function<bool()>;

  TMyFileStrings();
  explicit TMyFileStrings(TMyStringStore* storage);
  ~TMyFileStrings() override;

  // ---- Filter -------------------------------------------------------------------------
  // Accepted when IncludeExtensions is empty or holds the path's extension, and
  // ExcludeExtensions does not; extensions (with the dot) compare ignoring case, and an
  // entry with "*" or "?" is a pattern (".h1?" takes ".h10"). The answer is also kept in
  // LastAccepted.
  bool AcceptFile(WStringView path);

  // As in TMyWStrings when AcceptFile passes; otherwise the object is freed (FreeObject)
  // and AddObject returns -1 / InsertItem inserts nothing.
  int AddObject(WStringView s, void* obj) override;
  void InsertItem(int i, WStringView s, void* obj) override;
  // As in TMyWStrings; from another file list the filters are copied too.
  void AssignWStrings(TMyWStrings& list) override;

  void CopyFilters(const TMyFileStrings& from);
  void SetIncludeExtensions(const std::vector<WString>& list);
  void SetExcludeExtensions(const std::vector<WString>& list);
  // Sources takes a copy of the list.
  void SetSources(TMyWStrings& list);

  // ---- Enumeration --------------------------------------------------------------------
  // The object Enumerate attaches to each file it adds; none here.
  virtual void* CreateFileObject(WStringView path, const TMyFindData& find_data);
  // Whether CreateFileObject reads the entry's size, times or read-only bit. When false the
  // walk reads names only (much faster). True for every derived list unless it overrides.
  virtual bool WantsFileDetails() const;
  // Expands Sources into the list. True when it ran to its end; false when cancelled or
  // when Sources held no non-empty source.
  virtual bool Enumerate();
  // Enumerate; without OnCancelQuery and with EscapeCancels, a held Escape key cancels.
  virtual bool EnumerateCancellable();
  virtual bool AddFromSources(TMyWStrings& list);
  virtual bool AddFromSource(WStringView path);
  // The same with Append switched on for the call.
  virtual bool AppendFromSources(TMyWStrings& list);
  virtual bool AppendFromSource(WStringView path);

  // ---- Sorting ------------------------------------------------------------------------
  // Stable sorts of items lo..hi (hi < 0: the last item) by a key of each item; text keys
  // compare with CompareFileNamesNatural, numbers numerically; descending reverses the
  // comparison, equal keys keep their order.
  virtual void SortByPath(bool ascending, int lo = 0, int hi = -1);
  virtual void SortByName(bool ascending, int lo = 0, int hi = -1);
  virtual void SortByFolder(bool ascending, int lo = 0, int hi = -1);
  virtual void SortByExtension(bool ascending, int lo = 0, int hi = -1);
  virtual void SortBySize(bool ascending, int lo = 0, int hi = -1);
  virtual void SortByWriteTime(bool ascending, int lo = 0, int hi = -1);
  virtual void SortByCreateTime(bool ascending, int lo = 0, int hi = -1);
  // Random order of items lo..hi (hi < 0: the last item).
  virtual void Shuffle(int lo = 0, int hi = -1);

  // ---- Fields ---------------------------------------------------------------------------
  std::vector<WString> IncludeExtensions;  // with the dot; empty = all
  std::vector<WString> ExcludeExtensions;
  TMyWStrings Sources;
  bool LastAccepted = false;
  uint32_t ExcludeAttributes = 0;  // directory entries sharing a bit with it are skipped
  bool Append = true;              // false: Enumerate clears the list first
  FileAddedEvent OnFileAdded;
  bool EscapeCancels = false;
  CancelQueryEvent OnCancelQuery;

 protected:
  // Processes pending user-interface messages, then asks IsApplicationTerminating and
  // OnCancelQuery; true = go on.
  bool CheckContinue();
  // Clamps lo..hi to the list; false when the range is empty.
  bool ClampRange(int& lo, int& hi) const;
  // Stable sort of lo..hi by keys computed once per item.
  void SortByTextKey(bool ascending, int lo, int hi,
                     const std::function<WString(int index)>& key);
  void SortByNumberKey(bool ascending, int lo, int hi,
                       const std::function<int64_t(int index)>& key);
  void SortByDoubleKey(bool ascending, int lo, int hi,
                       const std::function<double(int index)>& key);

 private:
  bool ExtensionListed(const std::vector<WString>& list, WStringView ext) const;

  // The last extension decided and the lists it was decided against: a large folder or
  // playlist repeats a handful of extensions, and each decision costs locale comparisons.
  struct ExtensionDecision {
    WString ext;
    std::vector<WString> include, exclude;
    bool accepted = false;
    bool valid = false;
  };
  ExtensionDecision last_decision_;
};

}  // namespace mivaro
