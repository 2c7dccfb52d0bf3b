#include "platform/media/graph_dump.h"

#include <gst/gst.h>
#include <gst/pbutils/pbutils.h>
#include <gst/video/video.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <utility>

#include "core/atomic_file.h"
#include "platform/media/debug_log.h"
#include "platform/media/gst_graph.h"
#include "platform/media/media_graph.h"

namespace mivaro {
namespace {

std::string Label(const char* label, const std::string& text) { return FormatLabel(label, text); }

std::string Int(long long v) { return std::to_string(v); }
std::string Bool(bool v) { return v ? "True" : "False"; }

std::string TakeString(gchar* s) {
  std::string out = s ? s : "";
  g_free(s);
  return out;
}

int IntField(const GstStructure* s, const char* field) {
  int v = 0;
  return gst_structure_get_int(s, field, &v) ? v : 0;
}

std::string StringField(const GstStructure* s, const char* field) {
  const char* v = gst_structure_get_string(s, field);
  return v ? v : "";
}

// Raw video formats by the subtype names of the framework.
const char* RawVideoSubtype(const std::string& format) {
  static const std::pair<const char*, const char*> kFormats[] = {
      {"I420", "MEDIASUBTYPE_IYUV"}, {"YV12", "MEDIASUBTYPE_YV12"}, {"NV12", "MEDIASUBTYPE_NV12"},
      {"YUY2", "MEDIASUBTYPE_YUY2"}, {"UYVY", "MEDIASUBTYPE_UYVY"}, {"YVYU", "MEDIASUBTYPE_YVYU"},
      {"RGB", "MEDIASUBTYPE_RGB24"}, {"BGR", "MEDIASUBTYPE_RGB24"}, {"BGRx", "MEDIASUBTYPE_RGB32"},
      {"xRGB", "MEDIASUBTYPE_RGB32"}, {"BGRA", "MEDIASUBTYPE_ARGB32"}, {"ARGB", "MEDIASUBTYPE_ARGB32"},
      {"RGB16", "MEDIASUBTYPE_RGB565"}, {"RGB15", "MEDIASUBTYPE_RGB555"}, {"AYUV", "MEDIASUBTYPE_AYUV"},
      {"Y41B", "MEDIASUBTYPE_Y41P"}, {"GRAY8", "MEDIASUBTYPE_Y800"}, {"P010_10LE", "MEDIASUBTYPE_P010"}};
  for (const auto& [gst, ds] : kFormats) {
    if (format == gst) return ds;
  }
  return nullptr;
}

bool Interlaced(const GstStructure* s) {
  const std::string mode = StringField(s, "interlace-mode");
  return !mode.empty() && mode != "progressive";
}

bool SquarePixels(const GstStructure* s) {
  int n = 1, d = 1;
  return !gst_structure_get_fraction(s, "pixel-aspect-ratio", &n, &d) || n == d;
}

struct MediaTypeNames {
  const char* major = nullptr;
  const char* subtype = nullptr;
  const char* format = nullptr;
  bool fixedSize = false;
  bool temporal = false;
};

MediaTypeNames MapCaps(const GstStructure* s) {
  const std::string name = gst_structure_get_name(s);
  MediaTypeNames m;
  if (name.rfind("video/", 0) == 0 || name.rfind("image/", 0) == 0) {
    m.major = "MEDIATYPE_Video";
    m.format = "FORMAT_VideoInfo";
    m.temporal = true;
    if (name == "video/x-raw") {
      m.subtype = RawVideoSubtype(StringField(s, "format"));
      m.fixedSize = true;
      m.temporal = false;
    } else if (name == "video/x-h264") {
      m.subtype = StringField(s, "stream-format").rfind("avc", 0) == 0 ? "MEDIASUBTYPE_AVC1"
                                                                      : "MEDIASUBTYPE_H264";
    } else if (name == "video/x-h265") {
      m.subtype = "MEDIASUBTYPE_HEVC";
    } else if (name == "video/mpeg") {
      int v = IntField(s, "mpegversion");
      m.subtype = v == 4 ? "MEDIASUBTYPE_MP4V" : v == 2 ? "MEDIASUBTYPE_MPEG2_VIDEO"
                                                        : "MEDIASUBTYPE_MPEG1Payload";
    } else if (name == "image/jpeg") {
      m.subtype = "MEDIASUBTYPE_MJPG";
      m.temporal = false;
    } else if (name == "video/x-vp8") {
      m.subtype = "MEDIASUBTYPE_VP80";
    } else if (name == "video/x-vp9") {
      m.subtype = "MEDIASUBTYPE_VP90";
    } else if (name == "video/x-divx" || name == "video/x-xvid") {
      m.subtype = "MEDIASUBTYPE_DIVX";
    } else if (name == "video/x-wmv") {
      m.subtype = "MEDIASUBTYPE_WMV3";
    }
    if (name == "video/mpeg" && IntField(s, "mpegversion") == 2) {
      m.format = "FORMAT_MPEG2Video";
    } else if (name == "video/mpeg" && IntField(s, "mpegversion") == 1) {
      m.format = "FORMAT_MPEGVideo";
    } else if (Interlaced(s) || !SquarePixels(s)) {
      m.format = "FORMAT_VideoInfo2";  // the header that carries interlacing and aspect
    }
  } else if (name.rfind("audio/", 0) == 0) {
    m.major = "MEDIATYPE_Audio";
    m.format = "FORMAT_WaveFormatEx";
    if (name == "audio/x-raw") {
      m.subtype = StringField(s, "format").rfind('F', 0) == 0 ? "MEDIASUBTYPE_IEEE_FLOAT"
                                                             : "MEDIASUBTYPE_PCM";
      m.fixedSize = true;
    } else if (name == "audio/mpeg") {
      if (IntField(s, "mpegversion") == 1) {
        m.subtype = IntField(s, "layer") == 3 ? "MEDIASUBTYPE_MP3" : "MEDIASUBTYPE_MPEG1AudioPayload";
      } else {
        m.subtype = StringField(s, "stream-format") == "adts" ? "MEDIASUBTYPE_MPEG_ADTS_AAC"
                                                              : "MEDIASUBTYPE_RAW_AAC1";
      }
    } else if (name == "audio/x-ac3") {
      m.subtype = "MEDIASUBTYPE_DOLBY_AC3";
    } else if (name == "audio/x-flac") {
      m.subtype = "MEDIASUBTYPE_FLAC";
    } else if (name == "audio/x-vorbis") {
      m.subtype = "MEDIASUBTYPE_Vorbis";
    } else if (name == "audio/x-wma") {
      m.subtype = "MEDIASUBTYPE_WMAUDIO2";
    }
  } else if (name.rfind("text/", 0) == 0 || name.rfind("subpicture/", 0) == 0) {
    m.major = "MEDIATYPE_Text";
    m.format = "FORMAT_None";
  }
  return m;
}

// Bits per sample of a raw audio format name such as S16LE or F32LE.
int AudioBits(const std::string& format) {
  std::size_t i = 1;
  int bits = 0;
  while (i < format.size() && format[i] >= '0' && format[i] <= '9') bits = bits * 10 + (format[i++] - '0');
  return bits;
}

// The interlace flags of the extended video header from the caps' interlace mode and
// field order.
unsigned InterlaceFlags(const GstStructure* s) {
  const std::string mode = StringField(s, "interlace-mode");
  if (mode.empty() || mode == "progressive") return 0;
  unsigned flags = 0x01;                                     // interlaced
  if (mode == "alternate") flags |= 0x02;                    // one field per sample
  if (StringField(s, "field-order") == "top-field-first") flags |= 0x04;
  flags |= mode == "mixed" ? 0x30 : 0x20;                    // field pattern
  flags |= 0x80;                                             // bob or weave
  return flags;
}

void InterlaceLines(unsigned flags, std::vector<std::string>& out) {
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%02x", flags);
  out.push_back(Label("dwInterlaceFlags", hex));
  if (!(flags & 0x01)) {
    out.push_back("   プログレッシブ (インターレースではない)。");
    return;
  }
  out.push_back("   インターレース形式のストリーム。");
  if (flags & 0x02) out.push_back("   1 サンプルに 1 フィールドだけを含む。");
  else out.push_back("   1 サンプルに 2 フィールド (1 フレーム) を含む。");
  out.push_back(flags & 0x04 ? "   フィールド 1 (トップ フィールド) が先に表示される。"
                             : "   フィールド 2 (ボトム フィールド) が先に表示される。");
  static const char* const kPatterns[] = {
      "   フィールド 1 だけのストリーム。", "   フィールド 2 だけのストリーム。",
      "   両方のフィールドが規則正しく交互に並ぶ。", "   両方のフィールドが不規則に並ぶ。"};
  out.push_back(kPatterns[(flags >> 4) & 0x03]);
  static const char* const kModes[] = {"   ボブ表示だけを使う。", "   ウィーブ表示だけを使う。",
                                       "   ボブ表示とウィーブ表示のどちらでもよい。", ""};
  if ((flags >> 6) & 0x03) out.push_back(kModes[(flags >> 6) & 0x03]);
}

// The picture aspect ratio: the frame size times the pixel aspect, in lowest terms.
void PictureAspect(const GstStructure* s, long long* x, long long* y) {
  int n = 1, d = 1;
  if (!gst_structure_get_fraction(s, "pixel-aspect-ratio", &n, &d) || n <= 0 || d <= 0) n = d = 1;
  *x = static_cast<long long>(IntField(s, "width")) * n;
  *y = static_cast<long long>(IntField(s, "height")) * d;
  long long a = *x, b = *y;
  while (b != 0) a = std::exchange(b, a % b);
  if (a > 0) {
    *x /= a;
    *y /= a;
  }
}

// The video header blocks: FORMAT_VideoInfo, and with `extended` the interlace and aspect
// fields of FORMAT_VideoInfo2, then the bitmap header.
void VideoInfoBlock(const GstStructure* s, bool raw, bool extended, std::vector<std::string>& out) {
  int w = IntField(s, "width"), h = IntField(s, "height");
  char rect[64];
  std::snprintf(rect, sizeof rect, "(%d, %d, %d, %d)", 0, 0, w, h);
  int num = 0, den = 1;
  long long avgTime = 0;  // 100 ns units
  if (gst_structure_get_fraction(s, "framerate", &num, &den) && num > 0)
    avgTime = 10000000LL * den / num;
  int bitrate = IntField(s, "bitrate");
  long long image = 0;
  if (raw) {
    GstCaps* caps = gst_caps_new_full(gst_structure_copy(s), nullptr);
    GstVideoInfo* info = gst_video_info_new();
    if (gst_video_info_from_caps(info, caps)) {
      image = static_cast<long long>(GST_VIDEO_INFO_SIZE(info));
      if (num > 0) bitrate = static_cast<int>(image * 8 * num / den);
    }
    gst_video_info_free(info);
    gst_caps_unref(caps);
  }
  out.push_back(Label("rcSource", rect));
  out.push_back(Label("rcTarget", rect));
  out.push_back(Label("dwBitRate", Int(bitrate)));
  out.push_back(Label("dwBitErrorRate", "0"));
  out.push_back(Label("AvgTimePerFrame", Int(avgTime)));
  if (extended) {
    InterlaceLines(InterlaceFlags(s), out);
    long long ax = 0, ay = 0;
    PictureAspect(s, &ax, &ay);
    out.push_back(Label("dwCopyProtectFlags", "0"));
    out.push_back(Label("dwPictAspectRatioX", Int(ax)));
    out.push_back(Label("dwPictAspectRatioY", Int(ay)));
    out.push_back(Label("dwControlFlags", "0"));
  }
  out.push_back(Label("biWidth", Int(w)));
  out.push_back(Label("biHeight", Int(h)));
  out.push_back(Label("biSizeImage", Int(image)));
}

// The MPEG video header fields after the video header: the sequence header is the
// stream's codec data.
void MpegVideoLines(const GstStructure* s, bool mpeg2, std::vector<std::string>& out) {
  long long sequence = 0;
  const GValue* data = gst_structure_get_value(s, "codec_data");
  if (data && G_VALUE_HOLDS(data, GST_TYPE_BUFFER))
    sequence = static_cast<long long>(gst_buffer_get_size(gst_value_get_buffer(data)));
  out.push_back(Label("dwStartTimeCode", "0"));
  out.push_back(Label("cbSequenceHeader", Int(sequence)));
  if (!mpeg2) return;
  const std::string profile = StringField(s, "profile"), level = StringField(s, "level");
  out.push_back(Label("dwProfile", profile.empty() ? "0" : profile));
  out.push_back(Label("dwLevel", level.empty() ? "0" : level));
  out.push_back(Label("dwFlags", "0"));
}

// The wave format tag that goes with an audio subtype (0 when it has none).
int WaveFormatTag(const char* subtype) {
  static const std::pair<const char*, int> kTags[] = {
      {"MEDIASUBTYPE_PCM", 0x0001},          {"MEDIASUBTYPE_IEEE_FLOAT", 0x0003},
      {"MEDIASUBTYPE_MP3", 0x0055},          {"MEDIASUBTYPE_MPEG1AudioPayload", 0x0050},
      {"MEDIASUBTYPE_RAW_AAC1", 0x00FF},     {"MEDIASUBTYPE_MPEG_ADTS_AAC", 0x1600},
      {"MEDIASUBTYPE_DOLBY_AC3", 0x2000},    {"MEDIASUBTYPE_WMAUDIO2", 0x0161},
      {"MEDIASUBTYPE_FLAC", 0xF1AC},         {"MEDIASUBTYPE_Vorbis", 0x674F}};
  for (const auto& [name, tag] : kTags) {
    if (subtype && std::strcmp(subtype, name) == 0) return tag;
  }
  return 0;
}

void WaveFormatBlock(const GstStructure* s, const char* subtype, std::vector<std::string>& out) {
  const bool pcm = subtype && std::strcmp(subtype, "MEDIASUBTYPE_PCM") == 0;
  const bool flt = subtype && std::strcmp(subtype, "MEDIASUBTYPE_IEEE_FLOAT") == 0;
  int channels = IntField(s, "channels"), rate = IntField(s, "rate");
  int bits = (pcm || flt) ? AudioBits(StringField(s, "format")) : 0;
  int align = channels * bits / 8;
  // Compressed streams: the byte rate from the stream's own bit rate when it tells one.
  const long long avgBytes = (pcm || flt) ? static_cast<long long>(rate) * align : IntField(s, "bitrate") / 8;
  out.push_back(Label("wFormatTag", Int(WaveFormatTag(subtype))));
  out.push_back(Label("nChannels", Int(channels)));
  out.push_back(Label("nSamplesPerSec", Int(rate)));
  out.push_back(Label("nAvgBytesPerSec", Int(avgBytes)));
  out.push_back(Label("nBlockAlign", Int(align)));
  out.push_back(Label("wBitsPerSample", Int(bits)));
  out.push_back(Label("cbSize", "0"));
}

// Visits every element inside the bin, depth first, surviving changes while iterating.
void ForEachElement(GstElement* bin, const std::function<void(GstElement*)>& fn) {
  fn(bin);
  if (!GST_IS_BIN(bin)) return;
  std::vector<GstElement*> children;
  GstIterator* it = gst_bin_iterate_sorted(GST_BIN(bin));
  GValue v = G_VALUE_INIT;
  for (bool done = false; !done;) {
    switch (gst_iterator_next(it, &v)) {
      case GST_ITERATOR_OK:
        children.push_back(GST_ELEMENT(gst_object_ref(g_value_get_object(&v))));
        g_value_reset(&v);
        break;
      case GST_ITERATOR_RESYNC:
        for (GstElement* e : children) gst_object_unref(e);
        children.clear();
        gst_iterator_resync(it);
        break;
      default:
        done = true;
    }
  }
  g_value_unset(&v);
  gst_iterator_free(it);
  std::reverse(children.begin(), children.end());  // sources first
  for (GstElement* e : children) {
    ForEachElement(e, fn);
    gst_object_unref(e);
  }
}

std::vector<GstPad*> PadsOf(GstElement* element) {
  std::vector<GstPad*> pads;
  GST_OBJECT_LOCK(element);
  for (GList* l = element->pads; l; l = l->next) pads.push_back(GST_PAD(gst_object_ref(l->data)));
  GST_OBJECT_UNLOCK(element);
  return pads;
}

}  // namespace

GstElement* PipelineOf(TMediaGraph* graph) {
  auto* extras = dynamic_cast<TGstGraphExtras*>(graph);
  return extras ? extras->Pipeline() : nullptr;
}

std::vector<std::string> DumpCaps(const GstCaps* caps) {
  std::vector<std::string> out;
  if (!caps || gst_caps_is_empty(caps) || gst_caps_is_any(caps)) {
    out.push_back(Label("メジャータイプ", "UnKnown"));
    out.push_back(Label("UnKnown", TakeString(caps ? gst_caps_to_string(caps) : nullptr)));
    return out;
  }
  const GstStructure* s = gst_caps_get_structure(caps, 0);
  MediaTypeNames m = MapCaps(s);
  const std::string capsText = TakeString(gst_caps_to_string(caps));
  out.push_back(Label("メジャータイプ", m.major ? m.major : "UnKnown"));
  out.push_back(Label("サブタイプ", m.subtype ? m.subtype : "UnKnown"));
  out.push_back(Label("bFixedSizeSamples", Bool(m.fixedSize)));
  out.push_back(Label("bTemporalCompression", Bool(m.temporal)));
  int sampleSize = 0;
  if (m.fixedSize && m.major && std::strcmp(m.major, "MEDIATYPE_Audio") == 0)
    sampleSize = IntField(s, "channels") * AudioBits(StringField(s, "format")) / 8;
  out.push_back(Label("lSampleSize", Int(sampleSize)));
  const bool known = m.major && m.subtype && gst_caps_is_fixed(caps);
  out.push_back(Label("formattype", known ? m.format : "UnKnown"));
  if (!known) {
    out.push_back(Label("UnKnown", capsText));
  } else if (std::strcmp(m.format, "FORMAT_VideoInfo") == 0) {
    VideoInfoBlock(s, m.fixedSize, false, out);
  } else if (std::strcmp(m.format, "FORMAT_VideoInfo2") == 0) {
    VideoInfoBlock(s, m.fixedSize, true, out);
  } else if (std::strcmp(m.format, "FORMAT_MPEGVideo") == 0 ||
             std::strcmp(m.format, "FORMAT_MPEG2Video") == 0) {
    const bool mpeg2 = std::strcmp(m.format, "FORMAT_MPEG2Video") == 0;
    VideoInfoBlock(s, false, mpeg2, out);
    MpegVideoLines(s, mpeg2, out);
  } else if (std::strcmp(m.format, "FORMAT_WaveFormatEx") == 0) {
    WaveFormatBlock(s, m.subtype, out);
  }
  return out;
}

std::vector<std::string> DumpPipeline(GstElement* pipeline) {
  if (!pipeline) return {"未接続"};
  std::vector<std::string> out;
  ForEachElement(pipeline, [&](GstElement* element) {
    GstElementFactory* factory = gst_element_get_factory(element);
    std::string name = TakeString(gst_element_get_name(element));
    out.push_back(Label("フィルタの名前", name));
    if (factory) {
      out.push_back(Label("ファクトリ", GST_OBJECT_NAME(factory)));
      const char* author = gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_AUTHOR);
      if (author) out.push_back(Label("ベンダーの名前", author));
    }
    for (GstPad* pad : PadsOf(element)) {
      std::string padName = TakeString(gst_pad_get_name(pad));
      out.push_back(Label("ピンの名前", padName));
      out.push_back(Label("ピンの向き", GST_PAD_DIRECTION(pad) == GST_PAD_SRC ? "OUTPUT" : "INPUT"));
      out.push_back(Label("ピンのID", name + "." + padName));
      if (GstCaps* caps = gst_pad_get_current_caps(pad)) {
        for (auto& line : DumpCaps(caps)) out.push_back(std::move(line));
        gst_caps_unref(caps);
      } else {
        out.push_back(Label("メジャータイプ", "未接続"));
      }
      out.emplace_back();
      gst_object_unref(pad);
    }
    out.push_back("-----------------------");
  });
  return out;
}

