#include "tests/support/xdesktop/x_desktop.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include <xcb/xtest.h>

#include "platform/desktop/xcb_util.h"

namespace mivaro::test {

using namespace std::chrono_literals;

pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env,
            int stdout_fd) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    for (const std::string& e : env) ::putenv(const_cast<char*>(e.c_str()));
    if (stdout_fd >= 0) ::dup2(stdout_fd, 1);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    ::execvp(args[0], args.data());
    ::_exit(127);
  }
  return pid;
}

int RunProgram(const std::vector<std::string>& argv, const std::vector<std::string>& env) {
  const pid_t pid = Spawn(argv, env);
  int status = 0;
  if (pid <= 0 || ::waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit,
             std::chrono::milliseconds every) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < end) {
    if (done()) return true;
    std::this_thread::sleep_for(every);
  }
  return done();
}

bool Exited(pid_t pid, std::chrono::milliseconds limit) {
  return WaitFor([pid] { return ::waitpid(pid, nullptr, WNOHANG) == pid; }, limit);
}

void Stop(pid_t pid, std::chrono::milliseconds grace) {
  if (pid <= 0) return;
  ::kill(pid, SIGTERM);
  if (Exited(pid, grace)) return;
  ::kill(pid, SIGKILL);
  ::waitpid(pid, nullptr, 0);
}

pid_t StartPlayer(const std::string& exe, const std::string& clip, const std::string& home,
                  const TMyRect& bounds, std::vector<std::string> env) {
  std::filesystem::create_directories(home);
  std::ofstream ini(std::filesystem::path(home) / "mivaro.ini", std::ios::binary);
  ini << "[Play]\r\nMute=1\r\n[Bounds]\r\nApp_Mivaro_Left=" << bounds.left
      << "\r\nApp_Mivaro_Top=" << bounds.top << "\r\nApp_Mivaro_Right=" << bounds.right
      << "\r\nApp_Mivaro_Bottom=" << bounds.bottom << "\r\n";
  ini.close();
  env.push_back("MIVARO_HOME=" + home);
  env.push_back("MIVARO_AUDIO_SINK=fakesink");
  return Spawn({exe, clip}, env);
}

bool TXDesktop::Start() {
  int fds[2];
  if (::pipe(fds) != 0) return false;
  xvfb_ = Spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-noreset", "-nolisten", "tcp",
                 "-screen", "0", "2880x900x24"});
  ::close(fds[1]);
  char buf[16] = {};
  const ssize_t got = ::read(fds[0], buf, sizeof buf - 1);
  ::close(fds[0]);
  if (got <= 0) return false;
  display_ = ":" + std::string(buf, std::strcspn(buf, "\n"));
  if (Xrandr({"--setmonitor", "MonA", "1600/423x900/238+0+0", "screen"}) != 0 ||
      Xrandr({"--setmonitor", "MonB", "1280/338x720/190+1600+0", "none"}) != 0)
    return false;
  c_ = xcb_connect(display_.c_str(), nullptr);
  if (xcb_connection_has_error(c_)) return false;
  root_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
  openbox_ = Spawn({"openbox"}, {DisplayEnv()});
  // Ready once it has named itself on the root window.
  const xcb_atom_t check = Atom("_NET_SUPPORTING_WM_CHECK");
  return WaitFor([&] { return !XcbCardinals(c_, root_, check, XCB_ATOM_WINDOW).empty(); }, 10s);
}

void TXDesktop::Shut() {
  if (c_) xcb_disconnect(c_);
  c_ = nullptr;
  for (pid_t* p : {&openbox_, &xvfb_}) {
    Stop(*p);
    *p = 0;
  }
}

int TXDesktop::Xdotool(const std::vector<std::string>& args) const {
  std::vector<std::string> argv{"xdotool"};
  argv.insert(argv.end(), args.begin(), args.end());
  return RunProgram(argv, {DisplayEnv()});
}

int TXDesktop::Xrandr(const std::vector<std::string>& args) const {
  std::vector<std::string> argv{"xrandr"};
  argv.insert(argv.end(), args.begin(), args.end());
  return RunProgram(argv, {DisplayEnv()});
}

namespace {
// A round trip: everything sent before has been handled by the server.
void Sync(xcb_connection_t* c) { free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr)); }
}  // namespace

void TXDesktop::PointerTo(int x, int y) const {
  xcb_test_fake_input(c_, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, root_, static_cast<std::int16_t>(x),
                      static_cast<std::int16_t>(y), 0);
  Sync(c_);
}

