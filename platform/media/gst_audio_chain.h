// The audio filter the GStreamer engine gives playbin: pitch-kept rate changes and the
// balance, both without ever relinking the chain while the stream flows.
//
//   audioconvert ! capsfilter (F32 interleaved, two channels or more) ! scaletempo
//
// The layout is fixed so that the balance can be applied in place: a buffer probe on the
// capsfilter's source pad scales the channels of one side, and every channel is kept
// (5.1 stays 5.1; mono becomes stereo so that the balance has two sides to work on).
// scaletempo keeps speech at its pitch when the rate is not 1.0 and passes buffers
// through untouched at 1.0, so it stays in the chain for good.
//
// The chain used to link a panorama stage and the tempo stage in and out on a pad's idle
// probe. A buffer in flight during the relink sometimes met caps of the other layout, and
// the decoder then stopped with "not-negotiated"; nothing is relinked any more.
#pragma once

#include <gst/gst.h>

#include <array>
#include <atomic>

namespace mivaro {

class TGstAudioChain {
 public:
  TGstAudioChain() = default;
  ~TGstAudioChain();
  TGstAudioChain(const TGstAudioChain&) = delete;
  TGstAudioChain& operator=(const TGstAudioChain&) = delete;

  // Makes the bin (a floating reference, for playbin's "audio-filter"); nullptr when an
  // element is missing, and the engine then plays without a filter.
  GstElement* Build();
  // Balance in 1/100 dB, -10000 (left only) .. 10000 (right only): the channels of the
  // other side are attenuated by |balance| / 100 dB, silent at the ends; 0 is centre.
  // Any thread; takes effect from the next buffer.
  void SetBalance(long balance);

 private:
  // Runs on the streaming thread: caps events give the channel layout, buffers get the
  // gains of the sides.
  static GstPadProbeReturn OnData(GstPad* pad, GstPadProbeInfo* info, gpointer self);
  void TakeLayout(GstCaps* caps);
  void ApplyGains(GstPadProbeInfo* info);

  GstElement* bin_ = nullptr;  // own reference
  std::atomic<float> leftGain_{1.0f}, rightGain_{1.0f};
  // The side of each channel (-1 left, 1 right, 0 centre or none) of the current caps;
  // written and read on the streaming thread only.
  static constexpr int kMaxChannels = 64;
  std::array<signed char, kMaxChannels> sides_{};
  int channels_ = 0;
};

}  // namespace mivaro
