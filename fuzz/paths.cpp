// Fuzz target of the name functions, ResolveFileName, MakeRelativeFileName and the file
// mask. The input is UTF-16 text: the first unit splits it into a path and a base folder.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "core/paths.h"

using namespace mivaro;

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

bool HasDotSegments(WStringView p) {
  return p.find(u"/./") != WStringView::npos || p.find(u"/../") != WStringView::npos ||
         p.ends_with(u"/.") || p.ends_with(u"/..") || p.find(u"//") != WStringView::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 8192) return 0;
  WString text(size / 2, u'\0');
  if (!text.empty()) std::memcpy(text.data(), data, text.size() * 2);
  const size_t cut = text.empty() ? 0 : text[0] % (text.size() + 1);
  const WString path = text.substr(0, cut);
  const WString base = text.substr(cut);

  WString folder, name, ext, stem;
  SplitFileName(path, folder, name);
  Check(folder + name == path);
  Check(name == ExtractFileName(path));
  Check(ChangeFileExt(path, ExtractFileExt(path)) == path);
  SplitPathParts(path, folder, name, ext, stem);
  Check(stem + ext == name);
  Check(ext == ExtractFileExt(path) || ExtractFileExt(path).empty() == ext.empty());
  SplitDirAndName(path, folder, name);
  ExtractFileDir(path);
  ExtractFilePath(path);
  ExtractFileTitle(path);
  ExtractFileDrive(path);
  ExtractFileDrive(base);
  SameFileExt(path, base);
  ExpandFileName(path);
  const WString resolved = ResolveFileName(path, base);
  const WString relative = MakeRelativeFileName(path, base);
  MatchesFileMask(path, base);
  TMyFileMask(base).Matches(path);

  // Absolute Linux names below an absolute base come back to the same file.
  if (!path.empty() && path[0] == u'/' && !base.empty() && base[0] == u'/' &&
      !HasDotSegments(path) && !HasDotSegments(base) && !IsUrlName(path) &&
      path.find(u'\\') == WString::npos && base.find(u'\\') == WString::npos) {
    Check(ResolveFileName(relative, base) == ExpandFileName(path));
  }
  return 0;
}
