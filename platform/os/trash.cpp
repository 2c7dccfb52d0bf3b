#include "platform/os/trash.h"

#include <gio/gio.h>

namespace mivaro::os {

bool TrashItem(const std::string& native_path, std::string* error, bool* no_trash) {
  if (no_trash) *no_trash = false;
  if (native_path.empty()) {
    if (error) *error = "empty path";
    return false;
  }
  GFile* file = g_file_new_for_path(native_path.c_str());
  GError* err = nullptr;
  const bool ok = g_file_trash(file, nullptr, &err) != FALSE;
  if (!ok && error) *error = err != nullptr ? err->message : "unknown error";
  if (!ok && no_trash) *no_trash = g_error_matches(err, G_IO_ERROR, G_IO_ERROR_NOT_SUPPORTED);
  if (err != nullptr) g_error_free(err);
  g_object_unref(file);
  return ok;
}

}  // namespace mivaro::os
