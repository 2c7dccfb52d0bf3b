#include "platform/media/frame_grabber_live.h"

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>
#include <gst/video/videooverlay.h>

#include <atomic>
#include <cmath>
#include <cstdio>

#include "platform/media/frame_grabber_sample.h"
#include "platform/media/graph_helpers.h"

namespace mivaro::media {

namespace {
constexpr GstClockTime kWait = 10 * GST_SECOND;
// playbin's "native-video" flag: no converter or scaler of its own in front of the sink.
constexpr guint kPlayNativeVideo = 1u << 6;
}  // namespace

struct TMyCaptureGraph::Impl {
  GstElement* pipeline = nullptr;
  GstElement* sink = nullptr;     // the appsink (grabber mode)
  GstElement* overlay = nullptr;  // the image renderer (timer mode)
  TMyCaptureGraph* owner = nullptr;
  std::atomic<bool> running{false};
  std::atomic<bool> ended{false};
  // First negotiated picture, read by Open.
  std::atomic<int> width{0};
  std::atomic<int> height{0};
  std::atomic<int> fpsN{0};
  std::atomic<int> fpsD{1};
};

namespace {

void DeliverSample(TMyCaptureGraph::Impl* impl, GstSample* sample,
                   const TMyCaptureGraph::FrameHandler& handler) {
  GstVideoInfo info;
  GstBuffer* buffer = gst_sample_get_buffer(sample);
  if (!buffer || !gst_video_info_from_caps(&info, gst_sample_get_caps(sample))) return;
  impl->width = GST_VIDEO_INFO_WIDTH(&info);
  impl->height = GST_VIDEO_INFO_HEIGHT(&info);
  impl->fpsN = info.fps_n;
  impl->fpsD = info.fps_d > 0 ? info.fps_d : 1;
  if (!handler) return;
  GstVideoFrame vf;
  if (!gst_video_frame_map(&vf, &info, buffer, GST_MAP_READ)) return;
  bool clipped = false;
  FrameView view;
  view.data = static_cast<const uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&vf, 0));
  view.stride = GST_VIDEO_FRAME_PLANE_STRIDE(&vf, 0);
  view.width = GST_VIDEO_INFO_WIDTH(&info);
  view.height = GST_VIDEO_INFO_HEIGHT(&info);
  view.time = SampleFrameStart(sample, info, &clipped);
  handler(view);
  gst_video_frame_unmap(&vf);
}

struct CallbackData {
  TMyCaptureGraph::Impl* impl;
  const TMyCaptureGraph::FrameHandler* handler;
};

GstFlowReturn OnPreroll(GstAppSink* sink, gpointer data) {
  auto* cb = static_cast<CallbackData*>(data);
  if (GstSample* s = gst_app_sink_pull_preroll(sink)) {
    DeliverSample(cb->impl, s, *cb->handler);
    gst_sample_unref(s);
  }
  return GST_FLOW_OK;
}

GstFlowReturn OnSample(GstAppSink* sink, gpointer data) {
  auto* cb = static_cast<CallbackData*>(data);
  if (GstSample* s = gst_app_sink_pull_sample(sink)) {
    DeliverSample(cb->impl, s, *cb->handler);
    gst_sample_unref(s);
  }
  return GST_FLOW_OK;
}

void FreeCallbackData(gpointer data) { delete static_cast<CallbackData*>(data); }

bool WaitForState(GstElement* pipeline) {
  GstState state = GST_STATE_NULL;
  return gst_element_get_state(pipeline, &state, nullptr, kWait) != GST_STATE_CHANGE_FAILURE;
}

}  // namespace

TMyCaptureGraph::TMyCaptureGraph() { gst_init(nullptr, nullptr); }
TMyCaptureGraph::~TMyCaptureGraph() { Close(); }

void TMyCaptureGraph::Close() {
  if (!impl_) return;
  gst_element_set_state(impl_->pipeline, GST_STATE_NULL);
  gst_object_unref(impl_->pipeline);
  if (impl_->overlay) gst_object_unref(impl_->overlay);
  delete impl_;
  impl_ = nullptr;
  width_ = height_ = 0;
  fps_n_ = 0;
  fps_d_ = 1;
  frame_duration_ = 0.04;
  duration_ = 0.0;
  rate_ = 1.0;
}

