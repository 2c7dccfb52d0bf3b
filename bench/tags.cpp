// Tag-reading throughput: TMyTag (file facts, ID3 reader chosen by extension) on every
// file named in LIST (one UTF-8 path a line), reading title / artist / album as UTF-8 and
// the track number, as the playlist window's information line would.
//
// Prints "@metric files_per_s=... loop_ms=..." (the loop over the in-memory list only)
// for the shared bench runner; bench/tags.sh runs it in the same rounds as TagLib.
// Usage: bench_tags [-v] [--rounds N] LIST
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "core/ustring.h"
#include "tags/tag.h"

int main(int argc, char** argv) {
  bool verbose = false;
  int rounds = 1;
  const char* list = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "-v")) {
      verbose = true;
    } else if (!std::strcmp(argv[i], "--rounds") && i + 1 < argc) {
      rounds = std::max(1, std::atoi(argv[++i]));
    } else {
      list = argv[i];
    }
  }
  if (list == nullptr) {
    std::fprintf(stderr, "usage: %s [-v] [--rounds N] LIST\n", argv[0]);
    return 2;
  }
  std::vector<mivaro::WString> paths;
  std::ifstream in(list);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty()) paths.push_back(mivaro::U16(line));
  }
  if (paths.empty()) {
    std::fprintf(stderr, "no paths in %s\n", list);
    return 1;
  }
  for (int r = 0; r < rounds; ++r) {
    std::size_t tagged = 0;
    std::size_t chars = 0;
    unsigned long trackSum = 0;
    const auto t0 = std::chrono::steady_clock::now();
    for (std::size_t i = 0; i < paths.size(); ++i) {
      const mivaro::TMyTag tag(paths[i]);
      const std::string title = mivaro::Utf8(tag.Title);
      const std::string artist = mivaro::Utf8(tag.Artist);
      const std::string album = mivaro::Utf8(tag.Album);
      trackSum += std::strtoul(mivaro::Utf8(tag.Track).c_str(), nullptr, 10);
      chars += title.size() + artist.size() + album.size();
      tagged += !tag.TagVersion.empty();
      if (verbose && r == 0 && i < 3) {
        std::printf("%s\n  title=%s artist=%s album=%s track=%s\n",
                    mivaro::Utf8(paths[i]).c_str(), title.c_str(), artist.c_str(),
                    album.c_str(), mivaro::Utf8(tag.Track).c_str());
      }
    }
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    std::fprintf(stderr, "%zu of %zu files tagged, %zu bytes of text, track sum %lu\n", tagged,
                 paths.size(), chars, trackSum);
    std::printf("@metric files_per_s=%.0f loop_ms=%.1f\n",
                static_cast<double>(paths.size()) / ms * 1000.0, ms);
  }
  return 0;
}
