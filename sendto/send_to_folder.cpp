#include "sendto/send_to_folder.h"

#include "core/files.h"
#include "core/paths.h"
#include "core/version.h"
#include "core/wstrings.h"
#include "platform/os/desktop_launcher.h"
#include "platform/os/exe_path.h"
#include "platform/os/launch.h"
#include "platform/os/native_path.h"
#include "playlist/file_strings.h"

namespace mivaro {

WString DefaultSendToFolder() { return SendToFolderIn(GetAppBaseDir()); }

WString SendToFolderIn(WStringView base_folder) {
  return IncludeTrailingPathDelimiter(base_folder, u'/') + u"SendTo/";
}

bool EnsureSendToFolder(WStringView folder) {
  if (folder.empty()) return false;
  return FolderExists(folder) || ForceFolders(folder);
}

std::vector<TMySendToEntry> ListSendToEntries(WStringView folder) {
  std::vector<TMySendToEntry> entries;
  if (folder.empty() || !FolderExists(folder)) return entries;
  TMyFileStrings files;
  files.ExcludeAttributes = kFileAttrHidden;
  files.AddFromSource(ExcludeTrailingPathDelimiter(folder));
  entries.reserve(static_cast<size_t>(files.Count()));
  for (int i = 0; i < files.Count(); ++i) {
    TMySendToEntry e;
    e.path = files.At(i);
    e.caption = ExtractFileName(e.path);
    if (SameFileExt(e.path, u".desktop"))
      e.icon = os::FromNativeName(os::ReadDesktopLauncher(os::NativePath(e.path)).icon);
    entries.push_back(std::move(e));
  }
  return entries;
}

WString SendToParamsText(const std::vector<WString>& targets) {
  TMyWStrings list;
  list.Delimiter = u" ";
  list.QuoteChar = u"\"";
  for (const WString& t : targets) list.Add(t);
  return list.Count() == 0 ? WString() : list.GetQuotedText();
}

bool StartSendToEntry(WStringView program, const std::vector<WString>& targets) {
  if (program.empty() || !FileExists(program)) return false;
  std::string native;
  if (!os::ToNativePath(program, native)) return false;
  std::vector<std::string> args;
  for (const WString& t : targets) {
    std::string a;
    if (os::ToNativePath(t, a)) args.push_back(std::move(a));
  }
  // A link counts as what it leads to: a link named "viewer" may point at a launcher.
  const std::string resolved = os::CanonicalPath(native);
  const WString real = resolved.empty() ? WString(program) : os::FromNativeName(resolved);
  int pid = 0;
  if (SameFileExt(real, u".desktop")) return os::LaunchDesktopFile(native, args, pid);
  std::vector<std::string> argv;
  if (IsExecutableFile(program)) {
    argv.push_back(native);
  } else if (SameFileExt(real, u".sh")) {
    argv = {"sh", native};
  } else {
    // A document: it opens in its own application; the targets have no place there.
    return os::LaunchDefault(native, pid);
  }
  argv.insert(argv.end(), args.begin(), args.end());
  return os::SpawnProgram(argv, pid);
}

}  // namespace mivaro
