// Tests of the INI settings store: file format, section cache, clean-up rules, typed
// values, encodings, saving and window rectangles.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/wstrings.h"
#include "settings/ini_file.h"
#include "settings/ini_format.h"

namespace mivaro {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<WString>;

// A fresh folder per test, removed afterwards.
class IniFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::setlocale(LC_NUMERIC, "C");  // decimal separator "."
    std::string templ = (fs::temp_directory_path() / "mivaro-ini-XXXXXX").string();
    ASSERT_NE(mkdtemp(templ.data()), nullptr);
    dir_ = templ;
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(dir_, ec);
  }

  WString Path(const std::string& name) const { return U16((dir_ / name).string()); }

  void WriteBytes(const std::string& name, const std::string& bytes) const {
    std::ofstream(dir_ / name, std::ios::binary) << bytes;
  }
  std::string ReadBytes(const std::string& name) const {
    std::ifstream in(dir_ / name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  fs::path dir_;
};

// A store over in-memory text, as if read from a file.
class TextIni : public TMyIniFile {
 public:
  explicit TextIni(WStringView text) : TMyIniFile(u"", 0) { SetText(text); }
};

TEST(IniFormat, HeadersKeysAndValues) {
  WStringView name;
  ASSERT_TRUE(ini::ParseHeader(u"[ Play ] ; note", &name));
  EXPECT_EQ(name, u"Play");
  ASSERT_TRUE(ini::ParseHeader(u"  [Zoom]x]", &name));
  EXPECT_EQ(name, u"Zoom");
  for (WStringView no : {u"Play", u"[]", u"[ ]", u"[Play", u"x[Play]", u""}) {
    EXPECT_FALSE(ini::IsHeader(no)) << Utf8(no);
  }
  EXPECT_EQ(ini::KeyOf(u" Volume =80"), u"Volume");
  EXPECT_EQ(ini::ValueOf(u" Volume = 80 "), u" 80 ");
  EXPECT_EQ(ini::ValueOf(u"a=b=c"), u"b=c");
  EXPECT_EQ(ini::KeyOf(u"=x"), u"");
  EXPECT_EQ(ini::KeyOf(u"  =x"), u"");
  EXPECT_EQ(ini::KeyOf(u"no equals"), u"");
  EXPECT_EQ(ini::FoldCase(u"VoLuME"), ini::FoldCase(u"volume"));
  EXPECT_EQ(ini::FoldCase(u"ÄÖÜ"), ini::FoldCase(u"äöü"));
}

TEST(IniFormat, SplitsLinesLikeTheLists) {
  uint8_t brk = 9;
  EXPECT_EQ(ini::SplitLines(u"a\r\nb\r\n", &brk), (Lines{u"a", u"b"}));
  EXPECT_EQ(brk, ini::kBreakCrLf);
  EXPECT_EQ(ini::SplitLines(u"a\nb", &brk), (Lines{u"a", u"b"}));
  EXPECT_EQ(brk, ini::kBreakLf);
  EXPECT_EQ(ini::SplitLines(u"a\rb", &brk), (Lines{u"a", u"b"}));
  EXPECT_EQ(brk, ini::kBreakCr);
  EXPECT_EQ(ini::SplitLines(u"a\n\rb", &brk), (Lines{u"a", u"", u"b"}));
  EXPECT_EQ(ini::JoinLines({u"a", u""}, ini::kBreakCrLf), u"a\r\n\r\n");
  EXPECT_EQ(ini::JoinLines({}, ini::kBreakCrLf), u"");
}

TEST(IniFormat, FloatTexts) {
  EXPECT_EQ(ini::FloatToText(1.5, u'.'), u"1.5");
  EXPECT_EQ(ini::FloatToText(1.5, u','), u"1,5");
  EXPECT_EQ(ini::FloatToText(0.1, u'.'), u"0.1");
  EXPECT_EQ(ini::FloatToText(-3, u'.'), u"-3");
  EXPECT_EQ(ini::FloatToText(-0.0, u'.'), u"0");
  EXPECT_EQ(ini::FloatToText(1e20, u'.'), u"1E20");
  EXPECT_EQ(ini::FloatToText(1.25e-7, u'.'), u"1.25E-7");
  EXPECT_EQ(ini::FloatToText(123456789012345.0, u'.'), u"123456789012345");
  double v = 0;
  ASSERT_TRUE(ini::TextToFloat(u" 1,5 ", u',', &v));
  EXPECT_EQ(v, 1.5);
  ASSERT_TRUE(ini::TextToFloat(u"1.5", u',', &v));  // files moved between locales
  EXPECT_EQ(v, 1.5);
  ASSERT_TRUE(ini::TextToFloat(u"-2.5E-3", u'.', &v));
  EXPECT_EQ(v, -2.5e-3);
  ASSERT_TRUE(ini::TextToFloat(u"+.5", u'.', &v));
  EXPECT_EQ(v, 0.5);
  for (WStringView bad : {u"", u"abc", u"1,5", u"1.5x", u"E5", u".", u"1e", u"1e999", u"0x10"}) {
    EXPECT_FALSE(ini::TextToFloat(bad, u'.', &v)) << Utf8(bad);
  }
  for (double x : {0.1, 2.5e300, -7.125, 1e-300, 1.0 / 3.0}) {
    ASSERT_TRUE(ini::TextToFloat(ini::FloatToText(x, u','), u',', &v));
    EXPECT_NEAR(v, x, std::abs(x) * 1e-14);  // 15 significant digits
  }
}

TEST(IniFile, ReadingFollowsTheFileRules) {
  TextIni ini(
      u"top=1\r\n"
      u"[Play]\r\n"
      u"Volume=80\r\n"
      u"Empty=\r\n"
      u"Blank= x\r\n"
      u"volume=90\r\n"
      u"no key line\r\n"
      u"=7\r\n"
      u"[ Zoom ] ; comment\r\n"
      u"KeepAspect=0\r\n"
      u"Play\r\n"
      u"[PLAY]\r\n"
      u"Mute=1\r\n");
  EXPECT_EQ(ini.ReadString(u"play", u"VOLUME", u"d"), u"90");  // last occurrence wins
  EXPECT_EQ(ini.ReadString(u"Play", u"Empty", u"d"), u"d");
  EXPECT_EQ(ini.ReadString(u"Play", u"Blank", u"d"), u" x");
  EXPECT_EQ(ini.ReadString(u"Play", u"Mute", u"d"), u"d");  // second [Play] is ignored
  EXPECT_EQ(ini.ReadString(u" Zoom ", u" KeepAspect ", u"d"), u"0");
  EXPECT_EQ(ini.ReadString(u"Zoom", u"Play", u"d"), u"d");  // "Play" is no header
  EXPECT_EQ(ini.ReadString(u"", u"top", u"d"), u"d");      // lines before any header
  EXPECT_EQ(ini.ReadString(u"Missing", u"x", u"d"), u"d");
  EXPECT_TRUE(ini.SectionExists(u"zoom"));
  EXPECT_FALSE(ini.SectionExists(u"Missing"));
  EXPECT_EQ(ini.SectionNames(), (Lines{u"Play", u"Zoom"}));
  EXPECT_EQ(ini.SectionValues(u"Play"), (Lines{u"Empty=", u"Blank= x", u"volume=90"}));
  EXPECT_EQ(ini.SectionKeys(u"Play"), (Lines{u"Empty", u"Blank", u"volume"}));
  EXPECT_EQ(ini.SectionLines(u"Zoom"), (Lines{u"KeepAspect=0", u"Play"}));
  EXPECT_FALSE(ini.FileChanged());
}

TEST(IniFile, WrittenSectionMovesToTheEndCleanedUp) {
  TextIni ini(
      u"; settings\r\n"
      u"[A]\r\n"
      u"x=1\r\n"
      u"\r\n"
      u"[B]\r\n"
      u"k=1\r\n"
      u"junk\r\n"
      u"K=2\r\n"
      u"\r\n"
      u"[C]\r\n"
      u"z=3\r\n");
  ini.WriteString(u"B", u" new ", u" v ");
  EXPECT_EQ(ini.ReadString(u"B", u"NEW", u""), u" v ");
  ini.WriteInteger(u"b", u"k", 5);
  EXPECT_EQ(ini.GetText(),
            u"; settings\r\n"
            u"[A]\r\n"
            u"x=1\r\n"
            u"\r\n"
            u"[C]\r\n"
            u"z=3\r\n"
            u"[B]\r\n"
            u"k=5\r\n"
            u"new= v \r\n"
            u"\r\n");
}

TEST(IniFile, CachedSectionIsReadWithUnsavedChanges) {
  TextIni ini(u"[A]\r\nx=1\r\n\r\ny=2\r\n[B]\r\nb=1\r\n");
  EXPECT_EQ(ini.ReadString(u"A", u"x", u""), u"1");
  // Cached but unchanged: still exactly as stored.
  EXPECT_EQ(ini.SectionLines(u"A"), (Lines{u"x=1", u"", u"y=2"}));
  ini.WriteString(u"A", u"z", u"3");
  EXPECT_TRUE(ini.SectionExists(u"A"));
  EXPECT_EQ(ini.SectionLines(u"A"), (Lines{u"x=1", u"y=2", u"z=3"}));
  EXPECT_EQ(ini.SectionValues(u"a"), (Lines{u"x=1", u"y=2", u"z=3"}));
  // A new section exists as soon as a key is written into it.
  ini.WriteBool(u"New", u"On", true);
  EXPECT_TRUE(ini.SectionExists(u"New"));
  EXPECT_EQ(ini.SectionNames(), (Lines{u"B", u"A", u"New"}));
  EXPECT_TRUE(ini.ReadBool(u"New", u"On", false));
  EXPECT_EQ(ini.ReadString(u"A", u"z", u""), u"3");
  // Keys of the section cached before do not leak into a section that is not in the file.
  ini.WriteString(u"Fresh", u"y", u"9");
  EXPECT_EQ(ini.ReadString(u"Fresh", u"x", u"d"), u"d");
  EXPECT_EQ(ini.SectionValues(u"Fresh"), (Lines{u"y=9"}));
  EXPECT_EQ(ini.ReadString(u"A", u"y", u""), u"2");
}

TEST(IniFile, SectionListsAndErasing) {
  TextIni ini(u"[A]\r\na=1\r\n[B]\r\nb=1\r\n[A]\r\nhidden=1\r\n[C]\r\nc=1\r\n");
  ini.SetSectionValues(u"A", {u"", u"k=1", u"junk", u"K=2", u"[x]=1", u"v=2\r\n[Evil]"});
  EXPECT_EQ(ini.SectionValues(u"A"), (Lines{u"k=1", u"v=2"}));
  EXPECT_FALSE(ini.SectionExists(u"Evil"));
  // Lines exactly, empty ones included, no empty line after them.
  ini.SetSectionLines(u"History", {u"first", u"", u"[not a header]", u" second "});
  EXPECT_EQ(ini.SectionLines(u"History"), (Lines{u"first", u"", u" second "}));
  ini.EraseSection(u"b");
  EXPECT_FALSE(ini.SectionExists(u"B"));
  EXPECT_EQ(ini.GetText(),
            u"[C]\r\nc=1\r\n[A]\r\nk=1\r\nv=2\r\n\r\n[History]\r\nfirst\r\n\r\n second \r\n");

  TMyWStrings list;
  list.Add(u"stale");
  ini.ReadSections(list);
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list.Get(2), u"History");
  ini.ReadSection(u"A", list);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Get(1), u"v");
  list.Clear();
  list.Add(u"q=1");
  list.Add(u"q=2");
  ini.WriteSectionValues(u"Q", list);
  ini.ReadSectionValues(u"Q", list);
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Get(0), u"q=1");
  ini.ReadSectionLines(u"History", list);
  EXPECT_EQ(list.Count(), 3);
  ini.WriteSectionLines(u"Q", list);
  EXPECT_EQ(ini.SectionLines(u"Q"), (Lines{u"first", u"", u" second "}));
}