bool TMyCaptureGraph::Open(const std::string& file, bool useGrabber, uintptr_t window,
                           std::string& error) {
  Close();
  use_grabber_ = useGrabber;
  GError* gerr = nullptr;
  gchar* uri = gst_filename_to_uri(file.c_str(), &gerr);
  g_clear_error(&gerr);
  const std::string cannotOpen = file + "\rは開けません";
  if (!uri) {
    error = cannotOpen;
    return false;
  }
  impl_ = new Impl;
  impl_->owner = this;
  impl_->pipeline = gst_element_factory_make("playbin", nullptr);
  GstElement* audio = gst_element_factory_make(DefaultAudioSinkElement().c_str(), nullptr);
  if (!audio) audio = gst_element_factory_make("fakesink", nullptr);
  GstElement* video = nullptr;
  if (useGrabber) {
    impl_->sink = gst_element_factory_make("appsink", nullptr);
    video = impl_->sink;
    if (impl_->sink) {
      GstCaps* caps = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "RGB",
                                          "pixel-aspect-ratio", GST_TYPE_FRACTION, 1, 1,
                                          nullptr);
      g_object_set(impl_->sink, "caps", caps, "sync", TRUE, "max-buffers", 2u, "drop", FALSE,
                   nullptr);
      gst_caps_unref(caps);
      GstAppSinkCallbacks callbacks{};
      callbacks.new_preroll = OnPreroll;
      callbacks.new_sample = OnSample;
      gst_app_sink_set_callbacks(GST_APP_SINK(impl_->sink), &callbacks,
                                 new CallbackData{impl_, &handler_}, FreeCallbackData);
    }
  } else {
    // The image renderer draws frames at their own size, centred; the picture read back
    // is then the decoded frame itself. playbin would otherwise put a scaler in front that
    // fits (and letterboxes) every frame to the window, and hand back that picture.
    GstElement* sink = gst_element_factory_make("ximagesink", nullptr);
    GstElement* convert = gst_element_factory_make("videoconvert", nullptr);
    if (sink && convert) {
      video = gst_bin_new("capturerenderer");
      gst_bin_add_many(GST_BIN(video), convert, sink, nullptr);
      gst_element_link(convert, sink);
      GstPad* target = gst_element_get_static_pad(convert, "sink");
      gst_element_add_pad(video, gst_ghost_pad_new("sink", target));
      gst_object_unref(target);
      g_object_set(sink, "handle-events", FALSE, nullptr);
      impl_->overlay = GST_ELEMENT(gst_object_ref(sink));
      if (window) gst_video_overlay_set_window_handle(GST_VIDEO_OVERLAY(sink), window);
    } else {
      for (GstElement* e : {sink, convert})
        if (e) gst_object_unref(e);
    }
  }
  if (!impl_->pipeline || !video || !audio) {
    error = "GStreamer の playbin / appsink がありません";
    if (video) gst_object_unref(video);
    if (audio) gst_object_unref(audio);
    if (impl_->pipeline) gst_object_unref(impl_->pipeline);
    impl_->pipeline = nullptr;
    delete impl_;
    impl_ = nullptr;
    g_free(uri);
    return false;
  }
  g_object_set(impl_->pipeline, "uri", uri, "video-sink", video, "audio-sink", audio, nullptr);
  g_free(uri);
  if (!useGrabber) {
    guint flags = 0;
    g_object_get(impl_->pipeline, "flags", &flags, nullptr);
    g_object_set(impl_->pipeline, "flags", flags | kPlayNativeVideo, nullptr);
  }
  gst_element_set_state(impl_->pipeline, GST_STATE_PAUSED);
  GstState state = GST_STATE_NULL;
  const GstStateChangeReturn ret = gst_element_get_state(impl_->pipeline, &state, nullptr, kWait);
  if (ret == GST_STATE_CHANGE_FAILURE || state != GST_STATE_PAUSED) {
    error = cannotOpen;
    Close();
    return false;
  }
  gint videoStreams = 0;
  g_object_get(impl_->pipeline, "n-video", &videoStreams, nullptr);
  if (!useGrabber && videoStreams > 0) {
    // The renderer's caps give the size when no frame went through an appsink.
    GstPad* pad = nullptr;
    g_signal_emit_by_name(impl_->pipeline, "get-video-pad", 0, &pad);
    if (pad) {
      if (GstCaps* caps = gst_pad_get_current_caps(pad)) {
        GstVideoInfo info;
        if (gst_video_info_from_caps(&info, caps)) {
          // Square pixels, as the grabber's frames have: the width follows the aspect.
          const int parN = GST_VIDEO_INFO_PAR_N(&info);
          const int parD = GST_VIDEO_INFO_PAR_D(&info);
          impl_->width = parN > 0 && parD > 0 && parN != parD
                             ? static_cast<int>(std::lround(static_cast<double>(
                                   GST_VIDEO_INFO_WIDTH(&info)) * parN / parD))
                             : GST_VIDEO_INFO_WIDTH(&info);
          impl_->height = GST_VIDEO_INFO_HEIGHT(&info);
          impl_->fpsN = info.fps_n;
          impl_->fpsD = info.fps_d > 0 ? info.fps_d : 1;
        }
        gst_caps_unref(caps);
      }
      gst_object_unref(pad);
    }
  }
  width_ = impl_->width;
  height_ = impl_->height;
  if (videoStreams < 1 || width_ < 1 || height_ < 1) {
    error = "メディアにビデオ映像がありません";
    Close();
    return false;
  }
  fps_n_ = impl_->fpsN;
  fps_d_ = impl_->fpsD;
  if (fps_n_ > 0) frame_duration_ = static_cast<double>(fps_d_) / fps_n_;
  gint64 length = 0;
  if (gst_element_query_duration(impl_->pipeline, GST_FORMAT_TIME, &length) && length > 0) {
    duration_ = static_cast<double>(length) / GST_SECOND;
  }
  return true;
}

