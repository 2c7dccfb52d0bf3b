// The application's error message box and its title.
#include "core/messages.h"

#include <unistd.h>

#include <climits>
#include <fstream>
#include <string>

#include "core/hooks.h"
#include "core/paths.h"
#include "core/version.h"

namespace mivaro {

void ShowErrorMessage(WStringView text) { ShowMessage(text, MessageKind::Error); }

WString GetProcessImageName() {
  char buf[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n > 0) return U16(std::string_view(buf, static_cast<std::size_t>(n)));
  // The first argument of the command line.
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  std::string arg0;
  std::getline(in, arg0, '\0');
  return U16(arg0);
}

WString GetProgramTitle(WStringView programPath) {
  TMyFileVersionInfo info;
  if (GetFileVersionInfo(programPath, info) && !info.ProductName.empty()) return info.ProductName;
  return ExtractFileTitle(programPath);
}

WString GetApplicationTitle() { return GetProgramTitle(GetProcessImageName()); }

}  // namespace mivaro
