#include "platform/desktop/wall_video_host.h"

#include <xcb/xcb.h>

#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QThread>
#include <algorithm>
#include <cstdlib>

#include "platform/desktop/xcb_util.h"

namespace mivaro {

namespace {

xcb_connection_t* Connection() {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  return x11 ? x11->connection() : nullptr;
}

xcb_window_t RootOf(xcb_connection_t* c, xcb_window_t w, xcb_window_t* parent) {
  xcb_query_tree_reply_t* t = xcb_query_tree_reply(c, xcb_query_tree(c, w), nullptr);
  if (!t) return XCB_NONE;
  const xcb_window_t root = t->root;
  if (parent) *parent = t->parent;
  free(t);
  return root;
}

// Unmaps a top-level window and waits (at most half a second) until a window manager that
// framed it has given it back to the root, so that the next map is a fresh one.
void Withdraw(xcb_connection_t* c, xcb_window_t w, xcb_window_t root) {
  xcb_unmap_window(c, w);
  // The synthetic notification that withdraws a managed window.
  xcb_unmap_notify_event_t event{};
  event.response_type = XCB_UNMAP_NOTIFY;
  event.event = root;
  event.window = w;
  xcb_send_event(c, 0, root,
                 XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                 reinterpret_cast<const char*>(&event));
  xcb_flush(c);
  QDeadlineTimer deadline(500);
  while (!deadline.hasExpired()) {
    xcb_window_t parent = XCB_NONE;
    if (RootOf(c, w, &parent) == XCB_NONE || parent == root) break;
    QThread::msleep(5);
  }
}

void SetAtoms(xcb_connection_t* c, xcb_window_t w, const char* property,
              std::initializer_list<const char*> names) {
  std::vector<xcb_atom_t> atoms;
  for (const char* n : names) atoms.push_back(XcbAtom(c, n));
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XcbAtom(c, property), XCB_ATOM_ATOM, 32,
                      static_cast<uint32_t>(atoms.size()), atoms.data());
}

// WM_NORMAL_HINTS with a user-given position and size, so the window manager keeps both.
void SetPositionHints(xcb_connection_t* c, xcb_window_t w, const TMyRect& r) {
  std::uint32_t hints[18] = {};
  hints[0] = 1 | 2 | 4 | 8;  // USPosition, USSize, PPosition, PSize
  hints[1] = static_cast<std::uint32_t>(r.left);
  hints[2] = static_cast<std::uint32_t>(r.top);
  hints[3] = static_cast<std::uint32_t>(RectWidth(r));
  hints[4] = static_cast<std::uint32_t>(RectHeight(r));
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_NORMAL_HINTS,
                      XCB_ATOM_WM_SIZE_HINTS, 32, 18, hints);
}

void Configure(xcb_connection_t* c, xcb_window_t w, const TMyRect& r, bool lowest) {
  const std::uint32_t values[] = {static_cast<std::uint32_t>(r.left), static_cast<std::uint32_t>(r.top),
                                  static_cast<std::uint32_t>(std::max(1, RectWidth(r))),
                                  static_cast<std::uint32_t>(std::max(1, RectHeight(r))),
                                  XCB_STACK_MODE_BELOW};
  std::uint16_t mask = XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH |
                       XCB_CONFIG_WINDOW_HEIGHT;
  if (lowest) mask |= XCB_CONFIG_WINDOW_STACK_MODE;
  xcb_configure_window(c, w, mask, values);
}

}  // namespace

TMyDesktopHost::~TMyDesktopHost() { Release(); }

bool TMyDesktopHost::Place(std::uint64_t window, const TMyRect& monitor) {
  xcb_connection_t* c = Connection();
  if (!c || window == 0) return false;
  const auto w = static_cast<xcb_window_t>(window);
  if (window_ == window) {
    // Already a desktop window: only to another monitor.
    SetPositionHints(c, w, monitor);
    Configure(c, w, monitor, true);
    xcb_flush(c);
    return true;
  }
  Release();
  xcb_window_t parent = XCB_NONE;
  const xcb_window_t root = RootOf(c, w, &parent);
  if (root == XCB_NONE) return false;
  xcb_get_geometry_reply_t* g = xcb_get_geometry_reply(c, xcb_get_geometry(c, w), nullptr);
  xcb_get_window_attributes_reply_t* a =
      xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, w), nullptr);
  if (!g || !a) {
    free(g);
    free(a);
    return false;
  }
  former_ = {g->x, g->y, g->x + g->width, g->y + g->height};
  formerOverride_ = a->override_redirect != 0;
  formerMapped_ = a->map_state != XCB_MAP_STATE_UNMAPPED;
  free(g);
  free(a);

  Withdraw(c, w, root);
  const std::uint32_t managed = 0;
  xcb_change_window_attributes(c, w, XCB_CW_OVERRIDE_REDIRECT, &managed);
  SetAtoms(c, w, "_NET_WM_WINDOW_TYPE", {"_NET_WM_WINDOW_TYPE_DESKTOP"});
  SetAtoms(c, w, "_NET_WM_STATE",
           {"_NET_WM_STATE_BELOW", "_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER"});
  // WM_HINTS: input false, normal state.
  const std::uint32_t wmHints[9] = {1 | 2, 0, 1, 0, 0, 0, 0, 0, 0};
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS, 32, 9,
                      wmHints);
  SetPositionHints(c, w, monitor);
  Configure(c, w, monitor, true);
  xcb_map_window(c, w);
  // Where the window manager put it, it goes again (some place desktop windows at 0, 0).
  Configure(c, w, monitor, true);
  xcb_flush(c);
  window_ = window;
  return true;
}

void TMyDesktopHost::Release() {
  if (window_ == 0) return;
  const auto w = static_cast<xcb_window_t>(window_);
  window_ = 0;
  xcb_connection_t* c = Connection();
  if (!c) return;
  const xcb_window_t root = RootOf(c, w, nullptr);
  if (root == XCB_NONE) return;  // the sub player has gone with its window
  Withdraw(c, w, root);
  xcb_delete_property(c, w, XcbAtom(c, "_NET_WM_STATE"));
  SetAtoms(c, w, "_NET_WM_WINDOW_TYPE", {"_NET_WM_WINDOW_TYPE_UTILITY"});
  const std::uint32_t override = formerOverride_ ? 1 : 0;
  xcb_change_window_attributes(c, w, XCB_CW_OVERRIDE_REDIRECT, &override);
  SetPositionHints(c, w, former_);
  Configure(c, w, former_, true);
  if (formerMapped_) xcb_map_window(c, w);
  xcb_flush(c);
}

}  // namespace mivaro
