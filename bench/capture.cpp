// Capture timings on a 1080p clip: five consecutive frames grabbed after a seek, and one
// frame saved as BMP, JPEG (quality 80) and GIF. Prints milliseconds per step, best of 5.
// Usage: bench_capture CLIP.mp4 SECONDS OUT_DIR
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_clock.h"
#include "capture/image_files.h"
#include "platform/media/frame_grabber.h"

using namespace mivaro;

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: bench_capture CLIP SECONDS OUT_DIR\n");
    return 2;
  }
  const double at = std::atof(argv[2]);
  const std::string out = argv[3];
  media::TMyFrameGrabber grabber;
  std::string error;
  if (!grabber.Open(argv[1], error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  media::GrabbedFrame frame;
  double strip = 1e9;
  for (int round = 0; round < 5; ++round) {
    const auto start = bench::Clock::now();
    std::vector<media::GrabbedFrame> frames;
    if (!grabber.FramesFrom(at + round * 0.2, 5, frames) || frames.size() != 5) return 1;
    strip = std::min(strip, bench::MsSince(start));
    frame = std::move(frames.back());
  }
  capture::TMyBitmap bitmap;
  bitmap.width = frame.width;
  bitmap.height = frame.height;
  bitmap.rgb = frame.rgb;
  double bmp = 1e9, jpeg = 1e9, gif = 1e9;
  for (int round = 0; round < 5; ++round) {
    auto start = bench::Clock::now();
    capture::SaveBitmapAsBmp(bitmap, out + "/bench.bmp");
    bmp = std::min(bmp, bench::MsSince(start));
    start = bench::Clock::now();
    capture::SaveBitmapAsJpeg(bitmap, out + "/bench.jpeg", 80);
    jpeg = std::min(jpeg, bench::MsSince(start));
    start = bench::Clock::now();
    capture::SaveBitmapAsGif(bitmap, out + "/bench.gif");
    gif = std::min(gif, bench::MsSince(start));
  }
  std::printf("%dx%d strip5=%.1f ms bmp=%.1f ms jpeg=%.1f ms gif=%.1f ms\n", frame.width,
              frame.height, strip, bmp, jpeg, gif);
  return 0;
}
