// mivaro-tool: command-line access to Mivaro's libraries.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "platform/os/native_path.h"
#include "tools/tool_command.h"

namespace mivaro::tool {
namespace {

std::map<std::string, CommandInfo>& Registry() {
  static std::map<std::string, CommandInfo> registry;
  return registry;
}

void PrintHelp(FILE* out) {
  std::fprintf(out, "usage: mivaro-tool COMMAND [ARGS...]\n\ncommands:\n");
  for (const auto& [name, info] : Registry()) {
    std::fprintf(out, "  %s %s\n      %s\n", name.c_str(), info.usage, info.summary);
  }
  std::fprintf(out,
               "\nPaths are printed one per line as the file system names them; a line "
               "break or tab\ninside a name or value is written as \\r, \\n or \\t.\n");
}

}  // namespace

bool RegisterCommand(const CommandInfo& info) {
  Registry()[info.name] = info;
  return true;
}

int UsageError(const std::string& message) {
  std::fprintf(stderr, "mivaro-tool: %s\n", message.c_str());
  return 2;
}

int Failure(const std::string& message) {
  std::fprintf(stderr, "mivaro-tool: %s\n", message.c_str());
  return 1;
}

WString ArgPath(const std::string& arg) { return os::FromNativeName(arg); }

namespace {

bool NeedsEscapes(std::string_view text) {
  // Sixteen bytes at a time: every path of a long listing passes here.
  return FindEitherByte(text, '\n', '\r') != std::string_view::npos ||
         FindEitherByte(text, '\t', '\t') != std::string_view::npos;
}

}  // namespace

std::string Escaped(std::string_view text) {
  if (!NeedsEscapes(text)) return std::string(text);
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      default: out += c; break;
    }
  }
  return out;
}

std::string PathText(const WString& path) {
  std::string native;
  if (!os::ToNativePath(path, native)) native = Utf8(path);
  if (!NeedsEscapes(native)) return native;
  return Escaped(native);
}

bool WritePathLines(TMyWStrings& list) {
  // Each path goes straight into the output block; only a name holding a line break or
  // tab takes the slower way through PathText.
  std::string out;
  out.reserve((1 << 16) + 4096);
  const int count = list.Count();
  for (int i = 0; i < count; ++i) {
    const WString& path = list.At(i);
    const size_t at = out.size();
    if (!os::AppendNativePath(path, out) ||
        NeedsEscapes(std::string_view(out).substr(at))) {
      out.resize(at);
      out += PathText(path);
    }
    out += '\n';
    if (out.size() >= (1 << 16) || i + 1 == count) {
      if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size()) return false;
      out.clear();
    }
  }
  return std::fflush(stdout) == 0;
}

}  // namespace mivaro::tool

int main(int argc, char** argv) {
  using namespace mivaro::tool;
  if (argc < 2) {
    PrintHelp(stderr);
    return 2;
  }
  const std::string name = argv[1];
  if (name == "--help" || name == "-h" || name == "help") {
    PrintHelp(stdout);
    return 0;
  }
  auto it = Registry().find(name);
  if (it == Registry().end()) {
    return UsageError("unknown command '" + name + "' (see mivaro-tool --help)");
  }
  std::vector<std::string> args(argv + 2, argv + argc);
  return it->second.run(args);
}
