// Program entry: runs the player's main window, or the sub player with /SUBPLAYER.
//
// Library-search hardening: the Windows loader looks for libraries in the current folder,
// so the program had to remove it from the search path before anything was loaded. The
// Linux loader never searches the current folder (only RPATH/RUNPATH, LD_LIBRARY_PATH, the
// ld.so cache and the system folders), so nothing is needed here.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <thread>

#include <QApplication>
#include <QSocketNotifier>

#include "core/atomic_file.h"
#include "core/paths.h"
#include "core/version.h"
#include "platform/desktop/wallpaper_store.h"
#include "platform/media/gst_graph.h"
#include "platform/os/file_transfer.h"
#include "platform/os/native_path.h"
#include "settings/param.h"
#include "ui/main/app_mivaro.h"
#include "ui/main/sub_player_form.h"
#include "ui/main/wall_video_command.h"

namespace {

int g_signal_pipe[2] = {-1, -1};
// Set once a terminate signal was handled: a quit asked for before the event loop runs
// (a start-up notice pumps its own loop) would otherwise be lost.
bool g_quit_requested = false;

void OnTerminateSignal(int) {
  const char c = 1;
  // Only async-signal-safe calls here; the event loop does the rest.
  [[maybe_unused]] const ssize_t n = ::write(g_signal_pipe[1], &c, 1);
}

// SIGTERM, SIGINT and SIGHUP close the windows the normal way (settings and the resume list
// are saved, the sub player is told to close) instead of killing the process outright.
void InstallTerminateHandler(QApplication& app) {
  if (::pipe2(g_signal_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  auto* notifier = new QSocketNotifier(g_signal_pipe[0], QSocketNotifier::Read, &app);
  QObject::connect(notifier, &QSocketNotifier::activated, &app, [] {
    char buf[16];
    while (::read(g_signal_pipe[0], buf, sizeof buf) > 0) {
    }
    g_quit_requested = true;
    QApplication::closeAllWindows();
    QCoreApplication::quit();
  });
  struct sigaction sa {};
  sa.sa_handler = OnTerminateSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGHUP, &sa, nullptr);
}

// The video, the sub player's host window and wallpaper video need X11 windows. In a Wayland
// session Qt would pick its Wayland platform, so unless the user chose a platform the
// program runs through XWayland. Returns false when no X display is reachable at all.
bool ChooseX11Platform() {
  const auto set = [](const char* name) {
    const char* v = std::getenv(name);
    return v && *v;
  };
  if (set("QT_QPA_PLATFORM")) return true;
  if (set("WAYLAND_DISPLAY") && set("DISPLAY")) {
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    return true;
  }
  if (set("WAYLAND_DISPLAY")) {
    std::fprintf(stderr,
                 "mivaro: this Wayland session has no X display (DISPLAY is unset); Mivaro "
                 "shows video through X11 windows and needs XWayland. Start XWayland, or set "
                 "QT_QPA_PLATFORM to choose a platform yourself.\n");
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace mivaro;
  // The command line is parsed before any window exists.
  TMyParam& param = GlobalParam();

  if (!ChooseX11Platform()) return 1;
  QApplication app(argc, argv);
  InstallTerminateHandler(app);

  if (param.HasOption(u"SUBPLAYER")) {
    // The helper opens no files: it keeps no folder busy either (a player started from a
    // removable medium would otherwise hold it mounted).
    [[maybe_unused]] const int root = ::chdir("/");
    TApp_MivaroSubForm form;
    // The sub form is the process's only window: closing it ends the process.
    QObject::connect(&form, &TApp_MivaroSubForm::Closed, &app, &QCoreApplication::quit);
    form.Start(param.ParamText());
    if (form.IsClosed() || g_quit_requested) return 0;
    return app.exec();
  }

  // Temporaries of the settings and resume-list saves that a killed run left behind.
  const WString base = GetAppBaseFileName();
  RemoveStaleAtomicTemporaries(os::NativePath(ExcludeTrailingPathDelimiter(ExtractFilePath(base))),
                               os::NativePath(ExtractFileName(base)) + ".");
  // Temporaries of file moves and copies that a killed run left in their target folders.
  os::RemoveInterruptedTransfers(os::NativePath(GetTransferJournalFolder()));

  // With files to open, the media engine starts up while the window is built and the
  // playlist is read (the thread is joined when main returns).
  std::jthread media_warm_up;
  if (!param.PathArguments().empty()) media_warm_up = std::jthread([] { WarmUpMediaEngine(); });

  TApp_Mivaro window;
  // Wallpaper video: a wallpaper left behind by a killed player comes back first.
  InstallDesktopWallVideo([&window] { return MonitorIndexOfWidget(&window); });
  // Builds the rest, shows the window, starts the sub player and fills the playlist.
  window.FinishStartup();
  if (g_quit_requested) {
    QApplication::closeAllWindows();
    return 0;
  }
  return app.exec();
}
