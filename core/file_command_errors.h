// The texts that the file commands show for a failed rename, move or copy.
#pragma once

#include "core/ustring.h"

namespace mivaro {

enum class TMyFileCommand { Rename, Move };

// The text for an error code as FileCommandErrorCode (platform/os/file_transfer.h) gives
// it: 5 (in use or denied), 19 (write-protected), any other code as "エラーコード %d".
WString FileCommandErrorText(int code, TMyFileCommand command);

}  // namespace mivaro
