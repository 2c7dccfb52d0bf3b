#include "ui/capture/program_window.h"

#include <gio/gdesktopappinfo.h>
#include <xcb/xcb.h>

#include <QGuiApplication>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/desktop/xcb_util.h"
#include "platform/os/launch.h"

namespace mivaro {

namespace {

std::string Canonical(const std::string& path) {
  std::error_code ec;
  const std::filesystem::path p = std::filesystem::weakly_canonical(path, ec);
  return ec ? path : p.string();
}

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

void SendClientMessage(xcb_connection_t* c, xcb_window_t root, xcb_window_t w, xcb_atom_t type,
                       std::initializer_list<uint32_t> data) {
  xcb_client_message_event_t event{};
  event.response_type = XCB_CLIENT_MESSAGE;
  event.format = 32;
  event.window = w;
  event.type = type;
  int i = 0;
  for (uint32_t d : data) event.data.data32[i++] = d;
  xcb_send_event(c, 0, root,
                 XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                 reinterpret_cast<const char*>(&event));
}

}  // namespace

std::string ResolveProgramFile(const std::string& program) {
  if (EndsWith(Lower(program), ".desktop")) {
    if (GDesktopAppInfo* info = g_desktop_app_info_new_from_filename(program.c_str())) {
      std::string exe = g_app_info_get_executable(G_APP_INFO(info));
      g_object_unref(info);
      if (exe.find('/') == std::string::npos) exe = os::FindProgramInPath(exe);
      if (!exe.empty()) return Canonical(exe);
    }
  }
  return Canonical(program);
}

bool ProcessRunsProgram(int pid, const std::string& program) {
  const std::string wanted = Lower(program);
  const std::string proc = "/proc/" + std::to_string(pid);
  std::error_code ec;
  const auto exe = std::filesystem::read_symlink(proc + "/exe", ec);
  if (!ec && Lower(exe.string()) == wanted) return true;
  // A script runs under its interpreter: the script is one of the first arguments.
  std::ifstream in(proc + "/cmdline", std::ios::binary);
  const std::string cmdline((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  size_t start = 0;
  for (int arg = 0; arg < 3 && start < cmdline.size(); ++arg) {
    const size_t end = std::min(cmdline.find('\0', start), cmdline.size());
    const std::string a = cmdline.substr(start, end - start);
    if (!a.empty() && Lower(Canonical(a)) == wanted) return true;
    start = end + 1;
  }
  return false;
}

bool RaiseProgramWindow(const std::string& program) {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  xcb_connection_t* c = x11 ? x11->connection() : nullptr;
  if (!c) return false;
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
  const xcb_atom_t clientList = XcbAtom(c, "_NET_CLIENT_LIST");
  const xcb_atom_t pidAtom = XcbAtom(c, "_NET_WM_PID");
  const xcb_atom_t active = XcbAtom(c, "_NET_ACTIVE_WINDOW");
  const std::string target = ResolveProgramFile(program);
  const int self = static_cast<int>(QCoreApplication::applicationPid());
  for (uint32_t w : XcbCardinals(c, root, clientList, XCB_ATOM_WINDOW)) {
    const std::vector<uint32_t> pid = XcbCardinals(c, w, pidAtom, XCB_ATOM_CARDINAL);
    if (pid.empty() || static_cast<int>(pid[0]) == self) continue;
    if (!ProcessRunsProgram(static_cast<int>(pid[0]), target)) continue;
    // Mapping restores an iconified window; the active-window request (from a pager,
    // source 2, which window managers always honour) raises and focuses it.
    xcb_map_window(c, w);
    SendClientMessage(c, root, w, active, {2, XCB_CURRENT_TIME, 0});
    const uint32_t above = XCB_STACK_MODE_ABOVE;
    xcb_configure_window(c, w, XCB_CONFIG_WINDOW_STACK_MODE, &above);
    xcb_flush(c);
    return true;
  }
  return false;
}

}  // namespace mivaro
