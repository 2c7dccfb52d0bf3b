#include "platform/desktop/wallpaper_store.h"

#include <QGuiApplication>
#include <QScreen>
#include <cstdlib>
#include <cstring>

#include "core/paths.h"
#include "core/version.h"
#include "platform/desktop/wallpaper_gsettings.h"
#include "platform/desktop/wallpaper_root.h"
#include "player/wall_video.h"
#include "player/wall_video_record.h"

namespace mivaro {

namespace {

std::string BesideSettings(const char16_t* ext) {
  return Utf8(ChangeFileExt(GetAppBaseFileName(), ext));
}

bool GnomeFamilyDesktop() {
  const char* d = std::getenv("XDG_CURRENT_DESKTOP");
  if (!d) return false;
  for (const char* name : {"GNOME", "Unity", "Budgie", "Pantheon"})
    if (std::strstr(d, name)) return true;
  return false;
}

std::shared_ptr<TMyWallpaperSettings> OpenRoot() {
  auto root = std::make_shared<TMyRootWindowWallpaper>(BesideSettings(u".wallpaper-root.bmp"),
                                                       DesktopScreens);
  if (!root->Connected()) return nullptr;
  return root;
}

std::shared_ptr<TMyWallpaperSettings>& ProcessStore() {
  static std::shared_ptr<TMyWallpaperSettings> store = OpenDesktopWallpaperSettings();
  return store;
}

}  // namespace

TMyScreen DesktopScreens() {
  std::vector<TMyMonitor> monitors;
  for (const QScreen* s : QGuiApplication::screens()) {
    const qreal r = s->devicePixelRatio();
    const auto rect = [r](const QRect& g) {
      return TMyRect{qRound(g.left() * r), qRound(g.top() * r), qRound((g.left() + g.width()) * r),
                     qRound((g.top() + g.height()) * r)};
    };
    monitors.push_back({rect(s->geometry()), rect(s->availableGeometry())});
  }
  return TMyScreen(std::move(monitors));
}

std::shared_ptr<TMyWallpaperSettings> OpenDesktopWallpaperSettings() {
  const char* chosen = std::getenv("MIVARO_WALLPAPER_STORE");
  const std::string store = chosen ? chosen : "";
  if (store.rfind("file:", 0) == 0) return std::make_shared<TMyFileWallpaperSettings>(store.substr(5));
  if (store == "gsettings") return TMyGSettingsWallpaper::Open();
  if (store == "root") return OpenRoot();
  if (GnomeFamilyDesktop()) {
    if (auto gnome = TMyGSettingsWallpaper::Open()) return gnome;
  }
  return OpenRoot();
}

bool RestoreLeftBehindWallpaper() {
  const std::shared_ptr<TMyWallpaperSettings>& store = ProcessStore();
  return store && RestoreWallpaperLeftBehind(*store, WallVideoRecordPath());
}

void InstallDesktopWallVideo(std::function<int()> mainWindowMonitor) {
  RestoreLeftBehindWallpaper();
  const std::shared_ptr<TMyWallpaperSettings>& store = ProcessStore();
  SetWallpaperSettings(store);
  if (!store) return;
  InstallWallVideo({store, DesktopScreens, std::move(mainWindowMonitor),
                    BesideSettings(u".wallpaper.bmp"), WallVideoRecordPath()});
}

}  // namespace mivaro
