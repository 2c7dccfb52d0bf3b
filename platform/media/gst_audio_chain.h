// The audio filter the GStreamer engine gives playbin: pitch-kept rate changes, and a
// balance stage that is in the chain only while the balance is off centre.
//
// audiopanorama mixes every stream to stereo. Kept in the chain for ever, it would turn
// 5.1 into two channels even at centre balance, so it is linked in when the balance
// leaves the centre and taken out again when it comes back; the channels pass untouched
// meanwhile. The relinking happens while the stream is idle between buffers (on the
// calling thread when nothing flows, else on the streaming thread, a buffer later).
//
// scaletempo keeps speech at its pitch when the rate is not 1.0; it is linked in the same
// way only for such rates, since it holds back the first samples (and so the first frame
// of the open) while it fills its window.
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
  // The playback rate; 1.0 takes the tempo stage out.
  void SetRate(double rate);
  // The balance stage while it is in the chain (own reference; nullptr at centre).
  GstElement* Panorama() const;

 private:
  static GstPadProbeReturn OnIdle(GstPad* pad, GstPadProbeInfo* info, gpointer self);
  // Queues a relink when the stages in the chain are not the ones wanted (mutex_ held;
  // the probe is added after it is released).
  GstPad* RelinkPadIfNeeded();
  void Relink();

  GstElement* bin_ = nullptr;   // own reference
  GstElement* head_ = nullptr;  // the element before the optional stages (in bin_)
  GstElement* tail_ = nullptr;  // the element after them (in bin_)
  mutable std::mutex mutex_;
  GstElement* tempo_ = nullptr;     // own references of the optional stages in the chain
  GstElement* convert_ = nullptr;   // balance: audioconvert ! audiopanorama
  GstElement* panorama_ = nullptr;
  float balance_ = 0;
  double rate_ = 1.0;
  bool relinkQueued_ = false;
};

}  // namespace mivaro
