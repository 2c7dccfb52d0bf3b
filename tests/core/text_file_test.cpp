// Reading and writing text files in every encoding, detection, the dump, atomic writes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <utility>
#include <vector>

#include "core/atomic_file.h"
#include "core/hooks.h"
#include "core/messages.h"
#include "core/text_file.h"
#include "text_test_util.h"

namespace mivaro {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

const WString kText = u"一行目：日本語\r\n二行目 Mivaro テスト\r\n";

TEST(TextFileTest, EveryCodeRoundTripsJapanese) {
  TempDir dir;
  for (int code = 1; code <= 10; ++code) {
    const WString file = dir.WFile("rt" + std::to_string(code) + ".txt");
    ASSERT_TRUE(WriteTextFile(file, kText, static_cast<TextEncoding>(code))) << code;
    TextEncoding read = static_cast<TextEncoding>(code);
    EXPECT_EQ(ReadWholeTextFile(file, read), kText) << "code " << code;
    EXPECT_EQ(read, code);
  }
}

TEST(TextFileTest, DetectsEncodingsAndBoms) {
  TempDir dir;
  struct Case {
    TextEncoding written;
    TextEncoding detected;
  };
  // Without BOM: Shift_JIS -> 1, EUC-JP -> 10, UTF-16 by plausibility, UTF-8, JIS.
  for (Case c : {Case{1, 1}, Case{10, 10}, Case{3, 3}, Case{5, 5}, Case{7, 7}, Case{9, 9},
                 Case{2, 2}, Case{4, 4}, Case{6, 6}}) {
    const WString file = dir.WFile("d.txt");
    ASSERT_TRUE(WriteTextFile(file, kText, c.written));
    TextEncoding code = kEncodingDetect;
    EXPECT_EQ(ReadWholeTextFile(file, code), kText) << int(c.written);
    EXPECT_EQ(code, c.detected) << int(c.written);
  }
}

TEST(TextFileTest, BomHandling) {
  TempDir dir;
  const std::string path = dir.File("bom.txt");
  WriteBytes(path, "\xEF\xBB\xBFhello");
  TextEncoding code = kEncodingDetect;
  EXPECT_EQ(ReadWholeTextFile(U16(path), code), u"hello");
  EXPECT_EQ(code, kEncodingUtf8Bom);
  ASSERT_TRUE(WriteTextFile(U16(path), u"hello", code));
  EXPECT_EQ(ReadBytes(path), "\xEF\xBB\xBFhello");
  ASSERT_TRUE(WriteTextFile(U16(path), u"\uFEFFhello", kEncodingUtf8));
  EXPECT_EQ(ReadBytes(path), "hello");  // code 7: no BOM, a leading U+FEFF dropped
  // A code without BOM given by the caller decodes from the first byte: the BOM becomes
  // U+FEFF. A code with BOM skips its own BOM, so a list reloads its file unchanged.
  WriteBytes(path, "\xEF\xBB\xBFhi");
  code = kEncodingUtf8;
  EXPECT_EQ(ReadWholeTextFile(U16(path), code), u"\uFEFFhi");
  code = kEncodingUtf8Bom;
  EXPECT_EQ(ReadWholeTextFile(U16(path), code), u"hi");
  WriteBytes(path, "hi");
  EXPECT_EQ(ReadWholeTextFile(U16(path), code), u"hi");
  ASSERT_TRUE(WriteTextFile(U16(path), u"\uFEFFa", kEncodingUtf16BeBom));
  EXPECT_EQ(ReadBytes(path), std::string("\xFE\xFF\x00" "a", 4));
}

TEST(TextFileTest, CodeZeroWritesAnsiOrUtf8WithBom) {
  TempDir dir;
  const std::string path = dir.File("z.txt");
  ASSERT_TRUE(WriteTextFile(U16(path), u"日本", kEncodingDetect));
  EXPECT_EQ(ReadBytes(path), "\x93\xfa\x96\x7b");
  ASSERT_TRUE(WriteTextFile(U16(path), u"café", kEncodingDetect));
  EXPECT_EQ(ReadBytes(path), "\xEF\xBB\xBF" "caf\xC3\xA9");
  ASSERT_TRUE(WriteTextFile(U16(path), u"x", 200));  // above 11 counts as 0
  EXPECT_EQ(ReadBytes(path), "x");
}

TEST(TextFileTest, EmptyMissingAndPartialFiles) {
  TempDir dir;
  WriteBytes(dir.File("empty.txt"), "");
  TextEncoding code = kEncodingDetect;
  EXPECT_EQ(ReadWholeTextFile(dir.WFile("empty.txt"), code), u"");
  EXPECT_EQ(code, kEncodingDetect);
  EXPECT_EQ(ReadWholeTextFile(dir.WFile("missing.txt"), code), u"");
  EXPECT_EQ(ReadWholeTextFile(U16(dir.path()), code), u"");  // a folder
  WriteBytes(dir.File("p.txt"), "abcdef");
  code = kEncodingDetect;
  EXPECT_EQ(ReadTextFile(dir.WFile("p.txt"), code, 3), u"abc");
  EXPECT_EQ(ReadTextFile(dir.WFile("p.txt"), code, 0), u"");
  EXPECT_EQ(ReadTextFile(dir.WFile("p.txt"), code, 100), u"abcdef");
}

TEST(TextFileTest, RefusesFilesOf4GiBUnread) {
  TempDir dir;
  const std::string path = dir.File("huge.txt");
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT, 0644);
  ASSERT_GE(fd, 0);
  // Sparse: no disk space is used.
  const bool sized = ftruncate(fd, static_cast<off_t>(kMaxTextFileSize) + 1) == 0;
  close(fd);
  if (!sized) GTEST_SKIP() << "file system refuses a 4 GiB sparse file";
  TextEncoding code = kEncodingDetect;
  EXPECT_EQ(ReadWholeTextFile(U16(path), code), u"");
  EXPECT_EQ(code, kEncodingDetect);
}

