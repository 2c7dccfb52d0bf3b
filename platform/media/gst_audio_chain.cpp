// The GStreamer engine's audio filter (see gst_audio_chain.h).
#include "platform/media/gst_audio_chain.h"

namespace mivaro {

TGstAudioChain::~TGstAudioChain() {
  for (GstElement* e : {tempo_, convert_, panorama_, bin_})
    if (e) gst_object_unref(e);
}

GstElement* TGstAudioChain::Build() {
  GstElement* convert = gst_element_factory_make("audioconvert", nullptr);
  GstElement* interleaved = gst_element_factory_make("capsfilter", nullptr);
  GstElement* tail = gst_element_factory_make("identity", nullptr);
  if (!convert || !interleaved || !tail) {
    for (GstElement* e : {convert, interleaved, tail})
      if (e) gst_object_unref(gst_object_ref_sink(e));
    return nullptr;
  }
  // The stages are relinked behind a fixed interleaved layout. Left free, the converter
  // passed the decoder's planar samples through while no stage was linked and had to
  // switch layouts at every relink, and a buffer still in flight then met caps of the
  // other layout (a planar audio meta on interleaved caps, or "not-negotiated").
  GstCaps* caps = gst_caps_from_string("audio/x-raw,layout=interleaved");
  g_object_set(interleaved, "caps", caps, nullptr);
  gst_caps_unref(caps);
  GstElement* bin = gst_bin_new("audiofilter");
  gst_bin_add_many(GST_BIN(bin), convert, interleaved, tail, nullptr);
  gst_element_link_many(convert, interleaved, tail, nullptr);
  head_ = interleaved;
  tail_ = tail;
  for (auto [element, name] : {std::pair{convert, "sink"}, std::pair{tail, "src"}}) {
    GstPad* target = gst_element_get_static_pad(element, name);
    gst_element_add_pad(bin, gst_ghost_pad_new(name, target));
    gst_object_unref(target);
  }
  bin_ = GST_ELEMENT(gst_object_ref(bin));
  return bin;
}

GstPad* TGstAudioChain::RelinkPadIfNeeded() {
  const bool tempo = rate_ != 1.0, balance = balance_ != 0;
  if (!bin_ || relinkQueued_ ||
      (tempo == (tempo_ != nullptr) && balance == (panorama_ != nullptr)))
    return nullptr;
  relinkQueued_ = true;
  return gst_element_get_static_pad(head_, "src");
}

void TGstAudioChain::SetBalance(long balance) {
  GstPad* pad = nullptr;
  {
    std::lock_guard lock(mutex_);
    balance_ = static_cast<float>(balance) / 10000.0f;
    if (panorama_) g_object_set(panorama_, "panorama", balance_, nullptr);
    pad = RelinkPadIfNeeded();
  }
  if (!pad) return;
  gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_IDLE, OnIdle, this, nullptr);
  gst_object_unref(pad);
}

void TGstAudioChain::SetRate(double rate) {
  GstPad* pad = nullptr;
  {
    std::lock_guard lock(mutex_);
    rate_ = rate;
    pad = RelinkPadIfNeeded();
  }
  if (!pad) return;
  gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_IDLE, OnIdle, this, nullptr);
  gst_object_unref(pad);
}

GstElement* TGstAudioChain::Panorama() const {
  std::lock_guard lock(mutex_);
  return panorama_;
}

GstPadProbeReturn TGstAudioChain::OnIdle(GstPad*, GstPadProbeInfo*, gpointer self) {
  static_cast<TGstAudioChain*>(self)->Relink();
  return GST_PAD_PROBE_REMOVE;
}

namespace {

GstElement* Make(const char* factory) {
  GstElement* e = gst_element_factory_make(factory, nullptr);
  return e ? GST_ELEMENT(gst_object_ref_sink(e)) : nullptr;
}

}  // namespace

void TGstAudioChain::Relink() {
  std::lock_guard lock(mutex_);
  relinkQueued_ = false;
  // Take the optional stages out, then link in those wanted now.
  GstElement* prev = head_;
  for (GstElement** e : {&tempo_, &convert_, &panorama_}) {
    if (!*e) continue;
    gst_element_unlink(prev, *e);
    prev = *e;
  }
  gst_element_unlink(prev, tail_);
  for (GstElement** e : {&tempo_, &convert_, &panorama_}) {
    if (!*e) continue;
    gst_element_set_state(*e, GST_STATE_NULL);
    gst_bin_remove(GST_BIN(bin_), *e);
    gst_object_unref(*e);
    *e = nullptr;
  }
  if (rate_ != 1.0) tempo_ = Make("scaletempo");
  if (balance_ != 0) {
    convert_ = Make("audioconvert");
    panorama_ = Make("audiopanorama");
    if (!convert_ || !panorama_) {
      for (GstElement** e : {&convert_, &panorama_})
        if (*e) gst_object_unref(*e);
      convert_ = panorama_ = nullptr;
    } else {
      g_object_set(panorama_, "panorama", balance_, nullptr);
    }
  }
  prev = head_;
  for (GstElement* e : {tempo_, convert_, panorama_}) {
    if (!e) continue;
    gst_bin_add(GST_BIN(bin_), e);
    gst_element_link(prev, e);
    prev = e;
  }
  gst_element_link(prev, tail_);
  for (GstElement* e : {tempo_, convert_, panorama_})
    if (e) gst_element_sync_state_with_parent(e);
}

}  // namespace mivaro