TEST(IniFile, WritingADuplicatedSectionReadsBackWhatWasWritten) {
  TextIni ini(u"[Play]\r\nVolume=1\r\n[Other]\r\n[Play]\r\nVolume=2\r\n");
  ini.WriteString(u"Play", u"Volume", u"3");
  ini.WriteString(u"Other", u"x", u"1");  // puts [Play] back
  EXPECT_EQ(ini.ReadString(u"Play", u"Volume", u""), u"3");
  EXPECT_EQ(ini.GetText(), u"[Play]\r\nVolume=3\r\n\r\n[Other]\r\nx=1\r\n\r\n");
}

TEST(IniFile, RefusesWritesThatWouldNotReadBack) {
  TextIni ini(u"[A]\r\nx=1\r\n");
  ini.WriteString(u"A", u"x", u"2\r\n[B]\r\ny=1");  // line breaks in a value
  ini.WriteString(u"A", u"[k", u"v]");             // would read as header "[k=v]"
  ini.WriteString(u"A", u"a=b", u"1");             // "=" in the key
  ini.WriteString(u"A", u"  ", u"1");              // no key
  ini.WriteString(u"", u"k", u"1");                // no section
  ini.WriteString(u"x]y", u"k", u"1");             // "]" in the name
  ini.SetSectionLines(u" ", {u"a"});
  ini.SetSectionValues(u"a\nb", {u"a=1"});
  EXPECT_FALSE(ini.FileChanged());
  EXPECT_EQ(ini.GetText(), u"[A]\r\nx=1\r\n");
  EXPECT_EQ(ini.ReadString(u"", u"k", u"d"), u"d");
}

