// Command-line parser: splits a command line into tokens and classifies each token as an
// option ("/NAME" or "/NAME:value") or a plain argument (a path).
//
// The same parser reads the short messages that a player and its sub player exchange
// through their message panels ("/SUBPLAYER /FROM:1234", "/TO_SUBPLAYER:5678", "/CLOSE").
//
// On Linux, paths begin with "/" too, so a token is an option only when
//   - it has at least 2 characters and begins with "/",
//   - no further "/" comes before its first ":" (or before its end when it has none), and
//   - it names no existing file or folder.
// So "/home/u/a.mp3" and "/tmp" are paths, while "/SUBPLAYER", "/FROM:12" and "/CLOSE" are
// options.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "core/ustring.h"

namespace mivaro {

// One token of a command line.
class TMyParamOption {
 public:
  int TokenIndex = 0;       // 0-based position in the token list (0 is the program path)
  int OptionOrdinal = -1;   // options before this one; -1 for a plain argument
  int PlainOrdinal = -1;    // plain arguments before this one; -1 for an option
  bool IsOption = false;
  bool HasValue = false;    // an option containing ":"
  WString Name;             // after "/" up to the first ":" (empty for plain arguments)
  WString NameUpper;
  WString Value;            // after the first ":" (empty when none)
  WString ValueUpper;
  WString UnquotedValue;    // Value trimmed, one quote stripped at each end, "" -> "
  WString UnquotedValueUpper;
  WString Text;             // the token exactly as split

  // True when the upper-cased `name` equals NameUpper.
  bool IsName(WStringView name) const;
  // The raw value as an integer (decimal, or hexadecimal with "$" or "0x"); 0 when the
  // value is not a valid 32-bit integer.
  int AsInteger() const;
  // The raw value as a floating-point number ("." as decimal point); 0 when invalid.
  double AsFloat() const;
};

// A parsed command line.
class TMyParam {
 public:
  // Parses the process's own command line (/proc/self/cmdline, see ProcessCommandLine).
  TMyParam();
  // Parses `text`; used for every message received on a message panel.
  explicit TMyParam(WStringView text);

  TMyParam(const TMyParam&) = delete;
  TMyParam& operator=(const TMyParam&) = delete;

  // Raw value of the first option named `name` (case-insensitive); empty when none.
  WString Option(WStringView name) const;
  // True when an option named `name` exists, with or without a value.
  bool HasOption(WStringView name) const;
  // Number of tokens, token 0 (the program path) included.
  int Count() const { return static_cast<int>(options_.size()); }
  // Count() - 1: the number of arguments after the program path.
  int ParamCount() const { return Count() - 1; }
  // Record of token `index`; an empty plain record for an index out of range.
  const TMyParamOption& Item(int index) const;
  // The command line without the program path, as raw text.
  WString ParamText() const;

  const std::vector<WString>& Tokens() const { return tokens_; }
  // Every token except token 0, options included (what the player adds to its playlist).
  const std::vector<WString>& Arguments() const { return arguments_; }
  // Arguments() with every plain token that names a file made absolute against the current
  // folder (URLs and options stay): the playlist holds full paths only, so that a list
  // saved now still names the same files when read again from another folder.
  std::vector<WString> PathArguments() const;
  // Every plain token; the program path is the first entry.
  const std::vector<WString>& PlainArguments() const { return plain_arguments_; }
  const WString& CommandLine() const { return command_line_; }
  const WString& ProgramPath() const { return program_path_; }
  int OptionCount() const { return option_count_; }
  int PlainCount() const { return plain_count_; }

 private:
  void Parse();

  std::vector<std::unique_ptr<TMyParamOption>> options_;
  std::vector<WString> tokens_;
  std::vector<WString> arguments_;
  std::vector<WString> plain_arguments_;
  WString command_line_;
  WString program_path_;
  int option_count_ = 0;
  int plain_count_ = 0;
};

// Splits `text` into tokens (quotes group blanks, "" inside quotes stands for one quote,
// a quoted empty string is an empty token) and joins an option ending in ":" with the token
// after it. Exposed for tests and tools.
std::vector<WString> SplitParamTokens(WStringView text);

// True when `token` is an option by the rule at the top of this file.
bool IsOptionToken(WStringView token);

// Quotes one argument for a command line so that the tokeniser gives it back unchanged:
// left as is when it has no blank or quote and is not empty, else put in quotes with each
// quote doubled.
WString QuoteParamToken(WStringView arg);

// The process's command line as one text: its arguments (/proc/self/cmdline), each quoted
// by QuoteParamToken, joined by single spaces. Empty when it cannot be read.
WString ProcessCommandLine();

// Upper case of each character by the simple per-character mapping (not locale-aware).
WString ParamUpper(WStringView text);

// The process-wide command line, parsed on first use from ProcessCommandLine(). The program
// entry reads it before creating any window.
TMyParam& GlobalParam();
// GlobalParam().ParamCount().
int ParamCount();

}  // namespace mivaro
