// The media probe and TMyTag2 on real media made at test time: MP3, MP4, MKV and WMA by
// GStreamer, WMV by ffmpeg (GStreamer-muxed WMV with audio carries no video frames).
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/media/media_probe.h"
#include "tag_fixtures.h"
#include "tags/tag.h"

namespace mivaro {
namespace {

bool RunQuietly(const std::string& command) {
  return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

class MediaProbe : public ::testing::Test {
 protected:
  // Makes `name` in the temporary folder with a gst-launch pipeline ending in a filesink.
  std::string Gst(const std::string& name, const std::string& pipeline) {
    const std::string path = dir_.File(name);
    if (!RunQuietly("timeout 60 gst-launch-1.0 -q " + pipeline + " ! filesink location='" + path + "'")) {
      ADD_FAILURE() << "could not make " << name;
    }
    return path;
  }
  fx::TempDir dir_;
};

TEST_F(MediaProbe, MeasuresVideoFiles) {
  const std::string mp4 = Gst("clip.mp4",
                              "videotestsrc num-buffers=50 ! video/x-raw,width=320,height=240,"
                              "framerate=25/1 ! x264enc ! mp4mux");
  const std::string mkv = Gst("clip.mkv",
                              "videotestsrc num-buffers=30 ! video/x-raw,width=160,height=120,"
                              "framerate=30000/1001 ! x264enc ! matroskamux");
  TMyTag2 a(U16(mp4));
  EXPECT_NEAR(a.Duration, 2.0, 0.05);
  EXPECT_EQ(a.DurationSeconds, 2);
  EXPECT_EQ(a.VideoWidth, 320);
  EXPECT_EQ(a.VideoHeight, 240);
  EXPECT_EQ(a.FrameRate, 25.0);
  EXPECT_TRUE(a.HasVideoSize());
  EXPECT_GT(a.BitRate, 0);
  // No tag reader for .mp4: file facts and properties only.
  EXPECT_EQ(a.Title, u"");
  EXPECT_EQ(a.TitleOrFileTitle(), u"clip");

  TMyTag2 b(U16(mkv));
  EXPECT_EQ(b.VideoWidth, 160);
  EXPECT_EQ(b.VideoHeight, 120);
  EXPECT_EQ(b.FrameRate, 29.97);  // two decimals
  EXPECT_NEAR(b.Duration, 1.001, 0.05);
}

TEST_F(MediaProbe, MeasuresAudioAndRoundsDurationUp) {
  // 1.2 s of audio: the probe rounds up, the record rounds half away from zero.
  const std::string mp3 = Gst("tone.mp3",
                              "audiotestsrc num-buffers=12 samplesperbuffer=4410 ! "
                              "audio/x-raw,rate=44100,channels=2 ! audioconvert ! "
                              "lamemp3enc target=bitrate bitrate=128 cbr=true");
  TMyTag2 t(U16(mp3));
  EXPECT_NEAR(t.Duration, 1.2, 0.1);
  EXPECT_EQ(t.DurationSeconds, 2);
  EXPECT_EQ(t.VideoWidth, 0);
  EXPECT_FALSE(t.HasVideoSize());
  EXPECT_EQ(t.FrameRate, 0.0);
  EXPECT_NEAR(t.BitRate, 128000, 16000);
  const TMyTag2 back(t.ToValue());
  EXPECT_EQ(back.DurationSeconds, 1);

  const std::string wma = Gst("tone.wma",
                              "audiotestsrc num-buffers=86 ! audio/x-raw,rate=44100,channels=2 ! "
                              "audioconvert ! avenc_wmav2 ! asfmux");
  TMyTag2 w(U16(wma));
  EXPECT_NEAR(w.Duration, 2.0, 0.1);
  EXPECT_EQ(w.VideoWidth, 0);
}

TEST_F(MediaProbe, ReadsWmvTagsAndProperties) {
  if (!RunQuietly("command -v ffmpeg")) {
    GTEST_SKIP() << "ffmpeg missing";
  }
  const std::string wmv = dir_.File("clip.wmv");
  ASSERT_TRUE(RunQuietly("timeout 60 ffmpeg -v error -y -f lavfi -i testsrc=size=176x144:rate=15:duration=2"
                  " -f lavfi -i sine=duration=2 -c:v wmv2 -c:a wmav2 -metadata title=タイトル"
                  " -metadata artist=Band -metadata album=Alb -metadata track=5 '" + wmv + "'"));
  TMyTag2 t(U16(wmv));
  EXPECT_EQ(t.Title, u"タイトル");
  EXPECT_EQ(t.Artist, u"Band");
  EXPECT_EQ(t.Album, u"Alb");
  EXPECT_EQ(t.Track, u"5");
  EXPECT_EQ(t.VideoWidth, 176);
  EXPECT_EQ(t.VideoHeight, 144);
  EXPECT_NEAR(t.Duration, 2.0, 0.1);
  // This muxer states no frame time in the header: unknown rather than a guess.
  EXPECT_EQ(t.FrameRate, 0.0);
}

TEST_F(MediaProbe, NonMediaAndMissingFilesStayUnmeasured) {
  TMyTag2 missing(U16(dir_.File("missing.mp4")));
  EXPECT_EQ(missing.Duration, -1.0);
  EXPECT_EQ(missing.VideoWidth, 0);
  EXPECT_EQ(missing.FrameRate, 0.0);
  const std::string junk = dir_.Write("junk.mp4", fx::Bytes(5000, 0x42));
  TMyTag2 j(U16(junk));
  EXPECT_EQ(j.Duration, -1.0);
  EXPECT_EQ(j.VideoWidth, 0);
  const MediaProbeResult r = ProbeMediaFile(u"");
  EXPECT_FALSE(r.ok);
}

}  // namespace
}  // namespace mivaro
