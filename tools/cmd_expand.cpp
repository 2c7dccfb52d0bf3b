// mivaro-tool expand: the playlist the player builds from files, folders, patterns and
// playlist files (M3U, M3U8, PLS, WPL, XSPF expanded in place).
#include <cstdio>
#include <string>
#include <vector>

#include "core/ustring.h"
#include "playlist/media_strings.h"
#include "tools/tool_command.h"

namespace mivaro::tool {
namespace {

int RunExpand(const std::vector<std::string>& args) {
  TMyMediaStrings list;
  TMyWStrings sources;
  for (const std::string& a : args) {
    if (a == "--no-check") {
      list.ExpandCheckExists = false;
    } else if (a.starts_with("--")) {
      return UsageError("expand: unknown option '" + a + "'");
    } else {
      sources.Add(ArgPath(a));
    }
  }
  if (sources.Count() == 0) return UsageError("usage: mivaro-tool expand [--no-check] SOURCE...");
  list.AddFromSources(sources);
  if (!WritePathLines(list)) return Failure("expand: cannot write standard output");
  return 0;
}

}  // namespace

MIVARO_TOOL_COMMAND("expand", "[--no-check] SOURCE...",
                    "print the playlist made of files, folders, patterns and playlist files; "
                    "--no-check also keeps playlist entries whose files are missing",
                    RunExpand);

}  // namespace mivaro::tool
