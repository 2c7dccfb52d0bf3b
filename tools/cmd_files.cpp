// mivaro-tool move, copy, rename and trash: the file commands without a window, for
// scripts. Nothing is asked: an existing target is replaced only with --replace. The exit
// code is 0 only when the file is where it should be.
#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "core/file_command_errors.h"
#include "core/paths.h"
#include "core/version.h"
#include "platform/os/file_transfer.h"
#include "platform/os/native_path.h"
#include "platform/os/trash.h"
#include "tools/tool_command.h"

namespace mivaro::tool {
namespace {

struct FileArgs {
  bool replace = false;
  std::vector<std::string> paths;
};

bool ParseFileArgs(const std::vector<std::string>& args, FileArgs& out, std::string& error) {
  for (const std::string& a : args) {
    if (a == "--replace") {
      out.replace = true;
    } else if (a.starts_with("--")) {
      error = "unknown option '" + a + "'";
      return false;
    } else {
      out.paths.push_back(a);
    }
  }
  return true;
}

std::string NameOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The records of running transfers are shared with the player, so that the next run of
// either removes what a killed one left behind.
std::string JournalFolder() { return os::NativePath(GetTransferJournalFolder()); }

int Report(const char* verb, const std::string& source, int err, TMyFileCommand kind) {
  if (err == 0) return 0;
  if (err == EEXIST) return Failure(std::string(verb) + " " + Escaped(source) + ": the target exists (--replace replaces it)");
  const int code = os::FileCommandErrorCode(err);
  return Failure(std::string(verb) + " " + Escaped(source) + ": " +
                 Escaped(Utf8(FileCommandErrorText(code, kind))));
}

int RunTransfer(const std::vector<std::string>& args, const char* name) {
  FileArgs parsed;
  std::string error;
  if (!ParseFileArgs(args, parsed, error)) return UsageError(std::string(name) + ": " + error);
  if (parsed.paths.size() != 2) {
    return UsageError(std::string("usage: mivaro-tool ") + name + " [--replace] FILE " +
                      (std::string(name) == "rename" ? "NEWNAME" : "FOLDER"));
  }
  const std::string& source = parsed.paths[0];
  const std::string& second = parsed.paths[1];
  std::string target;
  if (std::string(name) == "rename") {
    // A bare name stays in the file's folder; a name with a folder part is taken as it is.
    target = second.find('/') == std::string::npos ? FolderOf(source) + second : second;
  } else {
    target = second + (second.ends_with('/') ? "" : "/") + NameOf(source);
  }

  os::TransferOptions options;
  options.replace_existing = parsed.replace;
  options.journal_folder = JournalFolder();
  os::RemoveInterruptedTransfers(options.journal_folder);

  const std::string verb = name;
  int err = 0;
  if (verb == "copy") err = os::CopyFileSafely(source, target, options);
  else if (verb == "move") err = os::MoveFileSafely(source, target, options);
  else err = os::RenameFileSafely(source, target, options);
  if (err == 0) {
    std::printf("%s\n", Escaped(target).c_str());
    return 0;
  }
  return Report(("cannot " + verb).c_str(), source, err,
                verb == "rename" ? TMyFileCommand::Rename : TMyFileCommand::Move);
}

int RunMove(const std::vector<std::string>& args) { return RunTransfer(args, "move"); }
int RunCopy(const std::vector<std::string>& args) { return RunTransfer(args, "copy"); }
int RunRename(const std::vector<std::string>& args) { return RunTransfer(args, "rename"); }

int RunTrash(const std::vector<std::string>& args) {
  if (args.empty()) return UsageError("usage: mivaro-tool trash FILE...");
  int rc = 0;
  for (const std::string& path : args) {
    std::string why;
    if (!os::TrashItem(path, &why)) rc = Failure("cannot move " + Escaped(path) + " to the trash: " + why);
  }
  return rc;
}

}  // namespace

MIVARO_TOOL_COMMAND("move", "[--replace] FILE FOLDER",
                    "move FILE into FOLDER; across file systems the source goes only after "
                    "the copy is complete on disk",
                    RunMove);
MIVARO_TOOL_COMMAND("copy", "[--replace] FILE FOLDER",
                    "copy FILE into FOLDER through a temporary, so the target is never partial",
                    RunCopy);
MIVARO_TOOL_COMMAND("rename", "[--replace] FILE NEWNAME",
                    "rename FILE (a NEWNAME without a folder stays in FILE's folder)", RunRename);
MIVARO_TOOL_COMMAND("trash", "FILE...", "move files to the desktop's trash (never deletes)", RunTrash);

}  // namespace mivaro::tool
