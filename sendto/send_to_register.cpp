#include "sendto/send_to_register.h"

#include <string>

#include "core/atomic_file.h"
#include "core/files.h"
#include "core/hooks.h"
#include "core/paths.h"
#include "platform/os/desktop_launcher.h"
#include "platform/os/native_path.h"

namespace mivaro {

namespace {

constexpr char16_t kLauncherQuestion[] =
    u"%sへのショートカットを作成しようとしていますが、既に\"%s\"と同名のショートカットが存在します\r\r"
    u"現在のショートカット\rリンク先:%s\r引数:%s\r作業フォルダ:%s\r説明:%s\r\r"
    u"新しいファイルで上書きしますか?\r\r";
constexpr char16_t kCopyQuestion[] =
    u"既に\"%s\"と同名のファイルが存在します\r\r現在のファイル\r%s\r%s\r\r新しいファイル\r%s\r%s\r\r"
    u"新しいファイルで上書きしますか?\r\r";
constexpr char16_t kQuestionEnd[] =
    u"[はい]で上書きします\r[いいえ]で名前を変えて保存します\r[キャンセル]で中止します";

// Fills the "%s" of `format` in order.
WString Format(WStringView format, std::initializer_list<WStringView> values) {
  WString out;
  auto value = values.begin();
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] == u'%' && i + 1 < format.size() && format[i + 1] == u's' &&
        value != values.end()) {
      out += *value++;
      ++i;
    } else {
      out.push_back(format[i]);
    }
  }
  return out;
}

WString FromUtf8(const std::string& s) { return os::FromNativeName(s); }

bool ReadWholeFile(WStringView path, std::string& out) {
  TMyFileHandle f = OpenFileForRead(path);
  if (!f.IsValid()) return false;
  char buffer[65536];
  int64_t n = 0;
  while ((n = f.Read(buffer, sizeof buffer)) > 0) out.append(buffer, static_cast<size_t>(n));
  return n == 0;
}

}  // namespace

TMySendToFileKind SendToFileKind(WStringView file) {
  if (!FileExists(file)) return TMySendToFileKind::None;
  if (SameFileExt(file, u".desktop")) return TMySendToFileKind::Launcher;
  if (IsExecutableFile(file)) return TMySendToFileKind::Program;
  if (SameFileExt(file, u".sh")) return TMySendToFileKind::Script;
  return TMySendToFileKind::None;
}

WString SendToRegisterDestination(WStringView send_to_folder, WStringView file) {
  WString dest = IncludeTrailingPathDelimiter(send_to_folder, u'/') + ExtractFileName(file);
  if (!SameFileExt(file, u".desktop")) dest += u".desktop";
  return dest;
}

WString SendToOverwriteQuestion(WStringView file, WStringView destination) {
  WString text;
  if (SendToFileKind(file) == TMySendToFileKind::Launcher) {
    text = Format(kCopyQuestion, {ExtractFileName(destination), FileSizeText(destination),
                                  FileWriteTimeText(destination), FileSizeText(file),
                                  FileWriteTimeText(file)});
  } else {
    const os::TDesktopLauncher current = os::ReadDesktopLauncher(os::NativePath(destination));
    text = Format(kLauncherQuestion,
                  {ExtractFileName(file), ExtractFileName(destination), FromUtf8(current.target),
                   FromUtf8(current.arguments), FromUtf8(current.path),
                   FromUtf8(current.comment)});
  }
  return text + kQuestionEnd;
}

WString WriteSendToRegistration(WStringView file, WStringView destination) {
  const TMySendToFileKind kind = SendToFileKind(file);
  if (kind == TMySendToFileKind::None || destination.empty()) return {};
  std::string bytes;
  WString dest(destination);
  if (kind == TMySendToFileKind::Launcher) {
    if (!ReadWholeFile(file, bytes)) return {};
  } else {
    if (!SameFileExt(dest, u".desktop")) dest += u".desktop";
    bytes = os::DesktopLauncherText(os::NativePath(ExtractFileTitle(file)), os::NativePath(file),
                                    os::NativePath(ExcludeTrailingPathDelimiter(
                                        ExtractFilePath(file))),
                                    kind == TMySendToFileKind::Script ? "sh" : "");
    if (bytes.empty()) return {};
  }
  return WriteFileAtomic(dest, bytes) ? dest : WString();
}

WString RegisterSendToFile(WStringView send_to_folder, WStringView file,
                           const std::function<bool(WString& destination)>& choose_other) {
  if (SendToFileKind(file) == TMySendToFileKind::None || !FolderExists(send_to_folder))
    return {};
  WString dest = SendToRegisterDestination(send_to_folder, file);
  if (FileExists(dest)) {
    switch (ShowMessage(SendToOverwriteQuestion(file, dest), MessageKind::YesNoCancel)) {
      case kIdYes:
        break;
      case kIdNo:
        if (!choose_other || !choose_other(dest) || dest.empty()) return {};
        break;
      default:
        return {};
    }
  }
  return WriteSendToRegistration(file, dest);
}

}  // namespace mivaro
