// The wallpaper command of the main window (see wall_video_command.h).
#include <QAction>

#include "player/playback_controller.h"
#include "player/qt/directshow_player.h"
#include "ui/main/app_mivaro.h"
#include "ui/main/video_frame.h"
#include "ui/main/wall_video_command.h"

namespace mivaro {

void TApp_Mivaro::AttachWallVideo() {
  TMyWallVideoCommand::Env env;
  env.Player = DShow_Player;
  env.SubPlayer = [this]() -> TMySubPlayerLink* {
    return options_.start_sub_player ? sub_player_.get() : nullptr;
  };
  env.Window = this;
  env.RendererChoice = [this] {
    EnsureRenderer();
    return renderer_;
  };
  env.SetResumeTime = [this](double seconds) {
    controller_->SetResume(controller_->ResumeIndex(), seconds);
  };
  env.VideoHome = [this] {
    DShow_Player->Resize();
    UpdateSizeLabel();
    UpdateActionStates();
  };
  wall_video_ = new TMyWallVideoCommand(std::move(env), this);
  // The video frame runs the screen-mode group (full screen leaves, double-click ends the
  // mode) and hands the wallpaper step to this command.
  VideoFrame->SetWallpaperCommand([this](bool on) { wall_video_->Execute(on); });
  VideoFrame->SetWallpaperBringBack([this] {
    if (wall_video_->VideoOut()) wall_video_->BringVideoBack();
  });
}

void TApp_Mivaro::Action_Zoom_WallvideoExecute(QObject*) {
  wall_video_->Execute(Action_Zoom_Wallvideo->isChecked());
}

}  // namespace mivaro
