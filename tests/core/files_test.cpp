#include "core/files.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "core/paths.h"

namespace mivaro {
namespace {

namespace fs = std::filesystem;

class FilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "mivaro-files-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    root_ = tmpl;
    dir_ = U16(root_) + u"/";
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(root_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(root_, ec);
  }
  void Write(const std::string& rel, const std::string& bytes) {
    std::ofstream(root_ + "/" + rel, std::ios::binary) << bytes;
  }
  void MakeDir(const std::string& rel) { fs::create_directories(root_ + "/" + rel); }
  WString P(const char16_t* rel) const { return dir_ + rel; }

  std::string root_;
  WString dir_;
};

TEST_F(FilesTest, ExistenceOfPathsAndPatterns) {
  Write("a.mp3", "x");
  MakeDir("sub.d");
  EXPECT_TRUE(FileExists(P(u"a.mp3")));
  EXPECT_FALSE(FileExists(P(u"sub.d")));
  EXPECT_TRUE(FolderExists(P(u"sub.d")));
  EXPECT_TRUE(FolderExists(P(u"sub.d/")));
  EXPECT_FALSE(FolderExists(P(u"a.mp3")));
  EXPECT_FALSE(FileExists(P(u"missing.mp3")));
  EXPECT_FALSE(FileExists(u""));
  EXPECT_FALSE(FolderExists(u""));

  EXPECT_TRUE(FileExists(P(u"*.mp3")));
  EXPECT_TRUE(FileExists(P(u"*.MP3")));
  EXPECT_TRUE(FileExists(P(u"?.mp3")));
  EXPECT_FALSE(FileExists(P(u"*.ogg")));
  EXPECT_FALSE(FileExists(P(u"*.d")));  // only a folder matches
  EXPECT_TRUE(FolderExists(P(u"*.d")));
  EXPECT_TRUE(FolderExists(P(u"*.d/")));  // one trailing separator is dropped
  EXPECT_FALSE(FolderExists(P(u"*.mp3")));
  EXPECT_FALSE(FileExists(P(u"nofolder/*.mp3")));
  // A pattern without a folder part names no folder, so it finds no file.
  EXPECT_FALSE(FileExists(u"*.mp3"));
}

TEST_F(FilesTest, LookupOfManyNamesAnswersAsFileExists) {
  // Enough names in one folder that the folder is read whole, of every kind a listing
  // may report differently from a look-up.
  for (int i = 0; i < 6; ++i) Write("f" + std::to_string(i) + ".mp3", "x");
  MakeDir("dir.mp3");
  ASSERT_EQ(symlink("dir.mp3", (root_ + "/linkdir.mp3").c_str()), 0);
  ASSERT_EQ(symlink("f0.mp3", (root_ + "/linkfile.mp3").c_str()), 0);
  ASSERT_EQ(symlink("gone", (root_ + "/broken.mp3").c_str()), 0);
  ASSERT_EQ(mkfifo((root_ + "/pipe.mp3").c_str(), 0600), 0);
  const std::vector<WString> names = {
      P(u"f0.mp3"), P(u"dir.mp3"), P(u"linkdir.mp3"), P(u"linkfile.mp3"), P(u"broken.mp3"),
      P(u"pipe.mp3"), P(u"F1.MP3"), P(u"missing.mp3"), P(u"f5.mp3"), P(u"f*.mp3"),
      P(u"dir.mp3/"), P(u"."), P(u"nofolder/f0.mp3"), P(u"f0.mp3/.."), P(u"f2.mp3")};
  TMyFileLookup lookup;
  for (int round = 0; round < 3; ++round) {
    for (const WString& name : names) {
      EXPECT_EQ(lookup.FileExists(name), FileExists(name)) << Utf8(name) << " round " << round;
    }
  }
  // A file made after the folder was read is still found.
  Write("late.mp3", "x");
  EXPECT_TRUE(lookup.FileExists(P(u"late.mp3")));
}

TEST_F(FilesTest, NearestExistingFolder) {
  MakeDir("x/y");
  EXPECT_EQ(NearestExistingFolder(P(u"x/y")), P(u"x/y"));
  EXPECT_EQ(NearestExistingFolder(P(u"x/y/gone/deeper/f.mp3")), P(u"x/y"));
  EXPECT_EQ(NearestExistingFolder(u"relative-that-does-not-exist"), u"");
  EXPECT_EQ(NearestExistingFolder(u""), u"");
}

TEST_F(FilesTest, AttributeWord) {
  Write("plain.txt", "x");
  Write(".hidden", "x");
  MakeDir("folder");
  EXPECT_EQ(GetFileAttr(P(u"plain.txt")), kFileAttrNormal);
  EXPECT_EQ(GetFileAttr(P(u".hidden")), kFileAttrHidden);
  EXPECT_EQ(GetFileAttr(P(u"folder")), kFileAttrDirectory);
  EXPECT_EQ(GetFileAttr(P(u"folder/")), kFileAttrDirectory);
  EXPECT_EQ(GetFileAttr(P(u"missing")), kNoFileAttr);
  EXPECT_EQ(GetFileAttr(P(u"fold*")), kFileAttrDirectory);
  EXPECT_EQ(FindFileAttributes(P(u"*"), true) & kFileAttrDirectory, 0);
  EXPECT_EQ(FindFileAttributes(P(u"fold*"), true), kNoFileAttr);
}

TEST_F(FilesTest, ReadOnlyFollowsPermissions) {
  Write("r.txt", "x");
  const WString f = P(u"r.txt");
  EXPECT_FALSE(IsReadOnlyFile(f));
  EXPECT_TRUE(ClearReadOnlyFile(f));  // nothing to clear
  EXPECT_TRUE(SetReadOnlyFile(f));
  EXPECT_TRUE(IsReadOnlyFile(f));
  EXPECT_EQ(GetFileAttr(f), kFileAttrReadOnly);
  struct stat st {};
  ASSERT_EQ(stat((root_ + "/r.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0222, 0u);
  EXPECT_TRUE(SetReadOnlyFile(f));  // already read-only
  EXPECT_TRUE(ClearReadOnlyFile(f));
  EXPECT_FALSE(IsReadOnlyFile(f));
  EXPECT_TRUE(SetFileAttr(f, kFileAttrReadOnly | kFileAttrHidden));
  EXPECT_TRUE(IsReadOnlyFile(f));
  EXPECT_FALSE(SetReadOnlyFile(P(u"missing")));
  EXPECT_FALSE(ClearReadOnlyFile(P(u"missing")));
  EXPECT_FALSE(IsReadOnlyFile(P(u"missing")));
  EXPECT_FALSE(SetFileAttr(P(u"missing"), 0));
}

TEST_F(FilesTest, TimesAndSizes) {
  Write("t.bin", std::string(3000, 'x'));
  MakeDir("t.dir");
  const std::string native = root_ + "/t.bin";
  // 2021-03-04 05:06:07.5 UTC
  const struct timespec times[2] = {{1614834367, 500000000}, {1614834367, 500000000}};
  ASSERT_EQ(utimensat(AT_FDCWD, native.c_str(), times, 0), 0);
  const FileTime expected = FileTimeFromUnix(1614834367, 500000000);
  EXPECT_EQ(GetFileWriteTime(P(u"t.bin")), expected);
  EXPECT_EQ(GetFileWriteTime(P(u"t.*")), expected);  // the first file, not the folder
  EXPECT_NE(GetFileCreateTime(P(u"t.bin")), 0);
  EXPECT_EQ(GetFileWriteTime(P(u"missing")), 0);
  EXPECT_EQ(GetFileSize64(P(u"t.bin")), 3000);
  EXPECT_EQ(GetFileSize64(P(u"*.bin")), 3000);
  EXPECT_EQ(GetFileSize64(P(u"t.dir")), 0);
  EXPECT_EQ(GetFileSize64(P(u"missing")), 0);
  EXPECT_EQ(FileSizeText(P(u"t.bin")), u"3KB");
  EXPECT_EQ(FileSizeText(P(u"missing")), u"0B");

  const char* old_tz = std::getenv("TZ");
  const std::string saved = old_tz ? old_tz : "";
  setenv("TZ", "JST-9", 1);
  tzset();
  TMySystemTime local;
  EXPECT_TRUE(GetFileWriteTimeLocal(P(u"t.bin"), local));
  EXPECT_EQ(local, (TMySystemTime{2021, 3, 4, 4, 14, 6, 7, 500}));
  // Two-second steps, as the date passes through a DOS date and time.
  EXPECT_EQ(FileWriteTimeText(P(u"t.bin")), u"2021/03/04 14:06:06");
  EXPECT_EQ(FileWriteTimeText(P(u"missing")), u"");
  if (old_tz) {
    setenv("TZ", saved.c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
}

TEST(FileTimes, Conversions) {
  EXPECT_EQ(FileTimeFromUnix(0), kUnixEpochFileTime);
  EXPECT_EQ(UnixSecondsFromFileTime(kUnixEpochFileTime + 15), 0);
  EXPECT_EQ(UnixSecondsFromFileTime(kUnixEpochFileTime - 1), -1);
  TMySystemTime t;
  EXPECT_TRUE(FileTimeToSystemTime(FileTimeFromUnix(951782400), t));  // 2000-02-29
  EXPECT_EQ(t, (TMySystemTime{2000, 2, 2, 29, 0, 0, 0, 0}));
  EXPECT_FALSE(FileTimeToSystemTime(0, t));
  EXPECT_EQ(t, TMySystemTime{});
  EXPECT_FALSE(FileTimeToLocalSystemTime(-5, t));
  EXPECT_EQ(SystemTimeText({1999, 12, 5, 31, 9, 5, 3, 0}), u"1999/12/31 9:05:03");
}

TEST_F(FilesTest, FindFileListsMatchesOnce) {
  for (int i = 0; i < 50; ++i) Write("f" + std::to_string(i) + ".mp3", "abc");
  Write("other.txt", "x");
  MakeDir("folder.mp3");
  std::set<WString> names;
  int folders = 0;
  TMyFindFile find(P(u"*.mp3"));
  EXPECT_EQ(find.Folder(), dir_);
  TMyFindData fd;
  while (find.Next(fd)) {
    EXPECT_TRUE(names.insert(fd.name).second);
    if (fd.IsFolder()) {
      ++folders;
      EXPECT_EQ(fd.size, 0);
    } else {
      EXPECT_EQ(fd.size, 3);
      EXPECT_EQ(fd.attributes, kFileAttrNormal);
      EXPECT_NE(fd.write_time, 0);
    }
  }
  EXPECT_FALSE(find.Next(fd));  // stays at the end
  EXPECT_EQ(names.size(), 51u);
  EXPECT_EQ(folders, 1);
  EXPECT_EQ(ForEachFileMatch(P(u"*"), [](const TMyFindData& d) {
              return d.name != u"." && d.name != u"..";
            }),
            52u);
  // Stopping early.
  EXPECT_EQ(ForEachFileMatch(P(u"*"), [](const TMyFindData&) { return false; }), 1u);
  EXPECT_EQ(ForEachFileMatch(P(u"nothing/*"), [](const TMyFindData&) { return true; }), 0u);
  EXPECT_EQ(ForEachFileMatch(P(u"f1.mp3"), [](const TMyFindData&) { return true; }), 1u);
  EXPECT_EQ(ForEachFileMatch(P(u"."), [](const TMyFindData&) { return true; }), 0u);
  EXPECT_EQ(ForEachFileMatch(dir_, [](const TMyFindData&) { return true; }), 0u);
}

TEST_F(FilesTest, NamesOnlyIterationAndLateDetails) {
  Write("song.mp3", "12345");
  Write(".hidden.mp3", "1");
  MakeDir("album");
  fs::create_directory_symlink(root_ + "/album", root_ + "/link-to-album");
  fs::create_symlink(root_ + "/song.mp3", root_ + "/link.mp3");
  int seen = 0;
  TMyFindFile find(P(u"*"), TMyFindDetail::NamesOnly);
  TMyFindData fd;
  while (find.Next(fd)) {
    ++seen;
    if (fd.name == u"album" || fd.name == u"link-to-album") {
      EXPECT_TRUE(fd.IsFolder()) << Utf8(fd.name);
    } else {
      EXPECT_FALSE(fd.IsFolder()) << Utf8(fd.name);
    }
    if (fd.name == u".hidden.mp3") {
      EXPECT_EQ(fd.attributes, kFileAttrHidden);
    }
    if (fd.name == u"song.mp3") {
      EXPECT_FALSE(fd.has_details);
      EXPECT_EQ(fd.size, 0);
      ASSERT_TRUE(FillFindDetails(find.Folder(), fd));
      EXPECT_TRUE(fd.has_details);
      EXPECT_EQ(fd.size, 5);
      EXPECT_NE(fd.write_time, 0);
    }
    if (fd.name == u"link.mp3") {
      ASSERT_TRUE(FillFindDetails(find.Folder(), fd));
      EXPECT_EQ(fd.size, 5);  // the link reports its target
    }
  }
  EXPECT_EQ(seen, 5);
  TMyFindData gone;
  gone.name = u"gone.mp3";
  EXPECT_FALSE(FillFindDetails(dir_, gone));
}

TEST_F(FilesTest, NamesThatAreNotUtf8SurviveTheRoundTrip) {
  Write("bad\xff\xfe.mp3", "abc");
  TMyFindFile find(P(u"*.mp3"));
  TMyFindData fd;
  ASSERT_TRUE(find.Next(fd));
  const WString path = dir_ + fd.name;
  EXPECT_TRUE(FileExists(path));
  EXPECT_EQ(GetFileSize64(path), 3);
  TMyFileHandle h = OpenFileForRead(path);
  EXPECT_TRUE(h.IsValid());
}

TEST_F(FilesTest, OpenFileForRead) {
  Write("data.bin", "hello");
  MakeDir("d");
  TMyFileHandle h = OpenFileForRead(P(u"data.bin"));
  ASSERT_TRUE(h.IsValid());
  EXPECT_EQ(h.Size(), 5);
  char buf[8] = {};
  EXPECT_EQ(h.Read(buf, sizeof buf), 5);
  EXPECT_EQ(std::string(buf), "hello");
  EXPECT_EQ(h.Read(buf, sizeof buf), 0);
  TMyFileHandle moved = std::move(h);
  EXPECT_FALSE(h.IsValid());  // NOLINT(bugprone-use-after-move)
  EXPECT_TRUE(moved.IsValid());
  EXPECT_FALSE(OpenFileForRead(P(u"d")).IsValid());
  EXPECT_FALSE(OpenFileForRead(P(u"missing")).IsValid());
  EXPECT_FALSE(OpenFileForRead(u"").IsValid());
  // Opened for reading only: others may still write the file meanwhile.
  std::ofstream(root_ + "/data.bin", std::ios::app) << "!";
  EXPECT_EQ(moved.Size(), 6);
}

TEST_F(FilesTest, ExecutableFiles) {
  Write("script.sh", "#!/bin/sh\necho\n");
  Write("plain.sh", "#!/bin/sh\necho\n");
  Write("elf-lookalike", "\x7f" "ELF rest");
  Write("empty", "");
  chmod((root_ + "/script.sh").c_str(), 0755);
  EXPECT_TRUE(IsExecutableFile(P(u"script.sh")));
  EXPECT_FALSE(IsExecutableFile(P(u"plain.sh")));  // no execute bit
  EXPECT_TRUE(IsExecutableFile(P(u"elf-lookalike")));
  EXPECT_FALSE(IsExecutableFile(P(u"empty")));
  EXPECT_FALSE(IsExecutableFile(dir_));
  EXPECT_FALSE(IsExecutableFile(P(u"missing")));
  EXPECT_TRUE(IsExecutableFile(U16(std::filesystem::read_symlink("/proc/self/exe").string())));
}

TEST_F(FilesTest, CreateAndDelete) {
  EXPECT_TRUE(CreateFolder(P(u"new")));
  EXPECT_FALSE(CreateFolder(P(u"new")));              // exists already
  EXPECT_FALSE(CreateFolder(P(u"deep/er/folder")));   // one level only
  EXPECT_TRUE(ForceFolders(P(u"deep/er/folder/")));
  EXPECT_TRUE(FolderExists(P(u"deep/er/folder")));
  EXPECT_TRUE(ForceFolders(P(u"deep")));

  Write("a.tmp", "1");
  Write("b.TMP", "2");
  Write("keep.txt", "3");
  MakeDir("dir.tmp");
  EXPECT_TRUE(DeleteMatchingFiles(P(u"*.tmp")));
  EXPECT_FALSE(FileExists(P(u"a.tmp")));
  EXPECT_FALSE(FileExists(P(u"b.TMP")));
  EXPECT_TRUE(FileExists(P(u"keep.txt")));
  EXPECT_TRUE(FolderExists(P(u"dir.tmp")));
  EXPECT_FALSE(DeleteMatchingFiles(P(u"*.tmp")));  // only a folder is left
  EXPECT_FALSE(DeleteMatchingFiles(P(u"*.none")));

  EXPECT_TRUE(DeleteOneFile(P(u"keep.txt")));
  EXPECT_FALSE(DeleteOneFile(P(u"keep.txt")));
  EXPECT_FALSE(DeleteOneFile(P(u"dir.tmp")));
}

TEST_F(FilesTest, DeletionFailureIsReported) {
  if (geteuid() == 0) GTEST_SKIP() << "root may delete in read-only folders";
  MakeDir("locked");
  Write("locked/a.tmp", "1");
  chmod((root_ + "/locked").c_str(), 0555);
  EXPECT_FALSE(DeleteMatchingFiles(P(u"locked/*.tmp")));
  chmod((root_ + "/locked").c_str(), 0755);
}

TEST(FilesBadInput, EmbeddedNulAndBrokenText) {
  const WString nul(u"/tmp\0/x", 7);
  EXPECT_FALSE(FileExists(nul));
  EXPECT_FALSE(FolderExists(nul));
  EXPECT_EQ(GetFileAttr(nul), kNoFileAttr);
  EXPECT_EQ(GetFileSize64(nul), 0);
  EXPECT_FALSE(CreateFolder(nul));
  EXPECT_FALSE(DeleteOneFile(nul));
  EXPECT_FALSE(OpenFileForRead(nul).IsValid());
  const WString lone{u'/', char16_t(0xD800), u'*'};
  EXPECT_FALSE(FileExists(lone));
  EXPECT_EQ(GetFileWriteTime(WString(70000, u'a')), 0);
}

}  // namespace
}  // namespace mivaro
