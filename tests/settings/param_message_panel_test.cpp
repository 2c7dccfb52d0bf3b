#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <future>
#include <memory>
#include <thread>

#include "settings/message_panel.h"

namespace mivaro {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

long long MsSince(Clock::time_point t) {
  return std::chrono::duration_cast<milliseconds>(Clock::now() - t).count();
}

// Serves `panel` on this thread until `done` turns true (or 5 s passed).
void ServeUntil(TMyMessagePanelChannel& panel, const std::atomic<bool>& done) {
  const auto end = Clock::now() + std::chrono::seconds(5);
  while (!done && Clock::now() < end) {
    pollfd p{panel.Fd(), POLLIN, 0};
    if (::poll(&p, 1, 20) > 0) panel.ProcessPending();
  }
}

TEST(MessagePanelText, Utf7RoundTrip) {
  for (const WString& text : {WString(u"/TO_SUBPLAYER:12345"), WString(u"/CLOSE"),
                              WString(u"第10話 ＋ 1+1=2 \"q\" ~\\"), WString(u"\U00020BB7野家"),
                              WString()}) {
    const std::string bytes = EncodePanelText(text);
    for (char c : bytes) EXPECT_EQ(static_cast<unsigned char>(c) & 0x80, 0);  // 7-bit only
    EXPECT_EQ(DecodePanelText(bytes), text);
  }
  EXPECT_EQ(EncodePanelText(u"/CLOSE"), "/CLOSE");
  // Broken UTF-7 decodes to something, never a crash.
  (void)DecodePanelText("+\xff\x80-+AAA");
}

TEST(MessagePanel, HandlesAreDistinctAndLive) {
  TMyMessagePanelChannel a;
  TMyMessagePanelChannel b;
  ASSERT_GT(a.Handle(), 0);
  ASSERT_GT(b.Handle(), 0);
  EXPECT_NE(a.Handle(), b.Handle());
  EXPECT_TRUE(IsPanelAlive(a.Handle()));
  EXPECT_FALSE(IsPanelAlive(0));
  EXPECT_FALSE(IsPanelAlive(-5));
  EXPECT_TRUE(a.Text().empty());

  int gone = 0;
  {
    TMyMessagePanelChannel c;
    gone = c.Handle();
    EXPECT_TRUE(IsPanelAlive(gone));
  }
  EXPECT_FALSE(IsPanelAlive(gone));
  // Sending to nothing returns at once.
  const auto t = Clock::now();
  EXPECT_FALSE(SendPanelText(0, u"/CLOSE"));
  EXPECT_FALSE(SendPanelText(gone, u"/CLOSE"));
  EXPECT_LT(MsSince(t), 200);
  // A liveness probe is no message.
  EXPECT_EQ(a.ProcessPending(), 0);
}

TEST(MessagePanel, SenderWaitsForTheReceiversHandler) {
  TMyMessagePanelChannel panel;
  std::atomic<bool> handler_done{false};
  WString received;
  panel.SetTextHandler([&](const WString& text) {
    received = text;
    EXPECT_EQ(panel.Text(), text);  // stored before the handler runs
    std::this_thread::sleep_for(milliseconds(150));
    handler_done = true;
  });
  std::atomic<bool> sent{false};
  bool saw_handler_done = false;
  std::thread sender([&] {
    EXPECT_TRUE(SendPanelText(panel.Handle(), u"/TO_SUBPLAYER:77 第1話"));
    saw_handler_done = handler_done;
    sent = true;
  });
  ServeUntil(panel, sent);
  sender.join();
  EXPECT_TRUE(saw_handler_done);
  EXPECT_EQ(received, u"/TO_SUBPLAYER:77 第1話");
  EXPECT_EQ(panel.Text(), received);
  EXPECT_EQ(panel.RawText(), EncodePanelText(received));
}

TEST(MessagePanel, SendingThreadKeepsServingItsOwnPanels) {
  // A panel that messages itself, and handlers that message each other, must not deadlock.
  TMyMessagePanelChannel a;
  TMyMessagePanelChannel b;
  std::vector<WString> log;
  a.SetTextHandler([&](const WString& t) {
    log.push_back(u"a:" + t);
    if (t == u"ping") SendPanelText(b.Handle(), u"pong");
  });
  b.SetTextHandler([&](const WString& t) {
    log.push_back(u"b:" + t);
    if (t == u"pong") SendPanelText(a.Handle(), u"back");
  });
  const auto t0 = Clock::now();
  EXPECT_TRUE(SendPanelText(a.Handle(), u"ping"));
  EXPECT_LT(MsSince(t0), 1000);
  EXPECT_EQ(log, (std::vector<WString>{u"a:ping", u"b:pong", u"a:back"}));
}

TEST(MessagePanel, HandlerMayDestroyItsPanel) {
  auto panel = std::make_unique<TMyMessagePanelChannel>();
  const int handle = panel->Handle();
  panel->SetTextHandler([&](const WString&) { panel.reset(); });
  EXPECT_TRUE(SendPanelText(handle, u"/CLOSE"));
  EXPECT_EQ(panel, nullptr);
  EXPECT_FALSE(IsPanelAlive(handle));
}

TEST(MessagePanel, ReportsItsHostWindow) {
  TMyMessagePanelChannel panel;
  EXPECT_EQ(PanelHostWindow(panel.Handle(), 300), 0u);  // no provider, but it answers
  panel.SetHostWindowProvider([] { return std::uint64_t{0x1234567890ull}; });
  EXPECT_EQ(PanelHostWindow(panel.Handle()), 0x1234567890ull);
  EXPECT_EQ(PanelHostWindow(0), 0u);
}

TEST(MessagePanel, UnansweredSendGivesUpAfterItsTimeout) {
  TMyMessagePanelChannel panel;
  std::promise<bool> result;
  const auto t0 = Clock::now();
  std::thread sender([&] { result.set_value(SendPanelText(panel.Handle(), u"x", 300)); });
  sender.join();  // nobody serves the panel
  EXPECT_FALSE(result.get_future().get());
  EXPECT_LT(MsSince(t0), 2000);
}

TEST(MessagePanel, DropsBrokenClients) {
  TMyMessagePanelChannel panel;
  int calls = 0;
  panel.SetTextHandler([&](const WString&) { ++calls; });
  auto raw_connect = [&] {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const std::string name = "mivaro-panel-" + std::to_string(::getuid()) + "-" +
                             std::to_string(panel.Handle());
    std::memcpy(addr.sun_path + 1, name.data(), name.size());
    const auto len = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
    EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&addr), len), 0);
    return fd;
  };
  // Unknown frame, oversized length, a length with too few bytes (times out after 1 s).
  const int junk = raw_connect();
  ASSERT_EQ(::write(junk, "Zzz", 3), 3);
  const int huge = raw_connect();
  ASSERT_EQ(::write(huge, "T\xff\xff\xff\x7f", 5), 5);
  const int short_text = raw_connect();
  ASSERT_EQ(::write(short_text, "T\x05\x00\x00\x00" "ab", 7), 7);
  const auto t0 = Clock::now();
  EXPECT_EQ(panel.ProcessPending(), 0);
  EXPECT_LT(MsSince(t0), 2500);
  EXPECT_EQ(calls, 0);
  ::close(junk);
  ::close(huge);
  ::close(short_text);
  // The panel still works afterwards.
  std::atomic<bool> sent{false};
  std::thread sender([&] {
    SendPanelText(panel.Handle(), u"ok");
    sent = true;
  });
  ServeUntil(panel, sent);
  sender.join();
  EXPECT_EQ(calls, 1);
}

}  // namespace
}  // namespace mivaro
