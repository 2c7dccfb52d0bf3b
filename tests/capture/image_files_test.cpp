// Writers read back by an independent decoder (ffmpeg) and compared with the source.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "capture/image_files.h"

using namespace mivaro::capture;

namespace {

// A gradient with noise: far more than 256 colours, odd width so rows need padding.
TMyBitmap TestPicture(int w, int h) {
  TMyBitmap b;
  b.Resize(w, h);
  uint32_t seed = 12345;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      seed = seed * 1103515245u + 12345u;
      uint8_t* p = b.Row(y) + x * 3;
      p[0] = static_cast<uint8_t>(x * 255 / w);
      p[1] = static_cast<uint8_t>(y * 255 / h);
      p[2] = static_cast<uint8_t>((x + y) * 250 / (w + h) + (seed >> 30));
    }
  }
  return b;
}

// Decodes any image file to packed RGB with ffmpeg; false when ffmpeg fails.
bool DecodeWithFfmpeg(const std::string& file, int w, int h, std::string& rgb) {
  const std::string cmd = "ffmpeg -v error -i '" + file + "' -f rawvideo -pix_fmt rgb24 -";
  FILE* pipe = popen(cmd.c_str(), "r");
  if (!pipe) return false;
  char buf[65536];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) rgb.append(buf, n);
  return pclose(pipe) == 0 && rgb.size() == static_cast<size_t>(w) * h * 3;
}

double Psnr(const TMyBitmap& a, const std::string& b) {
  double se = 0;
  for (size_t i = 0; i < a.rgb.size(); ++i) {
    const double d = double(a.rgb[i]) - double(static_cast<uint8_t>(b[i]));
    se += d * d;
  }
  if (se == 0) return 99.0;
  return 10 * std::log10(255.0 * 255.0 / (se / a.rgb.size()));
}

class ImageFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("mivaro_capture_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override {
    std::filesystem::remove_all(dir_);
  }
  std::string Path(const char* name) const { return (dir_ / name).string(); }
  std::filesystem::path dir_;
};

}  // namespace

TEST_F(ImageFiles, EachWriterReadsBackThroughFfmpeg) {
  const TMyBitmap pic = TestPicture(101, 37);
  std::string rgb;
  ASSERT_TRUE(SaveBitmapAsBmp(pic, Path("a.bmp")));
  ASSERT_TRUE(DecodeWithFfmpeg(Path("a.bmp"), 101, 37, rgb));
  EXPECT_EQ(rgb, std::string(pic.rgb.begin(), pic.rgb.end()));  // exact

  rgb.clear();
  ASSERT_TRUE(SaveBitmapAsJpeg(pic, Path("a.jpeg"), 80));
  ASSERT_TRUE(DecodeWithFfmpeg(Path("a.jpeg"), 101, 37, rgb));
  EXPECT_GT(Psnr(pic, rgb), 28.0);

  rgb.clear();
  ASSERT_TRUE(SaveBitmapAsGif(pic, Path("a.gif")));
  ASSERT_TRUE(DecodeWithFfmpeg(Path("a.gif"), 101, 37, rgb));
  EXPECT_GT(Psnr(pic, rgb), 28.0);  // quantised and dithered, not garbage
}

TEST_F(ImageFiles, ReadersRoundTripAndRefuseGarbage) {
  const TMyBitmap pic = TestPicture(33, 9);
  TMyBitmap back;
  ASSERT_TRUE(SaveBitmapAsBmp(pic, Path("r.bmp")));
  ASSERT_TRUE(LoadBitmapFile(back, Path("r.bmp")));
  EXPECT_EQ(back.rgb, pic.rgb);
  ASSERT_TRUE(SaveBitmapAsJpeg(pic, Path("r.jpeg"), 95));
  ASSERT_TRUE(LoadJpegFile(back, Path("r.jpeg")));
  EXPECT_EQ(back.width, 33);

  const std::string bmp = EncodeBmp(pic);
  const auto* data = reinterpret_cast<const uint8_t*>(bmp.data());
  EXPECT_FALSE(DecodeBmp(back, data, bmp.size() - 1));  // truncated pixel rows
  EXPECT_FALSE(DecodeJpeg(back, data, bmp.size()));
  EXPECT_FALSE(LoadBitmapFile(back, Path("missing.bmp")));
}

TEST_F(ImageFiles, FailedSaveLeavesNoFile) {
  // A folder that cannot be written (root ignores permission bits, so a missing one).
  EXPECT_FALSE(SaveBitmapAsJpeg(TestPicture(8, 8), Path("none/x.jpeg"), 80));
  EXPECT_FALSE(SaveBitmapAsGif(TestPicture(8, 8), Path("none/x.gif")));
  EXPECT_FALSE(std::filesystem::exists(Path("none")));
  EXPECT_FALSE(SaveBitmapAsBmp(TMyBitmap{}, Path("y.bmp")));
}
