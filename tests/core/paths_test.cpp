#include "core/paths.h"

#include "core/component_names.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace mivaro {
namespace {

TEST(PathSplit, DirAndPath) {
  EXPECT_EQ(ExtractFileDir(u"C:\\"), u"C:");
  EXPECT_EQ(ExtractFileDir(u"C:\\x"), u"C:");
  EXPECT_EQ(ExtractFileDir(u"C:\\m\\a.mp3"), u"C:\\m");
  EXPECT_EQ(ExtractFileDir(u"C:x"), u"C:");
  EXPECT_EQ(ExtractFilePath(u"C:"), u"C:\\");
  EXPECT_EQ(ExtractFilePath(u"C:\\m\\a.mp3"), u"C:\\m\\");
  EXPECT_EQ(ExtractFileDir(u"file.mp3"), u"");
  EXPECT_EQ(ExtractFilePath(u"file.mp3"), u"");
  EXPECT_EQ(ExtractFilePath(u"/home/m/a.mp3"), u"/home/m/");
  EXPECT_EQ(ExtractFileDir(u"/home/m/a.mp3"), u"/home/m");
  EXPECT_EQ(ExtractFileDir(u"/a.mp3"), u"/");  // the root stays a folder
  EXPECT_EQ(ExtractFilePath(u"/a.mp3"), u"/");
  EXPECT_EQ(ExtractFilePath(u"mixed\\sub/a.mp3"), u"mixed\\sub/");
  EXPECT_EQ(ExtractFileDir(u""), u"");
}

TEST(PathSplit, NameTitleExt) {
  EXPECT_EQ(ExtractFileName(u"C:\\m\\a.mp3"), u"a.mp3");
  EXPECT_EQ(ExtractFileName(u"C:a.mp3"), u"a.mp3");
  EXPECT_EQ(ExtractFileName(u"a.mp3"), u"a.mp3");
  EXPECT_EQ(ExtractFileName(u"/m/"), u"");
  EXPECT_EQ(ExtractFileExt(u"C:\\a.b\\c"), u"");
  EXPECT_EQ(ExtractFileExt(u"/a.b/c"), u"");
  EXPECT_EQ(ExtractFileExt(u"a.tar.gz"), u".gz");
  EXPECT_EQ(ExtractFileExt(u"a."), u".");
  EXPECT_EQ(ExtractFileExt(u".ini"), u".ini");
  EXPECT_EQ(ExtractFileTitle(u"a.tar.gz"), u"a.tar");
  EXPECT_EQ(ExtractFileTitle(u"a.b.c"), u"a.b");
  EXPECT_EQ(ExtractFileTitle(u".ini"), u"");
  EXPECT_EQ(ExtractFileTitle(u"C:\\x.y\\noext"), u"noext");
}

TEST(PathSplit, ColonsInLinuxNamesAreNotDrives) {
  EXPECT_EQ(ExtractFileName(u"/music/Act 1: Intro.mp3"), u"Act 1: Intro.mp3");
  EXPECT_EQ(ExtractFilePath(u"/music/Act 1: Intro.mp3"), u"/music/");
  EXPECT_EQ(ExtractFileExt(u"/music/12:30.mp4"), u".mp4");
  EXPECT_EQ(ExtractFileName(u"\\\\?\\D:x"), u"x");  // the long form keeps its drive colon
}

TEST(PathSplit, SplitFunctions) {
  WString folder, name, ext, stem;
  SplitFileName(u"C:\\m\\a.mp3", folder, name);
  EXPECT_EQ(folder, u"C:\\m\\");
  EXPECT_EQ(name, u"a.mp3");
  SplitFileName(u"C:a.mp3", folder, name);
  EXPECT_EQ(folder, u"C:");
  EXPECT_EQ(name, u"a.mp3");
  SplitFileName(u"a.mp3", folder, name);
  EXPECT_EQ(folder, u"");
  EXPECT_EQ(name, u"a.mp3");
  SplitDirAndName(u"C:\\m\\a.mp3", folder, name);
  EXPECT_EQ(folder, u"C:\\m");
  SplitDirAndName(u"C:a.mp3", folder, name);
  EXPECT_EQ(folder, u"C:");
  SplitDirAndName(u"/a.mp3", folder, name);
  EXPECT_EQ(folder, u"/");
  EXPECT_EQ(name, u"a.mp3");
  SplitFileExt(u"x.y/song.live.flac", stem, ext);
  EXPECT_EQ(stem, u"song.live");
  EXPECT_EQ(ext, u".flac");
  SplitFileExt(u"x.y/noext", stem, ext);
  EXPECT_EQ(stem, u"noext");
  EXPECT_EQ(ext, u"");
  SplitPathParts(u"/m/a.b.mp3", folder, name, ext, stem);
  EXPECT_EQ(folder, u"/m/");
  EXPECT_EQ(name, u"a.b.mp3");
  EXPECT_EQ(ext, u".mp3");
  EXPECT_EQ(stem, u"a.b");
}

TEST(PathSplit, Drives) {
  EXPECT_EQ(ExtractFileDrive(u"C:\\x"), u"C:");
  EXPECT_EQ(ExtractFileDrive(u"c:"), u"c:");
  EXPECT_EQ(ExtractFileDrive(u"1:\\x"), u"");
  EXPECT_EQ(ExtractFileDrive(u"C"), u"");
  EXPECT_EQ(ExtractFileDrive(u""), u"");
  EXPECT_EQ(ExtractFileDrive(u"/home/x"), u"");
  EXPECT_EQ(ExtractFileDrive(u"\\\\server\\share\\dir\\f.mp3"), u"\\\\server\\share");
  EXPECT_EQ(ExtractFileDrive(u"\\\\server\\share"), u"\\\\server\\share");
  EXPECT_EQ(ExtractFileDrive(u"\\\\server\\share\\"), u"\\\\server\\share");
  EXPECT_EQ(ExtractFileDrive(u"\\\\?\\UNC\\server\\share\\f"), u"\\\\server\\share");
  EXPECT_EQ(ExtractFileDrive(u"\\\\?\\unc\\server\\share"), u"\\\\server\\share");
  EXPECT_EQ(ExtractFileDrive(u"\\\\?\\D:\\f"), u"D:");
  EXPECT_EQ(ExtractFileDrive(u"\\\\?\\1:\\f"), u"");
  EXPECT_EQ(ExtractFileDrive(u"\\\\?\\Volume{x}\\f"), u"");
  EXPECT_EQ(ExtractFileDrive(u"\\\\server"), u"");
  EXPECT_EQ(ExtractFileDrive(u"\\\\server\\"), u"");
  EXPECT_EQ(ExtractFileDrive(u"\\\\\\x"), u"");
  EXPECT_EQ(ExtractFileDrive(u"\\\\server\\\\share"), u"");
  EXPECT_EQ(ExtractFileDrive(u"\\\\"), u"");
}

TEST(PathSplit, ChangeFileExt) {
  EXPECT_EQ(ChangeFileExt(u"C:\\dir.x\\prog", u".ini"), u"C:\\dir.x\\prog.ini");
  EXPECT_EQ(ChangeFileExt(u"C:\\p\\prog.exe", u"ini"), u"C:\\p\\prog.ini");
  EXPECT_EQ(ChangeFileExt(u"C:\\p\\prog.exe", u".resume.m3u8"), u"C:\\p\\prog.resume.m3u8");
  EXPECT_EQ(ChangeFileExt(u"/opt/mivaro.d/mivaro", u".ini"), u"/opt/mivaro.d/mivaro.ini");
  EXPECT_EQ(ChangeFileExt(u"/opt/x/mivaro", u".resume.m3u8"), u"/opt/x/mivaro.resume.m3u8");
  EXPECT_EQ(ChangeFileExt(u"a.mp3", u""), u"a");
  EXPECT_EQ(ChangeFileExt(u"", u".txt"), u".txt");
  EXPECT_EQ(ChangeFileExt(u"", u"txt"), u".txt");
  EXPECT_EQ(ChangeFileExt(u".ini", u".txt"), u".txt");
  EXPECT_EQ(ChangeFileExt(u"C:x.y", u".z"), u"C:x.z");
}

TEST(PathSplit, SameExtAndDelimiters) {
  EXPECT_TRUE(SameFileExt(u"a.MP3", u"/x/b.mp3"));
  EXPECT_TRUE(SameFileExt(u"a", u"b"));
  EXPECT_FALSE(SameFileExt(u"a.mp3", u"a.mp4"));
  EXPECT_TRUE(SameFileExt(u"Ä.FLÄC", u"ä.fläc"));
  EXPECT_EQ(IncludeTrailingPathDelimiter(u"/m"), u"/m/");
  EXPECT_EQ(IncludeTrailingPathDelimiter(u"/m/"), u"/m/");
  EXPECT_EQ(IncludeTrailingPathDelimiter(u"C:", u'\\'), u"C:");
  EXPECT_EQ(IncludeTrailingPathDelimiter(u""), u"");
  EXPECT_EQ(ExcludeTrailingPathDelimiter(u"/m/"), u"/m");
  EXPECT_EQ(ExcludeTrailingPathDelimiter(u"/"), u"/");
}

TEST(PathResolve, Urls) {
  EXPECT_TRUE(IsUrlName(u"http://x/a.mp3"));
  EXPECT_TRUE(IsUrlName(u"  HTTPS://x"));
  EXPECT_TRUE(IsUrlName(u"mms://x"));
  EXPECT_FALSE(IsUrlName(u"C://x"));
  EXPECT_FALSE(IsUrlName(u"/a://b"));
  EXPECT_EQ(ResolveFileName(u"HTTP://Host/A.mp3", u"C:\\m\\"), u"HTTP://Host/A.mp3");
  EXPECT_EQ(ResolveFileName(u"https://h/a b.mp3", u"/m/"), u"https://h/a b.mp3");
}

TEST(PathResolve, FileUris) {
  EXPECT_EQ(FileUriToPath(u"file:///home/u/Music/%E7%AC%AC1%E8%A9%B1.mp4"),
            u"/home/u/Music/第1話.mp4");
  EXPECT_EQ(FileUriToPath(u"FILE://localhost/a%20b/c.mp3"), u"/a b/c.mp3");
  EXPECT_EQ(FileUriToPath(u"file:///C:/m/a%23.mp3"), u"C:/m/a#.mp3");
  EXPECT_EQ(FileUriToPath(u"file://srv/share/a.mp3"), u"\\\\srv\\share\\a.mp3");
  EXPECT_EQ(FileUriToPath(u"http://h/a.mp3"), u"");
  EXPECT_EQ(PercentDecode(u"100%25 %zz 曲%E2%82%AC"), u"100% %zz 曲€");
  // Bytes that are no UTF-8, or a NUL, leave the text as written.
  EXPECT_EQ(PercentDecode(u"R%F6yksopp"), u"R%F6yksopp");
  EXPECT_EQ(PercentDecode(u"a%00b"), u"a%00b");
}

TEST(PathResolve, WindowsEntries) {
  EXPECT_EQ(ResolveFileName(u"..\\b.mp3", u"C:\\m\\x\\"), u"C:\\m\\b.mp3");
  EXPECT_EQ(ResolveFileName(u"\\b.mp3", u"D:\\m\\"), u"D:\\b.mp3");
  EXPECT_EQ(ResolveFileName(u"C:\\a\\..\\b.mp3", u"D:\\m\\"), u"C:\\b.mp3");
  EXPECT_EQ(ResolveFileName(u"C:\\a\\.\\b.mp3", u"D:\\m\\"), u"C:\\a\\.\\b.mp3");
  EXPECT_EQ(ResolveFileName(u"sub\\a.mp3", u"C:\\m"), u"C:\\m\\sub\\a.mp3");
  EXPECT_EQ(ResolveFileName(u"..\\..\\..\\a.mp3", u"C:\\m\\"), u"C:\\a.mp3");
  EXPECT_EQ(ResolveFileName(u"a.mp3", u"\\\\srv\\share\\m\\"), u"\\\\srv\\share\\m\\a.mp3");
  EXPECT_EQ(ResolveFileName(u"..\\..\\a.mp3", u"\\\\srv\\share\\m\\"), u"\\\\srv\\share\\a.mp3");
}

TEST(PathResolve, LinuxEntries) {
  EXPECT_EQ(ResolveFileName(u"sub\\a.mp3", u"/home/m/"), u"/home/m/sub/a.mp3");
  EXPECT_EQ(ResolveFileName(u"..\\b.mp3", u"/home/m/x/"), u"/home/m/b.mp3");
  EXPECT_EQ(ResolveFileName(u"../b.mp3", u"/home/m/x"), u"/home/m/b.mp3");
  EXPECT_EQ(ResolveFileName(u"./a.mp3", u"/m/"), u"/m/a.mp3");
  EXPECT_EQ(ResolveFileName(u"/abs/a.mp3", u"/m/"), u"/abs/a.mp3");
  EXPECT_EQ(ResolveFileName(u"/abs/./a.mp3", u"/m/"), u"/abs/./a.mp3");  // as with drives
  EXPECT_EQ(ResolveFileName(u"/abs/x/../a.mp3", u"/m/"), u"/abs/a.mp3");
  EXPECT_EQ(ResolveFileName(u"\\a.mp3", u"/m/"), u"/a.mp3");
  EXPECT_EQ(ResolveFileName(u"Act 1: Intro.mp3", u"/m/"), u"/m/Act 1: Intro.mp3");
  EXPECT_EQ(ResolveFileName(u"../../../../x", u"/m/"), u"/x");
}

TEST(PathResolve, ExpandFileName) {
  EXPECT_EQ(ExpandFileName(u""), u"");
  EXPECT_EQ(ExpandFileName(u"/a//b/./c/../d"), u"/a/b/d");
  EXPECT_EQ(ExpandFileName(u"/a/b/"), u"/a/b/");
  EXPECT_EQ(ExpandFileName(u"/.."), u"/");
  EXPECT_EQ(ExpandFileName(u"C:/a\\b/../c"), u"C:\\a\\c");
  EXPECT_EQ(ExpandFileName(u"C:"), u"C:\\");
  EXPECT_EQ(ExpandFileName(u"\\\\?\\UNC\\srv\\share\\a\\..\\b"), u"\\\\?\\UNC\\srv\\share\\b");
  char cwd[4096];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  EXPECT_EQ(ExpandFileName(u"x/y/../z"), U16(cwd) + (std::string(cwd) == "/" ? u"" : u"/") + u"x/z");
}

TEST(PathRelative, Windows) {
  EXPECT_EQ(MakeRelativeFileName(u"C:\\m\\a.mp3", u"C:\\m\\"), u"a.mp3");
  EXPECT_EQ(MakeRelativeFileName(u"C:\\m\\sub\\a.mp3", u"C:\\m\\"), u"sub\\a.mp3");
  EXPECT_EQ(MakeRelativeFileName(u"C:\\m\\b.mp3", u"C:\\m\\x\\"), u"..\\b.mp3");
  EXPECT_EQ(MakeRelativeFileName(u"C:\\M\\A.mp3", u"C:\\m\\"), u"A.mp3");  // case ignored
  EXPECT_EQ(MakeRelativeFileName(u"D:\\m\\a.mp3", u"C:\\m\\"), u"D:\\m\\a.mp3");
  EXPECT_EQ(MakeRelativeFileName(u"c:\\m\\a.mp3", u"C:\\m\\"), u"c:\\m\\a.mp3");  // drive case
  EXPECT_EQ(MakeRelativeFileName(u"http://x/a.mp3", u"/m/"), u"http://x/a.mp3");
  EXPECT_EQ(MakeRelativeFileName(u"C:\\x\\a.mp3", u"C:\\"), u"x\\a.mp3");
  EXPECT_EQ(MakeRelativeFileName(u"C:\\x\\a.mp3", u"C:\\m\\n\\"), u"..\\..\\x\\a.mp3");
}

TEST(PathRelative, LinuxWrittenWithSlash) {
  EXPECT_EQ(MakeRelativeFileName(u"/home/m/sub/a.mp3", u"/home/m/"), u"sub/a.mp3");
  EXPECT_EQ(MakeRelativeFileName(u"/home/x/a.mp3", u"/home/m/"), u"../x/a.mp3");
  EXPECT_EQ(MakeRelativeFileName(u"/home/m/a.mp3", u"/home/m"), u"a.mp3");
  EXPECT_EQ(MakeRelativeFileName(u"/Home/m/a.mp3", u"/home/m/"), u"../../Home/m/a.mp3");
  // A name holding "\" cannot be written relatively: it stays absolute.
  EXPECT_EQ(MakeRelativeFileName(u"/home/m/a\\b.mp3", u"/home/m/"), u"/home/m/a\\b.mp3");
  EXPECT_EQ(MakeRelativeFileName(u"rel/a.mp3", u"/home/m/"), u"rel/a.mp3");
  EXPECT_EQ(MakeRelativeFileName(u"/home/m/file:a.mp3", u"/home/m/"), u"/home/m/file:a.mp3");
  EXPECT_EQ(MakeRelativeFileName(u"/home/m/", u"/home/m/"), u"/home/m/");
}

// Whatever MakeRelativeFileName writes, ResolveFileName reads back as the same file.
TEST(PathRelative, RoundTrip) {
  const char16_t* bases[] = {u"/home/m/", u"/home/m/x/y/", u"/", u"/other/", u"C:\\m\\x\\",
                             u"C:\\", u"\\\\srv\\share\\m\\"};
  const char16_t* paths[] = {u"/home/m/a.mp3",      u"/home/m/x/y/z/a.mp3", u"/a.mp3",
                             u"/home/mm/a.mp3",     u"C:\\m\\a.mp3",        u"C:\\x\\y\\a.mp3",
                             u"\\\\srv\\share\\a.mp3", u"/home/m/Act 1: x.mp3"};
  for (const char16_t* base : bases) {
    for (const char16_t* path : paths) {
      const WString rel = MakeRelativeFileName(path, base);
      EXPECT_EQ(ResolveFileName(rel, base), ExpandFileName(path))
          << Utf8(path) << " from " << Utf8(base) << " as " << Utf8(rel);
    }
  }
}

TEST(FileMask, Matching) {
  EXPECT_TRUE(MatchesFileMask(u"Song.MP3", u"*.mp3"));
  EXPECT_FALSE(MatchesFileMask(u"Song.mp3x", u"*.mp3"));
  EXPECT_TRUE(MatchesFileMask(u"noext", u"*.*"));
  EXPECT_TRUE(MatchesFileMask(u".hidden", u"*"));
  EXPECT_TRUE(MatchesFileMask(u"track", u"track.*"));
  EXPECT_TRUE(MatchesFileMask(u"a1b", u"a?b"));
  EXPECT_FALSE(MatchesFileMask(u"ab", u"a?b"));
  EXPECT_TRUE(MatchesFileMask(u"ÄBC.txt", u"äbc.TXT"));
  EXPECT_TRUE(MatchesFileMask(u"曲01.flac", u"曲*.FLAC"));
  EXPECT_FALSE(MatchesFileMask(u"x", u""));
  EXPECT_TRUE(MatchesFileMask(u"", u"*"));
  EXPECT_TRUE(MatchesFileMask(u"aXbXc", u"*X*X*"));
  // Many stars against a long name finish at once (no exponential backtracking).
  const WString name(5000, u'a');
  EXPECT_FALSE(MatchesFileMask(name, u"*a*a*a*a*a*a*a*a*a*a*a*b"));
  TMyFileMask mask(u"*.M4A");
  EXPECT_TRUE(mask.Matches(u"x.m4a"));
  EXPECT_FALSE(mask.Matches(u"x.m4v"));
  EXPECT_TRUE(TMyFileMask().Matches(u"anything"));
  EXPECT_TRUE(HasWildcards(u"/a/*.mp3"));
  EXPECT_FALSE(HasWildcards(u"/a/b.mp3"));
  // A wildcard at every place of a name longer than one block of eight units, and none.
  const WString plain = u"/音楽/アルバム/track-01 (live).mp3";
  EXPECT_FALSE(HasWildcards(plain));
  for (size_t i = 0; i < plain.size(); ++i) {
    WString s = plain;
    s[i] = i % 2 == 0 ? u'?' : u'*';
    ASSERT_TRUE(HasWildcards(s)) << i;
  }
}

// No name function throws or misbehaves on strange strings.
TEST(PathSplit, StrangeInput) {
  const WString nul(u"a\0b.mp3", 7);
  const WString lone{char16_t(0xD800), u'\\', char16_t(0xDC00), u'.', u'x'};
  const WString long_path = u"C:\\" + WString(100000, u'a') + u"\\b.c";
  for (const WString& p : {nul, lone, long_path, WString(u"\\\\?\\"), WString(u":"),
                           WString(u"\\"), WString(u"/")}) {
    ExtractFileDrive(p);
    ExtractFileDir(p);
    ExtractFilePath(p);
    ExtractFileName(p);
    ExtractFileTitle(p);
    ExtractFileExt(p);
    ChangeFileExt(p, u".x");
    ExpandFileName(p);
    ResolveFileName(p, u"/m/");
    ResolveFileName(p, u"C:\\m\\");
    MakeRelativeFileName(p, u"/m/");
    MakeRelativeFileName(p, p);
  }
  EXPECT_EQ(ExtractFileExt(nul), u".mp3");
  EXPECT_EQ(ExtractFileExt(lone), u".x");
  EXPECT_EQ(ExtractFileName(long_path), u"b.c");
}

TEST(ComponentNames, CounterFromZeroAndCaseInsensitiveNames) {
  const std::vector<WString> taken = {u"item_0", u"Item_1"};
  auto exists = [&](WStringView n) {
    for (const WString& t : taken)
      if (SameComponentName(t, n)) return true;
    return false;
  };
  EXPECT_EQ(UniqueComponentName(u"Item", exists), u"Item_2");
  EXPECT_EQ(UniqueComponentName(u"Other", exists), u"Other_0");
  EXPECT_EQ(UniqueComponentName(u"X", nullptr), u"X_0");
  EXPECT_FALSE(SameComponentName(u"a", u"ab"));
}

}  // namespace
}  // namespace mivaro
