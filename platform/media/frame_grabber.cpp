#include "platform/media/frame_grabber.h"

#include "platform/media/frame_grabber_sample.h"

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>

#include <cstring>
#include <utility>

namespace mivaro::media {

namespace {
constexpr GstClockTime kWait = 10 * GST_SECOND;
// Time stamps are compared with this slack: containers round to milliseconds or 90 kHz.
constexpr double kTimeSlack = 0.0005;
}  // namespace

struct TMyFrameGrabber::Impl {
  GstElement* pipeline = nullptr;
  GstElement* sink = nullptr;
};

TMyFrameGrabber::TMyFrameGrabber() { gst_init(nullptr, nullptr); }
TMyFrameGrabber::~TMyFrameGrabber() { Close(); }

void TMyFrameGrabber::Close() {
  if (!impl_) return;
  gst_element_set_state(impl_->pipeline, GST_STATE_NULL);
  gst_object_unref(impl_->pipeline);
  delete impl_;
  impl_ = nullptr;
  duration_ = 0.0;
}

bool TMyFrameGrabber::Open(const std::string& file, std::string& error) {
  Close();
  GError* gerr = nullptr;
  gchar* uri = gst_filename_to_uri(file.c_str(), &gerr);
  if (!uri) {
    error = file + "\rは開けません";
    g_clear_error(&gerr);
    return false;
  }
  impl_ = new Impl;
  impl_->pipeline = gst_element_factory_make("playbin", nullptr);
  impl_->sink = gst_element_factory_make("appsink", nullptr);
  GstElement* audio = gst_element_factory_make("fakesink", nullptr);
  if (!impl_->pipeline || !impl_->sink || !audio) {
    error = "GStreamer の playbin / appsink がありません";
    if (impl_->pipeline) gst_object_unref(impl_->pipeline);
    if (impl_->sink) gst_object_unref(impl_->sink);
    if (audio) gst_object_unref(audio);
    delete impl_;
    impl_ = nullptr;
    g_free(uri);
    return false;
  }
  GstCaps* caps = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "RGB",
                                      "pixel-aspect-ratio", GST_TYPE_FRACTION, 1, 1, nullptr);
  g_object_set(impl_->sink, "caps", caps, "sync", FALSE, "max-buffers", 2u, "drop", FALSE,
               nullptr);
  gst_caps_unref(caps);
  g_object_set(impl_->pipeline, "uri", uri, "video-sink", impl_->sink, "audio-sink", audio,
               nullptr);
  g_free(uri);
  gst_element_set_state(impl_->pipeline, GST_STATE_PAUSED);
  GstState state = GST_STATE_NULL;
  const GstStateChangeReturn ret =
      gst_element_get_state(impl_->pipeline, &state, nullptr, kWait);
  if (ret == GST_STATE_CHANGE_FAILURE || state != GST_STATE_PAUSED) {
    error = file + "\rは開けません";
    Close();
    return false;
  }
  gint videoStreams = 0;
  g_object_get(impl_->pipeline, "n-video", &videoStreams, nullptr);
  if (videoStreams < 1) {
    error = "メディアにビデオ映像がありません";
    Close();
    return false;
  }
  gint64 length = 0;
  if (gst_element_query_duration(impl_->pipeline, GST_FORMAT_TIME, &length) && length > 0) {
    duration_ = static_cast<double>(length) / GST_SECOND;
  }
  return true;
}

bool CopySampleFrame(GstSample* sample, GrabbedFrame& frame) {
  GstVideoInfo info;
  GstBuffer* buffer = gst_sample_get_buffer(sample);
  if (!buffer || !gst_video_info_from_caps(&info, gst_sample_get_caps(sample))) return false;
  GstVideoFrame vf;
  if (!gst_video_frame_map(&vf, &info, buffer, GST_MAP_READ)) return false;
  frame.width = GST_VIDEO_INFO_WIDTH(&info);
  frame.height = GST_VIDEO_INFO_HEIGHT(&info);
  const size_t row = static_cast<size_t>(frame.width) * 3;
  frame.rgb.resize(row * frame.height);
  const auto* src = static_cast<const uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&vf, 0));
  const int stride = GST_VIDEO_FRAME_PLANE_STRIDE(&vf, 0);
  for (int y = 0; y < frame.height; ++y) {
    std::memcpy(frame.rgb.data() + y * row, src + static_cast<size_t>(y) * stride, row);
  }
  gst_video_frame_unmap(&vf);
  frame.time = SampleFrameStart(sample, info, &frame.clipped);
  return true;
}

