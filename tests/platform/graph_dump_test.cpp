// Pipeline dumps over the real engine: a generated H.264/AAC clip, a dump while the
// pipeline changes state, and media types of caps that are not fixed.
#include <gst/gst.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "core/text_encoding.h"
#include "platform/media/graph_dump.h"
#include "platform/media/gst_graph.h"

namespace mivaro {
namespace {

bool Has(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::vector<std::string> CapsLines(const char* text) {
  GstCaps* caps = gst_caps_from_string(text);
  std::vector<std::string> lines = DumpCaps(caps);
  gst_caps_unref(caps);
  return lines;
}

class GraphDump : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    setenv("MIVARO_VIDEO_SINK", "fakesink", 1);
    setenv("MIVARO_AUDIO_SINK", "fakesink", 1);
    ASSERT_TRUE(GstInitHolder::Ensure());
    dir_ = std::filesystem::temp_directory_path() / ("mivaro-dump-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir_);
    clip_ = (dir_ / "clip.mp4").string();
    // 320x240 I420 at 25 frames/s, stereo 48 kHz AAC.
    const std::string cmd =
        "timeout 60 gst-launch-1.0 -q videotestsrc num-buffers=25 ! "
        "video/x-raw,format=I420,width=320,height=240,framerate=25/1 ! x264enc ! h264parse ! "
        "mp4mux name=m ! filesink location='" + clip_ + "' audiotestsrc num-buffers=20 ! "
        "audio/x-raw,channels=2,rate=48000 ! avenc_aac ! aacparse ! m. >/dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0) clip_.clear();
  }
  static void TearDownTestSuite() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  void SetUp() override {
    if (clip_.empty()) GTEST_SKIP() << "no H.264/AAC encoder here";
    graph_ = CreateGstGraph();
    ASSERT_EQ(graph_->RenderFile(FromUtf8(clip_)), S_OK);
  }

  static inline std::filesystem::path dir_;
  static inline std::string clip_;
  std::unique_ptr<TMediaGraph> graph_;
};

TEST_F(GraphDump, H264AacClipShowsElementsPadsAndMediaTypes) {
  const std::vector<std::string> lines = DumpGraph(graph_.get());
  // The pipeline itself comes first; it has no pads, so its block ends at once.
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[0].rfind("フィルタの名前              playbin", 0), 0u) << lines[0];
  EXPECT_EQ(lines[3], "-----------------------");
  EXPECT_TRUE(Has(lines, "ファクトリ                qtdemux"));
  EXPECT_TRUE(Has(lines, "ピンの向き                INPUT"));
  EXPECT_TRUE(Has(lines, "ピンの向き                OUTPUT"));
  // Compressed streams out of the demuxer.
  EXPECT_TRUE(Has(lines, "サブタイプ                MEDIASUBTYPE_AVC1"));
  EXPECT_TRUE(Has(lines, "サブタイプ                MEDIASUBTYPE_RAW_AAC1"));
  EXPECT_TRUE(Has(lines, "wFormatTag           255"));
  // Decoded video: 1/25 s is 400000 units of 100 ns; a 320x240 I420 frame is 115200 bytes.
  EXPECT_TRUE(Has(lines, "サブタイプ                MEDIASUBTYPE_IYUV"));
  EXPECT_TRUE(Has(lines, "rcSource             (0, 0, 320, 240)"));
  EXPECT_TRUE(Has(lines, "AvgTimePerFrame      400000"));
  EXPECT_TRUE(Has(lines, "biSizeImage          115200"));
  EXPECT_TRUE(Has(lines, "メジャータイプ              MEDIATYPE_Audio"));
  EXPECT_TRUE(Has(lines, "nChannels            2"));
  EXPECT_TRUE(Has(lines, "nSamplesPerSec       48000"));

  const std::string dot = (dir_ / "clip.dot").string();
  ASSERT_TRUE(WritePipelineDot(PipelineOf(graph_.get()), dot));
  std::ifstream in(dot);
  std::string first;
  std::getline(in, first);
  EXPECT_EQ(first.rfind("digraph", 0), 0u) << first;
}

TEST_F(GraphDump, DumpsWhileThePipelineChangesState) {
  std::atomic<bool> done{false};
  std::thread changer([&] {
    for (int i = 0; i < 40; ++i) {
      graph_->Run();
      graph_->Pause();
      if (i % 3 == 0) graph_->Stop();
    }
    done = true;
  });
  int dumps = 0;
  while (!done || dumps == 0) {
    const std::vector<std::string> lines = DumpGraph(graph_.get());
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0].rfind("フィルタの名前              playbin", 0), 0u) << lines[0];
    ++dumps;
  }
  changer.join();
  EXPECT_GT(dumps, 0);
}

TEST(CapsDump, ListsAndRangesAreShownAsTheirCapsText) {
  ASSERT_TRUE(GstInitHolder::Ensure());
  const auto open = CapsLines("video/x-raw, format=(string){ I420, YV12 }, width=(int)[ 16, 4096 ]");
  EXPECT_TRUE(Has(open, "メジャータイプ              MEDIATYPE_Video"));
  EXPECT_TRUE(Has(open, "formattype           UnKnown"));
  EXPECT_TRUE(Has(open, "UnKnown              video/x-raw, format=(string){ I420, YV12 }, "
                        "width=(int)[ 16, 4096 ]"));
  // Fixed raw audio: 2 channels of 16 bits are 4 bytes a frame, 176400 bytes a second.
  const auto pcm = CapsLines("audio/x-raw, format=S16LE, layout=interleaved, channels=2, rate=44100");
  EXPECT_TRUE(Has(pcm, "wFormatTag           1"));
  EXPECT_TRUE(Has(pcm, "nBlockAlign          4"));
  EXPECT_TRUE(Has(pcm, "nAvgBytesPerSec      176400"));
  EXPECT_TRUE(Has(pcm, "wBitsPerSample       16"));
  // PAL 4:3 interlaced, top field first: flags interlaced 0x01 + field 1 first 0x04 + both
  // fields regular 0x20 + bob or weave 0x80; 720x16 : 576x15 is 4 : 3.
  const auto pal = CapsLines("video/x-raw, format=I420, width=720, height=576, framerate=25/1, "
                             "interlace-mode=interleaved, field-order=top-field-first, "
                             "pixel-aspect-ratio=16/15");
  EXPECT_TRUE(Has(pal, "formattype           FORMAT_VideoInfo2"));
  EXPECT_TRUE(Has(pal, "dwInterlaceFlags     0xa5"));
  EXPECT_TRUE(Has(pal, "dwPictAspectRatioX   4"));
  EXPECT_TRUE(Has(pal, "dwPictAspectRatioY   3"));
  EXPECT_TRUE(Has(pal, "biSizeImage          622080"));
  // A media type outside the table.
  const auto other = CapsLines("application/x-mivaro-test");
  EXPECT_TRUE(Has(other, "メジャータイプ              UnKnown"));
  EXPECT_TRUE(Has(other, "UnKnown              application/x-mivaro-test"));
}

}  // namespace
}  // namespace mivaro
