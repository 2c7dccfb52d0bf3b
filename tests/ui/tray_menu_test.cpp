// The tray menu: the copy of a pop-up menu and its following of the actions, the main
// window's tray menu with its Send-To entries, and the player under a real tray host
// (trayer on a display of the test's own) and without one.
#include <gtest/gtest.h>

#include <QAction>
#include <QActionGroup>
#include <QElapsedTimer>
#include <QMenu>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QSystemTrayIcon>

#include "mainwin_test_util.h"
#include "ui/sendto/send_to.h"
#include "ui/tray/main_desktop_menus.h"
#include "ui/tray/task_bar_menu.h"
#include "ui/tray/tray_icon.h"

namespace mivaro::test {
namespace {

QStringList Captions(const QMenu* menu) {
  QStringList out;
  for (QAction* a : menu->actions()) out << (a->isSeparator() ? QStringLiteral("-") : a->text());
  return out;
}

QAction* Named(QMenu* menu, const char* name, const QString& text) {
  auto* a = new QAction(text, menu);
  a->setObjectName(QString::fromLatin1(name));
  menu->addAction(a);
  return a;
}

TEST(TaskBarMenu, CopiesVisibleItemsAndFollowsTheirActions) {
  App();
  QMenu popup;
  QMenu* play = popup.addMenu(QStringLiteral("再生(&P)"));
  QAction* random = Named(play, "Action_Opt_Random", QStringLiteral("ランダム(&R)"));
  random->setCheckable(true);
  Named(play, "Action_Hidden", QStringLiteral("hidden"))->setVisible(false);
  QMenu* debug = play->addMenu(QStringLiteral("デバッグ(&D)"));
  Named(debug, "Action_Debug", QStringLiteral("inner"));
  debug->menuAction()->setVisible(false);
  auto* rates = new QActionGroup(&popup);
  for (const char* name : {"Action_Rate_1", "Action_Rate_2"}) {
    QAction* r = Named(play, name, QString::fromLatin1(name));
    r->setCheckable(true);
    rates->addAction(r);
  }
  popup.addSeparator();
  popup.addAction(QStringLiteral("unnamed"));
  QAction* exit = Named(&popup, "Action_File_Exit", QStringLiteral("終了(&X)"));
  int exits = 0;
  QObject::connect(exit, &QAction::triggered, [&] { ++exits; });

  QMenu host;
  host.addAction(QStringLiteral("own"));
  auto copy = std::make_unique<TMyTaskBarMenu>(&popup, &host, true);
  EXPECT_EQ(Captions(&host), (QStringList{QStringLiteral("Mivaro"), QStringLiteral("-"), QStringLiteral("own")}));
  QMenu* product = copy->ProductMenu();
  ASSERT_NE(product, nullptr);
  EXPECT_EQ(Captions(product),
            (QStringList{QStringLiteral("再生(&P)"), QStringLiteral("-"), QStringLiteral("終了(&X)")}));
  QMenu* play_copy = product->actions()[0]->menu();
  ASSERT_NE(play_copy, nullptr);
  EXPECT_EQ(Captions(play_copy), (QStringList{QStringLiteral("ランダム(&R)"),
                                              QStringLiteral("Action_Rate_1"), QStringLiteral("Action_Rate_2")}));
  // Radio items keep their radio look (an exclusive group).
  ASSERT_NE(play_copy->actions()[1]->actionGroup(), nullptr);
  EXPECT_TRUE(play_copy->actions()[1]->actionGroup()->isExclusive());

  // States follow the actions; commands run their actions.
  TMyTaskBarMenuItem* entry = copy->FindEntry(random);
  ASSERT_NE(entry, nullptr);
  EXPECT_FALSE(entry->GetChecked());
  EXPECT_TRUE(copy->ExecuteCommand(entry->Command()));
  EXPECT_TRUE(random->isChecked());
  EXPECT_TRUE(entry->GetChecked());
  random->setChecked(false);
  EXPECT_FALSE(entry->GetChecked());
  random->setText(QStringLiteral("ランダム再生"));
  EXPECT_EQ(entry->GetText(), QStringLiteral("ランダム再生"));
  exit->setEnabled(false);
  EXPECT_FALSE(copy->FindEntry(exit)->GetEnabled());
  EXPECT_TRUE(copy->ExecuteCommand(copy->FindEntry(exit)->Command()));
  EXPECT_EQ(exits, 0);  // a disabled action does not run
  exit->setEnabled(true);
  copy->FindEntry(exit)->Entry()->trigger();  // the user's click on the copy
  EXPECT_EQ(exits, 1);
  EXPECT_EQ(copy->FindMenuItem(copy->FindEntry(exit)->Command()), exit);
  // System commands and unknown identifiers are left to the system.
  EXPECT_FALSE(copy->ExecuteCommand(0xF060));
  EXPECT_FALSE(copy->ExecuteCommand(9999));

  // After the copy goes, the host holds its own entries only.
  copy.reset();
  EXPECT_EQ(Captions(&host), QStringList{QStringLiteral("own")});
}

TEST(TaskBarMenu, MainWindowTrayCarriesThePopupMenuAndItsSendToEntries) {
  TMainWindowFixture f;
  TApp_Mivaro& w = f.Start({});
  auto* menus = w.findChild<TMyMainDesktopMenus*>();
  ASSERT_NE(menus, nullptr);
  TMyTrayIcon* tray = menus->Tray();
  const QList<QAction*> own = tray->HostMenu()->actions();
  ASSERT_EQ(own.size(), 4);
  EXPECT_EQ(own[0]->text(), QStringLiteral("Mivaro"));
  EXPECT_EQ(own[2], w.Action_File_Restore);
  EXPECT_EQ(own[3], w.Action_File_Minimize);

  // A launcher put in the folder reaches the tray's "送る" sub-menu, shown by file name.
  const QString folder = f.home.path() + QStringLiteral("/home/SendTo/");
  Touch(folder + QStringLiteral("view & edit.desktop"));
  auto send_to_entries = [&] {
    QStringList out;
    for (QAction* a : tray->Menu()->ProductMenu()->actions())
      if (a->menu() && a->text() == QStringLiteral("送る(&N)"))
        for (QAction* e : a->menu()->actions()) out << e->text();
    return out;
  };
  QTRY_VERIFY_WITH_TIMEOUT(send_to_entries().contains(QStringLiteral("view && edit.desktop")), 1000);
  EXPECT_EQ(send_to_entries().size(), 6);  // four commands, the separator, the entry
  // The main menu's sub-menu has the same entry.
  EXPECT_EQ(w.MenuItem_SendTo->actions().last()->text(), QStringLiteral("view && edit.desktop"));

  // Random play toggled from the tray reaches the main menu's action.
  TMyTaskBarMenuItem* random = tray->Menu()->FindEntry(w.Action_Opt_Random);
  ASSERT_NE(random, nullptr);
  const bool before = w.Action_Opt_Random->isChecked();
  tray->Menu()->ExecuteCommand(random->Command());
  EXPECT_NE(w.Action_Opt_Random->isChecked(), before);
  EXPECT_EQ(random->GetChecked(), w.Action_Opt_Random->isChecked());
  EXPECT_TRUE(f.messages.empty());
}

// ---- The player under a tray host of its own ------------------------------------------

// A program of the test, ended when the test ends.
struct TChild {
  QProcess p;
  ~TChild() {
    if (p.state() != QProcess::NotRunning) {
      p.kill();
      p.waitForFinished(3000);
    }
  }
};

QString RunTool(const QString& program, const QStringList& args, const QProcessEnvironment& env) {
  QProcess p;
  p.setProcessEnvironment(env);
  p.start(program, args);
  p.waitForFinished(5000);
  return QString::fromUtf8(p.readAllStandardOutput());
}

// The id of the first window whose line in the window tree matches.
QString WindowId(const QString& tree, const QString& pattern) {
  const QRegularExpression line(QStringLiteral("^\\s*(0x[0-9a-f]+) .*") + pattern,
                                QRegularExpression::MultilineOption);
  const QRegularExpressionMatch m = line.match(tree);
  return m.hasMatch() ? m.captured(1) : QString();
}

TEST(TaskBarMenu, PlayerDockedInTrayerAndSilentWithoutTray) {
  for (const char* tool : {"Xvfb", "trayer", "openbox", "xdotool", "xwininfo", "xprop"})
    if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
      GTEST_SKIP() << tool << " is missing";
  QTemporaryDir home;
  TChild xvfb, wm, player, trayer;
  xvfb.p.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"),
                                        QStringLiteral("-noreset"), QStringLiteral("-screen"),
                                        QStringLiteral("0"), QStringLiteral("1024x768x24")});
  ASSERT_TRUE(xvfb.p.waitForReadyRead(10000));
  const QString display = QStringLiteral(":") + QString::fromUtf8(xvfb.p.readLine()).trimmed();
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("DISPLAY"), display);
  env.insert(QStringLiteral("MIVARO_HOME"), home.path());
  env.insert(QStringLiteral("MIVARO_AUDIO_SINK"), QStringLiteral("fakesink"));
  // No session bus: the X tray is the only kind of tray.
  env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
  for (TChild* c : {&wm, &player, &trayer}) c->p.setProcessEnvironment(env);
  wm.p.start(QStringLiteral("openbox"), {});
  player.p.start(QStringLiteral(MIVARO_EXE), {});
  ASSERT_TRUE(player.p.waitForStarted(5000));
  auto tree = [&] { return RunTool(QStringLiteral("xwininfo"), {QStringLiteral("-root"), QStringLiteral("-tree")}, env); };
  QElapsedTimer timer;
  timer.start();
  while (WindowId(tree(), QStringLiteral("\"Mivaro\": \\(\"mivaro\"")).isEmpty() && timer.elapsed() < 15000)
    QTest::qWait(200);
  const QString main_window = WindowId(tree(), QStringLiteral("\"Mivaro\": \\(\"mivaro\""));
  ASSERT_FALSE(main_window.isEmpty());
  QTest::qWait(500);
  // Without a tray the player runs on and says nothing about it.
  EXPECT_NE(player.p.state(), QProcess::NotRunning);
  const QString said = QString::fromUtf8(player.p.readAllStandardError());
  EXPECT_FALSE(said.contains(QStringLiteral("tray"), Qt::CaseInsensitive)) << said.toStdString();

  // A tray that turns up later receives the icon.
  trayer.p.start(QStringLiteral("trayer"), {QStringLiteral("--edge"), QStringLiteral("top"),
                                            QStringLiteral("--align"), QStringLiteral("right"),
                                            QStringLiteral("--widthtype"), QStringLiteral("pixel"),
                                            QStringLiteral("--width"), QStringLiteral("100"),
                                            QStringLiteral("--height"), QStringLiteral("24")});
  QString icon;
  timer.restart();
  while (timer.elapsed() < 10000) {
    const QString panel = WindowId(tree(), QStringLiteral("\\(\"panel\" \"trayer\"\\)"));
    if (!panel.isEmpty())
      icon = WindowId(RunTool(QStringLiteral("xwininfo"), {QStringLiteral("-id"), panel, QStringLiteral("-tree")}, env),
                      QStringLiteral("\\(\"mivaro\" \"mivaro\"\\)"));
    if (!icon.isEmpty()) break;
    QTest::qWait(250);
  }
  ASSERT_FALSE(icon.isEmpty()) << tree().toStdString();

  // Minimised, the window comes back with a click on the icon.
  RunTool(QStringLiteral("xdotool"), {QStringLiteral("windowminimize"), main_window}, env);
  auto hidden = [&] {
    return RunTool(QStringLiteral("xprop"), {QStringLiteral("-id"), main_window, QStringLiteral("_NET_WM_STATE")}, env)
        .contains(QStringLiteral("_NET_WM_STATE_HIDDEN"));
  };
  timer.restart();
  while (!hidden() && timer.elapsed() < 5000) QTest::qWait(100);
  ASSERT_TRUE(hidden());
  const QString info = RunTool(QStringLiteral("xwininfo"), {QStringLiteral("-id"), icon}, env);
  const auto at = [&](const char* key) {
    const QRegularExpression re(QString::fromLatin1(key) + QStringLiteral(":\\s+(-?\\d+)"));
    return re.match(info).captured(1).toInt();
  };
  RunTool(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QString::number(at("Absolute upper-left X") + 8),
                                  QString::number(at("Absolute upper-left Y") + 8), QStringLiteral("click"),
                                  QStringLiteral("1")}, env);
  timer.restart();
  while (hidden() && timer.elapsed() < 5000) QTest::qWait(100);
  EXPECT_FALSE(hidden());
  EXPECT_NE(player.p.state(), QProcess::NotRunning);
}

}  // namespace
}  // namespace mivaro::test