TEST(IniFile, IntegersAndBooleans) {
  TextIni ini(
      u"[N]\r\none=1\r\nzero=0\r\ntwo=2\r\nyes=yes\r\ntrue=true\r\nneg=-12\r\n"
      u"big=2147483648\r\nsmall=-2147483649\r\nhuge=99999999999999999999\r\n"
      u"loose=1,234\r\nhex=$10\r\nwide=１２３\r\nmax=2147483647\r\n");
  EXPECT_TRUE(ini.ReadBool(u"N", u"one", false));
  EXPECT_FALSE(ini.ReadBool(u"N", u"zero", true));
  EXPECT_TRUE(ini.ReadBool(u"N", u"two", false));
  EXPECT_FALSE(ini.ReadBool(u"N", u"yes", true));
  EXPECT_FALSE(ini.ReadBool(u"N", u"true", true));
  EXPECT_TRUE(ini.ReadBool(u"N", u"missing", true));
  bool flag = true;
  ini.ReadBool(u"N", u"zero", &flag);
  EXPECT_FALSE(flag);
  ini.ReadBool(u"N", u"missing", &flag);
  EXPECT_FALSE(flag);

  EXPECT_EQ(ini.ReadInteger(u"N", u"neg", 7), -12);
  EXPECT_EQ(ini.ReadInteger(u"N", u"max", 7), 2147483647);
  EXPECT_EQ(ini.ReadInteger(u"N", u"big", 7), 7);
  EXPECT_EQ(ini.ReadInteger(u"N", u"small", 7), 7);
  EXPECT_EQ(ini.ReadInteger(u"N", u"huge", 7), 7);
  EXPECT_EQ(ini.ReadInteger(u"N", u"loose", 7), 1234);
  EXPECT_EQ(ini.ReadInteger(u"N", u"hex", 7), 16);
  EXPECT_EQ(ini.ReadInteger(u"N", u"wide", 7), 123);
  EXPECT_EQ(ini.ReadInteger(u"N", u"yes", 7), 0);
  EXPECT_EQ(ini.ReadInteger(u"N", u"missing", -5), -5);

  ini.WriteInteger(u"N", u"w", -2147483647 - 1);
  EXPECT_EQ(ini.ReadString(u"N", u"w", u""), u"-2147483648");
  EXPECT_EQ(ini.ReadInteger(u"N", u"w", 0), -2147483647 - 1);
  ini.WriteBool(u"N", u"b", true);
  EXPECT_EQ(ini.ReadString(u"N", u"b", u""), u"1");
}

