// Where the program and the files "beside the program" live.
#include <cstdlib>

#include "core/files.h"
#include "core/paths.h"
#include "core/version.h"
#include "platform/os/exe_path.h"
#include "platform/os/native_path.h"

namespace mivaro {

namespace {

// The settings, resume list, wallpaper picture and SendTo folder are named after the player.
constexpr char16_t kBaseTitle[] = u"mivaro";

WString EnvPath(const char* name) {
  const char* v = std::getenv(name);
  return (v != nullptr && v[0] != '\0') ? os::FromNativeName(v) : WString();
}

}  // namespace

WString GetExeFileName() {
  static const WString exe = os::FromNativeName(os::ExecutablePath());
  return exe;
}

WString GetExeDir() { return ExtractFilePath(GetExeFileName()); }

WString GetAppBaseDir() {
  WString home = EnvPath("MIVARO_HOME");
  if (!home.empty()) {
    // Absolute, so that a later change of the current folder does not move the files.
    home = IncludeTrailingPathDelimiter(ExpandFileName(home), u'/');
    ForceFolders(home);
    return home;
  }
  // Portable use: beside the program when its folder is writable. System folders never
  // count, even for root, who may write everywhere.
  const WString exe_dir = GetExeDir();
  const bool system_folder = exe_dir.starts_with(u"/usr/") || exe_dir.starts_with(u"/bin/") ||
                             exe_dir.starts_with(u"/sbin/") || exe_dir.starts_with(u"/lib");
  if (!exe_dir.empty() && !system_folder && os::IsWritableFolder(os::NativePath(exe_dir)))
    return exe_dir;
  WString config = EnvPath("XDG_CONFIG_HOME");
  if (config.empty() || config[0] != u'/') {
    const WString user_home = EnvPath("HOME");
    config = user_home.empty() ? WString(u"/tmp") : user_home + u"/.config";
  }
  const WString dir = IncludeTrailingPathDelimiter(config, u'/') + u"mivaro/";
  ForceFolders(dir);
  return dir;
}

WString GetAppBaseFileName() { return GetAppBaseDir() + kBaseTitle; }

WString GetTransferJournalFolder() { return GetAppBaseFileName() + u".transfers"; }

}  // namespace mivaro
