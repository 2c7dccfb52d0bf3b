#include "player/video_sizing.h"

#include <algorithm>
#include <cstdio>

namespace mivaro {

TMySize FixedZoomArea(int video_width, int video_height, int percent) {
  if (percent == 50) return {video_width / 2, video_height / 2};
  if (percent == 200) return {video_width * 2, video_height * 2};
  return {video_width, video_height};
}

double AspectHeightFactor(TMyAspectPreset preset) {
  switch (preset) {
    case TMyAspectPreset::Standard: return 0.75;
    case TMyAspectPreset::HiVision: return 0.5625;
    case TMyAspectPreset::EVista: return 0.6;
    case TMyAspectPreset::AVista: return 1 / 1.85;
    case TMyAspectPreset::WideScope: return 1 / 2.35;
  }
  return 0;
}

int AspectFitHeight(int client_width, double factor) {
  const double h = client_width * factor;
  // Also refuses NaN and sizes beyond int, which a broken video size could give.
  if (!(h >= 1) || h > 1e9) return 0;
  return static_cast<int>(h);
}

int ZoomStepSize(int width, bool shift, int primary_work_width) {
  if (shift) return 1;
  return std::clamp(width / 10, 2, std::max(2, primary_work_width / 10));
}

TMySize WindowZoomSize(TMySize window, TMySize area, int delta, int step,
                       const TMyHeightForWidth& height_for_width) {
  const int w = area.width + delta * step;
  int h = 0;
  if (height_for_width) {
    h = height_for_width(w);
  } else if (area.width > 0) {
    h = static_cast<int>(static_cast<double>(area.height) / area.width * w);
  }
  return {w + (window.width - area.width), h + (window.height - area.height)};
}

TMySize ClampWindowSize(TMySize size, TMySize minimum, TMySize maximum) {
  if (minimum.width > 0) size.width = std::max(size.width, minimum.width);
  if (minimum.height > 0) size.height = std::max(size.height, minimum.height);
  if (maximum.width > 0) size.width = std::min(size.width, maximum.width);
  if (maximum.height > 0) size.height = std::min(size.height, maximum.height);
  return size;
}

std::optional<TMyRect> InnerZoomRect(const TMyRect& player, TMySize area, int delta, int step,
                                     const TMyHeightForWidth& height_for_width,
                                     std::optional<TMyPoint> cursor) {
  const int pw = RectWidth(player);
  const int ph = RectHeight(player);
  if (pw <= 0 || ph <= 0 || !height_for_width) return std::nullopt;
  const int w = pw + delta * step;
  const int h = height_for_width(w);
  if (w > 5 * area.width || h > 5 * area.height || w < area.width / 5 || h < area.height / 5)
    return std::nullopt;
  if (w <= 0 || h <= 0) return std::nullopt;
  int left = player.left;
  int top = player.top;
  if (cursor) {
    left += cursor->x - static_cast<int>(RoundHalfAway(static_cast<double>(w) / pw * cursor->x));
    top += cursor->y - static_cast<int>(RoundHalfAway(static_cast<double>(h) / ph * cursor->y));
  }
  return TMyRect{left, top, left + w, top + h};
}

TMyRect SnapBackRect(const TMyRect& player, const TMyRect& area) {
  const int w = RectWidth(player);
  const int h = RectHeight(player);
  int left = player.left;
  int top = player.top;
  if (w < RectWidth(area)) {
    // Inside: whichever edge crossed the area's edge is pulled back to it.
    if (player.right >= area.right) left = area.right - w;
    if (player.bottom >= area.bottom) top = area.bottom - h;
    if (player.left <= area.left) left = area.left;
    if (player.top <= area.top) top = area.top;
  } else {
    // Larger than the area: an edge that left a gap is pushed out to the area's edge.
    if (player.right <= area.right) left = area.right - w;
    if (player.bottom <= area.bottom) top = area.bottom - h;
    if (player.left >= area.left) left = area.left;
    if (player.top >= area.top) top = area.top;
  }
  return {left, top, left + w, top + h};
}

TMyRect CoverRect(TMySize client, int video_width, int video_height) {
  const int cw = client.width;
  const int ch = client.height;
  if (video_width <= 0 || video_height <= 0) return {cw / 2, ch / 2, cw / 2, ch / 2};
  int width = cw;
  int height = static_cast<int>(
      RoundHalfAway(static_cast<double>(video_height) / video_width * cw));
  if (height < ch) {
    height = ch;
    width = static_cast<int>(RoundHalfAway(static_cast<double>(video_width) / video_height * ch));
  }
  const int left = (cw - width) / 2;
  const int top = (ch - height) / 2;
  return {left, top, left + width, top + height};
}

TMyDoubleClick DoubleClickStep(TMyScreenMode now, bool shift) {
  switch (now) {
    case TMyScreenMode::FullScreen:
    case TMyScreenMode::MaxScreen:
      return {TMyScreenMode::Normal, false};
    case TMyScreenMode::Wallvideo:
      return {TMyScreenMode::Normal, true};
    case TMyScreenMode::Normal:
      break;
  }
  return {shift ? TMyScreenMode::FullScreen : TMyScreenMode::MaxScreen, false};
}

TMyPanelCall PanelAtClick(int y, int client_height, int top_height, int bottom_height) {
  if (y < top_height) return TMyPanelCall::Top;
  if (y >= client_height - bottom_height) return TMyPanelCall::Bottom;
  return TMyPanelCall::None;
}

std::vector<TMyPanelSlide> PanelSlides(bool top_visible, bool bottom_visible, bool want_top,
                                       bool want_bottom) {
  std::vector<TMyPanelSlide> slides;
  const auto add = [&slides](bool top, bool show, bool downward) {
    slides.push_back({top, show, downward});
  };
  if (want_top && want_bottom) {
    if (!bottom_visible) add(false, true, true);
    if (!top_visible) add(true, true, false);
  } else if (want_top) {
    if (bottom_visible) add(false, false, true);
    if (!top_visible) add(true, true, true);
  } else if (want_bottom) {
    if (top_visible) add(true, false, false);
    if (!bottom_visible) add(false, true, false);
  } else {
    if (top_visible) add(true, false, false);
    if (bottom_visible) add(false, false, true);
  }
  return slides;
}

TMyGesture GestureOf(TMyPoint start, TMyPoint end, int drag_x, int drag_y) {
  const WString d = DirectionText(start, end, drag_x, drag_y);
  if (d == u"上") return TMyGesture::PlayPause;
  if (d == u"下") return TMyGesture::Replay;
  if (d == u"左") return TMyGesture::Back;
  if (d == u"右") return TMyGesture::Next;
  return TMyGesture::Menu;
}

WString SizeLabelText(bool has_video, int video_width, int video_height,
                      WStringView frame_rate, int player_width, int player_height) {
  if (!has_video) return {};
  char ratio[32] = "-";
  if (player_height > 0)
    std::snprintf(ratio, sizeof ratio, "%.2f",
                  static_cast<double>(player_width) / player_height);
  char text[160];
  std::snprintf(text, sizeof text, "%dx%d %sfps [%dx%d %s:1]", video_width, video_height,
                Utf8(frame_rate).c_str(), player_width, player_height, ratio);
  return U16(text);
}

}  // namespace mivaro
