// The GStreamer engine's audio filter (see gst_audio_chain.h).
#include "platform/media/gst_audio_chain.h"

namespace mivaro {

TGstAudioChain::~TGstAudioChain() {
  if (panorama_) gst_object_unref(panorama_);
  if (convert_) gst_object_unref(convert_);
  if (bin_) gst_object_unref(bin_);
}

GstElement* TGstAudioChain::Build() {
  GstElement* convert = gst_element_factory_make("audioconvert", nullptr);
  GstElement* tempo = gst_element_factory_make("scaletempo", nullptr);  // optional
  GstElement* tail = gst_element_factory_make("identity", nullptr);
  if (!convert || !tail) {
    for (GstElement* e : {convert, tempo, tail})
      if (e) gst_object_unref(gst_object_ref_sink(e));
    return nullptr;
  }
  GstElement* bin = gst_bin_new("audiofilter");
  gst_bin_add_many(GST_BIN(bin), convert, tail, nullptr);
  head_ = convert;
  if (tempo) {
    gst_bin_add(GST_BIN(bin), tempo);
    gst_element_link(convert, tempo);
    head_ = tempo;
  }
  gst_element_link(head_, tail);
  tail_ = tail;
  for (auto [element, name] : {std::pair{convert, "sink"}, std::pair{tail, "src"}}) {
    GstPad* target = gst_element_get_static_pad(element, name);
    gst_element_add_pad(bin, gst_ghost_pad_new(name, target));
    gst_object_unref(target);
  }
  bin_ = GST_ELEMENT(gst_object_ref(bin));
  return bin;
}

void TGstAudioChain::SetBalance(long balance) {
  GstPad* pad = nullptr;
  {
    std::lock_guard lock(mutex_);
    balance_ = static_cast<float>(balance) / 10000.0f;
    if (panorama_) g_object_set(panorama_, "panorama", balance_, nullptr);
    const bool need = balance != 0;
    if (!bin_ || need == (panorama_ != nullptr) || relinkQueued_) return;
    relinkQueued_ = true;
    pad = gst_element_get_static_pad(head_, "src");
  }
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

void TGstAudioChain::Relink() {
  std::lock_guard lock(mutex_);
  relinkQueued_ = false;
  const bool need = balance_ != 0;
  if (need && !panorama_) {
    GstElement* convert = gst_element_factory_make("audioconvert", nullptr);
    GstElement* panorama = gst_element_factory_make("audiopanorama", nullptr);
    if (!convert || !panorama) {
      for (GstElement* e : {convert, panorama})
        if (e) gst_object_unref(gst_object_ref_sink(e));
      return;
    }
    convert_ = GST_ELEMENT(gst_object_ref_sink(convert));
    panorama_ = GST_ELEMENT(gst_object_ref_sink(panorama));
    g_object_set(panorama_, "panorama", balance_, nullptr);
    gst_bin_add_many(GST_BIN(bin_), convert_, panorama_, nullptr);
    gst_element_unlink(head_, tail_);
    gst_element_link_many(head_, convert_, panorama_, tail_, nullptr);
    gst_element_sync_state_with_parent(panorama_);
    gst_element_sync_state_with_parent(convert_);
  } else if (!need && panorama_) {
    gst_element_unlink(head_, convert_);
    gst_element_unlink(panorama_, tail_);
    for (GstElement* e : {convert_, panorama_}) {
      gst_element_set_state(e, GST_STATE_NULL);
      gst_bin_remove(GST_BIN(bin_), e);
      gst_object_unref(e);
    }
    convert_ = panorama_ = nullptr;
    gst_element_link(head_, tail_);
  }
}

}  // namespace mivaro
