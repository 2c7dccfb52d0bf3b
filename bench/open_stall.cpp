// The longest stall of the user-interface thread while the player widget opens files one
// after another, with the open waited for (the player's default) and in the background
// (the main window's way), in the same run.
//
//   bench_open_stall [-n FILES] FILE
//
// The widget opens FILE `FILES` times (default 20). As the main window does, each
// OnMediaOpen replays the file from the start; 150 ms after that the next open begins (the
// previous file is closed by it). A 1 ms timer on the UI thread notes the gap between its
// ticks: the longest gap is the longest time the event loop could not run. Needs a display.
// Prints both figures and "@metric" lines.
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/ustring.h"
#include "platform/media/gst_graph.h"
#include "player/qt/directshow_player.h"

using namespace mivaro;

namespace {

struct TStall {
  double longestMs = 0;      // the longest gap between two ticks
  double longestCloseMs = 0;  // the longest Close of the previous file
  double longestOpenMs = 0;   // the longest single Open call
  double longestReplayMs = 0;  // the longest Replay in the open notification
  int opened = 0;
};

double MsSince(const QElapsedTimer& t) { return static_cast<double>(t.nsecsElapsed()) / 1e6; }

TStall Run(const std::string& file, int files, bool background) {
  TMyDirectShowPlayer player;
  player.SetRenderer(vmVideoRenderer);
  player.SetOpenInBackground(background);
  player.resize(640, 360);
  player.show();
  TStall stall;
  QElapsedTimer clock;
  clock.start();
  qint64 last = clock.nsecsElapsed();
  bool measuring = false;
  QTimer ticker;
  ticker.setInterval(1);
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    const qint64 now = clock.nsecsElapsed();
    if (measuring) stall.longestMs = std::max(stall.longestMs, static_cast<double>(now - last) / 1e6);
    last = now;
  });
  int left = files;
  auto openNext = [&] {
    if (left-- <= 0) {
      QApplication::quit();
      return;
    }
    QElapsedTimer call;
    call.start();
    player.Close();
    stall.longestCloseMs = std::max(stall.longestCloseMs, MsSince(call));
    call.start();
    if (!player.Open(U16(file))) {
      std::fprintf(stderr, "bench_open_stall: the player could not open the file\n");
      std::exit(1);
    }
    stall.longestOpenMs = std::max(stall.longestOpenMs, MsSince(call));
  };
  player.OnMediaOpen = [&](TMyMediaPlayer*) {
    ++stall.opened;
    QElapsedTimer call;
    call.start();
    player.Replay();
    stall.longestReplayMs = std::max(stall.longestReplayMs, MsSince(call));
    QTimer::singleShot(150, openNext);
  };
  player.OnOpenFailed = [&](TMyMediaPlayer*) {
    std::fprintf(stderr, "bench_open_stall: the open failed\n");
    std::exit(1);
  };
  ticker.start();
  // The first tick after start-up begins the measure.
  QTimer::singleShot(50, [&] {
    measuring = true;
    last = clock.nsecsElapsed();
    openNext();
  });
  QApplication::exec();
  ticker.stop();
  player.Close();
  return stall;
}

}  // namespace

int main(int argc, char** argv) {
  int files = 20;
  const char* file = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "-n") && i + 1 < argc) files = std::atoi(argv[++i]);
    else file = argv[i];
  }
  if (!file || files < 1 || !std::getenv("DISPLAY")) {
    std::fprintf(stderr, "usage: %s [-n FILES] FILE (with a display)\n", argv[0]);
    return 2;
  }
  setenv("MIVARO_AUDIO_SINK", "fakesink", 0);
  QApplication app(argc, argv);
  if (!GstInitHolder::Ensure()) return 1;
  // A warm-up open, so that neither measure pays for loading the plug-ins.
  Run(file, 1, false);
  const TStall waited = Run(file, files, false);
  const TStall background = Run(file, files, true);
  std::printf("%d opens of %s\n", files, file);
  for (const auto& [name, st] : {std::pair{"open waited for   ", waited}, {"open in background", background}})
    std::printf("%s  longest UI stall %8.2f ms   longest Close %8.2f ms   Open %8.2f ms   "
                "Replay %8.2f ms\n",
                name, st.longestMs, st.longestCloseMs, st.longestOpenMs, st.longestReplayMs);
  std::printf("ratio background / waited %.3f\n",
              waited.longestMs > 0 ? background.longestMs / waited.longestMs : 0.0);
  std::printf("@metric open_stall_waited_ms=%.3f\n@metric open_stall_background_ms=%.3f\n",
              waited.longestMs, background.longestMs);
  std::printf("@metric open_call_background_ms=%.3f\n", background.longestOpenMs);
  return waited.opened == files && background.opened == files ? 0 : 1;
}