TEST(TextFileTest, BinaryFileDumps) {
  std::string bytes;
  for (int i = 0; i < 20; ++i) bytes += static_cast<char>(i * 13);
  const WString dump = HexDump(bytes);
  const auto cr = dump.find(u'\r');
  ASSERT_NE(cr, WString::npos);
  const WString first = dump.substr(0, cr + 1);
  EXPECT_EQ(first.substr(0, 51), u"00 0d 1a 27 34 41 4e 5b - 68 75 82 8f 9c a9 b6 c3 \t");
  // Control bytes as ".", 82 8F and 9C A9 as double-byte characters, B6 C3 half-width.
  EXPECT_EQ(first.substr(51, 11), u"...'4AN[hu\uFF4F");
  EXPECT_EQ(first.substr(first.size() - 3), u"\uFF76\uFF83\r");
  const WString second = dump.substr(cr + 1);
  EXPECT_EQ(second.substr(0, 51), WString(u"d0 dd ea f7 ") + WString(38, u' ') + u"\t");
  EXPECT_EQ(second.substr(51, 2), u"\uFF90\uFF9D");
  EXPECT_EQ(second.back(), u'\r');
  // 32 bytes: exactly two full lines.
  const WString two = HexDump(std::string(32, 'A'));
  EXPECT_EQ(std::count(two.begin(), two.end(), u'\r'), 2);
  EXPECT_EQ(two.substr(0, 67), u"41 41 41 41 41 41 41 41 - 41 41 41 41 41 41 41 41 \tAAAAAAAAAAAAAAAA");

  TempDir dir;
  WriteBytes(dir.File("bin.dat"), bytes);
  TextEncoding code = kEncodingDetect;
  EXPECT_EQ(ReadWholeTextFile(dir.WFile("bin.dat"), code), dump);
  EXPECT_EQ(code, kEncodingBinary);
}

