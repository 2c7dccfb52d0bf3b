// mivaro-tool list: the files that the player's file list makes of files, folders and
// patterns (folders walked depth-first in sorted order).
#include <cstdio>
#include <string>
#include <vector>

#include "core/ustring.h"
#include "playlist/file_strings.h"
#include "tools/tool_command.h"

namespace mivaro::tool {
namespace {

// ".mp3,.wav" -> {".mp3", ".wav"}; a missing dot is added.
std::vector<WString> ExtensionList(const std::string& arg) {
  std::vector<WString> out;
  size_t start = 0;
  while (start <= arg.size()) {
    size_t end = arg.find(',', start);
    if (end == std::string::npos) end = arg.size();
    std::string ext = arg.substr(start, end - start);
    if (!ext.empty()) out.push_back(U16(ext[0] == '.' ? ext : "." + ext));
    start = end + 1;
  }
  return out;
}

int RunList(const std::vector<std::string>& args) {
  TMyFileStrings files;
  TMyWStrings sources;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if ((a == "--include" || a == "--exclude") && i + 1 < args.size()) {
      (a == "--include" ? files.IncludeExtensions : files.ExcludeExtensions) =
          ExtensionList(args[++i]);
    } else if (a.starts_with("--")) {
      return UsageError("list: unknown option '" + a + "'");
    } else {
      sources.Add(ArgPath(a));
    }
  }
  if (sources.Count() == 0) {
    return UsageError("usage: mivaro-tool list [--include EXTS] [--exclude EXTS] SOURCE...");
  }
  files.AddFromSources(sources);
  if (!WritePathLines(files)) return Failure("list: cannot write standard output");
  return 0;
}

}  // namespace

MIVARO_TOOL_COMMAND("list", "[--include .EXT,...] [--exclude .EXT,...] SOURCE...",
                    "list the files named by files, folders and patterns, one path per line",
                    RunList);

}  // namespace mivaro::tool
