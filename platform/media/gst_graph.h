// The media graph over GStreamer.
//
// One `playbin` per graph. The renderer and decoder filters added before RenderFile choose
// the video sink and the decoders; RenderFile prerolls the file (paused, bounded wait) so
// that duration, video size and frame time are known when it returns, or, opened in the
// background, returns at once while a thread of the graph waits for the preroll; the UI
// thread's next Dispatch() finishes and posts EC_OPEN_COMPLETE. Bus messages become
// graph events: end of stream EC_COMPLETE (1), error EC_ERRORABORT (3), video size change
// EC_VIDEO_SIZE_CHANGED (10), step done EC_STEP_COMPLETE (36); EC_CLOCK_CHANGED (13) and
// EC_PAUSED (14) are posted in that order by the graph itself when it first pauses or runs.
//
// After Open the graph reports "stopped" although the pipeline is prerolled; Stop keeps
// the position (it pauses the pipeline), as the player expects. After the end of the
// stream the position reads exactly the duration.
//
// Closing (or rendering the next file) lets the pipeline go at once: a reaper thread
// brings it to NULL and frees it (gst_reaper.h), and none of its messages or callbacks
// reaches the graph or the window afterwards.
//
// Video goes into the owner window (an X11 window id) through GstVideoOverlay, placed by
// the render rectangle; the X image renderer, which does not scale, gets a scaler in front
// sized to that rectangle (a paused picture is drawn again at a new size from the next
// Dispatch(), unless playing or a seek comes first). Without a display (no DISPLAY), or
// when MIVARO_VIDEO_SINK names one, frames go to that sink (default fakesink) instead.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/media/media_graph.h"
#include "platform/media/media_types.h"

typedef struct _GstElement GstElement;

namespace mivaro {

// Initialises GStreamer once (thread-safe) and ranks out sinks that crash without a
// frame-buffer device. Also installs the X error guard when a display is set.
struct GstInitHolder {
  static bool Ensure();
};

// Initialises GStreamer and loads the plugins that nearly every file's playback needs
// (type finding, the playback bins, the audio chain, the libav decoders): meant for a thread of its own at start-up, so that
// this work overlaps with reading a playlist instead of delaying its first entry.
void WarmUpMediaEngine();

// Keeps X protocol errors (a video window destroyed under a renderer: BadWindow,
// BadDrawable) from ending the process: they are counted and ignored.
void InstallXErrorGuard();
// How many X errors the guard has swallowed.
long XErrorsIgnored();

// A new GStreamer graph.
std::unique_ptr<TMediaGraph> CreateGstGraph();

// The colour key of an overlay renderer element (0x00BBGGRR); false when it does not start.
bool ProbeGstColorKey(const std::string& element, std::uint32_t* key);

// The best renderer that starts on this display: XVideo (vmVMR7) where it exists, else
// OpenGL (vmVMR9) when the graphics hardware draws it, else the X image renderer
// (vmVideoRenderer), which is also what software OpenGL and Xvfb get.
TMyVmMode ChooseBestRenderer();

// Engine-specific extras of a GStreamer graph (for benchmarks and diagnostics).
class TGstGraphExtras {
 public:
  virtual ~TGstGraphExtras() = default;
  // Waits until the pipeline has finished its current asynchronous change (preroll after a
  // seek or a step); false on time-out or error.
  virtual bool WaitUntilSettled(int timeoutMs) = 0;
  // Names of the elements in use: video sink, audio sink.
  virtual std::string VideoSinkName() const = 0;
  virtual std::string AudioSinkName() const = 0;
  // The last error text of the pipeline (empty when none).
  virtual std::string LastError() const = 0;
  // The playbin of the open file (nullptr when none), for diagnostics (graph dumps) and
  // tests that read its elements back. Owned by the graph; valid until the next
  // RenderFile or the graph's end.
  virtual GstElement* Pipeline() const = 0;
};

}  // namespace mivaro