TEST(IniFile, Floats) {
  std::setlocale(LC_NUMERIC, "C");
  TextIni ini(u"[F]\r\nabc=abc\r\nrate=0.75\r\n");
  EXPECT_EQ(ini.ReadFloat(u"F", u"abc", 5), 0.0);  // not a number: 0, not the default
  EXPECT_EQ(ini.ReadFloat(u"F", u"missing", 5.5), 5.5);
  EXPECT_EQ(ini.ReadFloat(u"F", u"rate", 1), 0.75);
  ini.WriteFloat(u"F", u"x", 1.0 / 3.0);
  EXPECT_EQ(ini.ReadString(u"F", u"x", u""), u"0.333333333333333");
  EXPECT_NEAR(ini.ReadFloat(u"F", u"x", 0), 1.0 / 3.0, 1e-15);
}

TEST_F(IniFileTest, MissingFileIsEmptyAndUntouchedFileIsNotRewritten) {
  {
    TMyIniFile ini(Path("none.ini"));
    EXPECT_EQ(ini.ReadString(u"A", u"x", u"d"), u"d");
    EXPECT_EQ(ini.ReadInteger(u"A", u"x", 3), 3);
  }
  EXPECT_FALSE(fs::exists(dir_ / "none.ini"));

  WriteBytes("s.ini", "[A]\nx=1\n\n\n[B]\ny=2");
  struct stat before {};
  ASSERT_EQ(stat((dir_ / "s.ini").c_str(), &before), 0);
  {
    TMyIniFile ini(Path("s.ini"));
    EXPECT_EQ(ini.ReadString(u"A", u"x", u""), u"1");
    EXPECT_EQ(ini.ReadString(u"B", u"y", u""), u"2");
    EXPECT_FALSE(ini.UpdateFile());
  }
  struct stat after {};
  ASSERT_EQ(stat((dir_ / "s.ini").c_str(), &after), 0);
  EXPECT_EQ(before.st_ino, after.st_ino);  // not even replaced by an equal file
  EXPECT_EQ(before.st_mtim.tv_nsec, after.st_mtim.tv_nsec);
  EXPECT_EQ(ReadBytes("s.ini"), "[A]\nx=1\n\n\n[B]\ny=2");
}

