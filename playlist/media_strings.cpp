#include "playlist/media_strings.h"

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <new>
#include <stdexcept>

#include "core/files.h"
#include "core/hooks.h"
#include "core/numbers.h"
#include "core/paths.h"
#include "core/text_file.h"

namespace mivaro {
namespace {

// Half of what the system can give without swapping (and of the address-space limit).
std::uint64_t DefaultMemoryBudget() {
  std::uint64_t available = 0;
  if (FILE* f = std::fopen("/proc/meminfo", "re")) {
    char line[128];
    unsigned long long kib = 0;
    while (std::fgets(line, sizeof line, f) != nullptr) {
      if (std::sscanf(line, "MemAvailable: %llu kB", &kib) == 1) {
        available = static_cast<std::uint64_t>(kib) * 1024;
        break;
      }
    }
    std::fclose(f);
  }
  if (available == 0) available = std::uint64_t{1} << 31;  // unknown: assume 2 GiB
  rlimit limit{};
  if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
    available = std::min<std::uint64_t>(available, limit.rlim_cur);
  }
  return available / 2;
}

// What one entry costs in memory: its UTF-16 text, the list's item and the allocator's
// bookkeeping.
std::uint64_t EntryBytes(const WString& path) {
  return (path.capacity() + 1) * sizeof(char16_t) + sizeof(TMyStringItem) + 16;
}

bool EndsWithIgnoreCase(WStringView s, WStringView tail) {
  return s.size() >= tail.size() && AsciiLowerText(s.substr(s.size() - tail.size())) == tail;
}

}  // namespace

bool IsPlaylistFile(WStringView path) {
  // Asked of every entry of a playlist: the extension is looked at in place.
  const WStringView ext = FileExtPart(path);
  if (ext.size() < 4 || ext.size() > 5) return false;
  char16_t lower[5];
  for (size_t i = 0; i < ext.size(); ++i) {
    const char16_t c = ext[i];
    lower[i] = c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 0x20) : c;
  }
  const WStringView e(lower, ext.size());
  return e == u".m3u" || e == u".m3u8" || e == u".pls" || e == u".wpl" || e == u".xspf";
}

bool SavePlaylist(TMyWStrings& list, WStringView file_name, bool with_bom) {
  WString name(file_name);
  if (!EndsWithIgnoreCase(name, u".m3u8")) name += u".m3u8";
  return WriteTextFile(name, list.GetText(), with_bom ? kEncodingUtf8Bom : kEncodingUtf8);
}

WString ResumeListFileName(WStringView program_file) {
  return ChangeFileExt(program_file, u".resume.m3u8");
}

WStringView TrimmedEntry(WStringView text) {
  size_t first = 0;
  size_t last = text.size();
  while (first < last && text[first] <= u' ') ++first;
  while (last > first && text[last - 1] <= u' ') --last;
  return text.substr(first, last - first);
}

WString TrimEntry(WStringView text) { return WString(TrimmedEntry(text)); }

WString EntryToPath(WStringView entry, WStringView base, bool uri_entries) {
  if (IsFileUri(entry)) {
    const WString path = FileUriToPath(entry);
    if (!path.empty()) return ResolveFileName(path, base);
  }
  if (IsUrlName(entry)) return WString(entry);
  const WString plain = ResolveFileName(entry, base);
  if (FindEitherUnit(entry, u'%', u'%') == WStringView::npos) return plain;
  const WString decoded = ResolveFileName(PercentDecode(entry), base);
  if (uri_entries || decoded == plain) return decoded;
  // A name may hold "%" itself: the escapes are read only when they name a file that is
  // there and the text as written does not.
  return !FileExists(plain) && FileExists(decoded) ? decoded : plain;
}

// ---- TMyMediaStrings --------------------------------------------------------------------

TMyMediaStrings::TMyMediaStrings() : TMyMediaStrings(nullptr) {}

TMyMediaStrings::TMyMediaStrings(TMyStringStore* storage) : TMyFileStrings(storage) {
  ExpandCheckExists = true;
}

TMyMediaStrings::~TMyMediaStrings() {
  // The tags belong to the list; an attached store keeps its items (and their owner).
  if (OwnsStorage()) Clear();
}

void TMyMediaStrings::FreeObject(void* obj) {
  if (obj != PendingTag()) delete static_cast<TMyCustomTag*>(obj);
}

