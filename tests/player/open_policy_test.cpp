#include "player/open_policy.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace mivaro::test {
namespace {

// A folder opened without its subfolders gives its own files only, in natural path order,
// and the pump runs for every entry read.
TEST(OpenPolicy, FolderOwnFilesLeavesSubfoldersOutAndSorts) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("mivaro-open-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir / "sub");
  for (const char* name : {"b10.mp4", "b2.mp4", "a.mp4", "sub/c.mp4"}) std::ofstream(dir / name) << "x";
  int pumped = 0;
  const WString base = dir.u16string() + u"/";
  const std::vector<WString> files = FolderOwnFiles(dir.u16string(), [&] { ++pumped; });
  std::filesystem::remove_all(dir);
  EXPECT_EQ(files, (std::vector<WString>{base + u"a.mp4", base + u"b2.mp4", base + u"b10.mp4"}));
  EXPECT_GE(pumped, 4);  // three files and the subfolder
}

}  // namespace
}  // namespace mivaro::test