void TXDesktop::Button(int button, bool down) const {
  xcb_test_fake_input(c_, down ? XCB_BUTTON_PRESS : XCB_BUTTON_RELEASE,
                      static_cast<std::uint8_t>(button), XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
  Sync(c_);
}

void TXDesktop::Click(int button) const {
  Button(button, true);
  Button(button, false);
}

std::uint32_t TXDesktop::Atom(const char* name) const { return XcbAtom(c_, name); }

std::vector<xcb_window_t> TXDesktop::Clients() const {
  std::vector<xcb_window_t> out;
  for (std::uint32_t w : XcbCardinals(c_, root_, Atom("_NET_CLIENT_LIST_STACKING"), XCB_ATOM_WINDOW))
    out.push_back(w);
  return out;
}

xcb_window_t TXDesktop::ClientOf(pid_t pid) const {
  xcb_window_t best = 0;
  long best_area = 0;
  for (xcb_window_t w : Clients()) {
    const auto p = XcbCardinals(c_, w, Atom("_NET_WM_PID"), XCB_ATOM_CARDINAL);
    if (p.empty() || static_cast<pid_t>(p[0]) != pid) continue;
    xcb_get_window_attributes_reply_t* a =
        xcb_get_window_attributes_reply(c_, xcb_get_window_attributes(c_, w), nullptr);
    const bool mapped = a && a->map_state == XCB_MAP_STATE_VIEWABLE;
    free(a);
    const TMyRect b = Bounds(w);
    const long area = static_cast<long>(RectWidth(b)) * RectHeight(b);
    if (mapped && area > best_area) {
      best = w;
      best_area = area;
    }
  }
  return best;
}

xcb_window_t TXDesktop::WaitForTitle(pid_t pid, const std::string& text,
                                     std::chrono::milliseconds limit) const {
  xcb_window_t w = 0;
  const bool up = WaitFor([&] {
    w = ClientOf(pid);
    return w && Title(w).find(text) != std::string::npos;
  }, limit);
  return up ? w : 0;
}

TMyRect TXDesktop::Bounds(xcb_window_t w) const {
  xcb_get_geometry_reply_t* g = xcb_get_geometry_reply(c_, xcb_get_geometry(c_, w), nullptr);
  xcb_translate_coordinates_reply_t* t =
      xcb_translate_coordinates_reply(c_, xcb_translate_coordinates(c_, w, root_, 0, 0), nullptr);
  TMyRect r;
  if (g && t) r = {t->dst_x, t->dst_y, t->dst_x + g->width, t->dst_y + g->height};
  free(g);
  free(t);
  return r;
}

TMyRect TXDesktop::FrameBounds(xcb_window_t w) const {
  TMyRect r = Bounds(w);
  const auto e = XcbCardinals(c_, w, Atom("_NET_FRAME_EXTENTS"), XCB_ATOM_CARDINAL);
  if (e.size() == 4) {
    r.left -= static_cast<int>(e[0]);
    r.right += static_cast<int>(e[1]);
    r.top -= static_cast<int>(e[2]);
    r.bottom += static_cast<int>(e[3]);
  }
  return r;
}

bool TXDesktop::HasState(xcb_window_t w, const char* state) const {
  const xcb_atom_t wanted = Atom(state);
  for (std::uint32_t s : XcbCardinals(c_, w, Atom("_NET_WM_STATE"), XCB_ATOM_ATOM))
    if (s == wanted) return true;
  return false;
}

std::vector<TXDesktop::Child> TXDesktop::Children(xcb_window_t w) const {
  std::vector<Child> out;
  xcb_query_tree_reply_t* tree = xcb_query_tree_reply(c_, xcb_query_tree(c_, w), nullptr);
  if (!tree) return out;
  const xcb_window_t* kids = xcb_query_tree_children(tree);
  const std::vector<xcb_window_t> children(kids, kids + xcb_query_tree_children_length(tree));
  free(tree);
  for (xcb_window_t k : children) {
    xcb_get_window_attributes_reply_t* a =
        xcb_get_window_attributes_reply(c_, xcb_get_window_attributes(c_, k), nullptr);
    if (a && a->map_state == XCB_MAP_STATE_VIEWABLE) out.push_back({k, Bounds(k)});
    free(a);
  }
  return out;
}

TMyRect TXDesktop::LargestChild(xcb_window_t w) const {
  TMyRect best;
  for (const Child& c : Children(w))
    if (static_cast<long>(RectWidth(c.bounds)) * RectHeight(c.bounds) >
        static_cast<long>(RectWidth(best)) * RectHeight(best))
      best = c.bounds;
  return best;
}

std::string TXDesktop::Title(xcb_window_t w) const { return XcbText(c_, w, Atom("_NET_WM_NAME")); }

std::uint32_t TXDesktop::Pixel(int x, int y) const {
  xcb_get_image_reply_t* img = xcb_get_image_reply(
      c_, xcb_get_image(c_, XCB_IMAGE_FORMAT_Z_PIXMAP, root_, static_cast<std::int16_t>(x),
                        static_cast<std::int16_t>(y), 1, 1, ~0u),
      nullptr);
  std::uint32_t v = 0;
  if (img && xcb_get_image_data_length(img) >= 4) {
    const std::uint8_t* b = xcb_get_image_data(img);
    v = std::uint32_t{b[2]} << 16 | std::uint32_t{b[1]} << 8 | b[0];
  }
  free(img);
  return v;
}

}  // namespace mivaro::test
