// The grabber's frame for a time is the frame ffmpeg decodes for it, on a clip with
// B-frames and one key frame every four seconds, in any seek order and near both ends.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/media/frame_grabber.h"

using mivaro::media::GrabbedFrame;
using mivaro::media::TMyFrameGrabber;

namespace {

std::string RunShell(const std::string& cmd) {
  std::string out;
  FILE* pipe = popen(cmd.c_str(), "r");
  if (!pipe) return out;
  char buf[65536];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
  pclose(pipe);
  return out;
}

// ffmpeg's frame at `t`: the first whose time is not before it.
std::string FfmpegFrame(const std::string& clip, double t) {
  char filter[64];
  std::snprintf(filter, sizeof filter, "select=gte(t\\,%.4f)", t - 0.0005);
  return RunShell("ffmpeg -v error -i '" + clip + "' -vf '" + filter +
             "' -frames:v 1 -f rawvideo -pix_fmt rgb24 -");
}

double MeanDifference(const std::vector<uint8_t>& a, const std::string& b) {
  if (a.size() != b.size() || a.empty()) return 255.0;
  double sum = 0;
  for (size_t i = 0; i < a.size(); ++i) sum += std::abs(int(a[i]) - int(uint8_t(b[i])));
  return sum / a.size();
}

class FrameGrabber : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    clip_ = (std::filesystem::temp_directory_path() /
             ("mivaro_grab_" + std::to_string(getpid()) + ".mp4")).string();
    // testsrc2 changes every frame; 25 fps, 4 s, three B-frames, a single key frame.
    RunShell("ffmpeg -v error -y -f lavfi -i testsrc2=size=176x144:rate=25 -t 4 -c:v libx264 "
        "-g 100 -bf 3 -pix_fmt yuv420p '" + clip_ + "'");
  }
  static void TearDownTestSuite() { std::filesystem::remove(clip_); }
  static std::string clip_;
};
std::string FrameGrabber::clip_;

}  // namespace

TEST_F(FrameGrabber, SameFrameAsFfmpegAfterAnySeek) {
  TMyFrameGrabber grabber;
  std::string error;
  ASSERT_TRUE(grabber.Open(clip_, error)) << error;
  EXPECT_NEAR(grabber.Duration(), 4.0, 0.05);
  // Forward, backward past the key frame, mid-frame, start and last frame.
  const struct { double ask, frame; } cases[] = {
      {2.5, 2.52}, {1.02, 1.04}, {0.0, 0.0}, {3.96, 3.96}, {1.0, 1.0}};
  for (const auto& c : cases) {
    GrabbedFrame f;
    ASSERT_TRUE(grabber.FrameAtOrAfter(c.ask, f)) << c.ask;
    EXPECT_NEAR(f.time, c.frame, 1e-3) << c.ask;
    const double same = MeanDifference(f.rgb, FfmpegFrame(clip_, c.frame));
    const double other = MeanDifference(f.rgb, FfmpegFrame(clip_, c.frame > 0 ? c.frame - 0.04 : 0.04));
    // Colour conversions differ by about one level; a neighbour frame by far more.
    EXPECT_LT(same, 2.0) << c.ask;
    EXPECT_GT(other, 2 * same) << c.ask;
  }
}

TEST_F(FrameGrabber, StripIsConsecutiveAndEndsEarlyAtTheEnd) {
  TMyFrameGrabber grabber;
  std::string error;
  ASSERT_TRUE(grabber.Open(clip_, error)) << error;
  std::vector<GrabbedFrame> frames;
  ASSERT_TRUE(grabber.FramesFrom(1.73, 5, frames));
  ASSERT_EQ(frames.size(), 5u);
  EXPECT_NEAR(frames[0].time, 1.76, 1e-3);
  EXPECT_NEAR(frames[4].time, 1.92, 1e-3);
  EXPECT_LT(MeanDifference(frames[4].rgb, FfmpegFrame(clip_, 1.92)), 2.0);
  ASSERT_TRUE(grabber.FramesFrom(3.9, 5, frames));
  ASSERT_EQ(frames.size(), 2u);  // 3.92, 3.96 and nothing after
  EXPECT_NEAR(frames[1].time, 3.96, 1e-3);
}

TEST_F(FrameGrabber, BadInputGivesTheMessages) {
  TMyFrameGrabber grabber;
  std::string error;
  EXPECT_FALSE(grabber.Open("/nonexistent/clip.mp4", error));
  EXPECT_FALSE(error.empty());
  const std::string wav = clip_ + ".wav";
  RunShell("ffmpeg -v error -y -f lavfi -i sine -t 1 '" + wav + "'");
  EXPECT_FALSE(grabber.Open(wav, error));
  EXPECT_EQ(error, "メディアにビデオ映像がありません");
  std::filesystem::remove(wav);
}
