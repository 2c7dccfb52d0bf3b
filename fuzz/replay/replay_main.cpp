// Runs a fuzz target's entry point over stored inputs without libFuzzer, so the normal
// test build replays every seed and every input a fuzz run kept. A target that crashes,
// traps or trips a sanitizer on a stored input fails the test command, not only the fuzz run.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

bool ReplayFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", path.c_str());
    return false;
  }
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
  LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  int replayed = 0;
  bool ok = true;
  // The empty input is always worth one call: parsers often trip on it.
  LLVMFuzzerTestOneInput(nullptr, 0);
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path root(argv[i]);
    std::error_code error;
    if (std::filesystem::is_regular_file(root, error)) {
      ok = ReplayFile(root) && ok;
      ++replayed;
      continue;
    }
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root, error)) {
      if (!entry.is_regular_file()) continue;
      ok = ReplayFile(entry.path()) && ok;
      ++replayed;
    }
  }
  std::printf("replayed %d stored inputs\n", replayed);
  return ok ? 0 : 1;
}