TEST(TextFileTest, DumpShowsDoubleByteCharactersOnlyWhole) {
  // "あ" at the end of a line (lead byte in the last column) shows as ".".
  std::string bytes(15, 'x');
  bytes += "\x82\xa0";
  const WString dump = HexDump(bytes);
  EXPECT_EQ(dump.substr(51, 17), u"xxxxxxxxxxxxxxx.\r");
  EXPECT_EQ(HexDump("\x82\xa0\xa0").substr(51), u"あ.\r");
}

TEST(AtomicFileTest, ReplacesAndKeepsOldContentOnFailure) {
  TempDir dir;
  const std::string path = dir.File("a.ini");
  WriteBytes(path, "old");
  chmod(path.c_str(), 0640);
  ASSERT_TRUE(WriteFileAtomicUtf8(path, "new content"));
  EXPECT_EQ(ReadBytes(path), "new content");
  struct stat st {};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  // No temporary files left behind.
  int entries = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
    (void)e;
    ++entries;
  }
  EXPECT_EQ(entries, 1);

  // A failed write (discarded) leaves the old content.
  {
    TMyAtomicFile f;
    ASSERT_TRUE(f.OpenUtf8(path));
    f.Write("partial");
  }
  EXPECT_EQ(ReadBytes(path), "new content");
  EXPECT_FALSE(WriteFileAtomicUtf8(dir.File("no/such/folder/x.txt"), "x"));
  EXPECT_FALSE(WriteFileAtomicUtf8(dir.path(), "x"));  // a folder is never replaced
  const std::string locked = dir.File("locked.m3u8");
  WriteBytes(locked, "kept");
  chmod(locked.c_str(), 0444);  // refused by mode, so even root keeps it
  EXPECT_FALSE(WriteFileAtomicUtf8(locked, "x"));
  EXPECT_EQ(ReadBytes(locked), "kept");
  EXPECT_FALSE(WriteTextFile(dir.WFile("no/such/folder/x.txt"), u"x", kEncodingUtf8));
}

TEST(AtomicFileTest, FollowsSymbolicLinks) {
  TempDir dir;
  WriteBytes(dir.File("real.m3u8"), "old");
  ASSERT_EQ(symlink("real.m3u8", dir.File("link.m3u8").c_str()), 0);
  ASSERT_TRUE(WriteFileAtomic(dir.WFile("link.m3u8"), "new"));
  EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link.m3u8")));
  EXPECT_EQ(ReadBytes(dir.File("real.m3u8")), "new");
}

TEST(AtomicFileTest, ReadOnlyFolderFailsCleanly) {
  if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
  TempDir dir;
  WriteBytes(dir.File("keep.txt"), "keep");
  chmod(dir.path().c_str(), 0500);
  EXPECT_FALSE(WriteTextFile(dir.WFile("keep.txt"), u"lost?", kEncodingUtf8));
  chmod(dir.path().c_str(), 0700);
  EXPECT_EQ(ReadBytes(dir.File("keep.txt")), "keep");
}

}  // namespace
}  // namespace mivaro

namespace mivaro {
namespace {

TEST(MessagesTest, ApplicationTitleAndErrorBox) {
  // The running program carries the version record compiled into it.
  EXPECT_EQ(GetApplicationTitle(), u"Mivaro");
  EXPECT_FALSE(GetProcessImageName().empty());
  // A program without version record: its file name without extension.
  EXPECT_EQ(GetProgramTitle(u"/usr/bin/env"), u"env");
  EXPECT_EQ(GetProgramTitle(u"/opt/tool/player.bin"), u"player");
  std::vector<std::pair<WString, MessageKind>> shown;
  SetMessageHook([&](WStringView text, MessageKind kind) {
    shown.emplace_back(WString(text), kind);
    return kIdOk;
  });
  ShowErrorMessage(u"操作が完了できませんでした");
  SetMessageHook(nullptr);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].first, u"操作が完了できませんでした");
  EXPECT_EQ(shown[0].second, MessageKind::Error);
}

}  // namespace
}  // namespace mivaro
