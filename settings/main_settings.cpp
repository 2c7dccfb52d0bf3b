#include "settings/main_settings.h"

#include <array>

#include "settings/ini_file.h"

namespace mivaro {
namespace {

using S = TMyMainSettings;

const std::array<TMyMainSetting, 18> kTable{{
    {u"List", u"Main_FolderName", &S::main_folder_name, 0},
    {u"Play", u"Mute", &S::mute, 0},
    {u"Play", u"Volume", &S::volume, 100},
    {u"Zoom", u"KeepAspect", &S::keep_aspect, 1},
    {u"Zoom", u"Wallvideo", &S::wallvideo, 0},
    {u"Zoom", u"FullScreen", &S::full_screen, 0},
    {u"Zoom", u"MaxScreen", &S::max_screen, 0},
    {u"Dialog", u"OpenFile", &S::open_file_dir, 0},
    {u"Dialog", u"OpenFolder", &S::open_folder_dir, 0},
    {u"Dialog", u"OpenThisFolder", &S::open_this_folder_dir, 0},
    {u"Dialog", u"FileCmdMove", &S::file_cmd_move_dir, 0},
    {u"Dialog", u"FileCmdCopy", &S::file_cmd_copy_dir, 0},
    {u"Dialog", u"DebugSaveAsGRF", &S::debug_save_grf_dir, 0},
    {u"Option", u"Random", &S::random, 0},
    {u"Option", u"TimeVerbose", &S::time_verbose, 0},
    {u"Option", u"AllowImage", &S::allow_image, 0},
    {u"Option", u"LargeIcon", &S::large_icon, 0},
    {u"RESUME", u"Resume", &S::resume, 0},
}};

template <class... F>
struct Overload : F... {
  using F::operator()...;
};
template <class... F>
Overload(F...) -> Overload<F...>;

}  // namespace

std::span<const TMyMainSetting> MainSettingsTable() { return kTable; }

TMyMainSettings DefaultMainSettings(WStringView start_folder) {
  TMyMainSettings s;
  for (const TMyMainSetting& row : kTable) {
    std::visit(Overload{[&](bool S::*f) { s.*f = row.default_value != 0; },
                        [&](int S::*f) { s.*f = row.default_value; },
                        [&](WString S::*f) { s.*f = WString(start_folder); }},
               row.field);
  }
  return s;
}

void LoadMainSettings(TMyIniFile& ini, TMyMainSettings& s) {
  for (const TMyMainSetting& row : kTable) {
    std::visit(Overload{[&](bool S::*f) { s.*f = ini.ReadBool(row.section, row.key, s.*f); },
                        [&](int S::*f) { s.*f = ini.ReadInteger(row.section, row.key, s.*f); },
                        [&](WString S::*f) { s.*f = ini.ReadString(row.section, row.key, s.*f); }},
               row.field);
  }
}

void SaveMainSettings(TMyIniFile& ini, const TMyMainSettings& s) {
  for (const TMyMainSetting& row : kTable) {
    std::visit(Overload{[&](bool S::*f) { ini.WriteBool(row.section, row.key, s.*f); },
                        [&](int S::*f) { ini.WriteInteger(row.section, row.key, s.*f); },
                        [&](WString S::*f) { ini.WriteString(row.section, row.key, s.*f); }},
               row.field);
  }
}

}  // namespace mivaro
