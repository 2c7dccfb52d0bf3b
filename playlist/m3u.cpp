// M3U and M3U8 playlists: one entry per line; "#EXTM3U" as the first line and "#EXTINF:"
// lines are skipped, every other line (other comment lines included) names an entry.
// A byte order mark (U+FEFF) at the start of the first line is not part of it.
#include "core/atomic_file.h"
#include "core/paths.h"
#include "core/text_file.h"
#include "core/text_lines.h"
#include "platform/os/native_path.h"
#include "playlist/media_strings.h"

namespace mivaro {
namespace {

bool IsM3u8Name(WStringView file) { return AsciiLowerText(ExtractFileExt(file)) == u".m3u8"; }

template <class CharT>
std::basic_string_view<CharT> TrimmedLine(std::basic_string_view<CharT> line) {
  size_t first = 0;
  size_t last = line.size();
  while (first < last && static_cast<char32_t>(line[first]) <= U' ') ++first;
  while (last > first && static_cast<char32_t>(line[last - 1]) <= U' ') --last;
  return line.substr(first, last - first);
}

template <class CharT>
bool StartsWithChars(std::basic_string_view<CharT> text, std::string_view ascii) {
  if (text.size() < ascii.size()) return false;
  for (size_t i = 0; i < ascii.size(); ++i) {
    if (text[i] != static_cast<CharT>(ascii[i])) return false;
  }
  return true;
}

// Calls entry(line) for every line that names an entry, in file order, on UTF-16 text or
// on the UTF-8 bytes of a ".m3u8" (cut before decoding, which gives the same lines: CR and
// LF bytes never occur inside a UTF-8 character, and blanks are ASCII).
template <class CharT, class EntryFn>
void ForEachM3uEntry(std::basic_string_view<CharT> text, EntryFn&& entry) {
  // A byte order mark that the decoder left in place would otherwise glue itself to the
  // first line and turn "#EXTM3U" (or the first path) into a bogus entry.
  if constexpr (sizeof(CharT) == 1) {
    if (StartsWithChars(text, "\xEF\xBB\xBF")) text.remove_prefix(3);
  } else {
    if (!text.empty() && text.front() == u'\uFEFF') text.remove_prefix(1);
  }
  bool first = true;
  ForEachTextLineOf<CharT>(text, [&](std::basic_string_view<CharT> line) {
    const bool header = first && TrimmedLine(line).size() == 7 &&
                        StartsWithChars(TrimmedLine(line), "#EXTM3U");
    first = false;
    if (header || StartsWithChars(line, "#EXTINF:")) return;
    entry(line);
  });
}

// The entries of a ".m3u8" from its bytes, trimmed, decoded one line at a time into
// `scratch` and handed to entry(view); empty ones are left out.
template <class EntryFn>
void ForEachM3u8Entry(std::string_view bytes, WString& scratch, EntryFn&& entry) {
  ForEachM3uEntry<char>(bytes, [&](std::string_view line) {
    line = TrimmedLine(line);
    if (line.empty()) return;
    // A byte that is no UTF-8 is kept (U+DC80..U+DCFF), as in file names read from disk.
    os::FromNativeNameInto(line, scratch);
    entry(WStringView(scratch));
  });
}

}  // namespace

std::vector<WString> ParseM3u8Entries(std::string_view bytes) {
  std::vector<WString> entries;
  WString scratch;
  ForEachM3u8Entry(bytes, scratch, [&](WStringView e) { entries.emplace_back(e); });
  return entries;
}

bool SaveM3u8(WStringView fileName, TMyWStrings& lines) {
  std::string bytes;
  try {
    const WString text = lines.GetText();
    // The text holds no NUL, so only an empty list gives no bytes.
    if (!text.empty() && !os::ToNativePath(text, bytes)) return false;
  } catch (const std::bad_alloc&) {
    return false;
  }
  return WriteFileAtomic(fileName, bytes);
}

std::vector<WString> ParseM3uEntries(WStringView text) {
  // Lines end at CR, LF or CR LF; text after the last break is a last line.
  std::vector<WString> entries;
  ForEachM3uEntry<char16_t>(text, [&](WStringView line) { entries.emplace_back(line); });
  return entries;
}

bool TMyMediaStrings::ReadM3u(const WString& file, const WString& base, ExpandState& state,
                              std::vector<TMyStringItem>& out, int depth) {
  int taken = 0;
  bool go_on = true;
  WString entry;
  auto take = [&](WStringView line) {
    if (!go_on) return;
    // Lines with a refused extension drop out before anything else happens to them.
    if (!AcceptFile(TrimmedEntry(line))) return;
    go_on = TakeEntry(line, base, state, out, depth, EntryForm::Path, taken);
  };
  if (IsM3u8Name(file)) {
    // ".m3u8" is UTF-8 by definition: its lines are cut from the bytes and decoded one
    // at a time, so the whole text never exists a second time in UTF-16.
    std::string bytes;
    if (!ReadWholeFileBytes(file, bytes)) return true;
    // Room for an entry per line break (at most): the block then never moves while it
    // fills, and the part never filled is never touched.
    size_t breaks = 0;
    for (size_t at = 0; (at = FindEitherByte(bytes, '\n', '\r', at)) != std::string::npos; ++at) {
      ++breaks;
    }
    out.reserve(out.size() + breaks + 1);
    ForEachM3u8Entry(bytes, entry, take);
    return go_on;
  }
  // Other lists are detected, and 8-bit Western lists are no dump.
  TextEncoding code = kEncodingDetect;
  const WString text = ReadWholeListFile(file, code);
  ForEachM3uEntry<char16_t>(text, take);
  return go_on;
}

}  // namespace mivaro
