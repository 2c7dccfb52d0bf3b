// TMyWStrings: access, the stored form, adding and removing, text forms, files, search.
#include "core/wstrings.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <stdexcept>
#include <utility>

#include "core/hooks.h"
#include "core/messages.h"
#include "core/text_file.h"

namespace mivaro {
namespace {

const WString& EmptyWString() {
  static const WString empty;
  return empty;
}

int Clamp(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }

// Bulk adds reserve the final count plus this much.
constexpr int kCapacitySlack = 100;

int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

void AppendEscape(std::string& out, char16_t unit) {
  static constexpr char kHexDigits[] = "0123456789abcdef";
  out += '$';
  out += kHexDigits[(unit >> 12) & 15];
  out += kHexDigits[(unit >> 8) & 15];
  out += kHexDigits[(unit >> 4) & 15];
  out += kHexDigits[unit & 15];
}

bool IsBlank(char16_t c) { return c <= u' '; }

WStringView Trim(WStringView s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// BeginUpdate/EndUpdate as a scope, so that EndUpdate also runs on early returns.
class UpdateScope {
 public:
  explicit UpdateScope(TMyWStrings& list) : list_(list) { list_.BeginUpdate(); }
  ~UpdateScope() { list_.EndUpdate(); }
  UpdateScope(const UpdateScope&) = delete;
  UpdateScope& operator=(const UpdateScope&) = delete;

 private:
  TMyWStrings& list_;
};

}  // namespace

// ---- Construction and storage --------------------------------------------------------------

TMyWStrings::TMyWStrings() : TMyWStrings(nullptr) {}

TMyWStrings::TMyWStrings(TMyStringStore* storage) {
  if (storage != nullptr) {
    storage_ = storage;
    ownsStorage_ = false;
    CaseSensitive = storage->CaseSensitive;
  } else {
    MakeOwnStorage();
  }
}

TMyWStrings::~TMyWStrings() {
  if (ownsStorage_) FreeStorage(true);
}

void TMyWStrings::MakeOwnStorage() {
  storage_ = new TMyStringStore();
  ownsStorage_ = true;
}

void TMyWStrings::FreeStorage(bool freeObjects) {
  if (storage_ == nullptr) return;
  // Called from the destructor too, where virtual calls would not reach a derived
  // class any more: free objects through the non-virtual path.
  if (freeObjects && OwnsObjects) FreeAllObjects();
  storage_->Clear();
  delete storage_;
  storage_ = nullptr;
  ownsStorage_ = false;
}

void TMyWStrings::FreeAllObjects() {
  TMyStringStore& store = Store();
  for (int i = store.Count() - 1; i >= 0; --i) {
    void* obj = store.Object(i);
    if (obj == nullptr) continue;
    store.SetObject(i, nullptr);
    FreeObject(obj);
  }
}

TMyStringStore& TMyWStrings::Store() {
  if (storage_ == nullptr) MakeOwnStorage();
  return *storage_;
}

void TMyWStrings::AttachStrings(TMyStringStore* storage) {
  if (storage != nullptr) {
    if (storage == storage_) return;
    if (ownsStorage_) FreeStorage(true);
    storage_ = storage;
    ownsStorage_ = false;
    CaseSensitive = storage->CaseSensitive;
    return;
  }
  if (ownsStorage_ && storage_ != nullptr) {
    storage_->Clear();  // the objects are not freed
  } else {
    MakeOwnStorage();
    CaseSensitive = false;
  }
}

void TMyWStrings::Reset() {
  if (storage_ != nullptr) {
    Clear();
  } else {
    MakeOwnStorage();
  }
}

void TMyWStrings::FreeObject(void* obj) {
  if (obj != nullptr && ObjectDeleter) ObjectDeleter(obj);
}

void TMyWStrings::Changed() {
  if (OnChange) OnChange(this);
}

// ---- Stored form ------------------------------------------------------------------------------

std::string TMyWStrings::EncodeItem(WStringView s) {
  if (s.empty()) return {};
  std::string out;
  out.reserve(s.size() * 2);
  bool escape = false;
  char bytes[2];
  for (char16_t c : s) {
    const int n = AnsiBytesOfUnit(c, bytes);
    if (n == 0 || c == u'$') {
      escape = true;
      break;
    }
    out.append(bytes, static_cast<std::size_t>(n));
  }
  if (!escape) return out;
  // Walk the text again, escaping "$", characters without an exact code page 932 form
  // (each UTF-16 unit by itself, surrogates included) and the byte 0x01.
  out.clear();
  for (char16_t c : s) {
    const int n = AnsiBytesOfUnit(c, bytes);
    if (n == 0 || c == u'$' || (n == 1 && bytes[0] == '\x01')) {
      AppendEscape(out, c);
    } else {
      out.append(bytes, static_cast<std::size_t>(n));
    }
  }
  return out;
}

WString TMyWStrings::DecodeItem(std::string_view stored) {
  WString text = FromAnsi(stored);
  if (text.find(u'$') == WString::npos) return text;
  WString out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'$' && i + 4 < text.size()) {
      int value = 0;
      bool ok = true;
      for (std::size_t k = 1; ok && k <= 4; ++k) {
        const int d = HexValue(text[i + k]);
        if (d < 0) ok = false;
        value = value * 16 + d;
      }
      if (ok) {
        out += static_cast<char16_t>(value);
        i += 4;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

// ---- Access ---------------------------------------------------------------------------------------

int TMyWStrings::Count() const { return storage_ == nullptr ? 0 : storage_->Count(); }

const WString& TMyWStrings::At(int i) const {
  if (storage_ == nullptr || i < 0 || i >= storage_->Count()) return EmptyWString();
  return storage_->Text(i);
}

WString TMyWStrings::Get(int i) { return At(i); }

void TMyWStrings::Put(int i, WStringView s) {
  if (i < 0 || i >= Count()) return;
  storage_->SetText(i, WString(s));
}

void* TMyWStrings::GetObject(int i) {
  if (i < 0 || i >= Count()) return nullptr;
  return storage_->Object(i);
}

void TMyWStrings::PutObject(int i, void* obj) {
  if (i < 0 || i >= Count()) return;
  storage_->SetObject(i, obj);
}

int TMyWStrings::GetCapacity() { return Store().Capacity(); }

void TMyWStrings::SetCapacity(int n) {
  try {
    Store().SetCapacity(n);
  } catch (const std::exception&) {
    // A capacity is only a hint; the adds themselves report a real shortage.
  }
}

WString TMyWStrings::GetName(int i) {
  const WString& item = At(i);
  const auto eq = item.find(u'=');
  if (eq == WString::npos || eq == 0) return {};
  return WString(Trim(WStringView(item).substr(0, eq)));
}

int TMyWStrings::IndexOfName(WStringView name) { return IndexOfNameFrom(name, 0); }

int TMyWStrings::IndexOfNameFrom(WStringView name, int start) {
  for (int i = std::max(start, 0); i < Count(); ++i) {
    if (CompareTextCollated(GetName(i), name, true) == 0) return i;
  }
  return -1;
}

const TMyAnsiStrings& TMyWStrings::GetAnsiList() {
  scratchList_.Clear();
  scratchList_.items.reserve(static_cast<std::size_t>(Count()));
  for (int i = 0; i < Count(); ++i) scratchList_.Add(ToAnsi(At(i)), storage_->Object(i));
  return scratchList_;
}

const TMyAnsiStrings& TMyWStrings::GetStoredList() {
  scratchList_.Clear();
  scratchList_.items.reserve(static_cast<std::size_t>(Count()));
  for (int i = 0; i < Count(); ++i) scratchList_.Add(EncodeItem(At(i)), storage_->Object(i));
  return scratchList_;
}

// ---- Comparison --------------------------------------------------------------------------------

int TMyWStrings::CompareStrings(WStringView a, WStringView b) const {
  return CompareTextCollated(a, b, !CaseSensitive);
}

int TMyWStrings::CompareItems(int i, int j) { return CompareStrings(At(i), At(j)); }

bool TMyWStrings::SameItems(int i, int j) {
  // The plain comparison is 0 exactly for equal texts (equal after case folding when
  // ignoring case): no collation needed.
  const WString& a = At(i);
  const WString& b = At(j);
  if (a == b) return true;
  if (CaseSensitive) return false;
  return FoldCaseText(a) == FoldCaseText(b);
}

// ---- Adding and inserting -------------------------------------------------------------------

void TMyWStrings::InsertItem(int i, WStringView s, void* obj) {
  int pos = 0;
  if (!Sorted) {
    pos = Clamp(i, 0, Count());
  } else if (Find(s, pos) && Duplicates != TMyDuplicates::Accept) {
    if (Duplicates == TMyDuplicates::Error) ShowErrorMessage(kMsgDuplicatesNotAllowed);
    return;
  }
  try {
    Store().Insert(pos, WString(s), obj);
  } catch (const std::bad_alloc&) {
    ShowErrorMessage(kMsgOutOfMemory);
    return;
  } catch (const std::exception&) {
    ShowErrorMessage(kMsgOperationFailed);
    return;
  }
  Changed();
}

int TMyWStrings::AddObject(WStringView s, void* obj) {
  InsertItem(Count(), s, obj);
  return Count() - 1;
}

int TMyWStrings::Add(WStringView s) { return AddObject(s, nullptr); }

void TMyWStrings::Append(WStringView s) { AddObject(s, nullptr); }

void TMyWStrings::Insert(int i, WStringView s) { InsertItem(i, s, nullptr); }

int TMyWStrings::AddNameValue(WStringView name, WStringView value) {
  WString item;
  item.reserve(name.size() + value.size() + 1);
  item.append(name).append(u"=").append(value);
  return Add(item);
}

void TMyWStrings::AddEmpty(int n) {
  if (n <= 0) return;
  UpdateScope update(*this);
  SetCapacity(Count() + n + kCapacitySlack);
  for (int k = 0; k < n; ++k) Add(u"");
}

void TMyWStrings::AddWStrings(TMyWStrings& list) {
  UpdateScope update(*this);
  const int n = list.Count();
  SetCapacity(Count() + n + kCapacitySlack);
  for (int k = 0; k < n; ++k) Add(list.Get(k));
}

namespace {

// Decodes an 8-bit list as stored forms; throws std::bad_alloc like the store.
std::vector<TMyStringItem> DecodeAll(TMyWStrings& list, const TMyAnsiStrings& ansi) {
  std::vector<TMyStringItem> items;
  items.reserve(ansi.items.size());
  for (const TMyAnsiItem& item : ansi.items) {
    items.push_back({list.DecodeItem(item.text), item.object});
  }
  return items;
}

}  // namespace

void TMyWStrings::AddAnsiStrings(const TMyAnsiStrings& list) {
  SetCapacity(Count() + list.Count() + kCapacitySlack);
  try {
    Store().InsertMany(Count(), DecodeAll(*this, list));
  } catch (const std::bad_alloc&) {
    ShowErrorMessage(kMsgOutOfMemory);
  }
}

void TMyWStrings::InsertWStrings(int i, TMyWStrings& list) {
  const int pos = Clamp(i, 0, Count());
  UpdateScope update(*this);
  if (&list == this) {
    // Inserting a list into itself: take the items as they were before.
    std::vector<WString> copy;
    for (int k = 0; k < Count(); ++k) copy.push_back(At(k));
    for (auto it = copy.rbegin(); it != copy.rend(); ++it) Insert(pos, *it);
    return;
  }
  for (int k = list.Count() - 1; k >= 0; --k) Insert(pos, list.Get(k));
}

void TMyWStrings::InsertAnsiStrings(int i, const TMyAnsiStrings& list) {
  const int pos = Clamp(i, 0, Count());
  try {
    Store().InsertMany(pos, DecodeAll(*this, list));
  } catch (const std::bad_alloc&) {
    ShowErrorMessage(kMsgOutOfMemory);
  }
}

void TMyWStrings::AssignWStrings(TMyWStrings& list) {
  if (&list == this) return;
  if (Count() > 0) Clear();
  AddWStrings(list);
}

void TMyWStrings::AssignAnsiStrings(const TMyAnsiStrings& list) {
  if (Count() > 0) Clear();
  AddAnsiStrings(list);
}

// ---- Removing and moving ------------------------------------------------------------------------

void TMyWStrings::Clear() {
  if (OwnsObjects) FreeAllObjects();
  Store().Clear();
}

void TMyWStrings::Delete(int i) {
  if (i < 0 || i >= Count()) return;
  if (OwnsObjects) {
    void* obj = storage_->Object(i);
    storage_->SetObject(i, nullptr);
    FreeObject(obj);
    if (i >= Count()) return;  // freeing the object changed the list
  }
  storage_->Delete(i);
  Changed();
}

void TMyWStrings::Exchange(int i, int j) {
  const int n = Count();
  if (i < 0 || j < 0 || i >= n || j >= n) return;
  storage_->Exchange(i, j);
  Changed();
}

void TMyWStrings::Move(int from, int to) {
  const int n = Count();
  if (from < 0 || to < 0 || from >= n || to >= n) return;
  storage_->Move(from, to);
  Changed();
}

void TMyWStrings::BeginUpdate() { Store().BeginUpdate(); }

void TMyWStrings::EndUpdate() { Store().EndUpdate(); }

void TMyWStrings::Reverse() {
  const int n = Count();
  if (n == 0) return;
  for (int i = 0; i <= (n - 1) / 2; ++i) Exchange(i, n - 1 - i);
}

void TMyWStrings::RemoveDuplicates() {
  const int n = Count();
  if (n < 2) return;
  if (!OnChange) {
    // Nobody watches single deletions: find the duplicates first and remove them in
    // one pass instead of shifting the list once per duplicate. Deleting from the end
    // never changes the neighbours still to be compared, so the result is the same.
    std::vector<bool> marked(static_cast<std::size_t>(n), false);
    bool any = false;
    for (int i = n - 1; i >= 1; --i) {
      if (SameItems(i, i - 1)) {
        marked[static_cast<std::size_t>(i)] = true;
        any = true;
      }
    }
    if (!any) return;
    if (OwnsObjects) {
      for (int i = n - 1; i >= 1; --i) {
        if (!marked[static_cast<std::size_t>(i)]) continue;
        void* obj = storage_->Object(i);
        storage_->SetObject(i, nullptr);
        FreeObject(obj);
      }
    }
    if (Count() == n) storage_->RemoveMarked(marked);
    return;
  }
  for (int i = Count() - 1; i >= 1; --i) {
    if (i >= Count()) continue;  // shrunk by a change handler meanwhile
    if (SameItems(i, i - 1)) Delete(i);
  }
}

// ---- Text forms ------------------------------------------------------------------------------------

WString TMyWStrings::GetText() {
  const WStringView br = LineBreak == kLineBreakCr ? WStringView(u"\r")
                         : LineBreak == kLineBreakLf ? WStringView(u"\n")
                                                     : WStringView(u"\r\n");
  std::size_t total = 0;
  const int n = Count();
  for (int i = 0; i < n; ++i) total += At(i).size() + br.size();
  WString out;
  out.reserve(total);
  for (int i = 0; i < n; ++i) {
    out += Get(i);
    out += br;
  }
  return out;
}

void TMyWStrings::SetText(WStringView s) {
  Clear();
  AddText(s);
}

void TMyWStrings::AddText(WStringView s) {
  UpdateScope update(*this);
  // Reserve for every line first: one allocation instead of many for big files.
  std::size_t lines = 0;
  for (char16_t c : s) lines += (c == u'\r' || c == u'\n') ? 1 : 0;
  SetCapacity(static_cast<int>(std::min<std::size_t>(
      static_cast<std::size_t>(Count()) + lines + 1 + kCapacitySlack, 0x7FFFFFF0)));
  LineBreak = ForEachTextLine(s, [this](WStringView line) {
    if (line.empty()) {
      Add(u"");
      return;
    }
    const int index = Add(line);
    if (OnLineAdded) OnLineAdded(this, index, static_cast<std::int64_t>(line.size()) + 1);
  });
}

WString TMyWStrings::GetDelimitedText() {
  WString out;
  for (int i = 0; i < Count(); ++i) {
    if (i > 0) out += Delimiter;
    out += Get(i);
    ProcessMessages();
  }
  return out;
}

void TMyWStrings::SetDelimitedText(WStringView s) {
  UpdateScope update(*this);
  Clear();
  if (s.empty()) return;  // silent abort: the list stays empty
  if (Delimiter.empty()) {
    Add(s);
    return;
  }
  std::size_t start = 0;
  while (true) {
    const auto pos = s.find(Delimiter, start);
    if (pos == WStringView::npos) {
      Add(s.substr(start));
      ProcessMessages();
      break;
    }
    Add(s.substr(start, pos - start));
    ProcessMessages();
    start = pos + Delimiter.size();
    if (start >= s.size()) break;  // a trailing delimiter adds no empty item
  }
}

WString TMyWStrings::GetQuotedText() {
  const int n = Count();
  if (n == 1 && At(0).empty()) return QuoteChar + QuoteChar;
  WString out;
  for (int i = 0; i < n; ++i) {
    if (i > 0) out += Delimiter;
    WString item = Get(i);
    bool quote = false;
    for (char16_t c : item) {
      if (c <= u' ') {
        quote = true;
        break;
      }
    }
    if (!Delimiter.empty() && item.find(Delimiter) != WString::npos) quote = true;
    if (!QuoteChar.empty() && item.find(QuoteChar) != WString::npos) {
      WString doubled;
      std::size_t from = 0;
      for (auto pos = item.find(QuoteChar); pos != WString::npos;
           pos = item.find(QuoteChar, from)) {
        doubled.append(item, from, pos - from).append(QuoteChar).append(QuoteChar);
        from = pos + QuoteChar.size();
      }
      doubled.append(item, from, WString::npos);
      item = std::move(doubled);
      quote = true;
    }
    if (quote) {
      out += QuoteChar;
      out += item;
      out += QuoteChar;
    } else {
      out += item;
    }
  }
  return out;
}

// ---- Files -------------------------------------------------------------------------------------------

void TMyWStrings::AddFromFile(WStringView fileName) {
  TextEncoding code = kEncodingDetect;
  AddText(ReadWholeTextFile(fileName, code));
}

void TMyWStrings::AddFromFiles(TMyWStrings& fileNames) {
  const int n = fileNames.Count();
  for (int i = 0; i < n; ++i) AddFromFile(fileNames.Get(i));
}

void TMyWStrings::LoadFromFile(WStringView fileName) { LoadFromFileEnc(fileName, Encoding); }

void TMyWStrings::LoadFromFileEnc(WStringView fileName, TextEncoding& code) {
  SetText(ReadWholeTextFile(fileName, code));
}

void TMyWStrings::LoadFromFileEncEx(WStringView fileName, TextEncoding& code,
                                    std::uint64_t byteCount) {
  SetText(ReadTextFile(fileName, code, byteCount));
}

bool TMyWStrings::SaveToFileEnc(WStringView fileName, TextEncoding code) {
  return WriteTextFile(fileName, GetText(), code);
}

bool TMyWStrings::SaveToFileEncBreak(WStringView fileName, TextEncoding code,
                                     std::uint8_t lineBreak) {
  LineBreak = lineBreak;
  return SaveToFileEnc(fileName, code);
}

bool TMyWStrings::SaveToFile(WStringView fileName) { return SaveToFileEnc(fileName, Encoding); }

// ---- Searching -------------------------------------------------------------------------------------

bool TMyWStrings::Find(WStringView s, int& index) {
  // The list is sorted by the plain comparison, so the first item not less than s is
  // both the match and the insertion point.
  int lo = 0;
  int hi = Count();
  while (lo < hi) {
    const int mid = lo + (hi - lo) / 2;
    if (CompareStrings(At(mid), s) < 0) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  index = lo;
  return lo < Count() && CompareStrings(At(lo), s) == 0;
}

int TMyWStrings::IndexOfPrefix(WStringView s) { return IndexOfPrefixFrom(s, 0); }

int TMyWStrings::IndexOfPrefixFrom(WStringView s, int start) {
  const WString key = CaseSensitive ? WString(s) : UpperCaseText(s);
  for (int i = std::max(start, 0); i < Count(); ++i) {
    const WString& item = At(i);
    if (item.size() < key.size()) continue;
    if (CaseSensitive ? WStringView(item).starts_with(key)
                      : UpperCaseText(WStringView(item).substr(0, key.size())) == key) {
      return i;
    }
  }
  return -1;
}

int TMyWStrings::IndexOfSubstring(WStringView s) { return IndexOfSubstringFrom(s, 0); }

int TMyWStrings::IndexOfSubstringFrom(WStringView s, int start) {
  const WString key = CaseSensitive ? WString(s) : UpperCaseText(s);
  for (int i = std::max(start, 0); i < Count(); ++i) {
    const WString& item = At(i);
    if (item.size() < key.size()) continue;
    if (CaseSensitive ? item.find(key) != WString::npos
                      : UpperCaseText(item).find(key) != WString::npos) {
      return i;
    }
  }
  return -1;
}

}  // namespace mivaro
