// The capture tool's own graph while it plays: playbin whose video goes to an appsink as
// 24-bit RGB frames, each handed to a handler on the streaming thread (grabber mode), or to
// an X window through the image renderer, whose current picture is read on request (timer
// mode). Unlike TMyFrameGrabber it runs in real time, pauses, steps and changes rate.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/media/frame_grabber.h"

namespace mivaro::media {

// One decoded frame as the streaming thread sees it; valid only during the handler call.
struct FrameView {
  const uint8_t* data = nullptr;  // top-down rows of R, G, B
  int stride = 0;                 // bytes from one row to the next
  int width = 0;
  int height = 0;
  double time = -1.0;  // start of the frame in stream time (seconds)
};

class TMyCaptureGraph {
 public:
  using FrameHandler = std::function<void(const FrameView& frame)>;

  TMyCaptureGraph();
  ~TMyCaptureGraph();
  TMyCaptureGraph(const TMyCaptureGraph&) = delete;
  TMyCaptureGraph& operator=(const TMyCaptureGraph&) = delete;

  // Called for every frame that reaches the sink (pre-rolled frames included) in grabber
  // mode. Set before Open; it runs on a streaming thread.
  void SetFrameHandler(FrameHandler handler) { handler_ = std::move(handler); }

  // Opens paused on the first frame. `useGrabber` false: the video is drawn into the X
  // window `window` (timer mode). False with `error` set: "%s\rは開けません" or
  // "メディアにビデオ映像がありません".
  bool Open(const std::string& file, bool useGrabber, uintptr_t window, std::string& error);
  void Close();
  bool IsOpen() const { return impl_ != nullptr; }
  bool UsesGrabber() const { return use_grabber_; }

  int VideoWidth() const { return width_; }
  int VideoHeight() const { return height_; }
  // Frames per second as "25" or "29.97"; seconds per frame (0.04 when the rate is unknown).
  std::string FrameRateText() const;
  double FrameDuration() const { return frame_duration_; }
  double Duration() const { return duration_; }

  void Run();
  void Pause();
  // Pauses from any thread (the streaming thread included) without waiting.
  void PauseAsync();
  void Stop();
  // The state the graph is going to: true while running.
  bool IsRunning() const;
  // The clock's position in stream time, seconds.
  double ClockTime() const;
  // Frame-accurate seek, keeping the running or paused state; waits for the new frame.
  bool Seek(double seconds);
  // Pauses and moves `count` frames forward through the sink; false when not possible.
  bool Step(int count);
  void SetRate(double rate);
  double Rate() const { return rate_; }
  void SetMute(bool mute);
  // True once after the end of the stream or an error was seen.
  bool TakeEnded();
  // The renderer's current picture (timer mode), as RGB.
  bool CurrentImage(GrabbedFrame& frame) const;
  // Sets where the renderer draws inside its window (timer mode).
  void SetRenderRectangle(int x, int y, int width, int height);

  // The engine's state (declared here so the streaming callbacks can reach it).
  struct Impl;

 private:
  Impl* impl_ = nullptr;
  FrameHandler handler_;
  bool use_grabber_ = true;
  int width_ = 0;
  int height_ = 0;
  int fps_n_ = 0;
  int fps_d_ = 1;
  double frame_duration_ = 0.04;
  double duration_ = 0.0;
  double rate_ = 1.0;
};

}  // namespace mivaro::media