TEST_F(IniFileTest, SavesOnUpdateAndOnDestruction) {
  WString file = Path("s.ini");
  {
    TMyIniFile ini(file);
    ini.WriteString(u"Play", u"Volume", u"80");
    EXPECT_FALSE(fs::exists(dir_ / "s.ini"));  // nothing before UpdateFile
    EXPECT_TRUE(ini.UpdateFile());
    EXPECT_FALSE(ini.UpdateFile());
    EXPECT_EQ(ReadBytes("s.ini"), "[Play]\r\nVolume=80\r\n\r\n");
    ini.WriteBool(u"Zoom", u"KeepAspect", false);
  }
  EXPECT_EQ(ReadBytes("s.ini"), "[Play]\r\nVolume=80\r\n\r\n[Zoom]\r\nKeepAspect=0\r\n\r\n");
  // An existing file keeps its own line breaks.
  WriteBytes("lf.ini", "[A]\nx=1\n");
  {
    TMyIniFile ini(Path("lf.ini"));
    ini.WriteString(u"A", u"x", u"2");
  }
  EXPECT_EQ(ReadBytes("lf.ini"), "[A]\nx=2\n\n");
}

TEST_F(IniFileTest, EncodingsAreDetectedAndWritten) {
  // UTF-16 LE with BOM is detected; with code 0 it is written back as ANSI when every
  // character fits code page 932, else as UTF-8 with BOM.
  std::string utf16 = "\xFF\xFE";
  for (char c : std::string("[A]\r\nk=v\r\n")) utf16 += std::string{c, '\0'};
  WriteBytes("u16.ini", utf16);
  {
    TMyIniFile ini(Path("u16.ini"));
    EXPECT_EQ(ini.LoadEncoding(), kEncodingUtf16LeBom);
    EXPECT_EQ(ini.ReadString(u"A", u"k", u""), u"v");
    ini.WriteString(u"A", u"title", u"日本語");
  }
  EXPECT_EQ(ReadBytes("u16.ini"), "[A]\r\nk=v\r\ntitle=\x93\xFA\x96{\x8C\xEA\r\n\r\n");
  {
    TMyIniFile ini(Path("u16.ini"));
    EXPECT_EQ(ini.LoadEncoding(), kEncodingAnsi);
    EXPECT_EQ(ini.ReadString(u"a", u"TITLE", u""), u"日本語");
    ini.WriteString(u"A", u"name", u"café 🎵");
  }
  EXPECT_EQ(ReadBytes("u16.ini").substr(0, 3), "\xEF\xBB\xBF");
  {
    TMyIniFile ini(Path("u16.ini"));
    EXPECT_EQ(ini.LoadEncoding(), kEncodingUtf8Bom);
    EXPECT_EQ(ini.ReadString(u"A", u"name", u""), u"café 🎵");
    EXPECT_EQ(ini.ReadString(u"A", u"title", u""), u"日本語");
  }
  // An explicit code is used for writing.
  {
    TMyIniFile ini(Path("be.ini"), kEncodingUtf16BeBom);
    ini.WriteString(u"A", u"k", u"ü");
  }
  EXPECT_EQ(ReadBytes("be.ini").substr(0, 8), std::string("\xFE\xFF\0[\0A\0]", 8));
  TMyIniFile again(Path("be.ini"), kEncodingUtf16BeBom);
  EXPECT_EQ(again.ReadString(u"A", u"k", u""), u"ü");
}

