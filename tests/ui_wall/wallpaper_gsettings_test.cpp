// The GNOME background settings as the wallpaper store, through GLib's keyfile back end in a
// private folder and the installed org.gnome.desktop.background schema.
#include <gio/gio.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/desktop/wallpaper_gsettings.h"
#include "player/wall_video.h"
#include "player/wall_video_picture.h"

namespace mivaro {
namespace {

namespace fs = std::filesystem;

constexpr const char* kSchema = "org.gnome.desktop.background";

std::string Uri(const fs::path& path) {
  gchar* u = g_filename_to_uri(path.c_str(), nullptr, nullptr);
  std::string out = u ? u : "";
  g_free(u);
  return out;
}

class GSettingsWallpaper : public ::testing::Test {
 protected:
  // GLib reads the back end and the configuration folder once per process.
  static void SetUpTestSuite() {
    config_ = fs::temp_directory_path() / ("mivaro-gsettings-" + std::to_string(::getpid()));
    fs::create_directories(config_);
    ::setenv("GSETTINGS_BACKEND", "keyfile", 1);
    ::setenv("XDG_CONFIG_HOME", config_.c_str(), 1);
  }
  static void TearDownTestSuite() { fs::remove_all(config_); }

  void SetUp() override {
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    GSettingsSchema* schema = source ? g_settings_schema_source_lookup(source, kSchema, TRUE) : nullptr;
    if (!schema) GTEST_SKIP() << kSchema << " is not installed (gsettings-desktop-schemas)";
    dark_ = g_settings_schema_has_key(schema, "picture-uri-dark");
    g_settings_schema_unref(schema);
    dir_ = config_ / ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::create_directories(dir_);
    desktop_ = g_settings_new(kSchema);
    g_settings_set_string(desktop_, "primary-color", "#000000");
  }
  void TearDown() override {
    if (desktop_) g_object_unref(desktop_);
  }

  std::string Key(const char* key) {
    gchar* v = g_settings_get_string(desktop_, key);
    std::string out = v;
    g_free(v);
    return out;
  }
  void SetKey(const char* key, const std::string& value) {
    g_settings_set_string(desktop_, key, value.c_str());
    g_settings_sync();
  }
  std::string KeyFile() {
    std::ifstream in(config_ / "glib-2.0" / "settings" / "keyfile");
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  // Two 400 x 300 monitors side by side; the left one gets the key.
  TMyWallVideoEnv Env(std::shared_ptr<TMyWallpaperSettings> store) {
    const TMyScreen screen({{{0, 0, 400, 300}, {0, 0, 400, 300}}, {{400, 0, 800, 300}, {400, 0, 800, 300}}});
    return {std::move(store), [screen] { return screen; }, [] { return 0; },
            (dir_ / "mivaro.wallpaper.bmp").string(), (dir_ / "mivaro.wallpaper.restore").string()};
  }

  static inline fs::path config_;
  fs::path dir_;
  GSettings* desktop_ = nullptr;
  bool dark_ = false;
};

TEST_F(GSettingsWallpaper, NonAsciiPictureAndItsOptionsComeBackExactly) {
  fs::create_directories(dir_ / "壁紙 ü");
  const fs::path user = dir_ / "壁紙 ü" / "海辺.bmp";
  TMyBitmap plain;
  plain.Resize(64, 48);
  FillBitmapRect(plain, {0, 0, 64, 48}, 0x336699);
  ASSERT_TRUE(capture::SaveBitmapAsBmp(plain, user.string()));
  const std::string userUri = Uri(user);
  ASSERT_NE(userUri.find("%E5%A3%81"), std::string::npos) << userUri;
  SetKey("picture-uri", userUri);
  SetKey("picture-options", "zoom");
  if (dark_) SetKey("picture-uri-dark", "file:///usr/share/backgrounds/night.jpg");

  auto store = std::shared_ptr<TMyWallpaperSettings>(TMyGSettingsWallpaper::Open());
  ASSERT_TRUE(store);
  EXPECT_EQ(store->Wallpaper(), U16(user.string()));
  {
    TMyWallVideo mode(0, 0x00100010, Env(store));
    EXPECT_EQ(Key("picture-uri"), Uri(dir_ / "mivaro.wallpaper.bmp"));
    EXPECT_EQ(Key("picture-options"), "wallpaper");
    EXPECT_NE(KeyFile().find("picture-options='wallpaper'"), std::string::npos)
        << "written through the keyfile back end";
    TMyBitmap picture;
    ASSERT_TRUE(capture::LoadBitmapFile(picture, (dir_ / "mivaro.wallpaper.bmp").string()));
    ASSERT_EQ(picture.width, 800);
    const std::uint8_t* right = picture.Row(150) + 600 * 3;
    EXPECT_EQ((right[0] << 16 | right[1] << 8 | right[2]), 0x336699) << "the user's picture was read";
  }
  EXPECT_EQ(Key("picture-uri"), userUri);
  EXPECT_EQ(Key("picture-options"), "zoom");
  if (dark_) {
    EXPECT_EQ(Key("picture-uri-dark"), "file:///usr/share/backgrounds/night.jpg");
  }
  EXPECT_FALSE(fs::exists(dir_ / "mivaro.wallpaper.restore"));
}

TEST_F(GSettingsWallpaper, NoPictureStaysNoPicture) {
  SetKey("picture-uri", "");
  SetKey("picture-options", "none");
  if (dark_) SetKey("picture-uri-dark", "");
  auto store = std::shared_ptr<TMyWallpaperSettings>(TMyGSettingsWallpaper::Open());
  ASSERT_TRUE(store);
  EXPECT_TRUE(store->Wallpaper().empty());
  {
    TMyWallVideo mode(0, 0x00100010, Env(store));
    EXPECT_EQ(Key("picture-uri"), Uri(dir_ / "mivaro.wallpaper.bmp"));
  }
  EXPECT_EQ(Key("picture-uri"), "");
  EXPECT_EQ(Key("picture-options"), "none");
  if (dark_) {
    EXPECT_EQ(Key("picture-uri-dark"), "");
  }
}

}  // namespace
}  // namespace mivaro
