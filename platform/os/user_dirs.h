// The user's folders as the XDG user-dirs configuration names them.
#pragma once

#include <string>

namespace mivaro::os {

enum class UserDir { Desktop, Documents, Music, Pictures, Videos, Home, Config, Data };

// The folder's path (native bytes, no trailing "/"); empty when it is not configured and
// the usual fallback under the home folder does not exist.
std::string UserDirPath(UserDir which);

}  // namespace mivaro::os
