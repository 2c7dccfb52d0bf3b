// The application's error message box and its title.
#include "core/messages.h"

#include <unistd.h>

#include <climits>
#include <fstream>
#include <string>

#include "core/hooks.h"
#include "core/version.h"

namespace mivaro {
namespace {

WString FileTitleOf(WStringView path) {
  const auto slash = path.find_last_of(u"/\\");
  WStringView name = slash == WStringView::npos ? path : path.substr(slash + 1);
  const auto dot = name.rfind(u'.');
  if (dot != WStringView::npos) name = name.substr(0, dot);
  return WString(name);
}

}  // namespace

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

WString GetApplicationTitle() {
  // The running program always carries the version record compiled into it.
  WString title = kProductName;
  if (title.empty()) title = FileTitleOf(GetProcessImageName());
  return title;
}

}  // namespace mivaro