void TMyMediaStrings::Clear() {
  const bool saved = OwnsObjects;
  OwnsObjects = true;
  TMyFileStrings::Clear();
  OwnsObjects = saved;
}

void TMyMediaStrings::Delete(int i) {
  const bool saved = OwnsObjects;
  OwnsObjects = true;
  TMyFileStrings::Delete(i);
  OwnsObjects = saved;
}

TMyTag* TMyMediaStrings::PendingTag() {
  static TMyTag pending;
  return &pending;
}

const TMyTag* TMyMediaStrings::KnownTag(int i) {
  auto* tag = static_cast<TMyTag*>(GetObject(i));
  return tag == PendingTag() ? nullptr : tag;
}

TMyTag* TMyMediaStrings::Tag(int i) {
  auto* tag = static_cast<TMyTag*>(GetObject(i));
  if (tag == PendingTag()) {
    // Entries come in as paths alone; the tag with the file's facts is made when somebody
    // first asks for it.
    tag = CreateObjectForPath(At(i));
    PutObject(i, tag);
  }
  return tag;
}

namespace {

// A tag holding the path, size and times of a directory entry (none: size and times zero).
// The same object as one made from a record holding them; the existence flags come from
// the directory entry instead of two more look-ups.
TMyTag* MakeFileTag(WStringView path, const TMyFindData& find_data) {
  auto* tag = new TMyTag();
  tag->FileName.assign(path);
  SplitPathParts(path, tag->FilePath, tag->FileNameOnly, tag->FileExt, tag->FileTitle);
  tag->FileDir = ExtractFileDir(path);
  tag->FileSize = find_data.size;
  tag->WriteTime = find_data.write_time;
  tag->CreateTime = find_data.create_time;
  tag->Duration = -1.0;
  tag->DurationSeconds = static_cast<int32_t>(RoundHalfAway(tag->Duration));
  const bool found = find_data.attributes != 0;
  tag->FileExists = found && !find_data.IsFolder();
  tag->FolderExists = found || (!tag->FilePath.empty() && FolderExists(tag->FilePath));
  return tag;
}

}  // namespace

void* TMyMediaStrings::CreateFileObject(WStringView, const TMyFindData&) {
  // No tag yet: one of 33 texts per entry would be most of the memory of a large
  // playlist, and most of them are never asked for. Tag(i) makes it on demand.
  return PendingTag();
}

bool TMyMediaStrings::WantsFileDetails() const { return false; }

TMyTag* TMyMediaStrings::CreateObjectForPath(WStringView path) {
  TMyFindData fd;
  {
    TMyFindFile find(path);
    if (!find.Next(fd)) fd = TMyFindData();
  }
  return MakeFileTag(path, fd);
}

bool TMyMediaStrings::Enumerate() {
  const bool result = TMyFileStrings::Enumerate();
  if (result) ExpandPlaylists(ExpandCheckExists);
  return result;
}

bool TMyMediaStrings::AddFromSources(TMyWStrings& list) {
  SetSources(list);
  return EnumerateCancellable();
}

bool TMyMediaStrings::AddFromSource(WStringView path) {
  TMyWStrings one;
  one.Add(path);
  return AddFromSources(one);
}

int TMyMediaStrings::ExpandAllPlaylists() { return ExpandPlaylists(true); }

int TMyMediaStrings::ExpandPlaylists(bool check_exists) {
  const int before = Count();
  ExpandState state;
  state.check_exists = check_exists;
  state.budget = MemoryBudget != 0 ? MemoryBudget : DefaultMemoryBudget();
  for (int i = Count() - 1; i >= 0; --i) {
    if (!CheckContinue()) break;
    if (!IsPlaylistFile(At(i))) continue;
    const WString file = Get(i);
    Delete(i);
    std::vector<TMyStringItem> items;
    const std::uint64_t used_before = state.used;
    bool go_on = ReadPlaylist(file, state, items, 0);
    if (state.too_large) {
      // Refused whole: a part of a list is no list the user asked for.
      for (TMyStringItem& item : items) FreeObject(item.object);
      items.clear();
      items.shrink_to_fit();
      WString text(kMsgPlaylistTooLarge);
      text.replace(text.find(u"%s"), 2, ExtractFileName(file));
      ShowMessage(text, MessageKind::Error);
      state.too_large = false;
      state.used = used_before;
      go_on = true;
    }
    // The entries go in as one block: inserting 100,000 entries one by one in the middle
    // of a list would move the tail 100,000 times.
    if (!items.empty()) {
      if (Sorted && Duplicates != TMyDuplicates::Accept) {
        for (auto it = items.rbegin(); it != items.rend(); ++it) {
          InsertItem(i, it->text, it->object);
        }
      } else {
        const int at = std::min(i, Count());
        try {
          Store().InsertMany(at, std::move(items));
          Changed();
        } catch (const std::exception& e) {
          for (TMyStringItem& item : items) FreeObject(item.object);
          ShowMessage(dynamic_cast<const std::bad_alloc*>(&e) != nullptr ? kMsgOutOfMemory
                                                                        : kMsgOperationFailed,
                      MessageKind::Error);
        }
      }
    }
    if (!go_on) break;
  }
  return Count() - before;
}

