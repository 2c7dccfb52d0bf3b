// How the capture tool names the files it saves: the extension the save dialog's filter
// adds, and the writer (and final name) that the name's extension chooses.
#pragma once

#include "core/ustring.h"

namespace mivaro::capture {

enum class ImageKind { Bmp, Gif, Jpeg };

// The save dialog's filters, 1-based as the dialog counts them.
inline constexpr char16_t kSaveFilter[] =
    u"BMP (*.bmp)|*.bmp|GIF (*.gif)|*.gif|JPEG (*.jpg;*.jpeg)|*.jpg;*.jpeg|"
    u"すべてのファイル (*.*)|*.*";

// `name` with the extension of filter `filterIndex` (".bmp", ".gif", ".jpg") appended
// when its own extension, lower-cased, is another one; ".jpeg" counts as the JPEG
// filter's. The fourth filter (all files) and unknown indexes leave the name as it is.
WString WithFilterExtension(WStringView name, int filterIndex);

struct SaveTarget {
  WString name;  // the file actually written
  ImageKind kind = ImageKind::Bmp;
};

// By the lower-cased extension: ".gif" a GIF; ".jpg" becomes ".jpeg" and ".jpeg" stays,
// both JPEG; anything else a BMP, with ".bmp" appended unless the name ends in it.
SaveTarget SaveTargetFor(WStringView name);

}  // namespace mivaro::capture
