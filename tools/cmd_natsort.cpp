// mivaro-tool natsort: sorts lines in the player's natural order.
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/natural.h"
#include "core/ustring.h"
#include "tools/tool_command.h"

namespace mivaro::tool {
namespace {

int RunNatsort(const std::vector<std::string>& args) {
  bool paths = false;
  for (const std::string& a : args) {
    if (a == "--path") {
      paths = true;
    } else {
      return UsageError("natsort: unknown argument '" + a + "' (usage: natsort [--path])");
    }
  }
  std::string input;
  // A file on standard input is read into storage of its size (no regrowing copies).
  struct stat st {};
  if (fstat(fileno(stdin), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
    input.reserve(static_cast<size_t>(st.st_size) + 1);
  }
  char buf[1 << 16];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, stdin)) > 0) input.append(buf, n);
  if (std::ferror(stdin)) return Failure("natsort: cannot read standard input");

  // Lines end at LF; a CR before it belongs to the line break. Each line is kept as its
  // place in the input, which is written out again from there.
  struct Line {
    uint32_t at, length;
  };
  std::vector<Line> lines;
  if (input.size() >= UINT32_MAX) return Failure("natsort: input too large");
  size_t start = 0;
  while (start < input.size()) {
    const char* nl = static_cast<const char*>(
        std::memchr(input.data() + start, '\n', input.size() - start));
    const size_t end = nl != nullptr ? static_cast<size_t>(nl - input.data()) : input.size();
    size_t stop = end;
    if (stop > start && input[stop - 1] == '\r') --stop;
    lines.push_back({static_cast<uint32_t>(start), static_cast<uint32_t>(stop - start)});
    start = end + 1;
  }

  const std::vector<uint32_t> order = NaturalSortOrder(
      lines.size(),
      [&](size_t i, WString& out) {
        AppendU16(std::string_view(input).substr(lines[i].at, lines[i].length), out);
      },
      paths);

  std::string out;
  out.reserve((1 << 16) + 4096);
  for (size_t k = 0; k < order.size(); ++k) {
    const Line& line = lines[order[k]];
    out.append(input, line.at, line.length);
    out.push_back('\n');
    if (out.size() >= (1 << 16) || k + 1 == order.size()) {
      if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size()) {
        return Failure("natsort: cannot write standard output");
      }
      out.clear();
    }
  }
  if (std::fflush(stdout) != 0) return Failure("natsort: cannot write standard output");
  return 0;
}

}  // namespace

MIVARO_TOOL_COMMAND("natsort", "[--path] < LINES",
                    "print UTF-8 lines from standard input in natural order (stable); "
                    "--path orders by folder, then name",
                    RunNatsort);

}  // namespace mivaro::tool
