// Byte-to-text decoding used by the tag readers: the ANSI code page (932), UTF-8 and
// UTF-16 in either byte order. Decoding never fails: undecodable bytes become U+FFFD
// (ANSI: the converter's substitute), and a trailing odd byte of UTF-16 is dropped.
// Safe on any thread (each thread keeps its own converter).
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/ustring.h"

namespace mivaro::tagtext {

// Code page 932 text; pure ASCII is widened directly.
WString DecodeAnsi(const std::uint8_t* data, std::size_t size);
WString DecodeUtf8(const std::uint8_t* data, std::size_t size);
WString DecodeUtf16(const std::uint8_t* data, std::size_t size, bool bigEndian);

// Cuts the text at its first NUL character.
void CutAtNul(WString& text);

}  // namespace mivaro::tagtext
