#include "ui/main/settings_binding.h"

#include <QAction>
#include <QSlider>

#include "settings/main_settings.h"
#include "ui/main/app_mivaro.h"

namespace mivaro {
namespace {

// Where each check of the settings record lives in the window.
struct TMyCheckBinding {
  bool TMyMainSettings::*field;
  QAction* TApp_Mivaro::*action;
};
using S = TMyMainSettings;
using W = TApp_Mivaro;
const TMyCheckBinding kChecks[] = {
    {&S::main_folder_name, &W::Action_List_FolderName}, {&S::mute, &W::Action_Play_Mute},
    {&S::keep_aspect, &W::Action_Zoom_KeepAspect},      {&S::wallvideo, &W::Action_Zoom_Wallvideo},
    {&S::full_screen, &W::Action_Zoom_FullScreen},      {&S::max_screen, &W::Action_Zoom_MaxScreen},
    {&S::random, &W::Action_Opt_Random},                {&S::time_verbose, &W::Action_Opt_TimeVerbose},
    {&S::allow_image, &W::Action_Opt_AllowImage},       {&S::large_icon, &W::Action_Opt_LargeIcon},
    {&S::resume, &W::Action_Opt_Resume},
};

// Where each folder of the settings record lives.
struct TMyFolderBinding {
  WString TMyMainSettings::*field;
  TMyDialogState TApp_Mivaro::*dialog;
};
const TMyFolderBinding kFolders[] = {
    {&S::open_file_dir, &W::Dialog_File_OpenFile},
    {&S::open_folder_dir, &W::Dialog_File_OpenFolder},
    {&S::open_this_folder_dir, &W::Dialog_File_OpenThisFolder},
    {&S::file_cmd_move_dir, &W::Dialog_FileCmd_Move},
    {&S::file_cmd_copy_dir, &W::Dialog_FileCmd_Copy},
    {&S::debug_save_grf_dir, &W::Dialog_Debug_SaveAsGRF},
};

}  // namespace

TMyMainSettings WindowSettings(const TApp_Mivaro& form) {
  TMyMainSettings settings;
  for (const TMyCheckBinding& b : kChecks) settings.*b.field = (form.*b.action)->isChecked();
  for (const TMyFolderBinding& b : kFolders) settings.*b.field = (form.*b.dialog).initial_dir;
  settings.volume = form.TrackBar_Volume->value();
  return settings;
}

void ApplyWindowSettings(TApp_Mivaro& form, const TMyMainSettings& settings) {
  for (const TMyCheckBinding& b : kChecks) (form.*b.action)->setChecked(settings.*b.field);
  for (const TMyFolderBinding& b : kFolders) (form.*b.dialog).initial_dir = settings.*b.field;
  form.TrackBar_Volume->setValue(settings.volume);
}

}  // namespace mivaro
