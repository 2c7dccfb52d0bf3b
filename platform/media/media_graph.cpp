// Filter and pin bookkeeping and the event queue shared by every graph engine.
#include "platform/media/media_graph.h"

#include "platform/media/graph_helpers.h"

#include <algorithm>
#include <chrono>

namespace mivaro {

HRESULT TMediaPin::ConnectedTo(TMediaPin** peer) const {
  if (peer) *peer = peer_;
  return peer_ ? S_OK : E_FAIL;
}

HRESULT TMediaPin::ConnectionMediaType(TMediaType* type) const {
  if (!peer_) return E_FAIL;
  if (type) *type = type_;
  return S_OK;
}

TMediaFilter::TMediaFilter(TFilterKind kind, std::string element, WString friendlyName)
    : kind_(kind), element_(std::move(element)), friendlyName_(std::move(friendlyName)) {}

TMediaPin* TMediaFilter::AddPin(WString name, TPinDirection direction, TMediaMajor accepts) {
  pins_.push_back(std::make_unique<TMediaPin>(this, std::move(name), direction, accepts));
  return pins_.back().get();
}

TMediaFilterPtr MakeMediaFilter(TFilterKind kind, std::string element, WString friendlyName) {
  auto f = std::make_shared<TMediaFilter>(kind, std::move(element), std::move(friendlyName));
  switch (kind) {
    case TFilterKind::Source:
      f->AddPin(u"Output 01", PINDIR_OUTPUT, TMediaMajor::None);
      f->AddPin(u"Output 02", PINDIR_OUTPUT, TMediaMajor::None);
      break;
    case TFilterKind::VideoDecoder:
      f->AddPin(u"In", PINDIR_INPUT, TMediaMajor::Video);
      f->AddPin(u"Out", PINDIR_OUTPUT, TMediaMajor::Video);
      break;
    case TFilterKind::AudioDecoder:
      f->AddPin(u"In", PINDIR_INPUT, TMediaMajor::Audio);
      f->AddPin(u"Out", PINDIR_OUTPUT, TMediaMajor::Audio);
      break;
    case TFilterKind::VideoRenderer:
      f->AddPin(u"Input", PINDIR_INPUT, TMediaMajor::Video);
      break;
    case TFilterKind::AudioRenderer:
      f->AddPin(u"Audio Input pin (rendered)", PINDIR_INPUT, TMediaMajor::Audio);
      break;
    case TFilterKind::OverlayMixer:
      f->AddPin(u"Input0", PINDIR_INPUT, TMediaMajor::Video);
      f->AddPin(u"Output", PINDIR_OUTPUT, TMediaMajor::Video);
      f->SetColorKey(kDefaultOverlayColorKey);
      break;
    case TFilterKind::SampleGrabber:
      f->AddPin(u"Input", PINDIR_INPUT, TMediaMajor::None);
      f->AddPin(u"Output", PINDIR_OUTPUT, TMediaMajor::None);
      break;
    case TFilterKind::Other:
      break;
  }
  return f;
}

TMediaGraph::~TMediaGraph() {
  for (auto& f : filters_) {
    for (auto& p : f->pins_) {
      p->peer_ = nullptr;
    }
    f->graph_ = nullptr;
  }
}

HRESULT TMediaGraph::AddFilter(const TMediaFilterPtr& filter, WStringView name) {
  if (!filter) return E_POINTER;
  if (filter->graph_) return E_FAIL;
  filter->graph_ = this;
  filter->name_ = WString(name);
  filters_.push_back(filter);
  return S_OK;
}

HRESULT TMediaGraph::RemoveFilter(const TMediaFilterPtr& filter) {
  if (!filter) return E_POINTER;
  auto it = std::find(filters_.begin(), filters_.end(), filter);
  if (it == filters_.end()) return E_FAIL;
  for (auto& p : filter->pins_) {
    if (p->peer_) Disconnect(p.get());
  }
  filter->graph_ = nullptr;
  filters_.erase(it);
  return S_OK;
}

static bool MajorsMeet(TMediaMajor a, TMediaMajor b) {
  return a == TMediaMajor::None || b == TMediaMajor::None || a == b;
}

HRESULT TMediaGraph::Connect(TMediaPin* out, TMediaPin* in) {
  if (!out || !in) return E_POINTER;
  if (out->direction_ != PINDIR_OUTPUT || in->direction_ != PINDIR_INPUT) return E_FAIL;
  if (out->peer_ || in->peer_) return E_FAIL;
  if (out->filter_->graph_ != this || in->filter_->graph_ != this) return E_FAIL;
  if (!MajorsMeet(out->accepts_, in->accepts_)) return E_FAIL;
  TMediaType type;
  type.major = out->accepts_ != TMediaMajor::None ? out->accepts_ : in->accepts_;
  MarkConnected(out, in, type);
  return S_OK;
}

HRESULT TMediaGraph::Disconnect(TMediaPin* pin) {
  if (!pin) return E_POINTER;
  if (!pin->peer_) return S_FALSE;
  TMediaPin* peer = pin->peer_;
  pin->peer_ = nullptr;
  if (peer->peer_ == pin) peer->peer_ = nullptr;
  return S_OK;
}

TMediaGraph::TRenderFilters TMediaGraph::FindRenderFilters() const {
  TRenderFilters found;
  for (const auto& f : filters_) {
    switch (f->Kind()) {
      case TFilterKind::OverlayMixer: if (!found.mixer) found.mixer = f; break;
      case TFilterKind::VideoRenderer: if (!found.renderer) found.renderer = f; break;
      case TFilterKind::VideoDecoder: if (!found.videoDecoder) found.videoDecoder = f; break;
      case TFilterKind::AudioDecoder: if (!found.audioDecoder) found.audioDecoder = f; break;
      case TFilterKind::AudioRenderer: if (!found.audioRenderer) found.audioRenderer = f; break;
      default: break;
    }
  }
  return found;
}

void TMediaGraph::MarkRenderedChain(TMediaPin* from, const TMediaFilterPtr& decoder,
                                    const TMediaFilter* target, const TMediaType& type) {
  if (decoder) {
    MarkConnected(from, decoder->Pins()[0].get(), type);
    from = decoder->Pins()[1].get();
  }
  TMediaPin* in = nullptr;
  if (FindFreePin(target, PINDIR_INPUT, &in) == S_OK) MarkConnected(from, in, type);
}

void TMediaGraph::MarkConnected(TMediaPin* out, TMediaPin* in, const TMediaType& type) {
  if (!out || !in) return;
  out->peer_ = in;
  in->peer_ = out;
  out->type_ = type;
  in->type_ = type;
}

void TMediaEventQueue::SetNotifyWindow(std::function<void()> notify) {
  std::lock_guard lock(mutex_);
  notify_ = std::move(notify);
  noNotify_ = false;
}

void TMediaEventQueue::SetNotifyFlags(int flags) {
  std::lock_guard lock(mutex_);
  noNotify_ = (flags & AM_MEDIAEVENT_NONOTIFY) != 0;
}

HRESULT TMediaEventQueue::GetEvent(int* code, std::intptr_t* param1, std::intptr_t* param2,
                              int timeoutMs) {
  std::unique_lock lock(mutex_);
  if (events_.empty() && timeoutMs > 0) {
    cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                      [this] { return !events_.empty(); });
  }
  if (events_.empty()) return E_ABORT;
  Event e = events_.front();
  events_.pop_front();
  if (code) *code = e.code;
  if (param1) *param1 = e.param1;
  if (param2) *param2 = e.param2;
  return S_OK;
}

void TMediaEventQueue::PostEvent(int code, std::intptr_t param1, std::intptr_t param2) {
  std::function<void()> notify;
  {
    std::lock_guard lock(mutex_);
    events_.push_back({code, param1, param2});
    if (!noNotify_) notify = notify_;
  }
  cv_.notify_all();
  if (notify) notify();
}

void TMediaEventQueue::Wake() {
  std::function<void()> notify;
  {
    std::lock_guard lock(mutex_);
    if (!noNotify_) notify = notify_;
  }
  if (notify) notify();
}

std::size_t TMediaEventQueue::PendingEvents() const {
  std::lock_guard lock(mutex_);
  return events_.size();
}

}  // namespace mivaro
