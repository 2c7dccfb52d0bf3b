#include "settings/message_panel.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unicode/ucnv.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

namespace mivaro {
namespace {

using Clock = std::chrono::steady_clock;

// Frame kinds on the wire. A text frame is 'T', a 4-byte little-endian length and the
// UTF-7 bytes; the receiver answers 'A' after its handler ran. 'W' asks for the host
// window; the answer is 'W' and 8 bytes little-endian. A connection that sends nothing
// (a liveness probe) is simply closed.
constexpr char kFrameText = 'T';
constexpr char kFrameAck = 'A';
constexpr char kFrameWindow = 'W';

// Panels open in this process, with the thread that owns each: a thread waiting for an
// answer keeps serving its own panels.
struct Registered {
  TMyMessagePanelChannel* channel;
  std::thread::id owner;
  std::shared_ptr<bool> alive;
};
std::mutex& RegistryMutex() {
  static std::mutex m;
  return m;
}
std::vector<Registered>& Registry() {
  static std::vector<Registered> r;
  return r;
}

socklen_t PanelAddress(int handle, sockaddr_un& addr) {
  std::memset(&addr, 0, sizeof addr);
  addr.sun_family = AF_UNIX;
  const std::string name =
      "mivaro-panel-" + std::to_string(::getuid()) + "-" + std::to_string(handle);
  // Abstract namespace: leading NUL, no file, gone when the last descriptor closes.
  std::memcpy(addr.sun_path + 1, name.data(), name.size());
  return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
}

int RemainingMs(Clock::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left <= 0 ? 0 : static_cast<int>(std::min<long long>(left, 1 << 30));
}

// Waits until `fd` reports one of `events` or the deadline passes, serving this thread's
// own panels meanwhile. True when `fd` is ready.
bool WaitServing(int fd, short events, Clock::time_point deadline) {
  while (true) {
    std::vector<pollfd> fds{{fd, events, 0}};
    std::vector<Registered> own;
    {
      std::lock_guard<std::mutex> lock(RegistryMutex());
      for (const Registered& r : Registry()) {
        if (r.owner == std::this_thread::get_id() && r.channel->Fd() >= 0) {
          own.push_back(r);
          fds.push_back({r.channel->Fd(), POLLIN, 0});
        }
      }
    }
    const int timeout = RemainingMs(deadline);
    const int n = ::poll(fds.data(), fds.size(), timeout);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return false;
    if (fds[0].revents != 0) return true;
    for (size_t i = 1; i < fds.size(); ++i) {
      if (fds[i].revents != 0 && *own[i - 1].alive) own[i - 1].channel->ProcessPending();
    }
  }
}

bool SendAll(int fd, const char* data, size_t size, Clock::time_point deadline, bool serving) {
  while (size > 0) {
    const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) {
      data += n;
      size -= static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      if (serving) {
        if (!WaitServing(fd, POLLOUT, deadline)) return false;
      } else {
        pollfd p{fd, POLLOUT, 0};
        if (::poll(&p, 1, RemainingMs(deadline)) <= 0) return false;
      }
      continue;
    }
    return false;
  }
  return true;
}

// Reads exactly `size` bytes. False on end of stream, error or timeout.
bool RecvAll(int fd, char* data, size_t size, Clock::time_point deadline, bool serving) {
  while (size > 0) {
    const ssize_t n = ::recv(fd, data, size, MSG_DONTWAIT);
    if (n > 0) {
      data += n;
      size -= static_cast<size_t>(n);
      continue;
    }
    if (n == 0) return false;
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return false;
    if (serving) {
      if (!WaitServing(fd, POLLIN, deadline)) return false;
    } else {
      pollfd p{fd, POLLIN, 0};
      if (::poll(&p, 1, RemainingMs(deadline)) <= 0) return false;
    }
  }
  return true;
}

// Connects to panel `handle`; -1 when it is not there.
int ConnectPanel(int handle, Clock::time_point deadline) {
  if (handle <= 0) return -1;
  sockaddr_un addr{};
  const socklen_t len = PanelAddress(handle, addr);
  while (true) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return -1;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), len) == 0) return fd;
    const int err = errno;
    ::close(fd);
    // EAGAIN: the panel's queue of waiting connections is full; it is alive but busy.
    if (err != EAGAIN && err != EINTR) return -1;
    if (RemainingMs(deadline) == 0) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