bool TMyMediaStrings::ReadPlaylist(const WString& file, ExpandState& state,
                                   std::vector<TMyStringItem>& out, int depth) {
  if (depth > kMaxPlaylistNesting) return true;
  // One file reached by two spellings ("d/l.pls" and "/music/d/l.pls") is one playlist.
  const WString absolute = ExpandFileName(file);
  if (!state.visited.insert(absolute).second) return true;
  const WString ext = AsciiLowerText(ExtractFileExt(file));
  if (!FileExists(file)) return true;
  // The file is read whole and its text decoded: a file that cannot even be held that
  // way is refused unread.
  const auto size = static_cast<std::uint64_t>(std::max<std::int64_t>(GetFileSize64(file), 0));
  if (state.used + 3 * size > state.budget) {
    state.too_large = true;
    return false;
  }
  // Entries resolve against the playlist's absolute folder (a relative one would make
  // every entry ask for the current folder again).
  const WString base = ExtractFilePath(absolute);
  if (ext == u".m3u" || ext == u".m3u8") return ReadM3u(file, base, state, out, depth);
  if (ext == u".pls") return ReadPls(file, base, state, out, depth);
  if (ext == u".wpl") return ReadWpl(file, base, state, out, depth);
  if (ext == u".xspf") return ReadXspf(file, base, state, out, depth);
  return true;
}

bool TMyMediaStrings::TakeEntry(WStringView entry, const WString& base, ExpandState& state,
                                std::vector<TMyStringItem>& out, int depth, EntryForm form,
                                int& taken) {
  if (!CheckContinue()) return false;
  WStringView trimmed = TrimmedEntry(entry);
  if (trimmed.empty()) return true;
  WString decoded;
  if (form == EntryForm::WplSource) {
    decoded = DecodeWplEntities(trimmed);
    trimmed = decoded;
  }
  WString path = EntryToPath(trimmed, base, form == EntryForm::Uri);
  if (state.check_exists && !state.lookup.FileExists(path)) return true;
  if (IsPlaylistFile(path)) return ReadPlaylist(path, state, out, depth + 1);
  if (!AcceptFile(path)) return true;
  // The entry holds its path alone; Tag(i) makes its tag when it is asked for.
  state.used += EntryBytes(path);
  if (state.used > state.budget) {
    state.too_large = true;
    return false;
  }
  out.push_back({std::move(path), PendingTag()});
  ++taken;
  if (OnFileAdded) OnFileAdded(taken, out.back().text);
  return true;
}

// ---- Key sorts --------------------------------------------------------------------------

void TMyMediaStrings::SortByName(bool ascending, int lo, int hi) {
  SortByTextKey(ascending, lo, hi, [this](int i) {
    const TMyTag* tag = KnownTag(i);  // the path says it all
    return tag != nullptr ? tag->FileNameOnly : ExtractFileName(At(i));
  });
}

void TMyMediaStrings::SortByFolder(bool ascending, int lo, int hi) {
  SortByTextKey(ascending, lo, hi, [this](int i) {
    const TMyTag* tag = KnownTag(i);  // the path says it all
    return tag != nullptr ? tag->FileDir : ExtractFileDir(At(i));
  });
}

void TMyMediaStrings::SortByExtension(bool ascending, int lo, int hi) {
  SortByTextKey(ascending, lo, hi, [this](int i) {
    const TMyTag* tag = KnownTag(i);  // the path says it all
    return tag != nullptr ? tag->FileExt : ExtractFileExt(At(i));
  });
}

