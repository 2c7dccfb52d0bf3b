// mivaro-tool ini: read and write the settings file (or any INI file) from the shell.
#include <cstdio>
#include <string>
#include <vector>

#include "core/files.h"
#include "core/paths.h"
#include "core/ustring.h"
#include "core/version.h"
#include "settings/ini_file.h"
#include "tools/tool_command.h"

namespace mivaro::tool {
namespace {

void PrintLine(const WString& text) { std::printf("%s\n", Utf8(text).c_str()); }

// FILE "-" stands for the program's own settings file.
WString IniPath(const std::string& arg) {
  if (arg == "-") return ChangeFileExt(GetAppBaseFileName(), u".ini");
  return ArgPath(arg);
}

int RunIni(const std::vector<std::string>& args) {
  if (args.empty()) {
    return UsageError("ini: expected get, set, erase, sections or section (see --help)");
  }
  const std::string& verb = args[0];
  auto need = [&](size_t n, const char* usage) {
    return args.size() == n + 1 ? 0 : UsageError(std::string("usage: mivaro-tool ini ") + usage);
  };
  if (verb == "get") {
    if (int rc = need(3, "get FILE SECTION KEY")) return rc;
    WString file = IniPath(args[1]);
    if (!FileExists(file)) return Failure("ini: no such file: " + Utf8(file));
    TMyIniFile ini(file);
    // A key whose value is empty reads as missing, as in the program itself.
    const WString kMissing = u"\x01";
    WString value = ini.ReadString(U16(args[2]), U16(args[3]), kMissing);
    if (value == kMissing) return Failure("ini: no value for " + args[2] + "/" + args[3]);
    PrintLine(value);
    return 0;
  }
  if (verb == "set") {
    if (int rc = need(4, "set FILE SECTION KEY VALUE")) return rc;
    TMyIniFile ini(IniPath(args[1]));
    WString section = U16(args[2]);
    WString key = U16(args[3]);
    WString value = U16(args[4]);
    ini.WriteString(section, key, value);
    if (!value.empty() && ini.ReadString(section, key, u"") != value) {
      return Failure("ini: cannot store that section, key or value (line breaks, \"=\" in the "
                     "key or \"]\" in the section are not allowed)");
    }
    if (!ini.UpdateFile()) return Failure("ini: cannot write " + Utf8(ini.FileName()));
    return 0;
  }
  if (verb == "erase") {
    if (int rc = need(2, "erase FILE SECTION")) return rc;
    TMyIniFile ini(IniPath(args[1]));
    if (!ini.SectionExists(U16(args[2]))) return 0;
    ini.EraseSection(U16(args[2]));
    if (!ini.UpdateFile()) return Failure("ini: cannot write " + Utf8(ini.FileName()));
    return 0;
  }
  if (verb == "sections") {
    if (int rc = need(1, "sections FILE")) return rc;
    TMyIniFile ini(IniPath(args[1]));
    for (const WString& name : ini.SectionNames()) PrintLine(name);
    return 0;
  }
  if (verb == "section") {
    if (int rc = need(2, "section FILE SECTION")) return rc;
    TMyIniFile ini(IniPath(args[1]));
    for (const WString& line : ini.SectionValues(U16(args[2]))) PrintLine(line);
    return 0;
  }
  return UsageError("ini: unknown action '" + verb + "'");
}

MIVARO_TOOL_COMMAND("ini",
                    "get FILE SECTION KEY | set FILE SECTION KEY VALUE | erase FILE SECTION | "
                    "sections FILE | section FILE SECTION",
                    "read or change an INI settings file (FILE \"-\": the program's own)",
                    RunIni);

}  // namespace
}  // namespace mivaro::tool
