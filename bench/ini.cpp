// Settings store: load an INI file of 10,000 keys in 100 sections and read every key
// once, against GLib's GKeyFile doing the same on the same file in the same run.
//
//   bench_ini [-n RUNS] [FILE]      (default file: /tmp/perf-ini/settings.ini, made if missing)
//
// Prints the median and range of each, and the ratio. Target: under 50 ms per load+read.
#include <glib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/ustring.h"
#include "settings/ini_file.h"

namespace {

constexpr int kSections = 100;
constexpr int kKeys = 100;

std::string SectionName(int s) { return "Section" + std::to_string(s); }
std::string KeyName(int k) { return "Key_" + std::to_string(k); }

// Values of the kinds the program stores: numbers, flags, folders (some Japanese).
std::string Value(int s, int k) {
  switch ((s + k) % 4) {
    case 0: return std::to_string(s * 1000 + k);
    case 1: return (k % 2) ? "1" : "0";
    case 2: return "/home/user/Music/アルバム " + std::to_string(k) + "/曲.mp3";
    default: return "value of key " + std::to_string(k) + " in section " + std::to_string(s);
  }
}

void MakeFile(const std::string& path) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream out(path, std::ios::binary);
  for (int s = 0; s < kSections; ++s) {
    out << "[" << SectionName(s) << "]\n";
    for (int k = 0; k < kKeys; ++k) out << KeyName(k) << "=" << Value(s, k) << "\n";
    out << "\n";
  }
}

struct Names {
  std::vector<std::string> sections, keys;
  std::vector<mivaro::WString> wsections, wkeys;
};

double TimeMs(const std::chrono::steady_clock::time_point& t0) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

// One load of the file and one read of every key; returns the milliseconds.
double RunMivaro(const std::string& path, const Names& n, size_t* total) {
  auto t0 = std::chrono::steady_clock::now();
  mivaro::TMyIniFile ini(mivaro::U16(path));
  for (int s = 0; s < kSections; ++s) {
    for (int k = 0; k < kKeys; ++k) {
      *total += ini.ReadString(n.wsections[s], n.wkeys[k], u"").size();
    }
  }
  return TimeMs(t0);
}

double RunGKeyFile(const std::string& path, const Names& n, size_t* total) {
  auto t0 = std::chrono::steady_clock::now();
  GKeyFile* kf = g_key_file_new();
  if (!g_key_file_load_from_file(kf, path.c_str(), G_KEY_FILE_NONE, nullptr)) {
    std::fprintf(stderr, "GKeyFile could not load %s\n", path.c_str());
    std::exit(1);
  }
  for (int s = 0; s < kSections; ++s) {
    for (int k = 0; k < kKeys; ++k) {
      gchar* v = g_key_file_get_string(kf, n.sections[s].c_str(), n.keys[k].c_str(), nullptr);
      if (v != nullptr) {
        // The program works in UTF-16: convert as the store's callers would receive it.
        glong len = 0;
        gunichar2* w = g_utf8_to_utf16(v, -1, nullptr, &len, nullptr);
        *total += static_cast<size_t>(len);
        g_free(w);
        g_free(v);
      }
    }
  }
  g_key_file_free(kf);
  return TimeMs(t0);
}

struct Stats {
  double median, min, max;
};
Stats Summarise(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return {v[v.size() / 2], v.front(), v.back()};
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 15;
  std::string path = "/tmp/perf-ini/settings.ini";
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "-n" && i + 1 < argc) {
      runs = std::max(1, std::atoi(argv[++i]));
    } else {
      path = a;
    }
  }
  if (!std::filesystem::exists(path)) MakeFile(path);

  Names n;
  for (int s = 0; s < kSections; ++s) {
    n.sections.push_back(SectionName(s));
    n.wsections.push_back(mivaro::U16(n.sections.back()));
  }
  for (int k = 0; k < kKeys; ++k) {
    n.keys.push_back(KeyName(k));
    n.wkeys.push_back(mivaro::U16(n.keys.back()));
  }

  size_t total_m = 0, total_g = 0;
  RunMivaro(path, n, &total_m);  // warm-up: page cache, ICU data
  RunGKeyFile(path, n, &total_g);
  std::vector<double> tm, tg;
  for (int r = 0; r < runs; ++r) {
    // Interleaved, order alternating, so that both see the same machine load.
    size_t a = 0, b = 0;
    if (r % 2 == 0) {
      tm.push_back(RunMivaro(path, n, &a));
      tg.push_back(RunGKeyFile(path, n, &b));
    } else {
      tg.push_back(RunGKeyFile(path, n, &b));
      tm.push_back(RunMivaro(path, n, &a));
    }
    total_m = a;
    total_g = b;
  }
  Stats m = Summarise(tm), g = Summarise(tg);
  std::printf("INI load + read of %d keys in %d sections (%s), %d runs\n", kSections * kKeys,
              kSections, path.c_str(), runs);
  std::printf("  TMyIniFile  median %7.2f ms  (%.2f-%.2f)  chars read %zu\n", m.median, m.min,
              m.max, total_m);
  std::printf("  GKeyFile    median %7.2f ms  (%.2f-%.2f)  chars read %zu\n", g.median, g.min,
              g.max, total_g);
  std::printf("  ratio TMyIniFile / GKeyFile: %.2f   target < 50 ms: %s\n", m.median / g.median,
              m.median < 50 ? "met" : "NOT met");
  std::printf("@metric ini_load_read_ms=%.2f gkeyfile_load_read_ms=%.2f\n", m.median, g.median);
  return 0;
}
