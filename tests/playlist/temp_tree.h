// A temporary folder for the playlist tests, removed again at the end of the test.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>
#include <system_error>

#include "core/ustring.h"
#include "core/wstrings.h"

namespace mivaro::testing {

class TempTree {
 public:
  TempTree() {
    std::string pattern = (std::filesystem::temp_directory_path() / "mivaro-lists-XXXXXX");
    if (mkdtemp(pattern.data()) != nullptr) root_ = pattern;
  }
  ~TempTree() {
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
  TempTree(const TempTree&) = delete;
  TempTree& operator=(const TempTree&) = delete;

  // The absolute path of a name inside the tree (UTF-8 and UTF-16 forms).
  std::string Path(const std::string& rel = "") const { return (root_ / rel).string(); }
  WString WPath(const std::string& rel = "") const { return U16(Path(rel)); }

  // Writes bytes to a file, creating its folders.
  void Write(const std::string& rel, const std::string& bytes) const {
    const std::filesystem::path p = root_ / rel;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
  }
  void Folder(const std::string& rel) const { std::filesystem::create_directories(root_ / rel); }

 private:
  std::filesystem::path root_;
};

// The list's items as UTF-8, each with the prefix `strip` removed where it starts with it.
inline std::vector<std::string> Items(TMyWStrings& list, const std::string& strip = "") {
  std::vector<std::string> out;
  for (int i = 0; i < list.Count(); ++i) {
    std::string s = Utf8(list.Get(i));
    if (!strip.empty() && s.starts_with(strip)) s = s.substr(strip.size());
    out.push_back(s);
  }
  return out;
}

}  // namespace mivaro::testing
