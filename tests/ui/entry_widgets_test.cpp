// In-process checks of the message panel control, the sub player's form and the player's
// link to it.
#include <poll.h>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimer>
#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "core/wstrings.h"  // before the helpers, which use it
#include "mainwin_test_util.h"
#include "settings/message_panel.h"
#include "ui/desktop/message_panel_widget.h"
#include "ui/main/sub_player_form.h"
#include "ui/main/sub_player_link.h"

namespace mivaro {
namespace {

// Runs the event loop until `done` or `ms` passed.
template <typename Pred>
bool SpinUntil(Pred done, int ms) {
  QDeadlineTimer deadline(ms);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

WString Greeting(int handle) { return u"/TO_SUBPLAYER:" + U16(std::to_string(handle)); }

TEST(EntryPanelWidget, HiddenControlServedByTheEventLoop) {
  test::App();
  QWidget form;
  auto* panel = new TMyMessagePanel(&form);
  EXPECT_GT(panel->Handle(), 0);
  EXPECT_FALSE(panel->isVisible());
  EXPECT_EQ(panel->size(), QSize(0, 0));
  EXPECT_TRUE(panel->Text().empty());

  QObject* seen_sender = nullptr;
  WString seen;
  panel->OnTextChange = [&](QObject* sender, const WString& text) {
    seen_sender = sender;
    seen = text;
  };
  std::atomic<bool> sent{false};
  std::atomic<bool> ok{false};
  std::thread other([&] {
    ok = TMyMessagePanel::SendText(panel->Handle(), u"/TO_SUBPLAYER:42 第2話");
    sent = true;
  });
  EXPECT_TRUE(SpinUntil([&] { return sent.load(); }, 5000));
  other.join();
  EXPECT_TRUE(ok);
  EXPECT_EQ(seen, u"/TO_SUBPLAYER:42 第2話");
  EXPECT_EQ(seen_sender, panel);
  EXPECT_EQ(panel->Text(), seen);
  // Its host window is the form it sits on, once that form is shown.
  form.show();
  EXPECT_EQ(TMyMessagePanel::HostWindowOf(panel->Handle()), form.winId());

  const int handle = panel->Handle();
  delete panel;
  EXPECT_FALSE(TMyMessagePanel::IsPanel(handle));
  EXPECT_FALSE(TMyMessagePanel::SendText(handle, u"/CLOSE"));
}

TEST(EntrySubForm, GreetsItsPlayerAndClosesOnClose) {
  test::App();
  TMyMessagePanelChannel player;
  WString greeting;
  player.SetTextHandler([&](const WString& t) { greeting = t; });

  TApp_MivaroSubForm form;
  bool closed_signal = false;
  QObject::connect(&form, &TApp_MivaroSubForm::Closed, [&] { closed_signal = true; });
  form.Start(u"/SUBPLAYER /FROM:" + U16(std::to_string(player.Handle())));
  // The greeting was sent synchronously while starting.
  EXPECT_EQ(greeting, Greeting(form.MyMessagePanel1->Handle()));
  EXPECT_EQ(form.PlayerHandle(), player.Handle());
  EXPECT_TRUE(form.isVisible());
  EXPECT_TRUE(form.Timer2->isActive());
  EXPECT_EQ(form.Timer2->interval(), 1000);
  EXPECT_LE(form.width(), 1);
  EXPECT_LE(form.height(), 1);
  const Qt::WindowFlags flags = form.windowFlags();
  EXPECT_TRUE(flags.testFlag(Qt::FramelessWindowHint));
  EXPECT_TRUE(flags.testFlag(Qt::X11BypassWindowManagerHint));  // no taskbar entry
  EXPECT_NE(PanelHostWindow(form.MyMessagePanel1->Handle()), 0u);

  // Other texts are ignored; "/close" in any case ends it.
  form.MyMessagePanel1TextChange(nullptr, u"/TO_SUBPLAYER:5 hello");
  EXPECT_FALSE(form.IsClosed());
  EXPECT_TRUE(SendPanelText(form.MyMessagePanel1->Handle(), u"/close"));
  EXPECT_TRUE(form.IsClosed());
  EXPECT_TRUE(closed_signal);
  EXPECT_FALSE(form.isVisible());
}

TEST(EntrySubForm, EndsWhenItsPlayerIsGone) {
  test::App();
  auto player = std::make_unique<TMyMessagePanelChannel>();
  TApp_MivaroSubForm form;
  form.Start(u"/SUBPLAYER /FROM:" + U16(std::to_string(player->Handle())));
  ASSERT_FALSE(form.IsClosed());
  // Still there after a Timer2 round while the player lives.
  SpinUntil([] { return false; }, 1200);
  EXPECT_FALSE(form.IsClosed());
  player.reset();
  EXPECT_TRUE(SpinUntil([&] { return form.IsClosed(); }, 2000));
  EXPECT_FALSE(form.Timer2->isActive());
}

TEST(EntrySubForm, CloseInTheStartTextShowsNothing) {
  test::App();
  TApp_MivaroSubForm form;
  form.Start(u"/SUBPLAYER /CLOSE");
  EXPECT_TRUE(form.IsClosed());
  EXPECT_FALSE(form.isVisible());
  EXPECT_FALSE(form.Timer2->isActive());
}

TEST(EntrySubPlayerLink, StoresTheNewestGreeting) {
  test::App();
  TMyMessagePanel panel;
  TMySubPlayerLink link(&panel);
  EXPECT_EQ(link.Handle(), 0);
  EXPECT_FALSE(link.IsAvailable());
  EXPECT_EQ(link.HostWindow(), 0u);
  link.Close();  // nothing to close: does nothing

  EXPECT_FALSE(link.HandleText(u"/FROM:12"));
  EXPECT_FALSE(link.HandleText(u"TO_SUBPLAYER:12"));  // no option
  EXPECT_EQ(link.Handle(), 0);
  EXPECT_TRUE(link.HandleText(u"/to_subplayer:12 /TO_SUBPLAYER:34"));
  EXPECT_EQ(link.Handle(), 34);
  EXPECT_TRUE(link.HandleText(u"/TO_SUBPLAYER:junk"));
  EXPECT_EQ(link.Handle(), 0);

  // A greeting from a live panel makes the sub player available; /CLOSE reaches it.
  TMyMessagePanelChannel sub;
  WString got;
  sub.SetTextHandler([&](const WString& t) { got = t; });
  EXPECT_TRUE(link.HandleText(Greeting(sub.Handle())));
  EXPECT_TRUE(link.IsAvailable());
  EXPECT_TRUE(link.Need());  // available: nothing is started
  EXPECT_EQ(link.ProcessId(), 0);
  link.Close();
  EXPECT_EQ(got, u"/CLOSE");
}

TEST(EntrySubPlayerLink, StartsNothingOnceClosing) {
  test::App();
  TMyMessagePanel panel;
  TMySubPlayerLink link(&panel);
  link.Close();
  EXPECT_FALSE(link.Start(100));
  EXPECT_FALSE(link.Need());
  EXPECT_EQ(link.ProcessId(), 0);
}

}  // namespace
}  // namespace mivaro
