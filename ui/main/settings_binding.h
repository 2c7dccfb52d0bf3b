// Where each plain setting of the main window (settings/main_settings.h) lives in the
// window: the checks of its actions, the folders of its dialogs and the volume bar. Load
// and save both go through the one table of settings_binding.cpp.
#pragma once

namespace mivaro {

class TApp_Mivaro;
struct TMyMainSettings;

// The settings as the window holds them now.
TMyMainSettings WindowSettings(const TApp_Mivaro& form);
// Sets the checks (their toggled handlers run), the dialogs' folders and the volume.
void ApplyWindowSettings(TApp_Mivaro& form, const TMyMainSettings& settings);

}  // namespace mivaro
