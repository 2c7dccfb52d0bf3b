// mivaro-tool play: plays a media file through the player control without a window and
// reports what the player sees (length, video size, frame rate, its notifications).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/media/gst_graph.h"
#include "player/media_player.h"
#include "tools/tool_command.h"

namespace mivaro::tool {
namespace {

int RunPlay(const std::vector<std::string>& args) {
  if (args.empty() || args.size() > 2) return UsageError("play needs FILE [SECONDS]");
  double limit = 0;
  if (args.size() == 2) {
    char* end = nullptr;
    limit = std::strtod(args[1].c_str(), &end);
    if (!end || *end || !(limit > 0)) return UsageError("SECONDS must be a positive number");
  }
  if (!std::getenv("MIVARO_AUDIO_SINK")) setenv("MIVARO_AUDIO_SINK", "fakesink", 1);
  if (!GstInitHolder::Ensure()) return Failure("GStreamer did not start");

  TMyMediaPlayer player;
  player.SetRenderer(vmVideoRenderer);
  bool done = false, failed = false;
  auto say = [](const char* what) { std::printf("%s\n", what); };
  player.OnMediaStart = [&](TMyMediaPlayer*) { say("start"); };
  player.OnMediaEnded = [&](TMyMediaPlayer*) {
    say("ended");
    done = true;
  };
  player.OnMediaError = [&](TMyMediaPlayer*) {
    say("error");
    done = failed = true;
  };
  player.OnVideoSizeChange = [&](TMyMediaPlayer*, std::uint16_t w, std::uint16_t h) {
    std::printf("video size %ux%u\n", w, h);
  };
  if (!player.Open(ArgPath(args[0]))) return Failure("cannot play " + args[0]);
  std::printf("duration %.3f s\nvideo %dx%d\nframe rate %s\n", player.Duration(),
              player.VideoWidth(), player.VideoHeight(), Utf8(player.FrameRateText()).c_str());
  std::fflush(stdout);
  player.Play();
  // Never longer than the file (or the limit) plus a margin: no endless wait.
  double wall = (limit > 0 ? limit : player.Duration()) + 5.0;
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(static_cast<long>(wall * 1000));
  while (!done && std::chrono::steady_clock::now() < end) {
    player.HandleGraphNotify();
    if (limit > 0 && player.Position() >= limit) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  std::printf("position %.3f s\n", player.Position());
  player.Close();
  return failed ? 1 : 0;
}

}  // namespace

MIVARO_TOOL_COMMAND("play", "FILE [SECONDS]",
                    "plays a media file without a window and reports the player's events",
                    RunPlay);

}  // namespace mivaro::tool
