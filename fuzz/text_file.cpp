// Fuzzes the text-file decoder under every encoding code: the first byte picks the code
// (0-12, 12 counting as "detect"), the rest is the file's content. Also checks that what
// the writer produces for the decoded text decodes again without trouble.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/text_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  mivaro::TextEncoding code = static_cast<mivaro::TextEncoding>(data[0] % 13);
  const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  const mivaro::WString text = mivaro::DecodeTextBytes(bytes, code);
  if (code > mivaro::kEncodingLast) __builtin_trap();  // the code is always a real one
  const std::string encoded = mivaro::EncodeTextBytes(text, code);
  mivaro::TextEncoding again = code;
  (void)mivaro::DecodeTextBytes(encoded, again);
  // Lists of names are never a dump: no more characters than bytes in the file.
  mivaro::TextEncoding list = mivaro::kEncodingDetect;
  if (mivaro::DecodeListBytes(bytes, list).size() > bytes.size()) __builtin_trap();
  return 0;
}