std::vector<std::string> ListRegisteredFilters() {
  // Each category and the element-class words that all have to appear for an element to
  // belong to it; no words: the category has no counterpart here.
  static const std::pair<const char*, std::vector<const char*>> kCategories[] = {
      {"Audio Capture Sources", {"Source", "Audio"}},
      {"Audio Compressors", {"Codec", "Encoder", "Audio"}},
      {"Audio Renderers", {"Sink", "Audio"}},
      {"Device Control Filters", {}},
      {"DirectShow Filters", {"Codec", "Decoder"}},
      {"External Renderers", {}},
      {"Midi Renderers", {}},
      {"Video Capture Sources", {"Source", "Video"}},
      {"Video Compressors", {"Codec", "Encoder", "Video"}},
      {"Video Effects (1 input)", {"Filter", "Effect", "Video"}},
      {"Video Effects (2 inputs)", {"Video", "Compositor"}},
      {"WDM Streaming Capture Devices", {}},
      {"WDM Streaming Crossbar Devices", {}},
      {"WDM Streaming Rendering Devices", {}},
      {"WDM Streaming Tee/Splitter Devices", {}},
      {"WDM Streaming TV Audio Devices", {}},
      {"WDM Streaming TV Tuner Devices", {}},
      {"WDM Streaming VBI Codecs", {}},
      {"ActiveMovie Filter Categories", {}},
  };
  GList* factories = gst_registry_get_feature_list(gst_registry_get(), GST_TYPE_ELEMENT_FACTORY);
  std::vector<std::string> out;
  for (const auto& [category, words] : kCategories) {
    out.push_back(std::string("*** ") + category + " ***");
    std::vector<std::string> found;
    for (GList* l = factories; l && !words.empty(); l = l->next) {
      auto* f = GST_ELEMENT_FACTORY(l->data);
      const char* klass = gst_element_factory_get_metadata(f, GST_ELEMENT_METADATA_KLASS);
      if (!klass) continue;
      gchar** parts = g_strsplit(klass, "/", -1);
      bool all = std::all_of(words.begin(), words.end(),
                             [&](const char* w) { return g_strv_contains(parts, w); });
      g_strfreev(parts);
      if (!all) continue;
      const char* longName = gst_element_factory_get_metadata(f, GST_ELEMENT_METADATA_LONGNAME);
      const char* desc = gst_element_factory_get_metadata(f, GST_ELEMENT_METADATA_DESCRIPTION);
      std::string line = longName ? longName : GST_OBJECT_NAME(f);
      if (desc && *desc) line += std::string(" / ") + desc;
      found.push_back(std::move(line));
    }
    if (found.empty()) {
      out.push_back("無し");
    } else {
      std::sort(found.begin(), found.end());
      for (auto& line : found) out.push_back(std::move(line));
    }
    out.emplace_back();
  }
  gst_plugin_feature_list_free(factories);
  return out;
}

