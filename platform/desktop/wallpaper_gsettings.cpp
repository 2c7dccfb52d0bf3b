#include "platform/desktop/wallpaper_gsettings.h"

#include <gio/gio.h>

#include <vector>

#include "core/ustring.h"

namespace mivaro {

namespace {

constexpr const char* kSchema = "org.gnome.desktop.background";

std::string StringKey(GSettings* s, const char* key) {
  gchar* v = g_settings_get_string(s, key);
  std::string out = v ? v : "";
  g_free(v);
  return out;
}

std::string OptionsKey(GSettings* s) { return StringKey(s, "picture-options"); }

bool Stretching(const std::string& o) {
  return o == "stretched" || o == "zoom" || o == "scaled" || o == "spanned";
}

}  // namespace

std::unique_ptr<TMyGSettingsWallpaper> TMyGSettingsWallpaper::Open() {
  GSettingsSchemaSource* source = g_settings_schema_source_get_default();
  if (!source) return nullptr;
  GSettingsSchema* schema = g_settings_schema_source_lookup(source, kSchema, TRUE);
  if (!schema) return nullptr;
  const bool ok = g_settings_schema_has_key(schema, "picture-uri") &&
                  g_settings_schema_has_key(schema, "picture-options");
  const bool dark = g_settings_schema_has_key(schema, "picture-uri-dark");
  g_settings_schema_unref(schema);
  if (!ok) return nullptr;
  return std::unique_ptr<TMyGSettingsWallpaper>(
      new TMyGSettingsWallpaper(g_settings_new(kSchema), dark));
}

TMyGSettingsWallpaper::TMyGSettingsWallpaper(GSettings* settings, bool hasDark)
    : settings_(settings), hasDark_(hasDark) {}

TMyGSettingsWallpaper::~TMyGSettingsWallpaper() { g_object_unref(settings_); }

WString TMyGSettingsWallpaper::Wallpaper() {
  const std::string uri = StringKey(settings_, "picture-uri");
  if (uri.empty()) return {};
  gchar* path = g_filename_from_uri(uri.c_str(), nullptr, nullptr);
  // Not a local file (or not a URI at all): no file the picture code could read.
  WString out = path ? U16(path) : WString();
  g_free(path);
  return out;
}

std::string TMyGSettingsWallpaper::Options() {
  const std::string current = OptionsKey(settings_);
  const WString tile = tile_ ? *tile_ : *ReadValue(u"TileWallpaper");
  const WString style = style_ ? *style_ : *ReadValue(u"WallpaperStyle");
  if (tile != u"0") return "wallpaper";
  if (style == u"2") return Stretching(current) ? current : "stretched";
  return current == "none" ? current : "centered";
}

bool TMyGSettingsWallpaper::SetWallpaper(const WString& path) {
  std::string uri;
  if (!path.empty()) {
    gchar* u = g_filename_to_uri(Utf8(path).c_str(), nullptr, nullptr);
    if (!u) return false;
    uri = u;
    g_free(u);
  }
  g_settings_delay(settings_);
  g_settings_set_string(settings_, "picture-options", Options().c_str());
  g_settings_set_string(settings_, "picture-uri", uri.c_str());
  if (hasDark_) g_settings_set_string(settings_, "picture-uri-dark", uri.c_str());
  g_settings_apply(settings_);
  g_settings_sync();
  tile_.reset();
  style_.reset();
  return true;
}

std::optional<WString> TMyGSettingsWallpaper::ReadValue(WStringView name) {
  const std::string o = OptionsKey(settings_);
  if (name == u"TileWallpaper") return tile_ ? *tile_ : WString(o == "wallpaper" ? u"1" : u"0");
  if (name == u"WallpaperStyle") return style_ ? *style_ : WString(Stretching(o) ? u"2" : u"0");
  return std::nullopt;
}

void TMyGSettingsWallpaper::WriteValue(WStringView name, const WString& value) {
  if (name == u"TileWallpaper") tile_ = value;
  if (name == u"WallpaperStyle") style_ = value;
}

std::uint32_t TMyGSettingsWallpaper::BackgroundColor() {
  const std::string c = StringKey(settings_, "primary-color");
  if (c.size() == 7 && c[0] == '#') {
    try {
      return static_cast<std::uint32_t>(std::stoul(c.substr(1), nullptr, 16));
    } catch (...) {
    }
  }
  return 0x000000;
}

std::string TMyGSettingsWallpaper::NativeState() {
  std::string state = StringKey(settings_, "picture-uri") + "\t" + OptionsKey(settings_);
  if (hasDark_) state += "\t" + StringKey(settings_, "picture-uri-dark");
  return state;
}

void TMyGSettingsWallpaper::RestoreNativeState(const std::string& state) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t tab = state.find('\t', start);
    parts.push_back(state.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos) break;
    start = tab + 1;
  }
  if (parts.size() < 2) return;
  g_settings_delay(settings_);
  g_settings_set_string(settings_, "picture-uri", parts[0].c_str());
  if (!parts[1].empty()) g_settings_set_string(settings_, "picture-options", parts[1].c_str());
  if (hasDark_ && parts.size() > 2) g_settings_set_string(settings_, "picture-uri-dark", parts[2].c_str());
  g_settings_apply(settings_);
  g_settings_sync();
}

}  // namespace mivaro
