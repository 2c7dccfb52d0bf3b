#include "core/shell.h"

#include <chrono>
#include <mutex>
#include <thread>

#include "core/files.h"
#include "core/paths.h"
#include "platform/os/launch.h"
#include "platform/os/native_path.h"
#include "platform/os/trash.h"
#include "platform/os/user_dirs.h"

namespace mivaro {

namespace {

bool IsControlOrBlank(char16_t c) { return c <= u' '; }

WStringView Trim(WStringView t) {
  while (!t.empty() && IsControlOrBlank(t.front())) t.remove_prefix(1);
  while (!t.empty() && IsControlOrBlank(t.back())) t.remove_suffix(1);
  return t;
}

// The file name of a shell call, without the double quotes it may be wrapped in.
WString Unquote(WStringView file) {
  WStringView t = Trim(file);
  if (t.size() >= 2 && t.front() == u'"' && t.back() == u'"') t = t.substr(1, t.size() - 2);
  return WString(t);
}

std::mutex& HookMutex() {
  static std::mutex m;
  return m;
}

std::function<void(WStringView)>& PropertiesHook() {
  static std::function<void(WStringView)> hook;
  return hook;
}

// Starts what `file` names: a launcher, a program, or a document, folder or URL in its
// default application. `pid` is 0 when the launcher reported none.
bool StartItem(WStringView file_text, WStringView params, int& pid) {
  pid = 0;
  const WString file = Unquote(file_text);
  if (file.empty()) return false;
  const std::vector<WString> args = SplitCommandLine(params);
  std::vector<std::string> native_args;
  for (const WString& a : args) native_args.push_back(os::NativePath(a));

  if (IsUrlName(file)) return os::LaunchDefault(os::NativePath(file), pid);
  std::string native;
  if (!os::ToNativePath(file, native)) return false;
  if (SameFileExt(file, u".desktop") && FileExists(file))
    return os::LaunchDesktopFile(native, native_args, pid);
  std::string program;
  if (IsExecutableFile(file)) {
    // A program in the current folder is started from there, not looked up on PATH.
    program = native.find('/') == std::string::npos ? "./" + native : native;
  } else if (file.find(u'/') == WString::npos) {
    program = os::FindProgramInPath(native);
  }
  if (!program.empty()) {
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), native_args.begin(), native_args.end());
    return os::SpawnProgram(argv, pid);
  }
  if (!FileExists(file) && !FolderExists(file)) return false;
  // A document or folder: its application gets the item itself; parameters have no place.
  return os::LaunchDefault(native, pid);
}

}  // namespace

bool RecycleItem(WStringView path) {
  WString p(path);
  if (p.size() > 1 && IsPathDelimiter(p.back())) p.pop_back();
  std::string native;
  if (!os::ToNativePath(p, native)) return false;
  return os::TrashItem(native);
}

TMyProcess ShellExecuteProcess(WStringView file, WStringView params) {
  int pid = 0;
  if (!StartItem(file, params, pid)) return {};
  return TMyProcess{pid};
}

bool ShellExecuteFile(WStringView file, WStringView params) {
  int pid = 0;
  return StartItem(file, params, pid);
}

WString BuildProgramParams(const std::vector<WString>& args) {
  WString params;
  for (const WString& raw : args) {
    const WStringView arg = Trim(raw);
    if (arg.empty()) continue;
    // Quotes inside the argument are escaped with "\", and so are the backslashes that
    // would otherwise escape a quote (before one, or at the end before the closing quote).
    WString quoted = u"\"";
    size_t backslashes = 0;
    for (char16_t c : arg) {
      if (c == u'\\') {
        ++backslashes;
        continue;
      }
      if (c == u'"') {
        quoted.append(backslashes * 2 + 1, u'\\');
      } else {
        quoted.append(backslashes, u'\\');
      }
      backslashes = 0;
      quoted.push_back(c);
    }
    quoted.append(backslashes * 2, u'\\');
    quoted.push_back(u'"');
    params = u" " + params + u" " + quoted;
  }
  return params;
}

