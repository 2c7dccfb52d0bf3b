// How the main window sizes itself around the video and the video inside itself, without a
// GUI toolkit: fixed zoom, zoom steps (the window, or with Ctrl the video inside the window),
// the aspect presets, the enlarged full-screen picture that covers the screen, the snap back
// after the video was dragged, the size label, the double-click between the screen modes,
// the right-button gestures and which full-screen panel a click calls up.
//
// Sizes are in pixels. The "video area" is the client area between the top and the bottom
// panel; the window code measures it and applies what these functions return.
#pragma once

#include <functional>
#include <optional>
#include <vector>

#include "core/numbers.h"
#include "core/ustring.h"

namespace mivaro {

struct TMySize {
  int width = 0;
  int height = 0;
  friend bool operator==(const TMySize&, const TMySize&) = default;
};

// ---- Fixed zoom and aspect presets -------------------------------------------------------

// The video area for a fixed zoom of 50, 100 or 200 percent of the video's size (halves
// truncated).
TMySize FixedZoomArea(int video_width, int video_height, int percent);

enum class TMyAspectPreset { Standard, HiVision, EVista, AVista, WideScope };

// Height per width of a preset: 0.75 (4:3), 0.5625 (16:9), 0.6 (5:3), 1/1.85, 1/2.35.
double AspectHeightFactor(TMyAspectPreset preset);
// The video-area height for `client_width` and a height factor, truncated; 0 when the
// result is 0 or less (the command then does nothing). The width never changes.
int AspectFitHeight(int client_width, double factor);

// ---- Zoom steps ----------------------------------------------------------------------------

// One zoom step for a width: 1 with Shift, else a tenth of the width, at least 2 and at most
// a tenth of the primary monitor's work-area width.
int ZoomStepSize(int width, bool shift, int primary_work_width);

// The height of the picture for a width; empty when there is no video.
using TMyHeightForWidth = std::function<int(int width)>;

// The window size after one zoom step of the window (`delta` +1 or -1, `step` from
// ZoomStepSize of the video-area width). `window` is the window's size and `area` its video
// area; with video the new height follows `height_for_width`, without it the area's own
// proportion. Not clamped: see ClampWindowSize.
TMySize WindowZoomSize(TMySize window, TMySize area, int delta, int step,
                       const TMyHeightForWidth& height_for_width);

// `size` limited to the minimum (each side 0: none) and then the maximum (0: none).
TMySize ClampWindowSize(TMySize size, TMySize minimum, TMySize maximum);

// The player's bounds after one zoom step of the video inside the window (Ctrl), in the
// coordinates of the video area. The zoom stops (nullopt) once the video would be more than
// five times, or less than a fifth of, the area in either direction. With `cursor`
// (relative to the player's top-left) the point under the cursor stays where it is.
std::optional<TMyRect> InnerZoomRect(const TMyRect& player, TMySize area, int delta, int step,
                                     const TMyHeightForWidth& height_for_width,
                                     std::optional<TMyPoint> cursor);

// After the video was dragged inside the window (Ctrl): a player narrower than the area is
// pulled back inside where it crossed an edge; one at least as wide is pulled out until no
// gap remains on any side. The size never changes.
TMyRect SnapBackRect(const TMyRect& player, const TMyRect& area);

// ---- Full screen ---------------------------------------------------------------------------

// The enlarged full-screen picture: the video scaled to cover the whole client area, centred,
// the overflow cut off. A video size of 0 gives an empty rectangle at the centre.
TMyRect CoverRect(TMySize client, int video_width, int video_height);

// The screen modes, of which at most one is on.
enum class TMyScreenMode { Normal, Wallvideo, FullScreen, MaxScreen };

// What a double-click on the video does: leaves full screen (either mode) or wallpaper
// video, else enters full screen (Shift) or the enlarged mode.
struct TMyDoubleClick {
  TMyScreenMode mode = TMyScreenMode::Normal;  // the mode afterwards
  bool wallpaper_command = false;  // the wallpaper command runs (no screen-mode command)
};
TMyDoubleClick DoubleClickStep(TMyScreenMode now, bool shift);

// Which panel a left click on the full-screen video calls up, by its height in the client.
enum class TMyPanelCall { Top, Bottom, None };
TMyPanelCall PanelAtClick(int y, int client_height, int top_height, int bottom_height);

// One animated panel change: which panel, shown or hidden, sliding downward (the top edge
// leads) or upward. The changes run in order.
struct TMyPanelSlide {
  bool top_panel = true;
  bool show = true;
  bool downward = true;
  friend bool operator==(const TMyPanelSlide&, const TMyPanelSlide&) = default;
};
// The changes that bring the panels from their visibility now to the wanted one (both
// shown only when leaving full screen).
std::vector<TMyPanelSlide> PanelSlides(bool top_visible, bool bottom_visible, bool want_top,
                                       bool want_bottom);

// ---- Mouse gestures and the size label -----------------------------------------------------

enum class TMyGesture { Menu, PlayPause, Replay, Back, Next };
// A right-button drag from `start` to `end` (screen): up pauses or plays, down replays, left
// and right go to the previous and next entry; a movement within three times the drag
// threshold shows the menu.
TMyGesture GestureOf(TMyPoint start, TMyPoint end, int drag_x, int drag_y);

// "1920x1080 29.97fps [960x540 1.78:1]" with video (the ratio "-" for a player of height 0),
// empty without.
WString SizeLabelText(bool has_video, int video_width, int video_height,
                      WStringView frame_rate, int player_width, int player_height);

}  // namespace mivaro
