// Media files made at test time with ffmpeg into one temporary folder per test program.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

namespace mivaro::testing {

class MediaFixtures {
 public:
  static MediaFixtures& Get() {
    static MediaFixtures instance;
    return instance;
  }

  bool HaveFfmpeg() const { return haveFfmpeg_; }

  // Path of a generated file by kind ("mp4", "mkv", "webm", "ogg", "avi", "mp3", "wma",
  // "wmv", "5.1.m4a", "png", "jpg", "text.mp4", "empty.mp4", "truncated.mp4"); empty when it could
  // not be made.
  std::string Path(const std::string& kind) {
    auto it = made_.find(kind);
    if (it != made_.end()) return it->second;
    std::string path = Make(kind);
    made_[kind] = path;
    return path;
  }

  const std::filesystem::path& Dir() const { return dir_; }

 private:
  MediaFixtures() {
    char tmpl[] = "/tmp/mivaro-media-XXXXXX";
    const char* d = mkdtemp(tmpl);
    dir_ = d ? d : "/tmp";
    haveFfmpeg_ = std::system("ffmpeg -version >/dev/null 2>&1") == 0;
  }
  ~MediaFixtures() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }

  bool Run(const std::string& args, const std::string& out) {
    std::string cmd = "ffmpeg -hide_banner -loglevel error -y " + args + " '" + out + "'";
    return haveFfmpeg_ && std::system(cmd.c_str()) == 0 && std::filesystem::exists(out);
  }

  std::string Make(const std::string& kind) {
    const std::string out = (dir_ / ("clip-" + kind)).string();
    const std::string v = "-f lavfi -i testsrc2=size=320x240:rate=25 ";
    const std::string a = "-f lavfi -i sine=frequency=440:sample_rate=44100 ";
    bool ok = false;
    if (kind == "mp4")
      ok = Run(v + a + "-t 2 -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac", out + ".mp4");
    else if (kind == "mkv")
      ok = Run(v + a + "-t 2 -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a libvorbis",
               out + ".mkv");
    else if (kind == "webm")
      ok = Run(v + a + "-t 2 -c:v libvpx -deadline realtime -c:a libopus", out + ".webm");
    else if (kind == "ogg")
      ok = Run(v + a + "-t 2 -c:v libtheora -c:a libvorbis", out + ".ogg");
    else if (kind == "avi")
      ok = Run(v + a + "-t 2 -c:v mpeg4 -c:a libmp3lame", out + ".avi");
    else if (kind == "mp3")
      ok = Run(a + "-t 2 -c:a libmp3lame", out + ".mp3");
    else if (kind == "cbr.mp3")  // constant bit rate, no header that gives the length
      ok = Run(a + "-t 6 -c:a libmp3lame -b:a 128k -write_xing 0", out + ".mp3");
    else if (kind == "adts.aac")
      ok = Run(a + "-t 6 -c:a aac -f adts", out + ".aac");
    else if (kind == "5.1.m4a")  // six channels with the same tone, AAC
      ok = Run(a + "-t 20 -af 'pan=5.1|c0=c0|c1=c0|c2=c0|c3=c0|c4=c0|c5=c0' -c:a aac", out + ".m4a");
    else if (kind == "wma")
      ok = Run(a + "-t 2 -c:a wmav2", out + ".wma");
    else if (kind == "wmv")
      ok = Run(v + a + "-t 2 -c:v wmv2 -c:a wmav2", out + ".wmv");
    else if (kind == "png")
      ok = Run("-f lavfi -i testsrc2=size=200x100 -frames:v 1", out + ".png");
    else if (kind == "jpg")
      ok = Run("-f lavfi -i testsrc2=size=200x100 -frames:v 1", out + ".jpg");
    else if (kind == "text.mp4") {
      std::ofstream(out) << "This is not a video, only text.\n";
      return out;
    } else if (kind == "empty.mp4") {
      std::ofstream(out).flush();
      return out;
    } else if (kind == "truncated.mp4") {
      std::string src = Path("mp4");
      if (src.empty()) return {};
      std::ifstream in(src, std::ios::binary);
      std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      std::ofstream(out, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size() / 3));
      return out;
    }
    if (!ok) return {};
    for (const char* ext : {".mp4", ".mkv", ".webm", ".ogg", ".avi", ".mp3", ".aac", ".m4a", ".wma", ".wmv", ".png", ".jpg"})
      if (std::filesystem::exists(out + ext)) return out + ext;
    return {};
  }

  std::filesystem::path dir_;
  bool haveFfmpeg_ = false;
  std::map<std::string, std::string> made_;
};

}  // namespace mivaro::testing
