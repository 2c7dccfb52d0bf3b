// Subcommand registry of mivaro-tool.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/ustring.h"
#include "core/wstrings.h"

namespace mivaro::tool {

// Runs one subcommand with the arguments after its name; returns the process exit code.
// Errors go to standard error with a clear message and a non-zero code.
using CommandFn = int (*)(const std::vector<std::string>& args);

struct CommandInfo {
  const char* name;
  const char* usage;    // one line: arguments of the subcommand
  const char* summary;  // one line: what it does
  CommandFn run;
};

// Adds a subcommand; called from static registrars (MIVARO_TOOL_COMMAND).
bool RegisterCommand(const CommandInfo& info);

// Prints "mivaro-tool: MESSAGE" to standard error and returns 2, for usage errors.
int UsageError(const std::string& message);
// Prints "mivaro-tool: MESSAGE" to standard error and returns 1, for failures.
int Failure(const std::string& message);

// A path given on the command line, its bytes kept (names that are not UTF-8 included).
WString ArgPath(const std::string& arg);
// Text with line breaks and tabs written as \r, \n and \t, so that it stays on its line.
std::string Escaped(std::string_view text);
// A path as one output line's text: its file-system bytes, escaped.
std::string PathText(const WString& path);
// Writes every item of the list as a PathText line to standard output, in blocks (a second
// copy of a large list is never held). False when the output cannot be written.
bool WritePathLines(TMyWStrings& list);

}  // namespace mivaro::tool

#define MIVARO_TOOL_CONCAT2(a, b) a##b
#define MIVARO_TOOL_CONCAT(a, b) MIVARO_TOOL_CONCAT2(a, b)
#define MIVARO_TOOL_COMMAND(name, usage, summary, fn)                             \
  static const bool MIVARO_TOOL_CONCAT(registered_, __LINE__) =                   \
      ::mivaro::tool::RegisterCommand({name, usage, summary, fn})
