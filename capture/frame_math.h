// Frame arithmetic of the capture tool: where a strip of thumbnails starts, where to seek
// so that the first frame delivered is the one wanted, and when the strip would run past
// the end. Pure functions of the tool's state; times are seconds.
#pragma once

namespace mivaro::capture {

// What the arithmetic needs to know about the open video and the strip.
struct FrameClock {
  double duration = 0.0;       // length of the media
  double frameDuration = 0.0;  // seconds per frame (FD)
  double frameTime = 0.0;      // media time of the last frame seen
  int thumbs = 5;              // N, panels in the strip
};

// Seek positions are kept inside 0 .. duration - FD, so a seek always lands on a frame.
double ClampSeek(const FrameClock& c, double t);

// Where to seek to show the frame n frames away from the current one (n may be negative):
// half a frame past the wanted frame's start, so that rounding of the decoder's time
// stamps never picks a neighbour.
double StepTarget(const FrameClock& c, int n);

// A capture placed n frames from time t: frames before `captureStart` are skipped, and the
// seek goes a little before the first wanted frame so that frame is the first one kept.
struct Placement {
  double captureStart = 0.0;
  double seekTo = 0.0;
};
Placement PlaceCapture(const FrameClock& c, int n, double t);

// True when a strip of N frames starting at the current frame would pass the end.
bool NearEnd(const FrameClock& c);

// The capture stops early once a frame later than this arrives.
double CaptureEndTime(const FrameClock& c);

// Interval of the capture timer in milliseconds: one frame, truncated, at most 30, and 30
// when the frame is shorter than a millisecond.
int CaptureTimerInterval(double frameDuration);

// Number of whole thumbnail panels that fit, at least five.
int ThumbnailCount(int frameClientWidth, int backWidth, int nextWidth, int panelWidth);

// One step of the preview zoom from `scale` (shown width / bitmap width); `up` enlarges.
double ZoomStep(double scale, bool up);

}  // namespace mivaro::capture
