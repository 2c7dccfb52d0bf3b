// A graph of its own for taking still frames: playbin whose video goes to an appsink as
// 24-bit RGB, audio to a fake sink. Used by the capture tool and by mivaro-tool capture.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mivaro::media {

struct GrabbedFrame {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;  // rows top-down, 3 bytes per pixel, no padding
  double time = -1.0;        // presentation time in seconds
  bool clipped = false;      // cut at the front by a seek: it began before `time`
};

// Opens `uri`-less file names (UTF-8 paths). Every call waits at most a few seconds, so a
// broken file gives an error message, never a hang.
class TMyFrameGrabber {
 public:
  TMyFrameGrabber();
  ~TMyFrameGrabber();
  TMyFrameGrabber(const TMyFrameGrabber&) = delete;
  TMyFrameGrabber& operator=(const TMyFrameGrabber&) = delete;

  // False with `error` set ("メディアにビデオ映像がありません" for a file without video).
  bool Open(const std::string& file, std::string& error);
  double Duration() const { return duration_; }
  // The first frame whose time is at or after `seconds` (the last frame when the time lies
  // past the end there is none). False then or on a decoding error.
  bool FrameAtOrAfter(double seconds, GrabbedFrame& frame);
  // Up to `count` consecutive frames from the first at or after `seconds`; fewer when the
  // stream ends first. False when the seek or decoding fails.
  bool FramesFrom(double seconds, int count, std::vector<GrabbedFrame>& frames);
  void Close();

 private:
  struct Impl;
  Impl* impl_ = nullptr;
  double duration_ = 0.0;
};

}  // namespace mivaro::media
