// Message boxes with a look of their own (see ShowMessage in hooks.h): a caption other than
// the product name, and No as the default button of a question whose Yes cannot be taken
// back lightly (Enter then answers No). The message hook reads the style of the box it draws.
#pragma once

#include "core/hooks.h"
#include "core/ustring.h"

namespace mivaro {

struct MessageStyle {
  WStringView caption;  // empty: the product name
  bool default_no = false;
};

int ShowMessage(WStringView text, MessageKind kind, const MessageStyle& style);
// The style of the box being shown, for the hook that draws it; the plain style otherwise.
const MessageStyle& CurrentMessageStyle();

}  // namespace mivaro
