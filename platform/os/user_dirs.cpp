#include "platform/os/user_dirs.h"

#include <glib.h>
#include <sys/stat.h>

namespace mivaro::os {

namespace {

bool IsFolder(const std::string& p) {
  struct stat st {};
  return !p.empty() && stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string Special(GUserDirectory dir, const char* fallback) {
  const gchar* p = g_get_user_special_dir(dir);
  if (p != nullptr && IsFolder(p)) return p;
  const std::string home = g_get_home_dir();
  const std::string guess = home + "/" + fallback;
  return IsFolder(guess) ? guess : std::string();
}

}  // namespace

std::string UserDirPath(UserDir which) {
  switch (which) {
    case UserDir::Desktop:
      return Special(G_USER_DIRECTORY_DESKTOP, "Desktop");
    case UserDir::Documents:
      return Special(G_USER_DIRECTORY_DOCUMENTS, "Documents");
    case UserDir::Music:
      return Special(G_USER_DIRECTORY_MUSIC, "Music");
    case UserDir::Pictures:
      return Special(G_USER_DIRECTORY_PICTURES, "Pictures");
    case UserDir::Videos:
      return Special(G_USER_DIRECTORY_VIDEOS, "Videos");
    case UserDir::Home:
      return g_get_home_dir();
    case UserDir::Config:
      return g_get_user_config_dir();
    case UserDir::Data:
      return g_get_user_data_dir();
  }
  return {};
}

}  // namespace mivaro::os
