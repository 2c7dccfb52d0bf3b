// The GStreamer engine's audio filter (see gst_audio_chain.h).
#include "platform/media/gst_audio_chain.h"

#include <gst/audio/audio.h>

#include <cmath>

namespace mivaro {

namespace {

// Which side a speaker stands on; the centre, the subwoofers and unplaced channels keep
// their level whatever the balance.
signed char SideOf(GstAudioChannelPosition position) {
  switch (position) {
    case GST_AUDIO_CHANNEL_POSITION_FRONT_LEFT:
    case GST_AUDIO_CHANNEL_POSITION_REAR_LEFT:
    case GST_AUDIO_CHANNEL_POSITION_FRONT_LEFT_OF_CENTER:
    case GST_AUDIO_CHANNEL_POSITION_SIDE_LEFT:
    case GST_AUDIO_CHANNEL_POSITION_TOP_FRONT_LEFT:
    case GST_AUDIO_CHANNEL_POSITION_TOP_REAR_LEFT:
    case GST_AUDIO_CHANNEL_POSITION_TOP_SIDE_LEFT:
    case GST_AUDIO_CHANNEL_POSITION_BOTTOM_FRONT_LEFT:
    case GST_AUDIO_CHANNEL_POSITION_WIDE_LEFT:
    case GST_AUDIO_CHANNEL_POSITION_SURROUND_LEFT:
      return -1;
    case GST_AUDIO_CHANNEL_POSITION_FRONT_RIGHT:
    case GST_AUDIO_CHANNEL_POSITION_REAR_RIGHT:
    case GST_AUDIO_CHANNEL_POSITION_FRONT_RIGHT_OF_CENTER:
    case GST_AUDIO_CHANNEL_POSITION_SIDE_RIGHT:
    case GST_AUDIO_CHANNEL_POSITION_TOP_FRONT_RIGHT:
    case GST_AUDIO_CHANNEL_POSITION_TOP_REAR_RIGHT:
    case GST_AUDIO_CHANNEL_POSITION_TOP_SIDE_RIGHT:
    case GST_AUDIO_CHANNEL_POSITION_BOTTOM_FRONT_RIGHT:
    case GST_AUDIO_CHANNEL_POSITION_WIDE_RIGHT:
    case GST_AUDIO_CHANNEL_POSITION_SURROUND_RIGHT:
      return 1;
    default:
      return 0;
  }
}

}  // namespace

TGstAudioChain::~TGstAudioChain() {
  if (bin_) gst_object_unref(bin_);
}

GstElement* TGstAudioChain::Build() {
  GstElement* convert = gst_element_factory_make("audioconvert", nullptr);
  GstElement* layout = gst_element_factory_make("capsfilter", nullptr);
  GstElement* tempo = gst_element_factory_make("scaletempo", nullptr);
  if (!convert || !layout || !tempo) {
    for (GstElement* e : {convert, layout, tempo})
      if (e) gst_object_unref(gst_object_ref_sink(e));
    return nullptr;
  }
  GstCaps* caps = gst_caps_from_string(
      "audio/x-raw,format=" GST_AUDIO_NE(F32) ",layout=interleaved,channels=[2,64]");
  g_object_set(layout, "caps", caps, nullptr);
  gst_caps_unref(caps);
  GstElement* bin = gst_bin_new("audiofilter");
  gst_bin_add_many(GST_BIN(bin), convert, layout, tempo, nullptr);
  gst_element_link_many(convert, layout, tempo, nullptr);
  for (auto [element, name] : {std::pair{convert, "sink"}, std::pair{tempo, "src"}}) {
    GstPad* target = gst_element_get_static_pad(element, name);
    gst_element_add_pad(bin, gst_ghost_pad_new(name, target));
    gst_object_unref(target);
  }
  GstPad* pad = gst_element_get_static_pad(layout, "src");
  gst_pad_add_probe(pad,
                    static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER |
                                                 GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
                    OnData, this, nullptr);
  gst_object_unref(pad);
  bin_ = GST_ELEMENT(gst_object_ref(bin));
  return bin;
}

void TGstAudioChain::SetBalance(long balance) {
  // The same decibel scale as the volume: 10^(dB / 20), with dB = -|balance| / 100.
  const long b = std::abs(balance);
  const float attenuated = b >= 10000 ? 0.0f : static_cast<float>(std::pow(10.0, -b / 2000.0));
  leftGain_ = balance > 0 ? attenuated : 1.0f;
  rightGain_ = balance < 0 ? attenuated : 1.0f;
}

GstPadProbeReturn TGstAudioChain::OnData(GstPad*, GstPadProbeInfo* info, gpointer data) {
  auto* self = static_cast<TGstAudioChain*>(data);
  if (info->type & GST_PAD_PROBE_TYPE_BUFFER) {
    self->ApplyGains(info);
  } else if (GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
             event && GST_EVENT_TYPE(event) == GST_EVENT_CAPS) {
    GstCaps* caps = nullptr;
    gst_event_parse_caps(event, &caps);
    self->TakeLayout(caps);
  }
  return GST_PAD_PROBE_OK;
}

void TGstAudioChain::TakeLayout(GstCaps* caps) {
  channels_ = 0;
  GstAudioInfo info;
  if (!caps || !gst_audio_info_from_caps(&info, caps) ||
      GST_AUDIO_INFO_FORMAT(&info) != GST_AUDIO_FORMAT_F32 ||
      GST_AUDIO_INFO_CHANNELS(&info) > kMaxChannels)
    return;
  channels_ = GST_AUDIO_INFO_CHANNELS(&info);
  const bool placed = !(GST_AUDIO_INFO_FLAGS(&info) & GST_AUDIO_FLAG_UNPOSITIONED);
  for (int c = 0; c < channels_; ++c)
    sides_[c] = placed ? SideOf(info.position[c]) : 0;
  // Two channels without positions are still a left and a right one.
  if (!placed && channels_ == 2) sides_[0] = -1, sides_[1] = 1;
}

void TGstAudioChain::ApplyGains(GstPadProbeInfo* info) {
  const float left = leftGain_, right = rightGain_;
  if ((left == 1.0f && right == 1.0f) || channels_ == 0) return;
  GstBuffer* buffer = gst_buffer_make_writable(GST_PAD_PROBE_INFO_BUFFER(info));
  GST_PAD_PROBE_INFO_DATA(info) = buffer;
  GstMapInfo map;
  if (!gst_buffer_map(buffer, &map, GST_MAP_READWRITE)) return;
  std::array<float, kMaxChannels> gains;
  for (int c = 0; c < channels_; ++c)
    gains[c] = sides_[c] < 0 ? left : sides_[c] > 0 ? right : 1.0f;
  const size_t frames = map.size / (sizeof(float) * channels_);
  auto* samples = reinterpret_cast<float*>(map.data);
  for (size_t f = 0; f < frames; ++f, samples += channels_)
    for (int c = 0; c < channels_; ++c) samples[c] *= gains[c];
  gst_buffer_unmap(buffer, &map);
}

}  // namespace mivaro