bool WritePipelineDot(GstElement* pipeline, const std::string& path) {
  if (!pipeline || !GST_IS_BIN(pipeline)) return false;
  std::string dot = TakeString(gst_debug_bin_to_dot_data(GST_BIN(pipeline), GST_DEBUG_GRAPH_SHOW_ALL));
  return !dot.empty() && WriteFileAtomicUtf8(path, dot);
}

void LogBusDiagnostics(GstMessage* msg) {
  const char* source = GST_MESSAGE_SRC(msg) ? GST_OBJECT_NAME(GST_MESSAGE_SRC(msg)) : "";
  std::vector<std::string> lines;
  if (GST_MESSAGE_TYPE(msg) == GST_MESSAGE_ERROR || GST_MESSAGE_TYPE(msg) == GST_MESSAGE_WARNING) {
    const bool error = GST_MESSAGE_TYPE(msg) == GST_MESSAGE_ERROR;
    GError* err = nullptr;
    gchar* dbg = nullptr;
    if (error) gst_message_parse_error(msg, &err, &dbg);
    else gst_message_parse_warning(msg, &err, &dbg);
    lines.push_back(std::string(error ? "エラー: " : "警告: ") + (err ? err->message : "") + " (" +
                    (source ? source : "") + ")");
    // The debug text spans several lines of its own: one log line each.
    if (dbg && *dbg) {
      gchar** parts = g_strsplit(dbg, "\n", -1);
      for (gchar** p = parts; *p; ++p) {
        if (**p) lines.push_back("   " + std::string(*p));
      }
      g_strfreev(parts);
    }
    if (err) g_error_free(err);
    g_free(dbg);
  } else if (gst_is_missing_plugin_message(msg)) {
    const GstStructure* s = gst_message_get_structure(msg);
    const GValue* detail = s ? gst_structure_get_value(s, "detail") : nullptr;
    const GstCaps* caps = detail && G_VALUE_HOLDS(detail, GST_TYPE_CAPS) ? gst_value_get_caps(detail) : nullptr;
    const std::string type = s ? StringField(s, "type") : "";
    if (caps && (type == "decoder" || type == "encoder")) {
      lines.push_back(TakeString(gst_pb_utils_get_codec_description(caps)) +
                      (type == "decoder" ? " デコーダがありません" : " エンコーダがありません"));
    } else {
      lines.push_back(TakeString(gst_missing_plugin_message_get_description(msg)) + " がありません");
    }
    // The caps name the stream exactly (a container's codec id, for instance).
    if (caps) lines.push_back("   " + TakeString(gst_caps_to_string(caps)));
  }
  if (!lines.empty()) DebugWriteLines(lines);
}

void DebugWriteLines(const std::vector<std::string>& lines) {
  TDebugLog& log = TDebugLog::Instance();
  log.BeginGroup();
  for (const auto& line : lines) log.Write(line);
  log.EndGroup();
}

}  // namespace mivaro
