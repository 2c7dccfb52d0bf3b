// Fuzz target: the PLS reader over the INI store (huge NumberOfEntries, odd keys).
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "playlist/media_strings.h"
#include "settings/ini_file.h"

using namespace mivaro;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TMyIniFile ini;
  ini.LoadFromBytes(std::string_view(reinterpret_cast<const char*>(data), size));
  const std::vector<WString> entries = ReadPlsEntries(ini);
  if (entries.size() > size) __builtin_trap();  // never more entries than keys in the file
  for (const WString& e : entries) TrimEntry(e);
  return 0;
}