void TMyMediaStrings::SortBySize(bool ascending, int lo, int hi) {
  SortByNumberKey(ascending, lo, hi, [this](int i) {
    const TMyTag* tag = Tag(i);
    return tag != nullptr ? tag->FileSize : GetFileSize64(At(i));
  });
}

void TMyMediaStrings::SortByWriteTime(bool ascending, int lo, int hi) {
  SortByNumberKey(ascending, lo, hi, [this](int i) {
    const TMyTag* tag = Tag(i);
    return tag != nullptr ? tag->WriteTime : GetFileWriteTime(At(i));
  });
}

void TMyMediaStrings::SortByCreateTime(bool ascending, int lo, int hi) {
  SortByNumberKey(ascending, lo, hi, [this](int i) {
    const TMyTag* tag = Tag(i);
    return tag != nullptr ? tag->CreateTime : GetFileCreateTime(At(i));
  });
}

void TMyMediaStrings::SortByDuration(bool ascending, int lo, int hi) {
  SortByDoubleKey(ascending, lo, hi, [this](int i) {
    const TMyTag* tag = Tag(i);
    return tag != nullptr ? tag->Duration : 0.0;
  });
}

void TMyMediaStrings::SortByDurationSeconds(bool ascending, int lo, int hi) {
  SortByNumberKey(ascending, lo, hi, [this](int i) -> int64_t {
    const TMyTag* tag = Tag(i);
    return tag != nullptr ? tag->DurationSeconds : 0;
  });
}

void TMyMediaStrings::SortByVideoSize(bool ascending, int lo, int hi) {
  // Width in the high half, height in the low half: one number orders by both.
  SortByNumberKey(ascending, lo, hi, [this](int i) -> int64_t {
    const TMyTag* tag = Tag(i);
    if (tag == nullptr) return 0;
    return static_cast<int64_t>(tag->VideoWidth) * (int64_t{1} << 32) +
           static_cast<int64_t>(static_cast<uint32_t>(tag->VideoHeight) ^ 0x80000000u);
  });
}

void TMyMediaStrings::SortByFrameRate(bool ascending, int lo, int hi) {
  SortByDoubleKey(ascending, lo, hi, [this](int i) {
    const TMyTag* tag = Tag(i);
    return tag != nullptr ? tag->FrameRate : 0.0;
  });
}

void TMyMediaStrings::SortByTagText(bool ascending, int lo, int hi, TMyTagField field) {
  SortByTextKey(ascending, lo, hi, [this, field](int i) {
    const TMyTag* tag = Tag(i);
    return tag != nullptr ? tag->Text(field) : WString();
  });
}

void TMyMediaStrings::SortByAlbum(bool a, int lo, int hi) {
  SortByTagText(a, lo, hi, TMyTagField::Album);
}
void TMyMediaStrings::SortByAlbumArtist(bool a, int lo, int hi) {
  SortByTagText(a, lo, hi, TMyTagField::AlbumArtist);
}
void TMyMediaStrings::SortByArtist(bool a, int lo, int hi) {
  SortByTagText(a, lo, hi, TMyTagField::Artist);
}
void TMyMediaStrings::SortByComposer(bool a, int lo, int hi) {
  SortByTagText(a, lo, hi, TMyTagField::Composer);
}
void TMyMediaStrings::SortByConductor(bool a, int lo, int hi) {
  SortByTagText(a, lo, hi, TMyTagField::Conductor);
}
void TMyMediaStrings::SortByGenre(bool a, int lo, int hi) {
  SortByTagText(a, lo, hi, TMyTagField::Genre);
}
void TMyMediaStrings::SortByTrackNumber(bool a, int lo, int hi) {
  SortByTagText(a, lo, hi, TMyTagField::Track);
}
void TMyMediaStrings::SortByWriter(bool a, int lo, int hi) {
  SortByTagText(a, lo, hi, TMyTagField::Writer);
}

void TMyMediaStrings::SortByTitle(bool ascending, int lo, int hi) {
  SortByTextKey(ascending, lo, hi, [this](int i) {
    const TMyTag* tag = Tag(i);
    return tag != nullptr ? tag->TitleOrFileTitle() : WString();
  });
}

}  // namespace mivaro
