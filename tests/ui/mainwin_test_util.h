// Helpers of the main-window tests: the application object, an isolated settings folder,
// media files, scripted graphs that fail for chosen names, and captured message boxes.
#pragma once

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/hooks.h"
#include "core/ustring.h"
#include "core/wstrings.h"
#include "tests/support/scripted_graph.h"
#include "player/qt/directshow_player.h"
#include "ui/main/app_mivaro.h"

namespace mivaro::test {

// The one QApplication of the test program.
inline QApplication* App() {
  static int argc = 1;
  static char name[] = "test_ui";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    setenv("MIVARO_AUDIO_SINK", "fakesink", 0);
    return new QApplication(argc, argv);
  }();
  return app;
}

inline QString Q(WStringView s) { return QString::fromStdU16String(WString(s)); }
inline WString W(const QString& s) { return s.toStdU16String(); }

// Creates an empty file (the scripted graph only needs the name to exist).
inline void Touch(const QString& path) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile f(path);
  f.open(QIODevice::WriteOnly);
  f.write("x");
}

// An ID3v2.3 tag with the given text frames (ISO-8859-1) and a few bytes of body.
inline QByteArray Id3(std::initializer_list<std::pair<const char*, const char*>> frames) {
  QByteArray body;
  for (const auto& [id, text] : frames) {
    const QByteArray value = QByteArray(1, '\0') + QByteArray(text);
    body += QByteArray(id, 4);
    for (int shift : {24, 16, 8, 0}) body += static_cast<char>((value.size() >> shift) & 0xFF);
    body += QByteArray(2, '\0');
    body += value;
  }
  QByteArray tag("ID3\x03\x00\x00", 6);
  for (int shift : {21, 14, 7, 0}) tag += static_cast<char>((body.size() >> shift) & 0x7F);
  return tag + body + QByteArray(64, '\0');
}

inline QString ReadAll(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(f.readAll());
}

// A scripted graph that cannot render files whose name contains "bad", and gives files
// whose name contains "still" a picture without length.
class TTestGraph : public TScriptedGraph {
 public:
  explicit TTestGraph(TScriptedGraphScript s) : TScriptedGraph(s) {}
  HRESULT RenderFile(WStringView file) override {
    const std::string name = Utf8(file);
    if (name.find("bad") != std::string::npos) script.renderResult = VFW_E_CANNOT_RENDER;
    if (name.find("still") != std::string::npos) script.duration = 0;
    return TScriptedGraph::RenderFile(file);
  }
};

// Everything one test needs: a settings folder of its own, a media folder, the window.
class TMainWindowFixture {
 public:
  TMainWindowFixture() {
    App();
    setenv("MIVARO_HOME", (home.path() + QStringLiteral("/home")).toLocal8Bit().constData(), 1);
    // Muted, the player skips its volume fades (about a second per opened entry).
    QDir().mkpath(home.path() + QStringLiteral("/home"));
    QFile ini(home.path() + QStringLiteral("/home/mivaro.ini"));
    if (ini.open(QIODevice::WriteOnly)) ini.write("[Play]\r\nMute=1\r\n");
    script.autoEvents = true;
    script.duration = 10.0;
    SetMessageHook([this](WStringView text, MessageKind kind) {
      messages.push_back(WString(text));
      if (kind == MessageKind::YesNo || kind == MessageKind::YesNoCancel) return answer;
      return kIdOk;
    });
  }
  ~TMainWindowFixture() {
    window.reset();
    SetMessageHook(nullptr);
    unsetenv("MIVARO_HOME");
  }

  QString Media(const QString& relative) const { return home.path() + QStringLiteral("/media/") + relative; }

  // Makes the window (not yet shown) with scripted graphs and the given arguments.
  TApp_Mivaro& Open(std::vector<WString> arguments) {
    TApp_MivaroOptions options;
    options.arguments = std::move(arguments);
    options.start_sub_player = false;
    options.register_mpris = register_mpris;
    options.install_hooks = false;
    options.held_keys = [this] { return keys; };
    options.graph_factory = [this]() -> std::unique_ptr<TMediaGraph> {
      auto graph = std::make_unique<TTestGraph>(script);
      last_graph = graph.get();
      ++graphs_made;
      return graph;
    };
    window = std::make_unique<TApp_Mivaro>(options);
    return *window;
  }
  TApp_Mivaro& Start(std::vector<WString> arguments) {
    Open(std::move(arguments));
    window->FinishStartup();
    return *window;
  }
  // Closes the window the way the user does (settings and resume list are saved).
  void CloseWindow() {
    if (window) window->close();
    window.reset();
  }

  std::vector<WString> Entries() const {
    std::vector<WString> out;
    for (int i = 0; i < window->Playlist().Count(); ++i) out.push_back(window->Playlist().Get(i));
    return out;
  }
  // The file the player has open, empty when none.
  WString Playing() const {
    return window->DShow_Player->IsOpened() ? window->DShow_Player->FileName() : WString();
  }

  QTemporaryDir home;
  TScriptedGraphScript script;
  TTestGraph* last_graph = nullptr;
  int graphs_made = 0;
  Qt::KeyboardModifiers keys = Qt::NoModifier;
  bool register_mpris = false;
  int answer = kIdYes;
  std::vector<WString> messages;
  std::unique_ptr<TApp_Mivaro> window;
};

}  // namespace mivaro::test
