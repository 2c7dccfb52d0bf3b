#include "platform/os/desktop_launcher.h"

#include <gio/gdesktopappinfo.h>
#include <glib.h>

namespace mivaro::os {

namespace {

std::string TakeString(gchar* s) {
  if (s == nullptr) return {};
  std::string out(s);
  g_free(s);
  return out;
}

std::string ReadKey(GKeyFile* kf, const char* key, bool localised = false) {
  return TakeString(localised
                        ? g_key_file_get_locale_string(kf, G_KEY_FILE_DESKTOP_GROUP, key,
                                                       nullptr, nullptr)
                        : g_key_file_get_string(kf, G_KEY_FILE_DESKTOP_GROUP, key, nullptr));
}

}  // namespace

TDesktopLauncher ReadDesktopLauncher(const std::string& native_file) {
  TDesktopLauncher out;
  GKeyFile* kf = g_key_file_new();
  if (!g_key_file_load_from_file(kf, native_file.c_str(), G_KEY_FILE_NONE, nullptr) ||
      !g_key_file_has_group(kf, G_KEY_FILE_DESKTOP_GROUP)) {
    g_key_file_free(kf);
    return out;
  }
  out.readable = true;
  out.name = ReadKey(kf, G_KEY_FILE_DESKTOP_KEY_NAME, true);
  out.exec = ReadKey(kf, G_KEY_FILE_DESKTOP_KEY_EXEC);
  out.path = ReadKey(kf, G_KEY_FILE_DESKTOP_KEY_PATH);
  out.comment = ReadKey(kf, G_KEY_FILE_DESKTOP_KEY_COMMENT, true);
  out.icon = ReadKey(kf, G_KEY_FILE_DESKTOP_KEY_ICON);
  // Target and arguments: the Exec line split as the launcher format quotes it.
  gint argc = 0;
  gchar** argv = nullptr;
  if (!out.exec.empty() && g_shell_parse_argv(out.exec.c_str(), &argc, &argv, nullptr)) {
    if (argc > 0) out.target = argv[0];
    g_strfreev(argv);
    const size_t skip = out.exec.find_first_not_of(" \t");
    // The rest of the line after the first word, as written.
    bool quoted = false;
    size_t i = skip;
    for (; i < out.exec.size(); ++i) {
      const char c = out.exec[i];
      if (c == '\\' && quoted && i + 1 < out.exec.size()) {
        ++i;
      } else if (c == '"') {
        quoted = !quoted;
      } else if (!quoted && (c == ' ' || c == '\t')) {
        break;
      }
    }
    const size_t rest = out.exec.find_first_not_of(" \t", i);
    if (rest != std::string::npos) out.arguments = out.exec.substr(rest);
  }
  // GIO refuses launchers that are not applications or whose program is missing.
  GDesktopAppInfo* info = g_desktop_app_info_new_from_keyfile(kf);
  out.valid = info != nullptr;
  if (info != nullptr) g_object_unref(info);
  g_key_file_free(kf);
  return out;
}

std::string QuoteExecWord(const std::string& word) {
  bool plain = !word.empty();
  for (char c : word) {
    if (!(g_ascii_isalnum(c) || c == '/' || c == '.' || c == '_' || c == '-' || c == '+' ||
          static_cast<unsigned char>(c) >= 0x80))
      plain = false;
  }
  std::string out;
  if (plain) return word;
  out.push_back('"');
  for (char c : word) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') out.push_back('\\');
    if (c == '%') out.push_back('%');
    out.push_back(c);
  }
  out.push_back('"');
  return out;
}

std::string DesktopLauncherText(const std::string& name, const std::string& program,
                                const std::string& working_folder,
                                const std::string& interpreter, const std::string& comment) {
  // Launchers are UTF-8 text; a name that is not cannot be written into one.
  for (const std::string* s : {&name, &program, &working_folder, &interpreter, &comment})
    if (!g_utf8_validate(s->c_str(), static_cast<gssize>(s->size()), nullptr)) return {};
  GKeyFile* kf = g_key_file_new();
  const char* group = G_KEY_FILE_DESKTOP_GROUP;
  g_key_file_set_string(kf, group, G_KEY_FILE_DESKTOP_KEY_TYPE,
                        G_KEY_FILE_DESKTOP_TYPE_APPLICATION);
  g_key_file_set_string(kf, group, G_KEY_FILE_DESKTOP_KEY_NAME, name.c_str());
  std::string exec;
  if (!interpreter.empty()) exec = QuoteExecWord(interpreter) + " ";
  exec += QuoteExecWord(program) + " %F";
  // The key file escapes "\" once more, as the format wants for string values.
  g_key_file_set_string(kf, group, G_KEY_FILE_DESKTOP_KEY_EXEC, exec.c_str());
  if (!working_folder.empty())
    g_key_file_set_string(kf, group, G_KEY_FILE_DESKTOP_KEY_PATH, working_folder.c_str());
  if (!comment.empty())
    g_key_file_set_string(kf, group, G_KEY_FILE_DESKTOP_KEY_COMMENT, comment.c_str());
  std::string text = TakeString(g_key_file_to_data(kf, nullptr, nullptr));
  g_key_file_free(kf);
  return text;
}

}  // namespace mivaro::os
