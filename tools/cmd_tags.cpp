// mivaro-tool tags [--media] FILE...: the tag texts (and media properties) of files, as
// the playlist window reads them.
//
// One line per value: FILE<TAB>FIELD<TAB>VALUE. TagVersion comes first (empty when the
// file has no tag), then every non-empty text field in the record's order (Album ...
// Comment); with --media also Duration (seconds, -1 when not measured), VideoWidth,
// VideoHeight, FrameRate and BitRate. Line breaks and tabs inside values are written as
// \r, \n and \t so that every value stays on its line.
#include <cstdio>
#include <string>
#include <vector>

#include "core/ustring.h"
#include "tags/tag.h"
#include "tools/tool_command.h"

namespace mivaro::tool {
namespace {

void PrintLine(const std::string& file, const char* field, const std::string& value) {
  std::printf("%s\t%s\t%s\n", Escaped(file).c_str(), field, value.c_str());
}

int RunTags(const std::vector<std::string>& args) {
  bool media = false;
  bool options = true;
  std::vector<std::string> files;
  for (const std::string& a : args) {
    if (options && a == "--") {
      options = false;
    } else if (options && a == "--media") {
      media = true;
    } else if (options && a.size() > 1 && a[0] == '-') {
      return UsageError("tags: unknown option '" + a + "'");
    } else {
      files.push_back(a);
    }
  }
  if (files.empty()) {
    return UsageError("tags: no file given (usage: tags [--media] FILE...)");
  }
  int rc = 0;
  for (const std::string& file : files) {
    TMyTag2 tag;
    if (media) {
      tag.Load(ArgPath(file));
    } else {
      tag.TMyTag::Load(ArgPath(file));
    }
    if (!tag.FileExists) {
      rc = Failure("tags: " + Escaped(file) + ": no such file");
      continue;
    }
    PrintLine(file, "TagVersion", Escaped(Utf8(tag.TagVersion)));
    for (int i = 0; i < kTagFieldCount; ++i) {
      const auto field = static_cast<TMyTagField>(i);
      const WString& value = tag.Text(field);
      if (!value.empty()) {
        PrintLine(file, TagFieldName(field), Escaped(Utf8(value)));
      }
    }
    if (media) {
      char text[64];
      std::snprintf(text, sizeof text, "%.3f", tag.Duration);
      PrintLine(file, "Duration", text);
      PrintLine(file, "VideoWidth", std::to_string(tag.VideoWidth));
      PrintLine(file, "VideoHeight", std::to_string(tag.VideoHeight));
      std::snprintf(text, sizeof text, "%.2f", tag.FrameRate);
      PrintLine(file, "FrameRate", text);
      PrintLine(file, "BitRate", std::to_string(tag.BitRate));
    }
  }
  std::fflush(stdout);
  return rc;
}

}  // namespace

MIVARO_TOOL_COMMAND("tags", "[--media] FILE...",
                    "print the tag texts (and with --media duration, video size, frame rate) "
                    "of files",
                    RunTags);

}  // namespace mivaro::tool
