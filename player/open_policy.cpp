#include "player/open_policy.h"

#include <algorithm>

#include "core/files.h"
#include "core/paths.h"
#include "core/wstrings.h"

namespace mivaro {

const std::vector<WString>& ExcludedExtensions() {
  static const std::vector<WString> list = {
      u".css", u".js",  u".htm", u".html", u".xml", u".chm", u".h1?", u".hlp", u".doc",
      u".ini", u".log", u".txt", u".bin",  u".dat", u".db",  u".sys", u".bat", u".cmd",
      u".com", u".dll", u".exe", u".ocx",  u".pif", u".scr", u".vbx", u".tvpid"};
  return list;
}

std::vector<WString> FolderOwnFiles(WStringView folder, const std::function<void()>& each_entry) {
  const WString base = IncludeTrailingPathDelimiter(folder);
  std::vector<WString> files;
  ForEachFileMatch(base + u"*.*", [&](const TMyFindData& entry) {
    if (!entry.IsFolder()) files.push_back(base + entry.name);
    if (each_entry) each_entry();
    return true;
  });
  std::stable_sort(files.begin(), files.end(), [](const WString& a, const WString& b) {
    return TMyWStrings::ComparePaths(a, b) < 0;
  });
  return files;
}

}  // namespace mivaro
