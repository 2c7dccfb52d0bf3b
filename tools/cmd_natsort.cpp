// mivaro-tool natsort: sorts lines in the player's natural order.
#include <algorithm>
#include <cstdio>
#include <numeric>
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
  char buf[1 << 16];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, stdin)) > 0) input.append(buf, n);
  if (std::ferror(stdin)) return Failure("natsort: cannot read standard input");

  // Lines end at LF; a CR before it belongs to the line break.
  std::vector<std::string_view> lines;
  size_t start = 0;
  while (start < input.size()) {
    size_t end = input.find('\n', start);
    if (end == std::string::npos) end = input.size();
    size_t stop = end;
    if (stop > start && input[stop - 1] == '\r') --stop;
    lines.emplace_back(input.data() + start, stop - start);
    start = end + 1;
  }

  std::vector<TMyNaturalKey> keys;
  keys.reserve(lines.size());
  for (std::string_view line : lines) {
    const WString text = U16(line);
    keys.push_back(paths ? TMyNaturalKey::ForFileName(text) : TMyNaturalKey::ForText(text));
  }
  std::vector<size_t> order(lines.size());
  std::iota(order.begin(), order.end(), size_t{0});
  std::stable_sort(order.begin(), order.end(), [&keys](size_t a, size_t b) {
    return TMyNaturalKey::Compare(keys[a], keys[b]) < 0;
  });

  std::string out;
  out.reserve(input.size() + lines.size());
  for (size_t i : order) {
    out.append(lines[i]);
    out.push_back('\n');
  }
  if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size()) {
    return Failure("natsort: cannot write standard output");
  }
  return 0;
}

}  // namespace

MIVARO_TOOL_COMMAND("natsort", "[--path] < LINES",
                    "print UTF-8 lines from standard input in natural order (stable); "
                    "--path orders by folder, then name",
                    RunNatsort);

}  // namespace mivaro::tool
