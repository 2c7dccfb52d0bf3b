// The main window's settings as one record, and the one table of their INI keys.
//
// TMyMainSettings holds every plain setting of the main window (checks, the volume, the
// dialogs' folders). kMainSettingsTable lists each one once: its section, key, default and
// the field where its value lives; LoadMainSettings and SaveMainSettings both walk that
// table, so a setting cannot be read under one name and written under another. Settings
// with rules of their own (window bounds, histories, the resume point) are not in it.
#pragma once

#include <span>
#include <variant>

#include "core/ustring.h"

namespace mivaro {

class TMyIniFile;

// Zero-initialised; DefaultMainSettings gives the program's defaults.
struct TMyMainSettings {
  bool main_folder_name{};
  bool mute{};
  int volume{};
  bool keep_aspect{};
  bool wallvideo{};
  bool full_screen{};
  bool max_screen{};
  WString open_file_dir;
  WString open_folder_dir;
  WString open_this_folder_dir;
  WString file_cmd_move_dir;
  WString file_cmd_copy_dir;
  WString debug_save_grf_dir;
  bool random{};
  bool time_verbose{};
  bool allow_image{};
  bool large_icon{};
  bool resume{};
};

struct TMyMainSetting {
  using Field = std::variant<bool TMyMainSettings::*, int TMyMainSettings::*,
                             WString TMyMainSettings::*>;
  const char16_t* section;
  const char16_t* key;
  Field field;
  // The default of a check or number; a folder's default is the start folder.
  int default_value;
};

// Every row, in the order the file is written.
std::span<const TMyMainSetting> MainSettingsTable();

// The defaults of the table, with `start_folder` for every folder.
TMyMainSettings DefaultMainSettings(WStringView start_folder);

// Reads every row; a key that is missing keeps the value `settings` holds.
void LoadMainSettings(TMyIniFile& ini, TMyMainSettings& settings);
void SaveMainSettings(TMyIniFile& ini, const TMyMainSettings& settings);

}  // namespace mivaro
