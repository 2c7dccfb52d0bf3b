#include "settings/param.h"

#include <gtest/gtest.h>

#include <string>

namespace mivaro {
namespace {

std::vector<WString> Tokens(const char* utf8) { return SplitParamTokens(U16(utf8)); }

std::vector<WString> W(std::initializer_list<const char*> items) {
  std::vector<WString> out;
  for (const char* s : items) out.push_back(U16(s));
  return out;
}

TEST(ParamTokens, QuotesBlanksAndEscapes) {
  EXPECT_TRUE(Tokens("").empty());
  EXPECT_TRUE(Tokens(" \t\r\n ").empty());
  EXPECT_EQ(Tokens("a  b\tc\r\nd"), W({"a", "b", "c", "d"}));
  // A quote always starts a new token; blanks inside quotes stay.
  EXPECT_EQ(Tokens("abc\"def\""), W({"abc", "def"}));
  EXPECT_EQ(Tokens("\"a b\"c"), W({"a b", "c"}));
  // A quoted empty string is an empty token; a doubled quote inside quotes is one quote.
  EXPECT_EQ(Tokens("x \"\" y"), W({"x", "", "y"}));
  EXPECT_EQ(Tokens("\"say \"\"hi\"\"\""), W({"say \"hi\""}));
  EXPECT_EQ(Tokens("\"\"\"\""), W({"\""}));
  // An unterminated quote runs to the end of the text.
  EXPECT_EQ(Tokens("a \"b c"), W({"a", "b c"}));
  EXPECT_EQ(Tokens("\"第1話 と 第10話.mp4\""), W({"第1話 と 第10話.mp4"}));
}

TEST(ParamTokens, OptionEndingInColonTakesTheNextToken) {
  EXPECT_EQ(Tokens("p /FROM: 1234 x"), W({"p", "/FROM:1234", "x"}));
  EXPECT_EQ(Tokens("p /A:"), W({"p", "/A:"}));
  EXPECT_EQ(Tokens("p /DIR:\"my \"\"videos\"\"\" x"), W({"p", "/DIR:my \"videos\"", "x"}));
  // Only once: the joined token no longer ends in ":".
  EXPECT_EQ(Tokens("/A: /B: c"), W({"/A:/B:", "c"}));
  // A path ending in ":" is not an option and keeps its neighbour apart.
  EXPECT_EQ(Tokens("/tmp/x: y"), W({"/tmp/x:", "y"}));
}

TEST(ParamOptionRule, LinuxPathsAreNotOptions) {
  EXPECT_TRUE(IsOptionToken(u"/SUBPLAYER"));
  EXPECT_TRUE(IsOptionToken(u"/FROM:12"));
  EXPECT_TRUE(IsOptionToken(u"/CLOSE"));
  EXPECT_TRUE(IsOptionToken(u"/DIR:/home/u/videos"));  // "/" only after the ":"
  EXPECT_TRUE(IsOptionToken(u"/x"));
  EXPECT_FALSE(IsOptionToken(u"/"));
  EXPECT_FALSE(IsOptionToken(u"SUBPLAYER"));
  EXPECT_FALSE(IsOptionToken(u""));
  EXPECT_FALSE(IsOptionToken(u"/home/u/a.mp3"));
  EXPECT_FALSE(IsOptionToken(u"/no/such/file"));
  EXPECT_FALSE(IsOptionToken(u"/a/b:c"));
  // Existing files and folders directly below the root are paths.
  EXPECT_FALSE(IsOptionToken(u"/tmp"));
  EXPECT_FALSE(IsOptionToken(u"/usr"));
  EXPECT_TRUE(IsOptionToken(u"/mivaro-no-such-entry-42"));
}

TEST(Param, EmptyCommandLine) {
  TMyParam p(u"");
  EXPECT_EQ(p.Count(), 0);
  EXPECT_EQ(p.ParamCount(), -1);
  EXPECT_TRUE(p.ProgramPath().empty());
  EXPECT_TRUE(p.Arguments().empty());
  EXPECT_TRUE(p.PlainArguments().empty());
  EXPECT_TRUE(p.ParamText().empty());
  EXPECT_FALSE(p.HasOption(u"SUBPLAYER"));
  // Out-of-range items are empty plain records.
  EXPECT_FALSE(p.Item(0).IsOption);
  EXPECT_TRUE(p.Item(-1).Text.empty());
}

TEST(Param, ClassifiesAndCountsTokens) {
  TMyParam p(u"/usr/bin/mivaro \"/home/u/my file.mp3\" /X /tmp /FROM:12 b.m3u");
  ASSERT_EQ(p.Count(), 6);
  EXPECT_EQ(p.ParamCount(), 5);
  EXPECT_EQ(p.ProgramPath(), u"/usr/bin/mivaro");
  EXPECT_EQ(p.OptionCount(), 2);
  EXPECT_EQ(p.PlainCount(), 4);
  EXPECT_EQ(p.PlainArguments(),
            W({"/usr/bin/mivaro", "/home/u/my file.mp3", "/tmp", "b.m3u"}));
  EXPECT_EQ(p.Arguments(), W({"/home/u/my file.mp3", "/X", "/tmp", "/FROM:12", "b.m3u"}));

  const TMyParamOption& file = p.Item(1);
  EXPECT_FALSE(file.IsOption);
  EXPECT_EQ(file.PlainOrdinal, 1);
  EXPECT_EQ(file.OptionOrdinal, -1);
  EXPECT_TRUE(file.Name.empty());
  EXPECT_EQ(file.Text, u"/home/u/my file.mp3");

  const TMyParamOption& x = p.Item(2);
  EXPECT_TRUE(x.IsOption);
  EXPECT_EQ(x.TokenIndex, 2);
  EXPECT_EQ(x.OptionOrdinal, 0);
  EXPECT_EQ(x.PlainOrdinal, -1);
  EXPECT_FALSE(x.HasValue);
  EXPECT_EQ(x.Name, u"X");
  EXPECT_TRUE(x.Value.empty());

  EXPECT_FALSE(p.Item(3).IsOption);
  EXPECT_EQ(p.Item(3).PlainOrdinal, 2);
  EXPECT_EQ(p.Item(4).OptionOrdinal, 1);
  EXPECT_EQ(p.Item(4).AsInteger(), 12);
}

TEST(Param, OptionLookupIgnoresCaseAndTakesTheFirst) {
  TMyParam p(u"prog /SubPlayer:x /from:1 /FROM:2 /NAME:a:b /A: /B: c");
  EXPECT_TRUE(p.HasOption(u"SUBPLAYER"));
  EXPECT_TRUE(p.HasOption(u"subplayer"));
  EXPECT_EQ(p.Option(u"SUBPLAYER"), u"x");
  EXPECT_EQ(p.Option(u"From"), u"1");
  EXPECT_EQ(p.Option(u"NAME"), u"a:b");
  EXPECT_TRUE(p.Item(4).HasValue);
  EXPECT_EQ(p.Item(4).Name, u"NAME");
  EXPECT_TRUE(p.Item(3).IsName(u"from"));
  EXPECT_EQ(p.Option(u"A"), u"/B:");  // "/A:" took the next token, once
  EXPECT_FALSE(p.HasOption(u"B"));
  EXPECT_EQ(p.PlainArguments().back(), u"c");
  EXPECT_FALSE(p.HasOption(u""));  // plain tokens have no name
  EXPECT_TRUE(p.Option(u"MISSING").empty());

  TMyParam last(u"prog /A:");
  EXPECT_TRUE(last.HasOption(u"A"));
  EXPECT_TRUE(last.Item(1).HasValue);
  EXPECT_TRUE(last.Option(u"A").empty());
}

TEST(Param, UnquotedValue) {
  TMyParam p(u"prog /A:\"say \"\"hi\"\"\" \"/B:\"\"x\"\"\"\"y\"\"\" /C:ab\u00e4");
  ASSERT_EQ(p.Count(), 4);
  // "/A:" and the unescaped quoted text join into one option.
  EXPECT_EQ(p.Item(1).Value, u"say \"hi\"");
  // One trailing quote goes even without a leading one.
  EXPECT_EQ(p.Item(1).UnquotedValue, u"say \"hi");
  // Raw value "x""y": one quote off each end, then each pair becomes one.
  EXPECT_EQ(p.Item(2).Value, u"\"x\"\"y\"");
  EXPECT_EQ(p.Item(2).UnquotedValue, u"x\"y");
  EXPECT_EQ(p.Option(u"B"), u"\"x\"\"y\"");  // Option gives the raw value
  EXPECT_EQ(p.Item(3).ValueUpper, u"AB\u00c4");
  EXPECT_EQ(p.Item(3).UnquotedValueUpper, u"AB\u00c4");

  TMyParam blanks(u"prog /A:\"  \"\" padded \"\"  \"");
  EXPECT_EQ(blanks.Item(1).UnquotedValue, u"padded");  // trimmed inside the quotes too
}

TEST(Param, NumbersFromValues) {
  TMyParam p(u"p /A:12 /B:-7 /C:$1F /D:0x10 /E:abc /F:99999999999 /H:1.5 /I:1e3 /J:x1 /G:");
  EXPECT_EQ(p.Item(1).AsInteger(), 12);
  EXPECT_EQ(p.Item(2).AsInteger(), -7);
  EXPECT_EQ(p.Item(3).AsInteger(), 31);
  EXPECT_EQ(p.Item(4).AsInteger(), 16);
  EXPECT_EQ(p.Item(5).AsInteger(), 0);
  EXPECT_EQ(p.Item(6).AsInteger(), 0);  // out of range
  EXPECT_EQ(p.Item(7).AsInteger(), 0);
  EXPECT_DOUBLE_EQ(p.Item(7).AsFloat(), 1.5);
  EXPECT_DOUBLE_EQ(p.Item(8).AsFloat(), 1000.0);
  EXPECT_DOUBLE_EQ(p.Item(9).AsFloat(), 0.0);
  EXPECT_EQ(p.Item(10).AsInteger(), 0);  // empty value
  EXPECT_DOUBLE_EQ(p.Item(10).AsFloat(), 0.0);
  EXPECT_DOUBLE_EQ(p.Item(1).AsFloat(), 12.0);
  EXPECT_EQ(TMyParamOption().AsInteger(), 0);
}

TEST(Param, ParamTextSkipsTheProgramPath) {
  EXPECT_EQ(TMyParam(u"\"/opt/my apps/mivaro\" x").ParamText(), u"x");
  EXPECT_EQ(TMyParam(u"\"/opt/my apps/mivaro\" x").ProgramPath(), u"/opt/my apps/mivaro");
  EXPECT_EQ(TMyParam(u"mivaro  /SUBPLAYER /FROM:5  ").ParamText(), u"/SUBPLAYER /FROM:5");
  EXPECT_EQ(TMyParam(u"  mivaro\ta b").ParamText(), u"a b");
  EXPECT_EQ(TMyParam(u"\"mivaro\"").ParamText(), u"");
  EXPECT_EQ(TMyParam(u"\"mivaro\"x y").ParamText(), u"x y");
  EXPECT_EQ(TMyParam(u"mivaro").ParamText(), u"");
  EXPECT_EQ(TMyParam(u"\"unterminated path").ParamText(), u"");
  // A quoted middle part of an unquoted path: the path goes on after it.
  EXPECT_EQ(TMyParam(u"/opt/\"my apps\"/mivaro a").ParamText(), u"a");
  // A doubled quote inside a quoted path does not end it.
  EXPECT_EQ(TMyParam(u"\"/opt/a\"\"b\" c").ParamText(), u"c");
}

TEST(Param, QuotedArgumentsSurviveTheTokeniser) {
  const std::vector<WString> args =
      W({"/usr/bin/mivaro", "", "a b", "say \"hi\"", "\"", "/tmp", "第2話.mp4", "tab\there"});
  WString line;
  for (const WString& a : args) {
    if (!line.empty()) line += u' ';
    line += QuoteParamToken(a);
  }
  EXPECT_EQ(SplitParamTokens(line), args);
  EXPECT_EQ(QuoteParamToken(u"plain"), u"plain");
  EXPECT_EQ(QuoteParamToken(u""), u"\"\"");
}

TEST(Param, ProcessCommandLineIsThisProgram) {
  const WString line = ProcessCommandLine();
  ASSERT_FALSE(line.empty());
  TMyParam p(line);
  EXPECT_NE(p.ProgramPath().find(u"test_settings"), WString::npos);
  EXPECT_EQ(&GlobalParam(), &GlobalParam());
  EXPECT_EQ(ParamCount(), GlobalParam().Count() - 1);
}

TEST(Param, UpperCaseIsPerCharacter) {
  EXPECT_EQ(ParamUpper(u"subPlayer"), u"SUBPLAYER");
  EXPECT_EQ(ParamUpper(u"\uff41\u00e4\u00df"), u"\uff21\u00c4\u00df");  // ß stays one letter
  EXPECT_EQ(ParamUpper(u"\U00010428"), u"\U00010400");                 // Deseret, astral
  const WString lone(1, char16_t(0xD800));
  EXPECT_EQ(ParamUpper(lone + u"a"), lone + u"A");
}

}  // namespace
}  // namespace mivaro
