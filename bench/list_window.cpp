// The playlist window over a large playlist, timed in-process under a display (Xvfb).
//
//   bench_list_window [M3U8]
// M3U8: the playlist of gen-m3u8.sh (default /tmp/perf-m3u8/playlist.m3u8; its entries are
// real tagged MP3s). Prints "@metric" lines, each next to its reference from the same run:
//   open_ms       showing the window until its list has painted once
//   ref_open_ms   the same for a bare QListView over a QStringListModel of the same paths
//   scroll_ms     one page down in the list until it has painted (median of 20)
//   ref_scroll_ms the same in the bare list view
//   step_ms       one search step without a match over every entry (cached forms)
//   first_step_ms the first step, which makes the cached forms
//   ref_step_ms   a plain substring scan of the raw paths
//   tags_ms       click on an MP3 row until its title shows
//   facts_ms      the same click until its file information shows
//   ref_tags_ms   reading that file's tag directly (same process, same file)
//   ref_facts_ms  reading its tag and media properties directly
//   list_mib      memory of the playlist itself (anonymous resident growth while filling it)
//   open_mib      memory above the list after showing the window
//   window_mib    the same after a search too (the cached search forms)
//   clicks_mib    what the clicks added (tag reads and the media probe, which stays loaded)
#include <QApplication>
#include <QLineEdit>
#include <QTableWidget>
#include <QListView>
#include <QScrollBar>
#include <QStringListModel>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "bench/bench_clock.h"
#include "core/ustring.h"
#include "core/wstrings.h"
#include "tags/tag.h"
#include "ui/list/app_mivaro_list.h"
#include "ui/main/app_mivaro.h"

using namespace mivaro;
using namespace mivaro::bench;

namespace {

// Anonymous resident memory (the heap; mapped font and library files left out, as they
// are shared with other programs and come and go with the page cache).
double ResidentMiB() {
  std::FILE* f = std::fopen("/proc/self/status", "r");
  if (!f) return 0;
  char line[256];
  long kib = 0;
  while (std::fgets(line, sizeof line, f))
    if (std::sscanf(line, "RssAnon: %ld kB", &kib) == 1) break;
  std::fclose(f);
  return static_cast<double>(kib) / 1024.0;
}

std::vector<WString> LoadPaths(const char* file) {
  std::vector<WString> paths;
  std::ifstream in(file);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    paths.push_back(U16(line));
  }
  return paths;
}

// Milliseconds from `action` until `view`'s viewport has painted.
template <typename Action>
double UntilPainted(QAbstractItemView* view, Action action) {
  struct Watch : QObject {
    bool painted = false;
    bool eventFilter(QObject*, QEvent* e) override {
      if (e->type() == QEvent::Paint) painted = true;
      return false;
    }
  } watch;
  view->viewport()->installEventFilter(&watch);
  const auto t = Clock::now();
  action();
  while (!watch.painted) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  const double ms = MsSince(t);
  view->viewport()->removeEventFilter(&watch);
  return ms;
}

template <typename Action>
double MedianOf(int runs, Action action) {
  std::vector<double> v;
  for (int i = 0; i < runs; ++i) v.push_back(action());
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

double PageDown(QAbstractItemView* view) {
  return UntilPainted(view, [view] {
    QScrollBar* bar = view->verticalScrollBar();
    bar->setValue(bar->value() + bar->pageStep());
  });
}

}  // namespace

