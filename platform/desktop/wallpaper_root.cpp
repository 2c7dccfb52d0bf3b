#include "platform/desktop/wallpaper_root.h"

#include <cstdlib>
#include <cstring>

#include "core/ustring.h"
#include "platform/desktop/xcb_util.h"
#include "player/wall_video_picture.h"

namespace mivaro {

namespace {

// The mark of a root picture set by this program: "<pixmap id> <file>".
constexpr const char* kMarkName = "_MIVARO_WALLPAPER";

bool ParseMark(const std::string& mark, std::uint32_t& pixmap, std::string& file) {
  const std::size_t space = mark.find(' ');
  if (space == std::string::npos) return false;
  try {
    pixmap = static_cast<std::uint32_t>(std::stoul(mark.substr(0, space)));
  } catch (...) {
    return false;
  }
  file = mark.substr(space + 1);
  return true;
}

int BitsPerPixel(const xcb_setup_t* setup, int depth) {
  for (auto it = xcb_setup_pixmap_formats_iterator(setup); it.rem; xcb_format_next(&it))
    if (it.data->depth == depth) return it.data->bits_per_pixel;
  return 0;
}

bool PixmapSize(xcb_connection_t* c, xcb_pixmap_t p, int& w, int& h, int& depth) {
  xcb_get_geometry_reply_t* g = xcb_get_geometry_reply(c, xcb_get_geometry(c, p), nullptr);
  if (!g) return false;
  w = g->width;
  h = g->height;
  depth = g->depth;
  free(g);
  return true;
}

}  // namespace

TMyRootWindowWallpaper::TMyRootWindowWallpaper(std::string snapshotFile,
                                               std::function<TMyScreen()> screens,
                                               const char* display)
    : snapshotFile_(std::move(snapshotFile)), screens_(std::move(screens)),
      display_(display ? display : "") {
  int screen_number = 0;
  conn_ = xcb_connect(display, &screen_number);
  if (xcb_connection_has_error(conn_)) {
    xcb_disconnect(conn_);
    conn_ = nullptr;
    return;
  }
  auto it = xcb_setup_roots_iterator(xcb_get_setup(conn_));
  for (int i = 0; i < screen_number && it.rem; ++i) xcb_screen_next(&it);
  screen_ = it.data;
}

TMyRootWindowWallpaper::~TMyRootWindowWallpaper() {
  if (conn_) xcb_disconnect(conn_);
}

xcb_pixmap_t TMyRootWindowWallpaper::RootPixmap() {
  const auto ids = XcbCardinals(conn_, screen_->root, XcbAtom(conn_, "_XROOTPMAP_ID"), XCB_ATOM_PIXMAP);
  return ids.empty() ? XCB_NONE : ids[0];
}

WString TMyRootWindowWallpaper::Wallpaper() {
  if (!conn_) return {};
  const xcb_pixmap_t current = RootPixmap();
  if (current == XCB_NONE) return {};
  std::uint32_t marked = 0;
  std::string file;
  if (ParseMark(XcbText(conn_, screen_->root, XcbAtom(conn_, kMarkName)), marked, file) &&
      marked == current)
    return U16(file);

  // Somebody else's picture: its pixels stand for it.
  int w = 0, h = 0, depth = 0;
  if (!PixmapSize(conn_, current, w, h, depth)) return {};
  const xcb_setup_t* setup = xcb_get_setup(conn_);
  if (BitsPerPixel(setup, depth) != 32 || depth < 24) return {};
  xcb_get_image_reply_t* img = xcb_get_image_reply(
      conn_,
      xcb_get_image(conn_, XCB_IMAGE_FORMAT_Z_PIXMAP, current, 0, 0, static_cast<uint16_t>(w),
                    static_cast<uint16_t>(h), ~0u),
      nullptr);
  if (!img) return {};
  const std::uint8_t* data = xcb_get_image_data(img);
  const bool lsb = setup->image_byte_order == XCB_IMAGE_ORDER_LSB_FIRST;
  TMyBitmap bitmap;
  bitmap.Resize(w, h);
  if (xcb_get_image_data_length(img) >= w * h * 4) {
    for (int y = 0; y < h; ++y) {
      std::uint8_t* out = bitmap.Row(y);
      const std::uint8_t* in = data + static_cast<std::size_t>(y) * w * 4;
      for (int x = 0; x < w; ++x, in += 4, out += 3) {
        out[0] = lsb ? in[2] : in[1];
        out[1] = lsb ? in[1] : in[2];
        out[2] = lsb ? in[0] : in[3];
      }
    }
  }
  free(img);
  if (!capture::SaveBitmapAsBmp(bitmap, snapshotFile_)) return {};
  return U16(snapshotFile_);
}

std::optional<WString> TMyRootWindowWallpaper::ReadValue(WStringView name) {
  const auto it = values_.find(WString(name));
  if (it != values_.end()) return it->second;
  if (name == u"TileWallpaper") return WString(u"1");
  if (name == u"WallpaperStyle") return WString(u"0");
  if (name == u"WallpaperOriginX" && screens_) {
    const int at_origin = screens_().MonitorIndexAt({0, 0});
    return U16(std::to_string(at_origin < 0 ? 0 : at_origin));
  }
  return std::nullopt;
}

void TMyRootWindowWallpaper::WriteValue(WStringView name, const WString& value) {
  values_[WString(name)] = value;
}

void TMyRootWindowWallpaper::PointRootAt(xcb_connection_t* c, xcb_pixmap_t pixmap,
                                         const std::string& mark) {
  const xcb_window_t root = screen_->root;
  for (const char* name : {"_XROOTPMAP_ID", "ESETROOT_PMAP_ID"}) {
    const xcb_atom_t atom = XcbAtom(c, name);
    if (pixmap == XCB_NONE) {
      xcb_delete_property(c, root, atom);
    } else {
      xcb_change_property(c, XCB_PROP_MODE_REPLACE, root, atom, XCB_ATOM_PIXMAP, 32, 1, &pixmap);
    }
  }
  const xcb_atom_t markAtom = XcbAtom(c, kMarkName);
  if (mark.empty()) {
    xcb_delete_property(c, root, markAtom);
  } else {
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, root, markAtom, XCB_ATOM_STRING, 8,
                        static_cast<uint32_t>(mark.size()), mark.data());
  }
  const uint32_t back = pixmap == XCB_NONE ? screen_->black_pixel : pixmap;
  xcb_change_window_attributes(c, root,
                               pixmap == XCB_NONE ? XCB_CW_BACK_PIXEL : XCB_CW_BACK_PIXMAP, &back);
  xcb_clear_area(c, 0, root, 0, 0, 0, 0);
}

