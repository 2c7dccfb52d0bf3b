// The open histories (the drop-downs of the three open buttons): newest first, no two
// entries for the same path ignoring case, at most kOpenHistoryMax entries.
//
// An entry is kept in the playlist's stored form (code page 932 with "$" escapes), the
// form the 8-bit settings lines hold, so that any wide path survives them.
#pragma once

#include <vector>

#include "core/ustring.h"

namespace mivaro {

inline constexpr int kOpenHistoryMax = 10;

WString OpenHistoryStoredForm(WStringView path);
WString OpenHistoryPathOf(WStringView stored);

// `stored` (top first) with `path` put on top: the entries for the same path ignoring case
// leave, and the oldest beyond kOpenHistoryMax fall off. An empty path changes nothing.
std::vector<WString> InsertOpenHistory(std::vector<WString> stored, WStringView path);

// The history that settings lines give, the first line on top, by the same rule.
std::vector<WString> OpenHistoryFromLines(const std::vector<WString>& lines);

}  // namespace mivaro
