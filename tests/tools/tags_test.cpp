// mivaro-tool tags: one line per value, TagVersion first, line breaks escaped.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tool_runner.h"

namespace {

using mivaro::test::Quote;
using mivaro::test::RunTool;

using Bytes = std::vector<unsigned char>;

int RunTags(const std::string& args, std::string& out, bool mergeErrors = false) {
  return RunTool("tags " + args + (mergeErrors ? " 2>&1" : " 2>/dev/null"), out);
}

void Append(Bytes& b, const std::string& s) { b.insert(b.end(), s.begin(), s.end()); }

// An ID3v2.3 frame with a big-endian size.
void Frame(Bytes& b, const std::string& id, const std::string& data) {
  Append(b, id);
  const size_t n = data.size();
  for (int shift : {24, 16, 8, 0}) b.push_back(static_cast<unsigned char>(n >> shift));
  b.push_back(0);
  b.push_back(0);
  Append(b, data);
}

class TagsTool : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/mivaro-tags-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(root_); }
  std::string Write(const std::string& name, const Bytes& bytes) {
    const std::string path = (root_ / name).string();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
  }
  std::filesystem::path root_;
};

TEST_F(TagsTool, PrintsTagVersionAndNonEmptyFieldsInRecordOrder) {
  Bytes body;
  Frame(body, "TPE1", std::string("\0Band", 5));
  Frame(body, "TIT2", std::string("\x01\xFF\xFE\xF2\x66\x0D\x54", 7));  // 曲名, UTF-16 LE
  Frame(body, "TALB", std::string("\0Album", 6));
  Frame(body, "COMM", std::string("\0eng\0first", 10));
  Frame(body, "COMM", std::string("\0eng\0second\tline\nthree", 23));
  Bytes file;
  Append(file, std::string("ID3\x03\0\0\0\0", 8));
  file.push_back(static_cast<unsigned char>(body.size() >> 7));
  file.push_back(static_cast<unsigned char>(body.size() & 0x7F));
  file.insert(file.end(), body.begin(), body.end());
  file.resize(file.size() + 100, 0x55);
  const std::string mp3 = Write("song.mp3", file);
  const std::string other = Write("readme.txt", Bytes(10, 'x'));

  std::string out;
  ASSERT_EQ(RunTags(Quote(mp3) + " " + Quote(other), out), 0);
  EXPECT_EQ(out, mp3 + "\tTagVersion\t2.3.0\n" +
                     mp3 + "\tAlbum\tAlbum\n" +
                     mp3 + "\tArtist\tBand\n" +
                     mp3 + "\tTitle\t曲名\n" +
                     mp3 + "\tComment\tfirst\\r\\rsecond\\tline\\nthree\n" +
                     other + "\tTagVersion\t\n");
}

TEST_F(TagsTool, MediaPropertiesOfGeneratedAudio) {
  const std::string mp3 = (root_ / "tone.mp3").string();
  const std::string make = "timeout 60 gst-launch-1.0 -q audiotestsrc num-buffers=20 "
                           "samplesperbuffer=4410 ! audio/x-raw,rate=44100,channels=2 ! "
                           "audioconvert ! lamemp3enc ! filesink location=" + Quote(mp3) +
                           " >/dev/null 2>&1";
  ASSERT_EQ(std::system(make.c_str()), 0);
  std::string out;
  ASSERT_EQ(RunTags("--media " + Quote(mp3), out), 0);
  EXPECT_NE(out.find(mp3 + "\tTitle\ttone\n"), std::string::npos) << out;
  EXPECT_NE(out.find(mp3 + "\tDuration\t2.0"), std::string::npos) << out;
  EXPECT_NE(out.find(mp3 + "\tVideoWidth\t0\n"), std::string::npos) << out;
  EXPECT_NE(out.find(mp3 + "\tVideoHeight\t0\n"), std::string::npos) << out;
  EXPECT_NE(out.find(mp3 + "\tFrameRate\t0.00\n"), std::string::npos) << out;
}

TEST_F(TagsTool, BadArgumentsAndMissingFiles) {
  std::string out;
  EXPECT_EQ(RunTags("", out, true), 2);
  EXPECT_NE(out.find("no file given"), std::string::npos);
  EXPECT_EQ(RunTags("--bogus x.mp3", out, true), 2);
  const std::string missing = (root_ / "missing.mp3").string();
  const std::string present = Write("a.wma", Bytes(40, 0));
  EXPECT_EQ(RunTags(Quote(missing) + " " + Quote(present), out), 1);
  EXPECT_EQ(out, present + "\tTagVersion\t\n" + present + "\tTitle\ta\n");
}

}  // namespace
