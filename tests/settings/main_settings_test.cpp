// The main window's settings table: every row reads back what was written, under its own
// section and key.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <variant>

#include "playlist/temp_tree.h"
#include "settings/ini_file.h"
#include "settings/main_settings.h"

namespace mivaro {
namespace {

using S = TMyMainSettings;

TEST(MainSettings, EveryRowSurvivesSaveAndLoadWithAValueOtherThanItsDefault) {
  testing::TempTree tree;
  const WString file = tree.WPath("mivaro.ini");
  const TMyMainSettings defaults = DefaultMainSettings(u"/start");
  // A value per row that differs from the default and from every other row's value.
  TMyMainSettings changed = defaults;
  int n = 0;
  for (const TMyMainSetting& row : MainSettingsTable()) {
    ++n;
    if (auto* b = std::get_if<bool S::*>(&row.field)) changed.*(*b) = !(defaults.*(*b));
    if (auto* i = std::get_if<int S::*>(&row.field)) changed.*(*i) = 40 + n;
    if (auto* t = std::get_if<WString S::*>(&row.field)) changed.*(*t) = u"/folder/" + U16(std::to_string(n));
  }
  {
    TMyIniFile ini(file);
    SaveMainSettings(ini, changed);
    ASSERT_TRUE(ini.UpdateFile());
  }
  TMyIniFile ini(file);
  TMyMainSettings loaded = defaults;
  LoadMainSettings(ini, loaded);
  n = 0;
  for (const TMyMainSetting& row : MainSettingsTable()) {
    ++n;
    const std::string name = Utf8(row.section) + "/" + Utf8(row.key);
    if (auto* b = std::get_if<bool S::*>(&row.field)) {
      EXPECT_EQ(loaded.*(*b), changed.*(*b)) << name;
    } else if (auto* i = std::get_if<int S::*>(&row.field)) {
      EXPECT_EQ(loaded.*(*i), 40 + n) << name;
    } else if (auto* t = std::get_if<WString S::*>(&row.field)) {
      EXPECT_EQ(Utf8(loaded.*(*t)), "/folder/" + std::to_string(n)) << name;
    }
  }
}

// No two rows share a key, and the defaults are the program's.
TEST(MainSettings, RowsAreDistinctAndDefaultsAreTheProgramsOwn) {
  std::set<std::string> keys;
  for (const TMyMainSetting& row : MainSettingsTable()) {
    EXPECT_TRUE(keys.insert(Utf8(row.section) + "/" + Utf8(row.key)).second) << Utf8(row.key);
  }
  EXPECT_EQ(keys.size(), 18u);
  const TMyMainSettings d = DefaultMainSettings(u"/start");
  EXPECT_EQ(d.volume, 100);
  EXPECT_TRUE(d.keep_aspect);
  EXPECT_FALSE(d.mute);
  EXPECT_FALSE(d.random);
  EXPECT_EQ(d.open_file_dir, u"/start");
  EXPECT_EQ(d.debug_save_grf_dir, u"/start");
  // A missing key keeps the value the record holds.
  testing::TempTree tree;
  TMyIniFile empty(tree.WPath("none.ini"));
  TMyMainSettings kept = d;
  kept.volume = 7;
  LoadMainSettings(empty, kept);
  EXPECT_EQ(kept.volume, 7);
}

}  // namespace
}  // namespace mivaro
