// Fuzzes the text forms of the wide string list: AddText (line splitting), SetDelimitedText
// with a delimiter taken from the input, GetText / GetQuotedText, and the sorts over
// whatever items result.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/wstrings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  // Byte 0: delimiter length (0-3); then the delimiter and the text, as UTF-16 units.
  const std::size_t units = (size - 1) / 2;
  mivaro::WString input(units, u'\0');
  for (std::size_t i = 0; i < units; ++i) {
    input[i] = static_cast<char16_t>(data[1 + 2 * i] | data[2 + 2 * i] << 8);
  }
  const std::size_t delimiterLength = std::min<std::size_t>(data[0] % 4, input.size());
  mivaro::TMyWStrings list;
  list.AddText(input);
  const mivaro::WString text = list.GetText();
  mivaro::TMyWStrings again;
  again.SetText(text);
  if (again.Count() != list.Count()) __builtin_trap();  // GetText/SetText round trip

  list.Delimiter = input.substr(0, delimiterLength);
  list.SetDelimitedText(std::u16string_view(input).substr(delimiterLength));
  (void)list.GetDelimitedText();
  (void)list.GetQuotedText();
  list.SortPaths();
  list.InsertionSort(true);
  list.QuickSortWith([](mivaro::TMyWStrings& l, int a, int b) { return l.CompareItems(a, b); });
  list.Reverse();
  return 0;
}
