// Conversion between the program's UTF-16 names and the byte names of the file system.
//
// Linux names are bytes, usually UTF-8. Bytes that are not valid UTF-8 are carried as the
// lone surrogates U+DC80..U+DCFF and turned back into the same bytes, so every name found in
// a folder can be opened again.
#pragma once

#include <string>
#include <string_view>

#include "core/ustring.h"

namespace mivaro::os {

// The byte name of a path. False when the path cannot name a file (empty, or holding a NUL
// character); `out` is then empty.
bool ToNativePath(WStringView path, std::string& out);
// The same appended to `out`; on failure `out` keeps what it held before.
bool AppendNativePath(WStringView path, std::string& out);
// The byte name, empty when ToNativePath fails.
std::string NativePath(WStringView path);
// The UTF-16 name of a byte name found on disk.
WString FromNativeName(std::string_view name);
// The same into `out`, reusing its storage.
void FromNativeNameInto(std::string_view name, WString& out);

}  // namespace mivaro::os
