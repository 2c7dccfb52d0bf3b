// The capture tool as the main window's capture link (window_links.h): the tool (one per
// process, made when first used) opens on the current file and position, and the window's
// capture command stays disabled while it is on show. The middle button released on the
// video runs the capture command.
#pragma once

namespace mivaro {

class TApp_Mivaro;

// Fills `form.links.capture` for the window's lifetime (the link is a child of `form`).
void AttachCaptureTool(TApp_Mivaro& form);

}  // namespace mivaro
