// M3U and M3U8 playlists: one entry per line; "#EXTM3U" as the first line and "#EXTINF:"
// lines are skipped, every other line (other comment lines included) names an entry.
// A byte order mark (U+FEFF) at the start of the first line is not part of it.
#include "core/paths.h"
#include "core/text_file.h"
#include "core/text_lines.h"
#include "playlist/media_strings.h"

namespace mivaro {
namespace {

bool IsM3u8Name(WStringView file) { return AsciiLowerText(ExtractFileExt(file)) == u".m3u8"; }

}  // namespace

std::vector<WString> ParseM3uEntries(WStringView text) {
  std::vector<WString> lines;
  // Lines end at CR, LF or CR LF; text after the last break is a last line.
  // A byte order mark that the decoder left in place would otherwise glue itself to the
  // first line and turn "#EXTM3U" (or the first path) into a bogus entry.
  if (!text.empty() && text.front() == u'\uFEFF') text.remove_prefix(1);
  ForEachTextLine(text, [&](WStringView line) { lines.emplace_back(line); });

  std::vector<WString> entries;
  entries.reserve(lines.size());
  for (size_t i = 0; i < lines.size(); ++i) {
    const WString& line = lines[i];
    if (i == 0 && TrimEntry(line) == u"#EXTM3U") continue;
    if (line.starts_with(u"#EXTINF:")) continue;
    entries.push_back(std::move(lines[i]));
  }
  return entries;
}

bool TMyMediaStrings::ReadM3u(const WString& file, const WString& base, ExpandState& state,
                              std::vector<TMyStringItem>& out, int depth) {
  // ".m3u8" is UTF-8 by definition (a BOM comes through as U+FEFF and is dropped by the
  // line splitter); other lists are detected, and 8-bit Western lists are no dump.
  const bool utf8 = IsM3u8Name(file);
  TextEncoding code = utf8 ? kEncodingUtf8 : kEncodingDetect;
  const WString text = ReadWholeListFile(file, code);
  const std::vector<WString> entries = ParseM3uEntries(text);
  int taken = 0;
  for (const WString& entry : entries) {
    // Lines with a refused extension drop out before anything else happens to them.
    if (!AcceptFile(TrimEntry(entry))) continue;
    if (!TakeEntry(entry, base, state, out, depth, EntryForm::Path, taken)) return false;
  }
  return true;
}

}  // namespace mivaro