double SampleFrameStart(GstSample* sample, const GstVideoInfo& info, bool* clipped) {
  GstBuffer* buffer = gst_sample_get_buffer(sample);
  *clipped = false;
  if (!buffer || !GST_BUFFER_PTS_IS_VALID(buffer)) return -1.0;
  // Stream time, not buffer time: demuxers of files with B-frames shift the buffers' time
  // stamps by the reorder delay and say so in the segment.
  GstClockTime t = GST_BUFFER_PTS(buffer);
  // Only the frame that starts exactly where the segment starts can have been clipped; a
  // short last frame of a file is not.
  bool atSegmentStart = false;
  const GstSegment* segment = gst_sample_get_segment(sample);
  if (segment && segment->format == GST_FORMAT_TIME) {
    atSegmentStart = t == segment->start;
    const guint64 streamTime = gst_segment_to_stream_time(segment, GST_FORMAT_TIME, t);
    if (streamTime != GST_CLOCK_TIME_NONE) t = streamTime;
  }
  double start = static_cast<double>(t) / GST_SECOND;
  if (atSegmentStart && GST_BUFFER_DURATION_IS_VALID(buffer) && info.fps_n > 0 &&
      info.fps_d > 0) {
    const double nominal = static_cast<double>(info.fps_d) / info.fps_n;
    const double length = static_cast<double>(GST_BUFFER_DURATION(buffer)) / GST_SECOND;
    if (length + kTimeSlack < nominal) {
      *clipped = true;
      start = start + length - nominal;
    }
  }
  return start;
}

bool TMyFrameGrabber::FrameAtOrAfter(double seconds, GrabbedFrame& frame) {
  std::vector<GrabbedFrame> frames;
  if (!FramesFrom(seconds, 1, frames) || frames.empty()) return false;
  frame = std::move(frames.front());
  return true;
}

bool TMyFrameGrabber::FramesFrom(double seconds, int count, std::vector<GrabbedFrame>& frames) {
  frames.clear();
  if (!impl_ || count < 1) return false;
  if (seconds < 0) seconds = 0;
  // An accurate seek decodes from the key frame before the target and delivers the frame
  // shown at the target first (clipped to start at the target); later frames follow while
  // playing without sync.
  const auto target = static_cast<gint64>(seconds * GST_SECOND);
  if (!gst_element_seek_simple(impl_->pipeline, GST_FORMAT_TIME,
                               static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH |
                                                         GST_SEEK_FLAG_ACCURATE),
                               target)) {
    return false;
  }
  gst_element_get_state(impl_->pipeline, nullptr, nullptr, kWait);
  GstAppSink* sink = GST_APP_SINK(impl_->sink);
  GstSample* preroll = gst_app_sink_try_pull_preroll(sink, kWait);
  if (!preroll) return false;
  gst_sample_unref(preroll);
  // The preroll sample is delivered again as the first sample after going to playing.
  gst_element_set_state(impl_->pipeline, GST_STATE_PLAYING);
  while (static_cast<int>(frames.size()) < count) {
    GstSample* s = gst_app_sink_try_pull_sample(sink, kWait);
    if (!s) break;  // end of stream: the strip ends early
    GrabbedFrame next;
    const bool copied = CopySampleFrame(s, next);
    gst_sample_unref(s);
    if (!copied) break;
    if (next.time + kTimeSlack >= seconds && !next.clipped) frames.push_back(std::move(next));
  }
  gst_element_set_state(impl_->pipeline, GST_STATE_PAUSED);
  gst_element_get_state(impl_->pipeline, nullptr, nullptr, kWait);
  return true;
}

}  // namespace mivaro::media
