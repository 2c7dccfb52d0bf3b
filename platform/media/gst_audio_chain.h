// The audio filter the GStreamer engine gives playbin: pitch-kept rate changes, and a
// balance stage that is in the chain only while the balance is off centre.
//
// audiopanorama mixes every stream to stereo. Kept in the chain for ever, it would turn
// 5.1 into two channels even at centre balance, so it is linked in when the balance
// leaves the centre and taken out again when it comes back; the channels pass untouched
// meanwhile. The relinking happens while the stream is idle between buffers (on the
// calling thread when nothing flows, else on the streaming thread, a buffer later).
//
// scaletempo keeps speech at its pitch when the rate is not 1.0 (at 1.0 it passes the
// samples through).
#pragma once

#include <gst/gst.h>

#include <mutex>

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
  // Balance -10000 (left only) .. 10000 (right only); 0 takes the panorama stage out.
  void SetBalance(long balance);
  // The balance stage while it is in the chain (own reference; nullptr at centre).
  GstElement* Panorama() const;

 private:
  static GstPadProbeReturn OnIdle(GstPad* pad, GstPadProbeInfo* info, gpointer self);
  void Relink();

  GstElement* bin_ = nullptr;   // own reference
  GstElement* head_ = nullptr;  // last element before the balance stage (in bin_)
  GstElement* tail_ = nullptr;  // first element after it (in bin_)
  mutable std::mutex mutex_;
  GstElement* convert_ = nullptr;   // the balance stage: audioconvert ! audiopanorama
  GstElement* panorama_ = nullptr;
  float balance_ = 0;
  bool relinkQueued_ = false;
};

}  // namespace mivaro