int main(int argc, char** argv) {
  const char* file = argc > 1 ? argv[1] : "/tmp/perf-m3u8/playlist.m3u8";
  QTemporaryDir home;
  setenv("MIVARO_HOME", home.path().toLocal8Bit().constData(), 1);
  setenv("MIVARO_AUDIO_SINK", "fakesink", 0);
  QApplication app(argc, argv);
  const std::vector<WString> paths = LoadPaths(file);
  if (paths.empty()) {
    std::fprintf(stderr, "no entries in %s (run gen-m3u8.sh)\n", file);
    return 1;
  }

  TApp_MivaroOptions options;
  options.arguments = std::vector<WString>{};
  options.start_sub_player = false;
  options.register_mpris = false;
  options.install_hooks = false;
  TApp_Mivaro main_window(options);
  main_window.FinishStartup();
  if (!QTest::qWaitForWindowExposed(&main_window)) std::fprintf(stderr, "window not exposed\n");

  const double before_list = ResidentMiB();
  TMyWStrings& list = main_window.Playlist();
  list.BeginUpdate();
  for (const WString& p : paths) list.Add(p);
  list.EndUpdate();
  QCoreApplication::processEvents();
  const double list_mib = ResidentMiB() - before_list;

  // The window.
  // (made with the main window, hidden until shown)
  TApp_MivaroList* window = main_window.findChild<TApp_MivaroList*>();
  const double before_window = ResidentMiB();
  const double open_ms =
      UntilPainted(window->ListBox_PlayList, [&] { ShowPlaylistWindow(&main_window); });
  if (!QTest::qWaitForWindowExposed(window)) std::fprintf(stderr, "window not exposed\n");
  const double scroll_ms = MedianOf(20, [&] { return PageDown(window->ListBox_PlayList); });

  const double after_open = ResidentMiB() - before_window;
  window->Beep = [] {};
  window->SelectOnly(0);
  window->Edit_Find->setText(QStringLiteral("そんなものはない"));
  auto t = Clock::now();
  window->Find(true);
  const double first_step_ms = MsSince(t);
  const double step_ms = MedianOf(5, [&] {
    window->SelectOnly(0);
    const auto s = Clock::now();
    window->Find(true);
    return MsSince(s);
  });
  const double ref_step_ms = MedianOf(5, [&] {
    const auto s = Clock::now();
    size_t found = 0;
    for (const WString& p : paths) found += p.find(u"そんなものはない") != WString::npos;
    if (found) std::printf("(unexpected match)\n");
    return MsSince(s);
  });

  const double after_search = ResidentMiB() - before_window;
  // Clicks on MP3 rows far apart (not read before) until the two steps have shown.
  std::vector<double> tags, facts, ref_tags, ref_facts;
  for (int k = 1; k <= 7; ++k) {
    const int row = static_cast<int>(paths.size()) * k / 8;
    window->Grid_Info->clearSelection();
    const auto c = Clock::now();
    window->SelectOnly(row);
    double shown_tags = -1;
    while (true) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
      if (shown_tags < 0 && !window->InfoText(0).isEmpty()) shown_tags = MsSince(c);
      if (!window->InfoText(3).isEmpty()) break;
      if (MsSince(c) > 10000) break;
    }
    tags.push_back(shown_tags);
    facts.push_back(MsSince(c));
    const WString other = paths[static_cast<size_t>(row) + 1];
    const auto r = Clock::now();
    TMyTag tag(other);
    ref_tags.push_back(MsSince(r));
    tag.LoadMediaProperties();
    ref_facts.push_back(MsSince(r));
  }
  auto median = [](std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
  };
  const double tags_ms = median(tags);
  const double facts_ms = median(facts);
  const double clicks_mib = ResidentMiB() - before_window - after_search;

  // The reference list view, shown from scratch over the same paths.
  QStringList texts;
  texts.reserve(static_cast<qsizetype>(paths.size()));
  for (const WString& p : paths) texts << QString::fromStdU16String(p);
  QStringListModel model(texts);
  QListView ref;
  ref.setUniformItemSizes(true);
  ref.setModel(&model);
  ref.resize(window->ListBox_PlayList->size());
  const double ref_open_ms = UntilPainted(&ref, [&] { ref.show(); });
  if (!QTest::qWaitForWindowExposed(&ref)) std::fprintf(stderr, "window not exposed\n");
  const double ref_scroll_ms = MedianOf(20, [&] { return PageDown(&ref); });

  std::printf("entries %zu\n", paths.size());
  std::printf("@metric open_ms %.1f\n@metric ref_open_ms %.1f\n", open_ms, ref_open_ms);
  std::printf("@metric scroll_ms %.2f\n@metric ref_scroll_ms %.2f\n", scroll_ms, ref_scroll_ms);
  std::printf("@metric first_step_ms %.1f\n@metric step_ms %.2f\n@metric ref_step_ms %.2f\n",
              first_step_ms, step_ms, ref_step_ms);
  std::printf("@metric tags_ms %.2f\n@metric ref_tags_ms %.2f\n", tags_ms, median(ref_tags));
  std::printf("@metric facts_ms %.1f\n@metric ref_facts_ms %.1f\n", facts_ms, median(ref_facts));
  std::printf("@metric list_mib %.1f\n@metric open_mib %.1f\n@metric window_mib %.1f\n", list_mib,
              after_open, after_search);
  std::printf("@metric clicks_mib %.1f\n", clicks_mib);
  main_window.close();
  return 0;
}