std::string TMyCaptureGraph::FrameRateText() const {
  if (fps_n_ <= 0) return "0";
  const double fps = static_cast<double>(fps_n_) / fps_d_;
  char text[32];
  if (std::fabs(fps - std::round(fps)) < 1e-9) {
    std::snprintf(text, sizeof text, "%d", static_cast<int>(std::round(fps)));
  } else {
    std::snprintf(text, sizeof text, "%.2f", fps);
  }
  return text;
}

void TMyCaptureGraph::Run() {
  if (!impl_) return;
  impl_->running = true;
  impl_->ended = false;
  gst_element_set_state(impl_->pipeline, GST_STATE_PLAYING);
}

void TMyCaptureGraph::Pause() {
  if (!impl_) return;
  impl_->running = false;
  gst_element_set_state(impl_->pipeline, GST_STATE_PAUSED);
  WaitForState(impl_->pipeline);
}

void TMyCaptureGraph::PauseAsync() {
  if (!impl_) return;
  impl_->running = false;
  gst_element_call_async(
      impl_->pipeline,
      [](GstElement* element, gpointer) { gst_element_set_state(element, GST_STATE_PAUSED); },
      nullptr, nullptr);
}

void TMyCaptureGraph::Stop() {
  if (!impl_) return;
  Pause();
  Seek(0);
}

bool TMyCaptureGraph::IsRunning() const { return impl_ && impl_->running; }

double TMyCaptureGraph::ClockTime() const {
  if (!impl_) return 0.0;
  gint64 position = 0;
  if (!gst_element_query_position(impl_->pipeline, GST_FORMAT_TIME, &position) || position < 0) {
    return 0.0;
  }
  return static_cast<double>(position) / GST_SECOND;
}

bool TMyCaptureGraph::Seek(double seconds) {
  if (!impl_) return false;
  if (seconds < 0) seconds = 0;
  impl_->ended = false;
  const auto target = static_cast<gint64>(std::llround(seconds * GST_SECOND));
  const bool ok = gst_element_seek(
      impl_->pipeline, rate_, GST_FORMAT_TIME,
      static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE), GST_SEEK_TYPE_SET,
      target, GST_SEEK_TYPE_NONE, GST_CLOCK_TIME_NONE);
  if (ok) WaitForState(impl_->pipeline);
  return ok;
}

bool TMyCaptureGraph::Step(int count) {
  if (!impl_ || count < 1) return false;
  if (impl_->running) Pause();
  GstElement* target = impl_->sink ? impl_->sink : impl_->overlay;
  if (!target) return false;
  const bool ok = gst_element_send_event(
      target, gst_event_new_step(GST_FORMAT_BUFFERS, static_cast<guint64>(count), 1.0, TRUE,
                                 FALSE));
  if (ok) WaitForState(impl_->pipeline);
  return ok;
}

void TMyCaptureGraph::SetRate(double rate) {
  if (!impl_ || !(rate > 0)) return;
  rate_ = rate;
  const double here = ClockTime();
  gst_element_seek(impl_->pipeline, rate_, GST_FORMAT_TIME,
                   static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
                   GST_SEEK_TYPE_SET, static_cast<gint64>(here * GST_SECOND), GST_SEEK_TYPE_NONE,
                   GST_CLOCK_TIME_NONE);
  WaitForState(impl_->pipeline);
}

void TMyCaptureGraph::SetMute(bool mute) {
  if (impl_) g_object_set(impl_->pipeline, "mute", mute ? TRUE : FALSE, nullptr);
}

bool TMyCaptureGraph::TakeEnded() {
  if (!impl_) return false;
  GstBus* bus = gst_element_get_bus(impl_->pipeline);
  while (GstMessage* msg = gst_bus_pop_filtered(
             bus, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR))) {
    impl_->ended = true;
    gst_message_unref(msg);
  }
  gst_object_unref(bus);
  return impl_->ended.exchange(false);
}

bool TMyCaptureGraph::CurrentImage(GrabbedFrame& frame) const {
  if (!impl_) return false;
  // The renderer's picture is scaled to its window: ask for the video's own size.
  GstCaps* caps = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "RGB",
                                      "pixel-aspect-ratio", GST_TYPE_FRACTION, 1, 1, "width",
                                      G_TYPE_INT, width_, "height", G_TYPE_INT, height_, nullptr);
  GstSample* sample = nullptr;
  g_signal_emit_by_name(impl_->pipeline, "convert-sample", caps, &sample);
  gst_caps_unref(caps);
  if (!sample) return false;
  const bool ok = CopySampleFrame(sample, frame);
  gst_sample_unref(sample);
  return ok;
}

void TMyCaptureGraph::SetRenderRectangle(int x, int y, int width, int height) {
  if (!impl_ || !impl_->overlay) return;
  gst_video_overlay_set_render_rectangle(GST_VIDEO_OVERLAY(impl_->overlay), x, y, width, height);
  gst_video_overlay_expose(GST_VIDEO_OVERLAY(impl_->overlay));
}

}  // namespace mivaro::media
