#include "core/component_names.h"

#include <string>

#include <unicode/uchar.h>

namespace mivaro {

WString UniqueComponentName(WStringView base, const std::function<bool(WStringView)>& exists) {
  WString name;
  for (int i = 0;; ++i) {
    name.assign(base);
    name.push_back(u'_');
    for (char c : std::to_string(i)) name.push_back(static_cast<char16_t>(c));
    if (!exists || !exists(name) || i >= 1000000) return name;
  }
}

bool SameComponentName(WStringView a, WStringView b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i] == b[i]) continue;
    if (u_foldCase(a[i], U_FOLD_CASE_DEFAULT) != u_foldCase(b[i], U_FOLD_CASE_DEFAULT))
      return false;
  }
  return true;
}

}  // namespace mivaro