bool SameUser(int conn) {
  ucred cred{};
  socklen_t len = sizeof cred;
  if (::getsockopt(conn, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0) return false;
  return cred.uid == ::getuid();
}

void PutLe(char* out, std::uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::uint64_t GetLe(const char* in, int bytes) {
  std::uint64_t v = 0;
  for (int i = 0; i < bytes; ++i) v |= std::uint64_t(static_cast<unsigned char>(in[i])) << (8 * i);
  return v;
}

struct ConverterCloser {
  void operator()(UConverter* c) const { ucnv_close(c); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

Converter OpenUtf7() {
  UErrorCode status = U_ZERO_ERROR;
  Converter c(ucnv_open("UTF-7", &status));
  if (U_FAILURE(status)) return nullptr;
  return c;
}

}  // namespace

std::string EncodePanelText(WStringView text) {
  if (text.empty()) return {};
  Converter conv = OpenUtf7();
  if (!conv) return {};
  // UTF-7 needs at most about 8/3 bytes per unit plus shifts.
  std::string out(text.size() * 4 + 16, '\0');
  UErrorCode status = U_ZERO_ERROR;
  const int32_t n = ucnv_fromUChars(conv.get(), out.data(), static_cast<int32_t>(out.size()),
                                    text.data(), static_cast<int32_t>(text.size()), &status);
  if (U_FAILURE(status)) return {};
  out.resize(static_cast<size_t>(n));
  return out;
}

WString DecodePanelText(std::string_view bytes) {
  if (bytes.empty()) return {};
  Converter conv = OpenUtf7();
  if (!conv) return {};
  WString out(bytes.size() + 16, u'\0');
  UErrorCode status = U_ZERO_ERROR;
  const int32_t n = ucnv_toUChars(conv.get(), out.data(), static_cast<int32_t>(out.size()),
                                  bytes.data(), static_cast<int32_t>(bytes.size()), &status);
  if (U_FAILURE(status)) return {};
  out.resize(static_cast<size_t>(n));
  return out;
}

// ---------------------------------------------------------------------------------------

TMyMessagePanelChannel::TMyMessagePanelChannel() {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return;
  // Handles are the process id times 64 plus a serial, so that they stay unique and
  // readable in process listings; when those run out, random numbers are tried.
  static std::mutex serial_mutex;
  static int serial = 0;
  const long long pid = ::getpid();
  std::mt19937 rng(static_cast<unsigned>(Clock::now().time_since_epoch().count()) ^
                   static_cast<unsigned>(pid));
  for (int attempt = 0; attempt < 200; ++attempt) {
    long long candidate = 0;
    {
      std::lock_guard<std::mutex> lock(serial_mutex);
      if (serial < 63 && pid * 64 + 63 <= 0x7FFFFFFF) candidate = pid * 64 + (++serial);
    }
    if (candidate == 0) {
      candidate = std::uniform_int_distribution<int>(1 << 28, 0x7FFFFFFF)(rng);
    }
    sockaddr_un addr{};
    const socklen_t len = PanelAddress(static_cast<int>(candidate), addr);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&addr), len) == 0) {
      if (::listen(fd, 16) != 0) break;
      handle_ = static_cast<int>(candidate);
      fd_ = fd;
      std::lock_guard<std::mutex> lock(RegistryMutex());
      Registry().push_back({this, std::this_thread::get_id(), std::make_shared<bool>(true)});
      return;
    }
    if (errno != EADDRINUSE) break;
  }
  ::close(fd);
}

TMyMessagePanelChannel::~TMyMessagePanelChannel() {
  {
    std::lock_guard<std::mutex> lock(RegistryMutex());
    auto& reg = Registry();
    for (auto it = reg.begin(); it != reg.end(); ++it) {
      if (it->channel == this) {
        *it->alive = false;
        reg.erase(it);
        break;
      }
    }
  }
  if (fd_ >= 0) ::close(fd_);
}

