// Opening, seeking, capturing, navigation and the display timer of the capture window.
#include <QAction>
#include <QActionGroup>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <cmath>

#include "core/files.h"
#include "core/hooks.h"
#include "core/numbers.h"
#include "core/paths.h"
#include "platform/media/frame_grabber_live.h"
#include "ui/capture/app_tool_bmp_capture_ex.h"
#include "ui/capture/capture_widgets.h"

namespace mivaro {

namespace {

QString Q(WStringView s) { return QString::fromStdU16String(WString(s)); }

QString TimeText(double seconds) { return Q(FormatSecondsFraction(3, seconds)); }

// A QImage over the bitmap's own bytes (no copy): valid while the bitmap is unchanged.
QImage WrapBitmap(const capture::TMyBitmap& bitmap) {
  if (bitmap.Empty()) return {};
  return QImage(bitmap.rgb.data(), bitmap.width, bitmap.height, bitmap.width * 3,
                QImage::Format_RGB888);
}

}  // namespace

bool TApp_TOOLBmpCaptureEx::IsOpen() const { return graph_->IsOpen(); }
bool TApp_TOOLBmpCaptureEx::IsRunning() const { return graph_->IsRunning(); }

Qt::KeyboardModifiers TApp_TOOLBmpCaptureEx::Keys() const {
  return HeldKeys ? HeldKeys() : Qt::KeyboardModifiers();
}

bool TApp_TOOLBmpCaptureEx::Shift() const { return Keys().testFlag(Qt::ShiftModifier); }

capture::FrameClock TApp_TOOLBmpCaptureEx::Clock() const {
  capture::FrameClock c;
  c.duration = Duration;
  c.frameDuration = FrameDuration;
  c.frameTime = FrameTime();
  c.thumbs = ThumbCount();
  return c;
}

void TApp_TOOLBmpCaptureEx::OnGraphFrame(const media::FrameView& frame) {
  // Streaming thread: only the strip and the graph are touched here.
  if (Strip.OnFrame(frame) == capture::TMyCaptureStrip::FrameResult::Finished && PausedByUser) {
    graph_->PauseAsync();
  }
}

void TApp_TOOLBmpCaptureEx::SetMediaActions(bool enabled) {
  for (QAction* a : {Action_CaptureNow, Action_CaptureBack, Action_CaptureNext, Action_Play_Play,
                     Action_Play_Pause, Action_Play_Stop, Action_Play_Replay, Action_Play_Top,
                     Action_Play_End, Action_Play_SkipBack, Action_Play_SkipNext,
                     Action_Play_SecBack, Action_Play_SecNext, Action_Play_FrameBack,
                     Action_Play_FrameNext, Action_File_Close}) {
    a->setEnabled(enabled);
  }
  for (QAction* a : Action_PlayRates) a->setEnabled(enabled);
  SetCaptureControls(enabled);
}

void TApp_TOOLBmpCaptureEx::SetCaptureControls(bool enabled) {
  for (QAction* a : {Action_CaptureNow, Action_CaptureBack, Action_CaptureNext, Action_Play_Top,
                     Action_Play_End, Action_Play_SkipBack, Action_Play_SkipNext,
                     Action_Play_SecBack, Action_Play_SecNext, Action_Play_FrameBack,
                     Action_Play_FrameNext, Action_Thumb_Prev, Action_Thumb_Next}) {
    a->setEnabled(enabled);
  }
  Panel_FBack->setEnabled(enabled);
  Panel_FNext->setEnabled(enabled);
  for (TMyThumbPanel* p : panels_) p->setEnabled(enabled);
  TrackBar_Seek->setEnabled(enabled);
}

void TApp_TOOLBmpCaptureEx::CloseMedia() {
  Timer_Time->stop();
  Timer_Capture->stop();
  graph_->Close();
  Strip.Clear();
  Capturing = false;
  PausedByUser = false;
  CaptureStart = -1.0;
  Duration = 0.0;
  ClockTime = 0.0;
  shown_ = capture::TMyBitmap{};
  Panel_Video->SetFrame(QImage());
  Panel_Video->SetExternal(false);
  updating_seek_ = true;
  TrackBar_Seek->setRange(0, 0);
  updating_seek_ = false;
  Label_Time->clear();
  Label_Duration->clear();
  Label_Size->clear();
  SetMediaActions(false);
}

bool TApp_TOOLBmpCaptureEx::OpenFile(WStringView file) {
  CloseMedia();
  FileName = WString(file);
  if (!FileExists(file)) {
    ShowMessage(FileName + u"\rファイルが存在しません", MessageKind::Error);
    return false;
  }
  setWindowTitle(Q(ExtractFileName(file)));
  const bool grabber = Action_Opt_SampleGrabber->isChecked();
  Panel_Video->SetExternal(!grabber);
  const uintptr_t window = grabber ? 0 : static_cast<uintptr_t>(Panel_Video->winId());
  std::string error;
  if (!graph_->Open(Utf8(file), grabber, window, error)) {
    ShowMessage(U16(error), MessageKind::Error);
    Panel_Video->SetExternal(false);
    return false;
  }
  UseGrabber = graph_->UsesGrabber();
  FrameDuration = graph_->FrameDuration();
  Duration = graph_->Duration();
  Strip.SetTiming(Duration, FrameDuration);
  SetMediaActions(true);
  Label_Size->setText(QStringLiteral("[ %1x%2 %3fps %4ミリ秒 ]")
                          .arg(graph_->VideoWidth())
                          .arg(graph_->VideoHeight())
                          .arg(QString::fromStdString(graph_->FrameRateText()))
                          .arg(RoundHalfAway(FrameDuration * 1000.0)));
  Timer_Capture->setInterval(capture::CaptureTimerInterval(FrameDuration));
  if (!grabber) {
    Panel_Video->update();
    graph_->SetRenderRectangle(0, 0, Panel_Video->width(), Panel_Video->height());
  }
  graph_->SetMute(Action_Play_Mute->isChecked());
  updating_seek_ = true;
  TrackBar_Seek->setRange(0, static_cast<int>(Duration * 10));
  TrackBar_Seek->setPageStep(100);
  TrackBar_Seek->setTickInterval(100);
  TrackBar_Seek->setValue(0);
  updating_seek_ = false;
  Label_Duration->setText(QStringLiteral("/%1").arg(TimeText(Duration)));
  for (QAction* a : Action_PlayRates) a->setChecked(a->data().toDouble() == 1.0);
  // The graph opens paused on its first frame, as if the user had paused it.
  PausedByUser = true;
  AddHistory(file);
  Timer_Time->start();
  Timer_TimeTimer();
  return true;
}

void TApp_TOOLBmpCaptureEx::OpenAt(WStringView file, double seconds) {
  if (!isVisible()) show();
  raise();
  activateWindow();
  if (!OpenFile(file)) return;
  PlaceCapture(0, seconds);
  StartCapture();
}

void TApp_TOOLBmpCaptureEx::Action_File_OpenExecute(QObject* sender) {
  if (Shift()) Dialog_Open.initial_dir.clear();
  if (sender && ExecuteDialog && !ExecuteDialog(TMyCaptureDialogKind::Open, Dialog_Open)) return;
  if (Dialog_Open.file_name.empty()) return;
  OpenFile(Dialog_Open.file_name);
}

void TApp_TOOLBmpCaptureEx::Action_Opt_SampleGrabberExecute(QObject*) {
  if (!IsOpen()) return;
  const bool running = IsRunning();
  const double here = FrameTime();
  const WString file = FileName;
  if (!OpenFile(file)) return;
  SeekPosition(here);
  if (running) Action_Play_PlayExecute(nullptr);
}

// ---- Seeking and capturing ---------------------------------------------------------------

void TApp_TOOLBmpCaptureEx::SeekPosition(double t) {
  if (!IsOpen()) return;
  const bool running = IsRunning();
  if (running) graph_->Pause();
  graph_->Seek(capture::ClampSeek(Clock(), t));
  if (running) graph_->Run();
}

void TApp_TOOLBmpCaptureEx::PlaceCapture(int n, double t) {
  const capture::Placement p = capture::PlaceCapture(Clock(), n, t);
  CaptureStart = p.captureStart;
  Action_Play_PauseExecute(this);
  SeekPosition(p.seekTo);
}

void TApp_TOOLBmpCaptureEx::StartCapture() {
  if (!IsOpen() || Capturing) return;
  SetCaptureControls(false);
  Capturing = true;
  Strip.Begin(CaptureStart);
  if (!UseGrabber) {
    Timer_Capture->start();
    graph_->Run();
  } else if (PausedByUser) {
    graph_->Run();  // the mark stays: the capture pauses again when its frames are in
  }
  Timer_Time->start();
}

void TApp_TOOLBmpCaptureEx::Action_CaptureNowExecute(QObject*) {
  if (!IsOpen() || Capturing) return;
  if (!IsRunning()) {
    CaptureStart = 0;
  } else if (capture::NearEnd(Clock())) {
    PlaceCapture(-ThumbCount(), Duration);
  }
  StartCapture();
}

void TApp_TOOLBmpCaptureEx::Action_CaptureBackExecute(QObject*) {
  if (!IsOpen() || Capturing) return;
  const int n = ThumbCount();
  double t = Strip.ThumbTime(0);
  if (t < 0) t = FrameTime();
  PlaceCapture(Shift() ? -2 * (n + 1) : -(n + 1), t);
  StartCapture();
}

void TApp_TOOLBmpCaptureEx::Action_CaptureNextExecute(QObject*) {
  if (!IsOpen() || Capturing) return;
  const int n = ThumbCount();
  if (!capture::NearEnd(Clock())) {
    double t = Strip.LastPositiveTime();
    if (t < 0) t = FrameTime();
    PlaceCapture(Shift() ? n + 2 : 1, t);
  } else {
    PlaceCapture(-n, Duration);
  }
  StartCapture();
}

void TApp_TOOLBmpCaptureEx::ThumbDoubleClicked(int k) {
  if (!IsOpen() || Capturing) return;
  const double t = Strip.ThumbTime(k);
  if (t < 0) return;
  CaptureStart = Shift() ? t - ThumbCount() * FrameDuration : t;
  SeekPosition(CaptureStart - FrameDuration);
  StartCapture();
}

void TApp_TOOLBmpCaptureEx::ShowCapturedThumbs() {
  for (TMyThumbPanel* panel : panels_) {
    const capture::T_TimeBitmap thumb = Strip.Thumb(panel->Index());
    panel->SetPicture(WrapBitmap(thumb));
    panel->SetTimeText(thumb.Time >= 0 ? TimeText(thumb.Time) : QString());
    panel->SetHighlighted(panel->Index() == Selected);
  }
}

void TApp_TOOLBmpCaptureEx::Timer_CaptureTimer() {
  if (!Capturing || UseGrabber) {
    Timer_Capture->stop();
    return;
  }
  media::GrabbedFrame frame;
  if (!graph_->CurrentImage(frame)) return;
  capture::TMyBitmap picture;
  picture.width = frame.width;
  picture.height = frame.height;
  picture.rgb = std::move(frame.rgb);
  const double time = frame.time >= 0 ? frame.time : graph_->ClockTime();
  if (Strip.Store(picture, time) == capture::TMyCaptureStrip::FrameResult::Finished) {
    Timer_Capture->stop();
    if (PausedByUser) graph_->Pause();
  }
}

void TApp_TOOLBmpCaptureEx::Timer_TimeTimer() {
  if (!IsOpen()) return;
  if (graph_->TakeEnded()) {
    // The stream ended: a capture still waiting for frames ends with what it has.
    Strip.Finish();
    Timer_Capture->stop();
    graph_->Pause();
  }
  ClockTime = graph_->ClockTime();
  if (!UseGrabber) Strip.SetFrameTime(ClockTime);
  double shownTime = 0;
  if (UseGrabber && Strip.TakeLatest(shown_, shownTime)) Panel_Video->SetFrame(WrapBitmap(shown_));
  if (Capturing && Strip.CaptureIndex() == -1) {
    ShowCapturedThumbs();
    Capturing = false;
    SetCaptureControls(true);
    CaptureStart = -1.0;
    UpdateThumbPanels();
    // Paused after the strip, the sink holds the frame after the last one: go back to the
    // last captured frame so the video, the time and the next step start from it.
    const double last = Strip.LastKept();
    if (UseGrabber && PausedByUser && last >= 0 && FrameTime() > last) {
      graph_->Pause();
      SeekPosition(last + FrameDuration / 2);
      if (Strip.TakeLatest(shown_, shownTime)) Panel_Video->SetFrame(WrapBitmap(shown_));
    }
  }
  if (!Busy && !seek_dragging_) {
    updating_seek_ = true;
    TrackBar_Seek->setValue(static_cast<int>(FrameTime() * 10));
    updating_seek_ = false;
  }
  UpdateTimeLabel();
}

void TApp_TOOLBmpCaptureEx::UpdateTimeLabel() {
  if (!IsOpen()) return;
  const double frame = FrameTime();
  if (!Action_Opt_TimeVerbose->isChecked()) {
    Label_Time->setText(TimeText(frame));
    return;
  }
  // The raw seconds of the frame and of the clock and how far apart they are, then the
  // frame's time as the plain label shows it.
  const auto seconds = [](double t) { return QString::number(t, 'f', 3); };
  Label_Time->setText(QStringLiteral("[映像%1][音声%2][差%3]%4")
                          .arg(seconds(frame), seconds(ClockTime), seconds(frame - ClockTime),
                               TimeText(frame)));
}

// ---- Navigation --------------------------------------------------------------------------

void TApp_TOOLBmpCaptureEx::MoveBy(double seconds, bool pause) {
  if (Busy || !IsOpen() || Capturing) return;
  Busy = true;
  if (pause) Action_Play_PauseExecute(this);
  SeekPosition(FrameTime() + seconds);
  Busy = false;
  Timer_TimeTimer();
}

void TApp_TOOLBmpCaptureEx::FrameStep(int n) {
  if (Busy || !IsOpen() || Capturing) return;
  Busy = true;
  Action_Play_PauseExecute(this);
  const double target = capture::StepTarget(Clock(), n);
  if (n < 0 || !graph_->Step(n)) SeekPosition(target);
  Busy = false;
  Timer_TimeTimer();
}

void TApp_TOOLBmpCaptureEx::Action_Play_TopExecute(QObject*) {
  if (Busy || !IsOpen() || Capturing) return;
  Action_Play_PauseExecute(this);
  SeekPosition(0);
  Timer_TimeTimer();
}

void TApp_TOOLBmpCaptureEx::Action_Play_EndExecute(QObject*) {
  if (Busy || !IsOpen() || Capturing) return;
  Action_Play_PauseExecute(this);
  SeekPosition(Duration);
  Timer_TimeTimer();
}

void TApp_TOOLBmpCaptureEx::Action_Play_SkipBackExecute(QObject*) {
  MoveBy(Shift() ? -10.0 : -30.0, false);
}
void TApp_TOOLBmpCaptureEx::Action_Play_SkipNextExecute(QObject*) {
  MoveBy(Shift() ? 10.0 : 30.0, false);
}
void TApp_TOOLBmpCaptureEx::Action_Play_SecBackExecute(QObject*) {
  MoveBy(Shift() ? -0.5 : -1.0, true);
}
void TApp_TOOLBmpCaptureEx::Action_Play_SecNextExecute(QObject*) {
  MoveBy(Shift() ? 0.5 : 1.0, true);
}
void TApp_TOOLBmpCaptureEx::Action_Play_FrameBackExecute(QObject*) {
  FrameStep(Shift() ? -ThumbCount() : -1);
}
void TApp_TOOLBmpCaptureEx::Action_Play_FrameNextExecute(QObject*) {
  FrameStep(Shift() ? ThumbCount() : 1);
}

void TApp_TOOLBmpCaptureEx::Action_Play_PlayPauseExecute(QObject* sender) {
  if (!IsOpen()) {
    Action_File_OpenExecute(sender);
    return;
  }
  if (Shift()) {
    Action_Play_ReplayExecute(sender);
  } else if (IsRunning()) {
    Action_Play_PauseExecute(sender);
  } else {
    Action_Play_PlayExecute(sender);
  }
}

void TApp_TOOLBmpCaptureEx::Action_Play_PlayExecute(QObject*) {
  if (!IsOpen()) return;
  if (Keys().testFlag(Qt::ControlModifier) && std::fabs(FrameTime() - ClockTime) > 0.1) {
    SeekPosition(FrameTime());
  }
  PausedByUser = false;
  graph_->Run();
  Timer_Time->start();
}

void TApp_TOOLBmpCaptureEx::Action_Play_PauseExecute(QObject* sender) {
  if (!IsOpen()) return;
  graph_->Pause();
  if (sender) PausedByUser = true;
}

void TApp_TOOLBmpCaptureEx::Action_Play_StopExecute(QObject*) {
  if (!IsOpen()) return;
  PausedByUser = false;
  graph_->Stop();
  updating_seek_ = true;
  TrackBar_Seek->setValue(0);
  updating_seek_ = false;
}

void TApp_TOOLBmpCaptureEx::Action_Play_ReplayExecute(QObject* sender) {
  if (!IsOpen()) return;
  SeekPosition(0);
  Action_Play_PlayExecute(sender);
}

void TApp_TOOLBmpCaptureEx::Action_Play_MuteExecute(QObject*) {
  graph_->SetMute(Action_Play_Mute->isChecked());
}

void TApp_TOOLBmpCaptureEx::Action_PlayRateExecute(QObject* sender) {
  auto* action = qobject_cast<QAction*>(sender);
  if (!action || !IsOpen()) return;
  action->setChecked(true);
  graph_->SetRate(action->data().toDouble());
}

void TApp_TOOLBmpCaptureEx::Action_Thumb_PrevExecute(QObject*) {
  if (UseGrabber) SelectThumb(std::max(0, Selected - 1));
}

void TApp_TOOLBmpCaptureEx::Action_Thumb_NextExecute(QObject*) {
  if (UseGrabber) SelectThumb(std::min(ThumbCount() - 1, Selected + 1));
}

}  // namespace mivaro
