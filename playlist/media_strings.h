// TMyMediaStrings: the playlist. A file list whose item objects are tag objects (always
// owned and freed by the list) and which expands playlist files (M3U, M3U8, PLS, WPL,
// XSPF) in place into their entries. Plus the writer of playlists (M3U8, one path per line).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "playlist/file_strings.h"
#include "tags/tag.h"

namespace mivaro {

class TMyIniFile;

// True when the lower-cased extension is ".m3u", ".m3u8", ".pls", ".wpl" or ".xspf".
bool IsPlaylistFile(WStringView path);

// The notice shown for a playlist too large to be read ("%s" is its file name).
inline constexpr char16_t kMsgPlaylistTooLarge[] =
    u"プレイリスト「%s」は大きすぎるため、読み込めませんでした";

// Writes the list's text (one path per line, CR LF) as UTF-8, with BOM when with_bom is
// set. ".m3u8" is appended to the file name unless it already ends in it (ignoring case).
// False when the file cannot be written (the old file then stays as it was).
bool SavePlaylist(TMyWStrings& list, WStringView file_name, bool with_bom);

// The resume list's name beside the program: its file name with the extension replaced by
// ".resume.m3u8".
WString ResumeListFileName(WStringView program_file);

class TMyMediaStrings : public TMyFileStrings {
 public:
  TMyMediaStrings();
  explicit TMyMediaStrings(TMyStringStore* storage);
  ~TMyMediaStrings() override;

  // Clear and Delete always free the item objects.
  void Clear() override;
  void Delete(int i) override;
  void FreeObject(void* obj) override;

  // The item's tag object (nullptr when out of range or none). Files and playlist entries
  // are added as paths alone, with PendingTag() as their object; the first call makes their
  // tag from the file's directory entry and keeps it.
  TMyTag* Tag(int i);
  // The object of an item whose tag has not been made yet (never freed).
  static TMyTag* PendingTag();

  // PendingTag(): the tag is made on demand by Tag.
  void* CreateFileObject(WStringView path, const TMyFindData& find_data) override;
  // False: the folder walk needs no size and times, as no tag is made from them.
  bool WantsFileDetails() const override;
  // CreateFileObject of the path's directory entry; a tag with size and times zero when
  // there is none.
  TMyTag* CreateObjectForPath(WStringView path);

  // TMyFileStrings::Enumerate, then ExpandPlaylists(ExpandCheckExists) when it succeeded.
  bool Enumerate() override;
  // Sources takes a copy; then EnumerateCancellable.
  bool AddFromSources(TMyWStrings& list) override;
  bool AddFromSource(WStringView path) override;

  // ExpandPlaylists(true).
  virtual int ExpandAllPlaylists();
  // Replaces each playlist-file item by the entries it lists (each playlist read at most
  // once per call); returns Count after minus Count before.
  virtual int ExpandPlaylists(bool check_exists);

  // Key sorts (see TMyFileStrings); items without tag use the path's facts.
  void SortByName(bool ascending, int lo = 0, int hi = -1) override;
  void SortByFolder(bool ascending, int lo = 0, int hi = -1) override;
  void SortByExtension(bool ascending, int lo = 0, int hi = -1) override;
  void SortBySize(bool ascending, int lo = 0, int hi = -1) override;
  void SortByWriteTime(bool ascending, int lo = 0, int hi = -1) override;
  void SortByCreateTime(bool ascending, int lo = 0, int hi = -1) override;
  virtual void SortByDuration(bool ascending, int lo = 0, int hi = -1);
  virtual void SortByDurationSeconds(bool ascending, int lo = 0, int hi = -1);
  // Width, ties by height.
  virtual void SortByVideoSize(bool ascending, int lo = 0, int hi = -1);
  virtual void SortByFrameRate(bool ascending, int lo = 0, int hi = -1);
  virtual void SortByAlbum(bool ascending, int lo = 0, int hi = -1);
  virtual void SortByAlbumArtist(bool ascending, int lo = 0, int hi = -1);
  virtual void SortByArtist(bool ascending, int lo = 0, int hi = -1);
  virtual void SortByComposer(bool ascending, int lo = 0, int hi = -1);
  virtual void SortByConductor(bool ascending, int lo = 0, int hi = -1);
  virtual void SortByGenre(bool ascending, int lo = 0, int hi = -1);
  // The title, or the file name without extension when the title is empty.
  virtual void SortByTitle(bool ascending, int lo = 0, int hi = -1);
  virtual void SortByTrackNumber(bool ascending, int lo = 0, int hi = -1);
  virtual void SortByWriter(bool ascending, int lo = 0, int hi = -1);

