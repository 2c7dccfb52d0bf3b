// WPL playlists: an XML file read line by line. Only the last <seq> ... </seq> block is
// read; each line there that begins with "<media" names an entry by the first quoted text
// on it (the src attribute written first, in double quotes).
#include "core/text_file.h"
#include "core/text_lines.h"
#include "playlist/media_strings.h"

namespace mivaro {
namespace {

void ReplaceAll(WString& s, WStringView from, WStringView to) {
  size_t pos = 0;
  while ((pos = s.find(from, pos)) != WString::npos) {
    s.replace(pos, from.size(), to);
    pos += to.size();
  }
}

}  // namespace

WString DecodeWplEntities(WStringView text) {
  WString s(text);
  ReplaceAll(s, u"&apos;", u"'");
  ReplaceAll(s, u"&amp;", u"&");
  return s;
}

std::vector<WString> ParseWplEntries(WStringView text) {
  std::vector<WStringView> lines;
  ForEachTextLine(text, [&](WStringView line) { lines.push_back(line); });

  // From the end: reading starts at the first "</seq>" and stops at the next "<seq>".
  std::vector<WString> reversed;
  bool inside = false;
  for (size_t k = lines.size(); k > 0; --k) {
    const WString trimmed = TrimEntry(lines[k - 1]);
    const WString lower = AsciiLowerText(trimmed);
    if (!inside) {
      if (lower == u"</seq>") inside = true;
      continue;
    }
    if (lower == u"<seq>") break;
    if (!lower.starts_with(u"<media")) continue;
    const size_t q1 = trimmed.find(u'"');
    if (q1 == WString::npos) continue;
    const size_t q2 = trimmed.find(u'"', q1 + 1);
    reversed.push_back(q2 == WString::npos ? trimmed.substr(q1 + 1)
                                           : trimmed.substr(q1 + 1, q2 - q1 - 1));
  }
  return std::vector<WString>(reversed.rbegin(), reversed.rend());
}

bool TMyMediaStrings::ReadWpl(const WString& file, const WString& base, ExpandState& state,
                              std::vector<TMyStringItem>& out, int depth) {
  TextEncoding code = kEncodingUtf8;
  const WString text = ReadWholeTextFile(file, code);
  const std::vector<WString> entries = ParseWplEntries(text);
  int taken = 0;
  for (const WString& entry : entries) {
    if (!TakeEntry(entry, base, state, out, depth, EntryForm::WplSource, taken)) return false;
  }
  return true;
}

}  // namespace mivaro
