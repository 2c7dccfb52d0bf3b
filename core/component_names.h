// Names of components created at run time (Send-To menu items and the like).
//
// The search through the window's components is the UI's; these functions take it as a
// predicate so that the naming rule itself stays toolkit-free.
#pragma once

#include <functional>

#include "core/ustring.h"

namespace mivaro {

// "base_0", "base_1", ...: the first name for which `exists` is false. The counter starts
// at 0. Gives up (returning the base with the next counter) after 1,000,000 taken names.
WString UniqueComponentName(WStringView base, const std::function<bool(WStringView)>& exists);

// True when the two component names are equal ignoring case (the rule of name lookups).
bool SameComponentName(WStringView a, WStringView b);

}  // namespace mivaro
