// Turning wallpaper video on for a 1920 x 1080 desktop: the user's 1920 x 1080 JPEG
// wallpaper (stretched) composed, the monitor keyed, the picture arranged and written as a
// BMP, and the store updated; then turning it off. The reference, in the same run, is
// writing the finished picture's bytes once more through the atomic writer.
// Usage: bench_wall_video [FOLDER]
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_clock.h"
#include "core/atomic_file.h"
#include "player/wall_video.h"
#include "player/wall_video_picture.h"

using namespace mivaro;

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  const fs::path dir = argc > 1 ? fs::path(argv[1])
                                : fs::temp_directory_path() / ("mivaro-bench-wall-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  TMyBitmap wall;
  wall.Resize(1920, 1080);
  for (int y = 0; y < 1080; ++y)
    for (int x = 0; x < 1920; x += 8) FillBitmapRect(wall, {x, y, x + 8, y + 1}, (x & 0xFF) << 16 | (y & 0xFF) << 8 | 0x40);
  const std::string jpeg = (dir / "wall.jpg").string();
  capture::SaveBitmapAsJpeg(wall, jpeg, 90);
  auto store = std::make_shared<TMyFileWallpaperSettings>((dir / "desktop.txt").string());
  const TMyScreen screen(std::vector<TMyMonitor>{{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}}});
  const TMyWallVideoEnv env{store, [screen] { return screen; }, [] { return 0; },
                            (dir / "mivaro.wallpaper.bmp").string(),
                            (dir / "mivaro.wallpaper.restore").string()};
  std::vector<double> on, off, ref;
  for (int round = 0; round < 7; ++round) {
    store->SetWallpaper(U16(jpeg));
    WriteWallpaperStyle(*store, 2);
    auto t = bench::Clock::now();
    auto mode = std::make_unique<TMyWallVideo>(0, 0x00100010, env);
    on.push_back(bench::MsSince(t));
    t = bench::Clock::now();
    mode.reset();
    off.push_back(bench::MsSince(t));
    std::string bytes;
    capture::ReadWholeFile(env.PictureFile, bytes);
    t = bench::Clock::now();
    WriteFileAtomicUtf8((dir / "ref.bmp").string(), bytes);
    ref.push_back(bench::MsSince(t));
  }
  const auto median = [](std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
  };
  std::printf("mode on (1920x1080, stretched JPEG, picture written): %.1f ms median of 7\n", median(on));
  std::printf("mode off (style and wallpaper restored): %.2f ms\n", median(off));
  std::printf("reference, writing the %zu-byte picture again: %.1f ms; ratio on/reference %.1f\n",
              static_cast<std::size_t>(fs::file_size(env.PictureFile)), median(ref),
              median(on) / median(ref));
  if (argc <= 1) fs::remove_all(dir);
  return 0;
}
