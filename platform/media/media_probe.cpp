#include "platform/media/media_probe.h"

#include <gio/gio.h>
#include <gst/gst.h>
#include <gst/pbutils/pbutils.h>

#include <sys/stat.h>

#include <string>

#include "platform/os/native_path.h"

namespace mivaro {
namespace {

bool EnsureGstreamer() {
  if (gst_is_initialized()) {
    return true;
  }
  return gst_init_check(nullptr, nullptr, nullptr) != FALSE;
}

// file:// URI of a local path (relative paths are taken from the current folder).
std::string FileUri(const std::string& path) {
  GFile* file = g_file_new_for_path(path.c_str());
  gchar* uri = g_file_get_uri(file);
  std::string result = uri != nullptr ? uri : "";
  g_free(uri);
  g_object_unref(file);
  return result;
}

}  // namespace

MediaProbeResult ProbeMediaFile(WStringView path, int timeoutMs) {
  MediaProbeResult result;
  if (path.empty() || !EnsureGstreamer()) {
    return result;
  }
  // Regular files only: a FIFO, device or socket would block the discoverer (empty result).
  const std::string native = os::NativePath(path);
  struct stat st {};
  if (native.empty() || ::stat(native.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
    return result;
  }
  const std::string uri = FileUri(native);
  if (uri.empty()) {
    return result;
  }
  GError* error = nullptr;
  const GstClockTime timeout =
      static_cast<GstClockTime>(timeoutMs > 0 ? timeoutMs : 10000) * GST_MSECOND;
  GstDiscoverer* discoverer = gst_discoverer_new(timeout, &error);
  if (discoverer == nullptr) {
    g_clear_error(&error);
    return result;
  }
  GstDiscovererInfo* info = gst_discoverer_discover_uri(discoverer, uri.c_str(), &error);
  g_clear_error(&error);
  if (info != nullptr) {
    const GstDiscovererResult code = gst_discoverer_info_get_result(info);
    // A missing plug-in for one stream still leaves the container's facts usable.
    if (code == GST_DISCOVERER_OK || code == GST_DISCOVERER_MISSING_PLUGINS) {
      result.ok = true;
      const GstClockTime duration = gst_discoverer_info_get_duration(info);
      if (GST_CLOCK_TIME_IS_VALID(duration) && duration > 0) {
        result.duration = static_cast<double>(duration) / static_cast<double>(GST_SECOND);
      }
      GList* videos = gst_discoverer_info_get_video_streams(info);
      if (videos != nullptr) {
        auto* video = static_cast<GstDiscovererVideoInfo*>(videos->data);
        if (!gst_discoverer_video_info_is_image(video) || result.duration > 0) {
          result.videoWidth = static_cast<std::int32_t>(gst_discoverer_video_info_get_width(video));
          result.videoHeight =
              static_cast<std::int32_t>(gst_discoverer_video_info_get_height(video));
          const guint num = gst_discoverer_video_info_get_framerate_num(video);
          const guint den = gst_discoverer_video_info_get_framerate_denom(video);
          if (num > 0 && den > 0) {
            result.frameRate = static_cast<double>(num) / static_cast<double>(den);
          }
        }
      }
      std::int64_t bits = 0;
      for (GList* v = videos; v != nullptr; v = v->next) {
        auto* video = static_cast<GstDiscovererVideoInfo*>(v->data);
        guint rate = gst_discoverer_video_info_get_bitrate(video);
        if (rate == 0) {
          rate = gst_discoverer_video_info_get_max_bitrate(video);
        }
        bits += rate;
      }
      gst_discoverer_stream_info_list_free(videos);
      GList* audios = gst_discoverer_info_get_audio_streams(info);
      for (GList* a = audios; a != nullptr; a = a->next) {
        auto* audio = static_cast<GstDiscovererAudioInfo*>(a->data);
        guint rate = gst_discoverer_audio_info_get_bitrate(audio);
        if (rate == 0) {
          rate = gst_discoverer_audio_info_get_max_bitrate(audio);
        }
        bits += rate;
      }
      gst_discoverer_stream_info_list_free(audios);
      if (bits == 0) {
        // Some demuxers state the rate only as a tag of the whole stream.
        const GstTagList* tags = gst_discoverer_info_get_tags(info);
        guint rate = 0;
        if (tags != nullptr && (gst_tag_list_get_uint(tags, GST_TAG_BITRATE, &rate) ||
                                gst_tag_list_get_uint(tags, GST_TAG_NOMINAL_BITRATE, &rate))) {
          bits = rate;
        }
      }
      result.bitRate = static_cast<std::int32_t>(bits > INT32_MAX ? INT32_MAX : bits);
    }
    gst_discoverer_info_unref(info);
  }
  g_object_unref(discoverer);
  return result;
}

}  // namespace mivaro