TEST_F(IniFileTest, BinaryFileIsNotTurnedIntoAHexDump) {
  std::string bytes("[A]\r\nk=v\r\n\0\0\0\x01\xFF\xFE\x80", 17);
  WriteBytes("bin.ini", bytes);
  {
    TMyIniFile ini(Path("bin.ini"));
    EXPECT_EQ(ini.ReadString(u"A", u"k", u""), u"v");
    ini.WriteString(u"B", u"x", u"1");
  }
  std::string saved = ReadBytes("bin.ini");
  EXPECT_NE(saved.find("[A]\r\nk=v\r\n"), std::string::npos);
  EXPECT_NE(saved.find("[B]\r\nx=1\r\n"), std::string::npos);
  EXPECT_EQ(saved.find("5b 41"), std::string::npos);  // no dump of "[A"
}

TEST_F(IniFileTest, FailedSaveKeepsTheOldFileAndReportsFalse) {
  // A folder that is really a file: nothing can be created there, even by root.
  WriteBytes("plain", "x");
  TMyIniFile nowhere(Path("plain/s.ini"));
  nowhere.WriteString(u"A", u"x", u"2");
  EXPECT_FALSE(nowhere.UpdateFile());
  EXPECT_FALSE(nowhere.FileChanged());  // the change marks are dropped
  EXPECT_FALSE(nowhere.UpdateFile());
  EXPECT_EQ(nowhere.ReadString(u"A", u"x", u""), u"2");  // the lines in memory stay

  // A folder in the way of the file is left alone.
  fs::create_directory(dir_ / "dir.ini");
  TMyIniFile blocked(Path("dir.ini"));
  blocked.WriteString(u"A", u"x", u"1");
  EXPECT_FALSE(blocked.UpdateFile());
  EXPECT_TRUE(fs::is_directory(dir_ / "dir.ini"));

  // A folder without write permission keeps the old file (not testable as root).
  WriteBytes("s.ini", "[A]\r\nx=1\r\n");
  ASSERT_EQ(chmod(dir_.c_str(), 0555), 0);
  if (access(dir_.c_str(), W_OK) == 0) return;
  TMyIniFile ini(Path("s.ini"));
  ini.WriteString(u"A", u"x", u"2");
  EXPECT_FALSE(ini.UpdateFile());
  EXPECT_EQ(ReadBytes("s.ini"), "[A]\r\nx=1\r\n");
}

