// See x_display_facts.h.
#include "platform/media/x_display_facts.h"

#include <dlfcn.h>

#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace mivaro {
namespace {

bool SoftwareForced() {
  const char* always = std::getenv("LIBGL_ALWAYS_SOFTWARE");
  if (always && *always && std::strcmp(always, "0") != 0 && std::strcmp(always, "false") != 0)
    return true;
  const char* gallium = std::getenv("GALLIUM_DRIVER");
  if (!gallium) return false;
  return std::strcmp(gallium, "llvmpipe") == 0 || std::strcmp(gallium, "softpipe") == 0 ||
         std::strcmp(gallium, "swr") == 0;
}

}  // namespace

bool GlRendersInHardware() {
  if (SoftwareForced()) return false;
  // libX11 is already in the process whenever there is a window; the engine itself does
  // not link it (it only ever sees window ids).
  void* lib = dlopen("libX11.so.6", RTLD_LAZY | RTLD_NOLOAD);
  if (!lib) lib = dlopen("libX11.so.6", RTLD_LAZY);
  if (!lib) return false;
  using OpenDisplay = void* (*)(const char*);
  using CloseDisplay = int (*)(void*);
  using QueryExtension = int (*)(void*, const char*, int*, int*, int*);
  auto open = reinterpret_cast<OpenDisplay>(dlsym(lib, "XOpenDisplay"));
  auto close = reinterpret_cast<CloseDisplay>(dlsym(lib, "XCloseDisplay"));
  auto query = reinterpret_cast<QueryExtension>(dlsym(lib, "XQueryExtension"));
  if (!open || !close || !query) return false;
  void* display = open(nullptr);
  if (!display) return false;
  bool direct = false;
  for (const char* name : {"DRI3", "DRI2", "NV-GLX"}) {
    int opcode = 0, event = 0, error = 0;
    if (query(display, name, &opcode, &event, &error)) {
      direct = true;
      break;
    }
  }
  close(display);
  return direct;
}

}  // namespace mivaro