WString TMyMessagePanelChannel::Text() const { return DecodePanelText(raw_text_); }

void TMyMessagePanelChannel::SetText(WStringView text) { raw_text_ = EncodePanelText(text); }

int TMyMessagePanelChannel::ProcessPending() {
  if (fd_ < 0) return 0;
  std::shared_ptr<bool> alive;
  {
    std::lock_guard<std::mutex> lock(RegistryMutex());
    for (const Registered& r : Registry()) {
      if (r.channel == this) alive = r.alive;
    }
  }
  if (!alive) return 0;
  int handled = 0;
  while (*alive) {
    const int conn = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (conn < 0) {
      if (errno == EINTR) continue;
      break;
    }
    // Serve may run a handler that destroys this panel; `alive` tells.
    const bool was_text = Serve(conn);
    ::close(conn);
    if (was_text) ++handled;
  }
  return handled;
}

bool TMyMessagePanelChannel::Serve(int conn) {
  char kind = 0;
  const auto deadline = Clock::now() + std::chrono::seconds(1);
  if (!SameUser(conn) || !RecvAll(conn, &kind, 1, deadline, false)) return false;
  if (kind == kFrameWindow) {
    char reply[9];
    reply[0] = kFrameWindow;
    PutLe(reply + 1, host_window_ ? host_window_() : 0, 8);
    SendAll(conn, reply, sizeof reply, deadline, false);
    return false;
  }
  if (kind != kFrameText) return false;
  char size_bytes[4];
  if (!RecvAll(conn, size_bytes, 4, deadline, false)) return false;
  const std::uint64_t size = GetLe(size_bytes, 4);
  if (size > kMaxPanelTextBytes) return false;
  std::string text(static_cast<size_t>(size), '\0');
  if (!RecvAll(conn, text.data(), text.size(), deadline, false)) return false;
  // Like a window text: stored first, then read back for the handler.
  raw_text_ = std::move(text);
  if (on_text_) {
    // The handler may destroy this panel: work on copies and touch no member afterwards.
    const TextHandler handler = on_text_;
    handler(DecodePanelText(raw_text_));
  }
  const char ack = kFrameAck;
  SendAll(conn, &ack, 1, Clock::now() + std::chrono::seconds(1), false);
  return true;
}

// ---------------------------------------------------------------------------------------

bool SendPanelText(int handle, WStringView text, int timeout_ms) {
  if (handle <= 0) return false;
  const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeout_ms, 0));
  const int fd = ConnectPanel(handle, deadline);
  if (fd < 0) return false;
  const std::string bytes = EncodePanelText(text);
  if (bytes.size() > kMaxPanelTextBytes) {
    ::close(fd);
    return false;
  }
  std::string frame(5, '\0');
  frame[0] = kFrameText;
  PutLe(frame.data() + 1, bytes.size(), 4);
  frame += bytes;
  bool ok = SendAll(fd, frame.data(), frame.size(), deadline, true);
  char ack = 0;
  ok = ok && RecvAll(fd, &ack, 1, deadline, true) && ack == kFrameAck;
  ::close(fd);
  return ok;
}

bool IsPanelAlive(int handle) {
  const int fd = ConnectPanel(handle, Clock::now() + std::chrono::milliseconds(200));
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

std::uint64_t PanelHostWindow(int handle, int timeout_ms) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeout_ms, 0));
  const int fd = ConnectPanel(handle, deadline);
  if (fd < 0) return 0;
  const char ask = kFrameWindow;
  char reply[9] = {};
  std::uint64_t id = 0;
  if (SendAll(fd, &ask, 1, deadline, true) && RecvAll(fd, reply, sizeof reply, deadline, true) &&
      reply[0] == kFrameWindow) {
    id = GetLe(reply + 1, 8);
  }
  ::close(fd);
  return id;
}

}  // namespace mivaro