// A window whose bounds and monitor are plain rectangles.
class FakeForm : public TMyIniForm {
 public:
  WString ComponentName() const override { return u"App_Mivaro"; }
  TMyRect BoundsRect() const override { return bounds; }
  void SetBoundsRect(const TMyRect& rect) override { bounds = rect; }
  TMyRect WorkAreaNear(const TMyRect&) const override { return work_area; }
  TMyRect bounds{100, 100, 580, 460};
  TMyRect work_area{0, 0, 1920, 1040};
};

TEST(IniFileRect, FitsTheRectangleOntoTheWorkArea) {
  const TMyRect area{0, 0, 1000, 800};
  auto fit = [&](TMyRect r) { return TMyIniFile::FitRectToWorkArea(r, area); };
  EXPECT_EQ(fit({10, 20, 110, 220}), (TMyRect{10, 20, 110, 220}));
  EXPECT_EQ(fit({-50, -40, 50, 60}), (TMyRect{0, 0, 100, 100}));
  EXPECT_EQ(fit({950, 790, 1050, 890}), (TMyRect{900, 700, 1000, 800}));
  EXPECT_EQ(fit({300, 100, 1500, 200}), (TMyRect{0, 100, 1200, 200}));  // wider: area left
  EXPECT_EQ(fit({300, 100, 1300, 200}), (TMyRect{0, 100, 1000, 200}));  // exactly as wide
  const TMyRect second{1920, 0, 3840, 1080};  // a monitor to the right
  EXPECT_EQ(TMyIniFile::FitRectToWorkArea({5000, 10, 5100, 110}, second),
            (TMyRect{3740, 10, 3840, 110}));
}

TEST(IniFileRect, FormBoundsRoundTrip) {
  TextIni ini(u"");
  FakeForm form;
  ini.WriteFormBounds(u"Bounds", form);
  EXPECT_EQ(ini.ReadString(u"Bounds", u"App_Mivaro_Right", u""), u"580");
  ini.WriteRect(u"Bounds", u"App_Mivaro", {1800, 50, 2280, 410});
  ini.ReadFormBounds(u"Bounds", form);
  EXPECT_EQ(form.bounds, (TMyRect{1440, 50, 1920, 410}));  // moved back on screen
  TMyRect r;
  ini.ReadRect(u"Bounds", u"Other", &r, {1, 2, 3, 4});
  EXPECT_EQ(r, (TMyRect{1, 2, 3, 4}));
  // Damaged keys without area give the current bounds instead of an invisible window.
  ini.WriteInteger(u"Bounds", u"App_Mivaro_Right", 0);
  EXPECT_EQ(ini.ReadFormRect(u"Bounds", form), form.bounds);
}

}  // namespace
}  // namespace mivaro
