#include "ui/main/wall_video_command.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include "platform/desktop/wallpaper_store.h"
#include "platform/media/media_types.h"
#include "player/qt/directshow_player.h"
#include "ui/main/sub_player_link.h"

namespace mivaro {

bool TMyWallVideoCommand::VideoOut() const { return Hosting() || env_.Player->WallVideo(); }

int MonitorIndexOfWidget(const QWidget* window) {
  if (!window) return 0;
  const int index = static_cast<int>(QGuiApplication::screens().indexOf(window->screen()));
  return index < 0 ? 0 : index;
}

TMyWallVideoCommand::TMyWallVideoCommand(Env env, QObject* parent)
    : QObject(parent), env_(std::move(env)) {
  if (env_.Player)
    connect(env_.Player, &TMyDirectShowPlayer::mediaClosed, this, [this] { MediaClosed(); });
}

TMyWallVideoCommand::~TMyWallVideoCommand() = default;

void TMyWallVideoCommand::Reopen(TMyVmMode renderer) {
  TMyDirectShowPlayer* p = env_.Player;
  if (env_.SetResumeTime) env_.SetResumeTime(p->Position());
  p->FadeOut();
  p->Close();
  p->SetRenderer(renderer);
  // Reopens the file; the media-open handling seeks to the resume time and applies the
  // wallpaper mode again.
  p->Play();
}

void TMyWallVideoCommand::Execute(bool on) {
  TMyDirectShowPlayer* p = env_.Player;
  if (!p) return;
  if (!on || !p->HasVideo()) {
    if (p->Renderer() == vmOverlayMixer && p->IsOpened() && env_.RendererChoice)
      Reopen(env_.RendererChoice());
    BringVideoBack();
    return;
  }
  TMySubPlayerLink* sub = env_.SubPlayer ? env_.SubPlayer() : nullptr;
  if (!sub || !sub->Need()) return;
  const std::uint64_t window = sub->HostWindow();
  if (window == 0) return;
  const TMyScreen screens = DesktopScreens();
  const TMyRect monitor = screens.Monitors(MonitorIndexOfWidget(env_.Window)).BoundsRect;
  if (!host_.Place(window, monitor)) return;
  p->SetVideoOwner(static_cast<TMyWindowHandle>(window));
  p->StartWallVideo(-1);
  // The overlay renderer only where XVideo starts (the window's choice is then the XVideo
  // renderer); every other renderer draws into the desktop window as it is.
  if (env_.RendererChoice && env_.RendererChoice() == vmVMR7 && p->Renderer() != vmOverlayMixer &&
      p->IsOpened())
    Reopen(vmOverlayMixer);
}

void TMyWallVideoCommand::BringVideoBack() {
  TMyDirectShowPlayer* p = env_.Player;
  if (!p) return;
  const bool hosted = host_.Placed() || p->WallVideo();
  const TMyWindowHandle own = TMyDirectShowPlayer::WindowOf(p);
  if (p->VideoOwner() != own) p->SetVideoOwner(own);
  p->StopWallVideo();
  host_.Release();
  if (hosted && env_.VideoHome) env_.VideoHome();
}

void TMyWallVideoCommand::MediaClosed() {
  // A close followed at once by the next open (the next entry, a reopen) keeps the mode.
  if (!host_.Placed() || env_.Player->IsOpened()) return;
  BringVideoBack();
}

}  // namespace mivaro
