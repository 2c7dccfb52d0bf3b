// Whole-file text reading with encoding detection, and the matching writer.
//
// Reading never fails loudly: an unreadable file (after retries) gives an empty text.
// Writing replaces the file only once the new content is completely written (a
// temporary file beside it, then a rename), so a crash or a full disk never leaves a
// truncated file behind.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/text_encoding.h"
#include "core/ustring.h"

namespace mivaro {

// Files of this size or more are refused by ReadWholeTextFile without being read.
inline constexpr std::uint64_t kMaxTextFileSize = 0xFFFFFFFFull;  // 4 GiB - 1

// Reads the first byteCount bytes of fileName and decodes them by code. With
// kEncodingDetect (or a code above 11) a BOM or detection decides and code is set to the
// encoding used; an ANSI fallback sets it to kEncodingAnsi. A byteCount of 0 or nothing
// read gives an empty text (code left as it was). Failed opens and reads are retried
// (4 attempts, 200 ms apart, pumping ProcessMessages), then give an empty text.
WString ReadTextFile(WStringView fileName, TextEncoding& code, std::uint64_t byteCount);

// ReadTextFile over the whole file. A file of 4 GiB or more gives an empty text.
WString ReadWholeTextFile(WStringView fileName, TextEncoding& code);

// The whole file's bytes, undecoded, read with the retries of ReadTextFile. False (and no
// bytes) when it cannot be read or is 4 GiB or more.
bool ReadWholeFileBytes(WStringView fileName, std::string& bytes);

// Decodes bytes already in memory exactly as ReadTextFile does (detection included).
WString DecodeTextBytes(std::string_view bytes, TextEncoding& code);

// ReadWholeTextFile and DecodeTextBytes for lists of names (playlists), which are never
// read as a dump: bytes that detection finds to be no known text encoding are decoded
// as Windows-1252 (code is then kEncodingBinary, the text is not a dump).
WString ReadWholeListFile(WStringView fileName, TextEncoding& code);
WString DecodeListBytes(std::string_view bytes, TextEncoding& code);

// The bytes WriteTextFile writes for text under code (BOM included).
std::string EncodeTextBytes(WStringView text, TextEncoding code);

// Writes text in the encoding of code (0: ANSI when every character fits, else UTF-8
// with BOM). Returns false when the file cannot be created or writing fails; the old
// file is then left as it was.
bool WriteTextFile(WStringView fileName, WStringView text, TextEncoding code);

// Hexadecimal dump of binary data: one CR-terminated line per 16 bytes, the hex column
// padded to 50 characters, a TAB, then the text column.
WString HexDump(std::string_view bytes);

}  // namespace mivaro
