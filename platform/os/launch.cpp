#include "platform/os/launch.h"

#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>
#include <signal.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace mivaro::os {

namespace {

void TakeError(GError* err, std::string* error) {
  if (err == nullptr) return;
  if (error) *error = err->message;
  g_error_free(err);
}

// Reads the process id that GIO reports when it launches an application.
void OnLaunched(GAppLaunchContext*, GAppInfo*, GVariant* platform_data, gpointer user_data) {
  gint32 pid = 0;
  if (platform_data != nullptr && g_variant_lookup(platform_data, "pid", "i", &pid))
    *static_cast<int*>(user_data) = pid;
}

bool LaunchApp(GAppInfo* app, GList* files_or_uris, bool uris, int& pid, std::string* error) {
  GAppLaunchContext* ctx = g_app_launch_context_new();
  pid = 0;
  g_signal_connect(ctx, "launched", G_CALLBACK(OnLaunched), &pid);
  GError* err = nullptr;
  const bool ok = (uris ? g_app_info_launch_uris(app, files_or_uris, ctx, &err)
                        : g_app_info_launch(app, files_or_uris, ctx, &err)) != FALSE;
  TakeError(err, error);
  g_object_unref(ctx);
  return ok;
}

bool LooksLikeUri(const std::string& s) {
  const size_t p = s.find("://");
  return p != std::string::npos && p >= 2 && s[0] != '/';
}

}  // namespace

bool SpawnProgram(const std::vector<std::string>& argv, int& pid, std::string* error) {
  pid = 0;
  if (argv.empty() || argv[0].empty()) {
    if (error) *error = "no program";
    return false;
  }
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  GPid child = 0;
  GError* err = nullptr;
  // Without G_SPAWN_DO_NOT_REAP_CHILD the program runs as a grandchild that the system
  // reaps; the id reported is that of the program itself.
  const bool ok = g_spawn_async(nullptr, args.data(), nullptr,
                                static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH), nullptr,
                                nullptr, &child, &err) != FALSE;
  TakeError(err, error);
  if (ok) pid = child;
  return ok;
}

bool LaunchDesktopFile(const std::string& native_desktop_file,
                       const std::vector<std::string>& files, int& pid, std::string* error) {
  pid = 0;
  GDesktopAppInfo* info = g_desktop_app_info_new_from_filename(native_desktop_file.c_str());
  if (info == nullptr) {
    if (error) *error = "not a valid launcher";
    return false;
  }
  GList* uris = nullptr;
  for (const std::string& f : files) {
    GFile* file = g_file_new_for_commandline_arg(f.c_str());
    uris = g_list_append(uris, g_file_get_uri(file));
    g_object_unref(file);
  }
  const bool ok = LaunchApp(G_APP_INFO(info), uris, true, pid, error);
  g_list_free_full(uris, g_free);
  g_object_unref(info);
  return ok;
}

bool LaunchDefault(const std::string& path_or_uri, int& pid, std::string* error) {
  pid = 0;
  if (path_or_uri.empty()) {
    if (error) *error = "nothing to open";
    return false;
  }
  GFile* file = LooksLikeUri(path_or_uri) ? g_file_new_for_uri(path_or_uri.c_str())
                                          : g_file_new_for_path(path_or_uri.c_str());
  GError* err = nullptr;
  GAppInfo* app = g_file_query_default_handler(file, nullptr, &err);
  bool ok = false;
  if (app != nullptr) {
    GList* files = g_list_append(nullptr, file);
    ok = LaunchApp(app, files, false, pid, error);
    g_list_free(files);
    g_object_unref(app);
  } else {
    TakeError(err, error);
  }
  g_object_unref(file);
  return ok;
}

std::string FindProgramInPath(const std::string& name) {
  if (name.empty()) return {};
  gchar* found = g_find_program_in_path(name.c_str());
  if (found == nullptr) return {};
  std::string out(found);
  g_free(found);
  return out;
}

bool ProcessAlive(int pid) {
  if (pid <= 0) return false;
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(in, line)) return kill(pid, 0) == 0 || errno == EPERM;
  const size_t close = line.rfind(')');
  if (close == std::string::npos || close + 2 >= line.size()) return true;
  const char state = line[close + 2];
  return state != 'Z' && state != 'X';
}

bool ProcessSettled(int pid, long long& cpu_ticks) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(in, line)) return false;
  const size_t close = line.rfind(')');
  if (close == std::string::npos) return false;
  std::istringstream rest(line.substr(close + 2));
  std::string state;
  rest >> state;
  // Fields after the state: ppid pgrp session tty tpgid flags minflt cminflt majflt cmajflt
  // utime stime.
  std::string skip;
  for (int i = 0; i < 10; ++i) rest >> skip;
  long long utime = 0, stime = 0;
  rest >> utime >> stime;
  const long long ticks = utime + stime;
  const bool settled = state == "S" && ticks == cpu_ticks;
  cpu_ticks = ticks;
  return settled;
}

}  // namespace mivaro::os
