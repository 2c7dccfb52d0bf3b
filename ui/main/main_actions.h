// The main window's actions, one pointer each. The action table (app_actions.cpp) makes
// them, in its row order, as children of the window; the window inherits this set so that
// every part reads them as `form.Action_X`. The state rules (UpdateActionStates) enable
// and disable them; only restore/minimize follow the window state and paste the clipboard.
#pragma once

#include <vector>

class QAction;
class QActionGroup;

namespace mivaro {

struct TMyMainActions {
  // File.
  QAction* Action_File_OpenFile = nullptr;
  QAction* Action_File_OpenFolder = nullptr;
  QAction* Action_File_OpenThisFolder = nullptr;
  QAction* Action_File_SaveAs = nullptr;
  QAction* Action_File_Property = nullptr;
  QAction* Action_File_Exit = nullptr;
  QAction* Action_File_Restore = nullptr;
  QAction* Action_File_Minimize = nullptr;
  // The playlist.
  QAction* Action_List_Edit = nullptr;
  QAction* Action_List_Clear = nullptr;
  QAction* Action_List_Del = nullptr;
  QAction* Action_List_Copy = nullptr;
  QAction* Action_List_Paste = nullptr;
  QAction* Action_List_FolderName = nullptr;
  // File commands and sorting (file_commands.cpp connects them).
  QAction* Action_FileCmd = nullptr;
  QAction* Action_FileCmd_Rename = nullptr;
  QAction* Action_FileCmd_Copy = nullptr;
  QAction* Action_FileCmd_Move = nullptr;
  QAction* Action_FileCmd_RemoveFromHDD = nullptr;
  QAction* Action_FileCmd_Trash = nullptr;
  QAction* Action_Sort = nullptr;
  QAction* Action_Sort_FileName = nullptr;
  QAction* Action_Sort_Path = nullptr;
  QAction* Action_Sort_Name = nullptr;
  QAction* Action_Sort_Ext = nullptr;
  QAction* Action_Sort_Shuffle = nullptr;
  // Playback.
  QAction* Action_Play_PlayPause = nullptr;
  QAction* Action_Play_Replay = nullptr;
  QAction* Action_Play_Back = nullptr;
  QAction* Action_Play_Next = nullptr;
  QAction* Action_Play_SkipBack = nullptr;
  QAction* Action_Play_SkipNext = nullptr;
  QAction* Action_Play_FrameBack = nullptr;
  QAction* Action_Play_FrameNext = nullptr;
  QAction* Action_Play_Mute = nullptr;
  QAction* Action_PlayRate = nullptr;
  std::vector<QAction*> Action_PlayRates;  // Action_PlayRate_20 ... Action_PlayRate_01
  QActionGroup* PlayRateGroup = nullptr;
  // Video (video_frame.h connects the sizes and the screen modes).
  QAction* Action_Zoom_Wallvideo = nullptr;
  QAction* Action_Zoom_FullScreen = nullptr;
  QAction* Action_Zoom_MaxScreen = nullptr;
  QAction* Action_Zoom_50 = nullptr;
  QAction* Action_Zoom_100 = nullptr;
  QAction* Action_Zoom_200 = nullptr;
  QAction* Action_Zoom_Up = nullptr;
  QAction* Action_Zoom_Down = nullptr;
  QAction* Action_Zoom_Fit = nullptr;
  QAction* Action_Zoom_KeepAspect = nullptr;
  QAction* Action_Zoom_AspectStandard = nullptr;
  QAction* Action_Zoom_AspectHiVision = nullptr;
  QAction* Action_Zoom_AspectEVista = nullptr;
  QAction* Action_Zoom_AspectAVista = nullptr;
  QAction* Action_Zoom_AspectWideScope = nullptr;
  QAction* Action_Zoom_Capture = nullptr;
  // Options.
  QAction* Action_Opt_Random = nullptr;
  QAction* Action_Opt_Resume = nullptr;
  QAction* Action_Opt_TimeVerbose = nullptr;
  QAction* Action_Opt_LargeIcon = nullptr;
  QAction* Action_Opt_AllowImage = nullptr;
  // Diagnostics (ui/debug connects them).
  QAction* Action_Debug_Window = nullptr;
  QAction* Action_Debug_Event = nullptr;
  QAction* Action_Debug_EnumFilters = nullptr;
  QAction* Action_Debug_EnumSytemFilters = nullptr;
  QAction* Action_Debug_SaveAsGRF = nullptr;
  QAction* Action_Help_VersionInfo = nullptr;
};

}  // namespace mivaro
