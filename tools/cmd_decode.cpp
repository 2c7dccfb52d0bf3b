// mivaro-tool decode FILE [--code N]: reads a text file as the program does and prints
// the encoding code used and the text as UTF-8.
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/text_encoding.h"
#include "core/text_file.h"
#include "tools/tool_command.h"

namespace mivaro::tool {
namespace {

const char* EncodingName(TextEncoding code) {
  static const char* const kNames[] = {
      "detect",         "ANSI (code page 932)", "UTF-16LE with BOM", "UTF-16LE",
      "UTF-16BE with BOM", "UTF-16BE",          "UTF-8 with BOM",    "UTF-8",
      "UTF-7",          "ISO-2022-JP",          "EUC-JP",            "binary (hexadecimal dump)"};
  return code <= kEncodingLast ? kNames[code] : "detect";
}

int RunDecode(const std::vector<std::string>& args) {
  std::string file;
  int code = kEncodingDetect;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--code") {
      if (i + 1 >= args.size()) return UsageError("--code needs a number from 0 to 11");
      char* end = nullptr;
      const long value = std::strtol(args[i + 1].c_str(), &end, 10);
      if (end == args[i + 1].c_str() || *end != '\0' || value < 0 || value > kEncodingLast) {
        return UsageError("--code needs a number from 0 to 11, not '" + args[i + 1] + "'");
      }
      code = static_cast<int>(value);
      ++i;
    } else if (file.empty()) {
      file = args[i];
    } else {
      return UsageError("decode takes one file");
    }
  }
  if (file.empty()) return UsageError("usage: mivaro-tool decode FILE [--code N]");
  struct stat st {};
  if (stat(file.c_str(), &st) != 0) return Failure("cannot open '" + file + "'");
  if (!S_ISREG(st.st_mode)) return Failure("'" + file + "' is not a file");
  if (static_cast<std::uint64_t>(st.st_size) > kMaxTextFileSize) {
    return Failure("'" + file + "' is 4 GiB or larger; refused");
  }
  TextEncoding used = NormalizeEncoding(code);
  const WString text = ReadWholeTextFile(ArgPath(file), used);
  std::printf("encoding: %d %s\n", used, EncodingName(used));
  // Line breaks become LF so that CR-only text (the dump, old Mac files) reads well.
  std::string out = Utf8(text);
  std::string normalized;
  normalized.reserve(out.size());
  for (std::size_t i = 0; i < out.size(); ++i) {
    if (out[i] == '\r') {
      normalized += '\n';
      if (i + 1 < out.size() && out[i + 1] == '\n') ++i;
    } else {
      normalized += out[i];
    }
  }
  std::fwrite(normalized.data(), 1, normalized.size(), stdout);
  if (!normalized.empty() && normalized.back() != '\n') std::fputc('\n', stdout);
  return 0;
}

}  // namespace

MIVARO_TOOL_COMMAND("decode", "FILE [--code N]",
                    "print the encoding code (0-11) used to read FILE and its text as UTF-8",
                    RunDecode);

}  // namespace mivaro::tool
