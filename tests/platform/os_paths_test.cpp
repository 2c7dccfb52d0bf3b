#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "core/paths.h"
#include "core/version.h"
#include "platform/os/native_path.h"

namespace mivaro {
namespace {

namespace fs = std::filesystem;

TEST(OsNativePath, Utf8AndForeignBytesRoundTrip) {
  EXPECT_EQ(os::NativePath(u"/m/日本語.mp3"), "/m/\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.mp3");
  EXPECT_EQ(os::NativePath(u"/m/\U0001F3B5"), "/m/\xF0\x9F\x8E\xB5");
  // Bytes that are not UTF-8 come back as the same bytes.
  for (const std::string& bytes : {std::string("a\xff\xfe.mp3"), std::string("\x80"),
                                   std::string("\xE6\x97"), std::string("\xC0\xAF"),
                                   std::string("\xED\xA0\x80"), std::string("ok")}) {
    const WString name = os::FromNativeName(bytes);
    EXPECT_EQ(os::NativePath(name), bytes);
  }
  EXPECT_EQ(os::FromNativeName("\x82\xA0"), (WString{char16_t(0xDC82), char16_t(0xDCA0)}));
}

TEST(OsNativePath, TextThatCannotNameAFile) {
  std::string out = "junk";
  EXPECT_FALSE(os::ToNativePath(u"", out));
  EXPECT_EQ(out, "");
  EXPECT_FALSE(os::ToNativePath(WString(u"a\0b", 3), out));
  EXPECT_EQ(out, "");
  // Other lone surrogates become U+FFFD rather than invalid bytes.
  EXPECT_TRUE(os::ToNativePath(WString{u'a', char16_t(0xD800)}, out));
  EXPECT_EQ(out, "a\xEF\xBF\xBD");
}

// Random bytes, valid UTF-8 or not, come back unchanged; valid text gives its UTF-8.
TEST(OsNativePath, RandomNamesRoundTrip) {
  std::mt19937 gen(11);
  const std::string pieces[] = {"a", "/", "\xE6\x97\xA5", "\xF0\x9F\x8E\xB5", "\xC3\xA9",
                                "\x80", "\xFF", "\xE6\x97", "\xED\xA0\x80", "\xC0\xAF"};
  std::uniform_int_distribution<size_t> pick(0, std::size(pieces) - 1);
  for (int round = 0; round < 2000; ++round) {
    std::string bytes;
    for (int i = 0; i < 12; ++i) bytes += pieces[pick(gen)];
    const WString name = os::FromNativeName(bytes);
    ASSERT_EQ(os::NativePath(name), bytes);
    if (round % 4 == 0) {
      std::string text;
      for (int i = 0; i < 12; ++i) text += pieces[pick(gen) % 5];  // valid pieces only
      ASSERT_EQ(os::NativePath(U16(text)), text);
      ASSERT_EQ(U16(text), os::FromNativeName(text));
    }
  }
  // Long ASCII runs go through the block copy: a NUL anywhere in them still fails.
  const std::string ascii = "/media/music/Some Artist/Some Album (2001)/";
  EXPECT_EQ(os::NativePath(U16(ascii + "日本.mp3")), ascii + "日本.mp3");
  for (size_t at = 0; at < ascii.size(); ++at) {
    WString w = U16(ascii);
    w[at] = 0;
    std::string out = "kept";
    ASSERT_FALSE(os::AppendNativePath(w, out)) << at;
    ASSERT_EQ(out, "kept");
  }
}

TEST(OsProgramLocation, ExeAndVersion) {
  const WString exe = GetExeFileName();
  EXPECT_EQ(exe, U16(fs::read_symlink("/proc/self/exe").string()));
  EXPECT_EQ(GetExeDir(), ExtractFilePath(exe));
  EXPECT_EQ(GetExeDir().back(), u'/');

  EXPECT_EQ(GetAppProductName(), u"Mivaro");
  EXPECT_EQ(GetAppVersion(), U16(MIVARO_VERSION));
  TMyFileVersionInfo info;
  EXPECT_TRUE(GetFileVersionInfo(exe, info));
  EXPECT_EQ(info.ProductName, u"Mivaro");
  EXPECT_EQ(info.FileVersion, GetAppVersion());
  EXPECT_EQ(GetFileVersionText(exe), GetAppVersion());
  TMyFileVersionInfo other;
  EXPECT_FALSE(GetFileVersionInfo(u"/bin/sh", other));
  EXPECT_TRUE(other.ProductName.empty());
  EXPECT_EQ(GetFileVersionText(u"/no/such/file"), u"");
}

class AppBaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* h = std::getenv("MIVARO_HOME");
    had_home_ = h != nullptr;
    if (had_home_) saved_home_ = h;
    std::string tmpl = (fs::temp_directory_path() / "mivaro-base-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    root_ = tmpl;
  }
  void TearDown() override {
    if (had_home_) {
      setenv("MIVARO_HOME", saved_home_.c_str(), 1);
    } else {
      unsetenv("MIVARO_HOME");
    }
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
  bool had_home_ = false;
  std::string saved_home_;
  std::string root_;
};

TEST_F(AppBaseTest, MivaroHomeNamesTheFolder) {
  setenv("MIVARO_HOME", (root_ + "/cfg").c_str(), 1);
  const WString base = GetAppBaseFileName();
  EXPECT_EQ(base, U16(root_) + u"/cfg/mivaro");
  EXPECT_TRUE(fs::is_directory(root_ + "/cfg"));  // created for the files to come
  EXPECT_EQ(ChangeFileExt(base, u".ini"), U16(root_) + u"/cfg/mivaro.ini");
  EXPECT_EQ(ChangeFileExt(base, u".resume.m3u8"), U16(root_) + u"/cfg/mivaro.resume.m3u8");
  EXPECT_EQ(GetAppBaseDir(), U16(root_) + u"/cfg/");
  // A folder name with a dot does not disturb the extension.
  setenv("MIVARO_HOME", (root_ + "/my.cfg/").c_str(), 1);
  EXPECT_EQ(ChangeFileExt(GetAppBaseFileName(), u".ini"), U16(root_) + u"/my.cfg/mivaro.ini");
  // A relative folder is taken against the current folder once, and kept absolute.
  const fs::path old_cwd = fs::current_path();
  fs::current_path(root_);
  setenv("MIVARO_HOME", "rel/../rel2", 1);
  EXPECT_EQ(GetAppBaseFileName(), U16(root_) + u"/rel2/mivaro");
  fs::current_path(old_cwd);
}

TEST_F(AppBaseTest, BesideTheProgramWhenItsFolderIsWritable) {
  unsetenv("MIVARO_HOME");
  if (access(fs::read_symlink("/proc/self/exe").parent_path().c_str(), W_OK) != 0)
    GTEST_SKIP() << "the test program's folder is not writable";
  EXPECT_EQ(GetAppBaseFileName(), GetExeDir() + u"mivaro");
}

}  // namespace
}  // namespace mivaro
