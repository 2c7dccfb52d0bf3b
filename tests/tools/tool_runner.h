// Runs mivaro-tool from the tool tests through the shell and collects what it prints.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace mivaro::test {

// `s` as one single-quoted shell word.
inline std::string Quote(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// Runs `mivaro-tool <tail>` (`tail` may carry redirections) and returns its exit code,
// -1 when it could not run; `out` receives its standard output.
inline int RunTool(const std::string& tail, std::string& out) {
  const std::string cmd = Quote(MIVARO_TOOL) + " " + tail;
  FILE* p = popen(cmd.c_str(), "r");
  out.clear();
  char buf[4096];
  size_t n;
  while (p != nullptr && (n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  const int status = p != nullptr ? pclose(p) : -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace mivaro::test