// The pixmap of a picture set earlier by this program, which nobody else uses: its client
// (kept after it closed) is killed so that the server frees it.
void TMyRootWindowWallpaper::FreeOwnPixmap() {
  std::uint32_t marked = 0;
  std::string file;
  if (ParseMark(XcbText(conn_, screen_->root, XcbAtom(conn_, kMarkName)), marked, file) &&
      marked != XCB_NONE)
    xcb_kill_client(conn_, marked);
}

bool TMyRootWindowWallpaper::SetWallpaper(const WString& path) {
  if (!conn_) return false;
  if (path.empty()) {
    FreeOwnPixmap();
    PointRootAt(conn_, XCB_NONE, {});
    xcb_flush(conn_);
    return true;
  }
  const int rw = screen_->width_in_pixels;
  const int rh = screen_->height_in_pixels;
  // The picture drawn over the whole root window by the style values written before.
  TMyBitmap picture;
  ComposeDesktopPictureOf(picture, path, TMyScreen(std::vector<TMyMonitor>{{{0, 0, rw, rh}, {0, 0, rw, rh}}}), *this,
                          BackgroundColor());
  if (picture.Empty() || LoadWallpaperImage(path).Empty()) return false;

  // The pixmap lives on its own connection, kept by the server after it closes, so that
  // the picture stays when this program ends (the setroot convention).
  xcb_connection_t* c = xcb_connect(display_.empty() ? nullptr : display_.c_str(), nullptr);
  if (xcb_connection_has_error(c)) {
    xcb_disconnect(c);
    return false;
  }
  const xcb_setup_t* setup = xcb_get_setup(c);
  const int depth = screen_->root_depth;
  if (BitsPerPixel(setup, depth) != 32) {
    xcb_disconnect(c);
    return false;
  }
  const xcb_pixmap_t pixmap = xcb_generate_id(c);
  xcb_create_pixmap(c, static_cast<uint8_t>(depth), pixmap, screen_->root,
                    static_cast<uint16_t>(rw), static_cast<uint16_t>(rh));
  const xcb_gcontext_t gc = xcb_generate_id(c);
  xcb_create_gc(c, gc, pixmap, 0, nullptr);
  const bool lsb = setup->image_byte_order == XCB_IMAGE_ORDER_LSB_FIRST;
  const std::size_t max_bytes = static_cast<std::size_t>(xcb_get_maximum_request_length(c)) * 4 - 64;
  const int strip = std::max(1, static_cast<int>(max_bytes / (static_cast<std::size_t>(rw) * 4)));
  std::vector<std::uint8_t> rows;
  for (int y0 = 0; y0 < rh; y0 += strip) {
    const int n = std::min(strip, rh - y0);
    rows.assign(static_cast<std::size_t>(rw) * n * 4, 0);
    for (int y = 0; y < n; ++y) {
      const std::uint8_t* in = picture.Row(y0 + y);
      std::uint8_t* out = rows.data() + static_cast<std::size_t>(y) * rw * 4;
      for (int x = 0; x < rw; ++x, in += 3, out += 4) {
        if (lsb) {
          out[0] = in[2], out[1] = in[1], out[2] = in[0];
        } else {
          out[1] = in[0], out[2] = in[1], out[3] = in[2];
        }
      }
    }
    xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, gc, static_cast<uint16_t>(rw),
                  static_cast<uint16_t>(n), 0, static_cast<int16_t>(y0), 0,
                  static_cast<uint8_t>(depth), static_cast<uint32_t>(rows.size()), rows.data());
  }
  xcb_free_gc(c, gc);
  FreeOwnPixmap();
  xcb_flush(conn_);
  PointRootAt(c, pixmap, std::to_string(pixmap) + " " + Utf8(path));
  xcb_set_close_down_mode(c, XCB_CLOSE_DOWN_RETAIN_PERMANENT);
  // A round trip, so that everything has arrived before the connection closes.
  free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
  xcb_disconnect(c);
  return true;
}

std::string TMyRootWindowWallpaper::NativeState() {
  if (!conn_) return {};
  const xcb_pixmap_t current = RootPixmap();
  return current == XCB_NONE ? std::string() : std::to_string(current);
}

void TMyRootWindowWallpaper::RestoreNativeState(const std::string& state) {
  if (!conn_ || state.empty()) return;
  xcb_pixmap_t pixmap = XCB_NONE;
  try {
    pixmap = static_cast<xcb_pixmap_t>(std::stoul(state));
  } catch (...) {
    return;
  }
  int w = 0, h = 0, depth = 0;
  if (!PixmapSize(conn_, pixmap, w, h, depth) || depth != screen_->root_depth) return;
  // The user's own pixmap still exists: the root shows it again, and the copy set from its
  // snapshot goes.
  FreeOwnPixmap();
  xcb_flush(conn_);
  PointRootAt(conn_, pixmap, {});
  xcb_flush(conn_);
}

}  // namespace mivaro