std::vector<WString> SplitCommandLine(WStringView s) {
  std::vector<WString> out;
  size_t i = 0;
  const size_t n = s.size();
  while (i < n) {
    while (i < n && (s[i] == u' ' || s[i] == u'\t')) ++i;
    if (i >= n) break;
    WString arg;
    bool in_quotes = false;
    while (i < n) {
      const char16_t c = s[i];
      if (!in_quotes && (c == u' ' || c == u'\t')) break;
      if (c == u'\\') {
        size_t k = 0;
        while (i + k < n && s[i + k] == u'\\') ++k;
        if (i + k < n && s[i + k] == u'"') {
          arg.append(k / 2, u'\\');
          if (k % 2 == 1) {
            arg.push_back(u'"');
            i += k + 1;
          } else {
            i += k;  // the quote opens or closes a quoted run
          }
        } else {
          arg.append(k, u'\\');
          i += k;
        }
        continue;
      }
      if (c == u'"') {
        if (in_quotes && i + 1 < n && s[i + 1] == u'"') {
          arg.push_back(u'"');
          i += 2;
        } else {
          in_quotes = !in_quotes;
          ++i;
        }
        continue;
      }
      arg.push_back(c);
      ++i;
    }
    out.push_back(std::move(arg));
  }
  return out;
}

TMyProcess RunProgram(WStringView program, const std::vector<WString>& args) {
  return ShellExecuteProcess(u"\"" + WString(program) + u"\"", BuildProgramParams(args));
}

bool RunProgramAndClose(WStringView program, WStringView arg) {
  TMyProcess p = RunProgram(program, {WString(arg)});
  const bool ok = static_cast<bool>(p);
  CloseProcess(p);
  return ok;
}

bool WaitProcessIdle(const TMyProcess& process, int wait_ms) {
  if (!process) return false;
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(wait_ms < 0 ? 0 : wait_ms);
  long long ticks = -1;
  int settled_polls = 0;
  for (;;) {
    if (!os::ProcessAlive(process.pid)) return true;
    // Settled: asleep without using the processor over three polls in a row.
    settled_polls = os::ProcessSettled(process.pid, ticks) ? settled_polls + 1 : 0;
    if (settled_polls >= 3) return true;
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
}

bool RunProgramWaitIdle(WStringView program, WStringView arg, int wait_ms) {
  TMyProcess p = RunProgram(program, {WString(arg)});
  if (!p) return false;
  WaitProcessIdle(p, wait_ms);
  CloseProcess(p);
  return true;
}

void CloseProcess(TMyProcess& process) { process.pid = 0; }

void OpenContainingFolder(WStringView path) {
  const WString folder = ExtractFilePath(path);
  if (folder.empty()) return;
  int pid = 0;
  os::LaunchDefault(os::NativePath(folder), pid);
}

void ShowFileProperties(WStringView path) {
  std::function<void(WStringView)> hook;
  {
    std::lock_guard<std::mutex> lock(HookMutex());
    hook = PropertiesHook();
  }
  if (hook) hook(path);
}

void SetShowFilePropertiesHook(std::function<void(WStringView path)> hook) {
  std::lock_guard<std::mutex> lock(HookMutex());
  PropertiesHook() = std::move(hook);
}

// ---- Special folders --------------------------------------------------------------------

WString GetSpecialFolder(int csidl) {
  std::string dir;
  switch (csidl) {
    case kCsidlDesktop:
    case kCsidlDesktopDirectory:
      dir = os::UserDirPath(os::UserDir::Desktop);
      break;
    case kCsidlMyDocuments:
      dir = os::UserDirPath(os::UserDir::Documents);
      break;
    case kCsidlMyMusic:
      dir = os::UserDirPath(os::UserDir::Music);
      break;
    case kCsidlMyVideo:
      dir = os::UserDirPath(os::UserDir::Videos);
      break;
    case kCsidlMyPictures:
      dir = os::UserDirPath(os::UserDir::Pictures);
      break;
    case kCsidlAppData:
      dir = os::UserDirPath(os::UserDir::Config);
      break;
    case kCsidlLocalAppData:
      dir = os::UserDirPath(os::UserDir::Data);
      break;
    case kCsidlProgramFiles:
      dir = "/usr/bin";
      break;
    case kCsidlProfile:
      dir = os::UserDirPath(os::UserDir::Home);
      break;
    default:
      return {};
  }
  const WString path = os::FromNativeName(dir);
  if (path.empty() || !FolderExists(path)) return {};
  return IncludeTrailingPathDelimiter(path, u'/');
}

WString GetMyMusicFolder() { return GetSpecialFolder(kCsidlMyMusic); }
WString GetMyVideosFolder() { return GetSpecialFolder(kCsidlMyVideo); }
WString GetMyPicturesFolder() { return GetSpecialFolder(kCsidlMyPictures); }
WString GetMyDocumentsFolder() { return GetSpecialFolder(kCsidlMyDocuments); }
WString GetProgramFilesFolder() { return GetSpecialFolder(kCsidlProgramFiles); }

}  // namespace mivaro
