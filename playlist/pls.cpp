// PLS playlists: an INI file whose section "playlist" holds NumberOfEntries and the
// entries File1 .. FileN. Title, Length and Version are not read.
#include <algorithm>
#include <map>

#include "core/text_file.h"
#include "playlist/media_strings.h"
#include "settings/ini_file.h"

namespace mivaro {
namespace {

// The number N of a key "FileN" (ignoring case), or -1 for any other key.
int64_t FileKeyNumber(WStringView key) {
  if (key.size() < 5 || key.size() > 14) return -1;
  for (size_t i = 0; i < 4; ++i) {
    if (AsciiLower(key[i]) != u"file"[i]) return -1;
  }
  if (key[4] == u'0') return -1;  // "File%d" never writes a leading zero
  int64_t n = 0;
  for (size_t i = 4; i < key.size(); ++i) {
    if (key[i] < u'0' || key[i] > u'9') return -1;
    n = n * 10 + (key[i] - u'0');
  }
  return n;
}

}  // namespace

std::vector<WString> ReadPlsEntries(TMyIniFile& ini) {
  const int32_t count = ini.ReadInteger(u"playlist", u"NumberOfEntries", 0);
  std::vector<WString> entries;
  if (count <= 0) return entries;
  // Only the keys that exist are read: a list that claims two billion entries costs no
  // more than the keys it really has. Keys beyond the count are ignored; the first of two
  // spellings of one number counts, as a key lookup would find it.
  std::map<int64_t, WString> found;
  for (const WString& key : ini.SectionKeys(u"playlist")) {
    const int64_t n = FileKeyNumber(TrimEntry(key));
    if (n < 1 || n > count || found.count(n) != 0) continue;
    found.emplace(n, ini.ReadString(u"playlist", key, u""));
  }
  entries.reserve(found.size());
  for (auto& [n, value] : found) entries.push_back(std::move(value));
  return entries;
}

bool TMyMediaStrings::ReadPls(const WString& file, const WString& base, ExpandState& state,
                              std::vector<TMyStringItem>& out, int depth) {
  // Read as a list of names (never a dump, 8-bit Western text as Windows-1252), held in
  // a store without a file of its own.
  TextEncoding code = kEncodingDetect;
  TMyIniFile ini(u"");
  ini.SetText(ReadWholeListFile(file, code));
  const std::vector<WString> entries = ReadPlsEntries(ini);
  int taken = 0;
  for (const WString& entry : entries) {
    if (!TakeEntry(entry, base, state, out, depth, EntryForm::Path, taken)) return false;
  }
  return true;
}

}  // namespace mivaro