  // Entries of playlist files are taken only when the file they name exists.
  bool ExpandCheckExists = true;

  // Playlists nested deeper than this inside each other are not read (a guard against
  // folder links that make endless distinct names).
  static constexpr int kMaxPlaylistNesting = 32;

  // The state of one expansion: the playlists read so far (each is read at most once).
  struct ExpandState {
    std::unordered_set<WString> visited;
    bool check_exists = true;
    TMyFileLookup lookup;  // the existence checks of the entries
    std::uint64_t budget = 0;  // bytes the entries may take
    std::uint64_t used = 0;    // bytes the entries read so far take
    bool too_large = false;    // the entries did not fit: the playlist is refused
  };

  // Bytes the entries of one expansion may take; 0 (the default) means half of the memory
  // the system has available (and of the address-space limit, when one is set). A playlist
  // whose entries would take more is refused with a notice and adds nothing, instead of
  // driving the system into swap.
  std::uint64_t MemoryBudget = 0;

 private:
  void SortByTagText(bool ascending, int lo, int hi, TMyTagField field);
  // The tag when it exists already (nullptr for none and for one not made yet).
  const TMyTag* KnownTag(int i);
  // Reads one playlist into `out`; false when cancelled.
  bool ReadPlaylist(const WString& file, ExpandState& state, std::vector<TMyStringItem>& out,
                    int depth);
  // How a playlist format writes its entries: as paths, as WPL sources (paths holding
  // "&amp;" and "&apos;"), or as URIs (escapes always decoded).
  enum class EntryForm { Path, WplSource, Uri };
  // Handles one entry of a playlist; false when cancelled.
  bool TakeEntry(WStringView entry, const WString& base, ExpandState& state,
                 std::vector<TMyStringItem>& out, int depth, EntryForm form, int& taken);
  bool ReadM3u(const WString& file, const WString& base, ExpandState& state,
               std::vector<TMyStringItem>& out, int depth);
  bool ReadPls(const WString& file, const WString& base, ExpandState& state,
               std::vector<TMyStringItem>& out, int depth);
  bool ReadWpl(const WString& file, const WString& base, ExpandState& state,
               std::vector<TMyStringItem>& out, int depth);
  bool ReadXspf(const WString& file, const WString& base, ExpandState& state,
                std::vector<TMyStringItem>& out, int depth);
};

// ---- Playlist text readers (pure: text in, entry texts out, in file order) ----------------

// M3U / M3U8 lines: the first line is skipped when it is "#EXTM3U" (trimmed), every line
// starting with "#EXTINF:" is skipped; every other line, empty ones included, is returned.
std::vector<WString> ParseM3uEntries(WStringView text);
// The entries of a ".m3u8" straight from its UTF-8 bytes (what the reader uses): the same
// as ParseM3uEntries of the decoded text with each entry trimmed and empty ones left out.
std::vector<WString> ParseM3u8Entries(std::string_view bytes);
// Writes `lines` as a ".m3u8" (UTF-8 without BOM), atomically. Bytes of a name that were no
// UTF-8 (kept as U+DC80..U+DCFF) are written back as those bytes, which the reader above
// turns into the same characters again: such a file survives the round trip.
bool SaveM3u8(WStringView fileName, TMyWStrings& lines);
// WPL: the source attribute of each "<media" line of the last <seq> ... </seq> block,
// still with its entities.
std::vector<WString> ParseWplEntries(WStringView text);
// XSPF: the text of the first <location> of each <track> of <playlist><trackList>, in
// file order (entities decoded, escapes not); what precedes damage in a broken file.
std::vector<WString> ParseXspfEntries(std::string_view bytes);
// PLS: the values of File1 .. FileN of section "playlist", N = NumberOfEntries; missing
// keys give empty entries. Only keys that exist are looked up, so a huge N costs nothing.
std::vector<WString> ReadPlsEntries(TMyIniFile& ini);
// The "&apos;" and "&amp;" entities of a WPL source decoded (others stay).
WString DecodeWplEntities(WStringView text);
// The path a playlist entry names, resolved against the playlist's folder `base`:
// "file:" URIs become paths, other URLs stay as they are. "%XX" escapes of other entries
// are decoded when `uri_entries` is set (lists whose entries are URIs by definition), or
// else only when the decoded name exists and the entry as written does not.
WString EntryToPath(WStringView entry, WStringView base, bool uri_entries);
// Blanks and control characters removed from both ends.
WString TrimEntry(WStringView text);
// The same as a view into `text`.
WStringView TrimmedEntry(WStringView text);

}  // namespace mivaro
