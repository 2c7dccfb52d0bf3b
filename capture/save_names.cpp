#include "capture/save_names.h"

#include "core/paths.h"

namespace mivaro::capture {

WString WithFilterExtension(WStringView name, int filterIndex) {
  static constexpr const char16_t* kExtensions[] = {u".bmp", u".gif", u".jpg"};
  WString result(name);
  if (filterIndex < 1 || filterIndex > 3) return result;
  const WString ext = AsciiLowerText(ExtractFileExt(name));
  const WString wanted = kExtensions[filterIndex - 1];
  if (ext == wanted || (filterIndex == 3 && ext == u".jpeg")) return result;
  return result + wanted;
}

SaveTarget SaveTargetFor(WStringView name) {
  SaveTarget target;
  const WString ext = AsciiLowerText(ExtractFileExt(name));
  target.name = WString(name);
  if (ext == u".gif") {
    target.kind = ImageKind::Gif;
  } else if (ext == u".jpg") {
    target.kind = ImageKind::Jpeg;
    target.name = WString(name.substr(0, name.size() - ext.size())) + u".jpeg";
  } else if (ext == u".jpeg") {
    target.kind = ImageKind::Jpeg;
  } else if (ext != u".bmp") {
    target.name += u".bmp";
  }
  return target;
}

}  // namespace mivaro::capture
