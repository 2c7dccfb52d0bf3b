#include "core/version.h"

#include "core/paths.h"
#include "platform/os/exe_path.h"
#include "platform/os/native_path.h"

#ifndef MIVARO_VERSION
#define MIVARO_VERSION "0.0.0"
#endif

namespace mivaro {

namespace {

// True for the running program and for the program files built with it, beside it.
bool IsOwnProgram(WStringView path) {
  const std::string exe = os::ExecutablePath();
  std::string native;
  if (exe.empty() || !os::ToNativePath(path, native)) return false;
  const std::string canonical = os::CanonicalPath(native);
  if (canonical.empty()) return false;
  if (canonical == os::CanonicalPath(exe)) return true;
  const WString name = ExtractFileName(os::FromNativeName(canonical));
  const WString dir = ExtractFilePath(os::FromNativeName(canonical));
  return (name == u"mivaro" || name == u"mivaro-tool") &&
         dir == ExtractFilePath(os::FromNativeName(os::CanonicalPath(exe)));
}

}  // namespace

const TMyFileVersionInfo& GetAppVersionInfo() {
  static const TMyFileVersionInfo info = [] {
    TMyFileVersionInfo v;
    v.FileDescription = u"Mivaro media player";
    v.FileVersion = U16(MIVARO_VERSION);
    v.InternalName = u"mivaro";
    v.OriginalFilename = u"mivaro";
    v.ProductName = kProductName;
    v.ProductVersion = U16(MIVARO_VERSION);
    return v;
  }();
  return info;
}

bool GetFileVersionInfo(WStringView path, TMyFileVersionInfo& info) {
  if (!IsOwnProgram(path)) return false;
  info = GetAppVersionInfo();
  return true;
}

WString GetFileVersionText(WStringView path) {
  TMyFileVersionInfo info;
  return GetFileVersionInfo(path, info) ? info.FileVersion : WString();
}

WString GetAppVersion() { return GetAppVersionInfo().FileVersion; }
WString GetAppComments() { return GetAppVersionInfo().Comments; }

WString GetAppProductName() {
  const WString& name = GetAppVersionInfo().ProductName;
  return name.empty() ? ExtractFileTitle(GetExeFileName()) : name;
}

}  // namespace mivaro
