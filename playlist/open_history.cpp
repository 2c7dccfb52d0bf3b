#include "playlist/open_history.h"

#include <algorithm>

#include "core/text_encoding.h"
#include "core/wstrings.h"
#include "settings/param.h"

namespace mivaro {

WString OpenHistoryStoredForm(WStringView path) {
  TMyWStrings codec;
  return FromAnsi(codec.EncodeItem(path));
}

WString OpenHistoryPathOf(WStringView stored) {
  TMyWStrings codec;
  return codec.DecodeItem(ToAnsi(stored));
}

std::vector<WString> InsertOpenHistory(std::vector<WString> stored, WStringView path) {
  if (path.empty()) return stored;
  const WString upper = ParamUpper(path);
  std::erase_if(stored, [&](const WString& line) {
    return ParamUpper(OpenHistoryPathOf(line)) == upper;
  });
  stored.insert(stored.begin(), OpenHistoryStoredForm(path));
  if (stored.size() > static_cast<size_t>(kOpenHistoryMax)) stored.resize(kOpenHistoryMax);
  return stored;
}

std::vector<WString> OpenHistoryFromLines(const std::vector<WString>& lines) {
  std::vector<WString> stored;
  // Inserted from the bottom up, so that the first line ends on top.
  for (auto line = lines.rbegin(); line != lines.rend(); ++line)
    stored = InsertOpenHistory(std::move(stored), OpenHistoryPathOf(*line));
  return stored;
}

}  // namespace mivaro
