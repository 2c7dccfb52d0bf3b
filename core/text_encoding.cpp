// Conversions between the text encodings over ICU converters, and their detection.
#include "core/text_encoding.h"

#include <unicode/ucnv.h>
#include <unicode/ucsdet.h>
#include <unicode/uchar.h>
#include <unicode/ustring.h>

#include <array>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

namespace mivaro {
namespace {

// ---- Converters -------------------------------------------------------------------------

enum class Charset { Ansi, Euc, Jis, Utf7, Utf8, Western };

const char* CharsetName(Charset cs) {
  switch (cs) {
    case Charset::Ansi:
      return "windows-31j";
    case Charset::Euc:
      return "EUC-JP";
    case Charset::Jis:
      return "ISO-2022-JP";
    case Charset::Utf7:
      return "UTF-7";
    case Charset::Utf8:
      return "UTF-8";
    case Charset::Western:
      return "windows-1252";
  }
  return "UTF-8";
}

struct ConverterCloser {
  void operator()(UConverter* c) const { ucnv_close(c); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

// One converter per charset and thread: converters keep state and are not thread-safe,
// and opening one per call would cost more than most conversions.
UConverter* Converter(Charset cs) {
  thread_local std::array<ConverterPtr, 6> cache;
  auto& slot = cache[static_cast<std::size_t>(cs)];
  if (!slot) {
    UErrorCode err = U_ZERO_ERROR;
    slot.reset(ucnv_open(CharsetName(cs), &err));
    if (U_FAILURE(err)) {
      slot.reset();
      return nullptr;
    }
    if (cs == Charset::Ansi || cs == Charset::Euc) {
      // Unencodable characters become "?", as the system's own lossy conversion does.
      err = U_ZERO_ERROR;
      ucnv_setSubstChars(slot.get(), "?", 1, &err);
    }
    ucnv_setFallback(slot.get(), false);
  }
  ucnv_reset(slot.get());
  return slot.get();
}

bool IsAscii(std::string_view bytes) {
  for (unsigned char b : bytes) {
    if (b >= 0x80) return false;
  }
  return true;
}

std::string FromUnicode(Charset cs, WStringView text) {
  if (text.empty()) return {};
  if (cs == Charset::Utf8) return Utf8(text);
  UConverter* cnv = Converter(cs);
  if (cnv == nullptr) return {};
  const auto length = static_cast<int32_t>(text.size());
  std::string out;
  // Worst cases: ISO-2022-JP escapes around every character, UTF-7 base64 runs.
  out.resize(static_cast<std::size_t>(UCNV_GET_MAX_BYTES_FOR_STRING(length, ucnv_getMaxCharSize(cnv))) + 16);
  UErrorCode err = U_ZERO_ERROR;
  int32_t n = ucnv_fromUChars(cnv, out.data(), static_cast<int32_t>(out.size()),
                              text.data(), length, &err);
  if (err == U_BUFFER_OVERFLOW_ERROR) {
    out.resize(static_cast<std::size_t>(n) + 1);
    err = U_ZERO_ERROR;
    ucnv_reset(cnv);
    n = ucnv_fromUChars(cnv, out.data(), static_cast<int32_t>(out.size()), text.data(),
                        length, &err);
  }
  if (U_FAILURE(err) || n < 0) return {};
  out.resize(static_cast<std::size_t>(n));
  return out;
}

WString ToUnicode(Charset cs, std::string_view bytes) {
  if (bytes.empty()) return {};
  if (cs == Charset::Utf8) return U16(bytes);
  if ((cs == Charset::Ansi || cs == Charset::Euc || cs == Charset::Western) && IsAscii(bytes)) {
    return WString(bytes.begin(), bytes.end());
  }
  UConverter* cnv = Converter(cs);
  if (cnv == nullptr) return {};
  if (bytes.size() > 0x3FFFFFF0u) return {};  // beyond what one ICU call takes
  const auto length = static_cast<int32_t>(bytes.size());
  WString out;
  // Every byte gives at most one UTF-16 unit in these charsets, except UTF-7 (also at
  // most one unit per byte) ; + 1 for the terminator ICU likes to write.
  out.resize(static_cast<std::size_t>(length) + 1);
  UErrorCode err = U_ZERO_ERROR;
  int32_t n = ucnv_toUChars(cnv, out.data(), static_cast<int32_t>(out.size()), bytes.data(),
                            length, &err);
  if (err == U_BUFFER_OVERFLOW_ERROR) {
    out.resize(static_cast<std::size_t>(n) + 1);
    err = U_ZERO_ERROR;
    ucnv_reset(cnv);
    n = ucnv_toUChars(cnv, out.data(), static_cast<int32_t>(out.size()), bytes.data(), length,
                      &err);
  }
  if (U_FAILURE(err) || n < 0) return {};
  out.resize(static_cast<std::size_t>(n));
  return out;
}

// ---- Exact code page 932 table ------------------------------------------------------------

// For every UTF-16 unit: 0 = no exact mapping; 0x100 | b = the single byte b;
// otherwise the double byte (lead << 8 | trail), which is always >= 0x8140.
class AnsiTable {
 public:
  AnsiTable() : table_(0x10000, 0) {
    UErrorCode err = U_ZERO_ERROR;
    UConverter* cnv = ucnv_open("windows-31j", &err);
    if (U_FAILURE(err)) return;
    ucnv_setFromUCallBack(cnv, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &err);
    ucnv_setToUCallBack(cnv, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &err);
    ucnv_setFallback(cnv, false);
    for (unsigned u = 0; u < 0x10000; ++u) {
      if (u >= 0xD800 && u <= 0xDFFF) continue;
      const UChar unit = static_cast<UChar>(u);
      char bytes[8];
      err = U_ZERO_ERROR;
      ucnv_resetFromUnicode(cnv);
      int32_t n = ucnv_fromUChars(cnv, bytes, sizeof bytes, &unit, 1, &err);
      if (U_FAILURE(err) || n < 1 || n > 2) continue;
      // Exact means it reads back as the same unit (no best-fit substitutes).
      UChar back[4];
      err = U_ZERO_ERROR;
      ucnv_resetToUnicode(cnv);
      int32_t m = ucnv_toUChars(cnv, back, 4, bytes, n, &err);
      if (U_FAILURE(err) || m != 1 || back[0] != unit) continue;
      const auto b0 = static_cast<unsigned char>(bytes[0]);
      table_[u] = n == 1 ? static_cast<std::uint16_t>(0x100 | b0)
                         : static_cast<std::uint16_t>(b0 << 8 | static_cast<unsigned char>(bytes[1]));
    }
    ucnv_close(cnv);
  }
  std::uint16_t Lookup(char16_t unit) const { return table_[unit]; }

 private:
  std::vector<std::uint16_t> table_;
};

const AnsiTable& Table() {
  static const AnsiTable table;
  return table;
}

}  // namespace

// ---- Conversions ------------------------------------------------------------------------------

std::string ToUtf8(WStringView text) { return Utf8(text); }
WString FromUtf8(std::string_view bytes) { return U16(bytes); }
std::string ToUtf7(WStringView text) { return FromUnicode(Charset::Utf7, text); }
WString FromUtf7(std::string_view bytes) { return ToUnicode(Charset::Utf7, bytes); }
std::string ToJis(WStringView text) { return FromUnicode(Charset::Jis, text); }
WString FromJis(std::string_view bytes) { return ToUnicode(Charset::Jis, bytes); }
std::string ToEuc(WStringView text) { return FromUnicode(Charset::Euc, text); }
WString FromEuc(std::string_view bytes) { return ToUnicode(Charset::Euc, bytes); }

WString FromWestern(std::string_view bytes) { return ToUnicode(Charset::Western, bytes); }

namespace {
bool IsRotatedControl(char16_t c);
char16_t ToIcuControl(char16_t c);
}  // namespace

std::string ToAnsi(WStringView text) {
  bool ascii = true;
  for (char16_t c : text) {
    if (c >= 0x80) {
      ascii = false;
      break;
    }
  }
  if (ascii) return std::string(text.begin(), text.end());
  WString mapped(text);
  for (char16_t& c : mapped) {
    if (IsRotatedControl(c)) c = ToIcuControl(c);
  }
  return FromUnicode(Charset::Ansi, mapped);
}

// ICU's code page 932 converter rotates three control characters the IBM way (byte 0x1A
// is U+001C, 0x1C is U+007F, 0x7F is U+001A); the system's code page maps every byte
// below 0x80 to itself. These two undo the rotation.
namespace {

bool IsRotatedControl(char16_t c) { return c == 0x1A || c == 0x1C || c == 0x7F; }

char16_t ToIcuControl(char16_t c) {
  return c == 0x1A ? char16_t{0x1C} : c == 0x1C ? char16_t{0x7F} : char16_t{0x1A};
}

WString AnsiToUnicode(std::string_view bytes) {
  bool rotated = false;
  for (unsigned char b : bytes) rotated = rotated || IsRotatedControl(b);
  if (!rotated) return ToUnicode(Charset::Ansi, bytes);
  UConverter* cnv = Converter(Charset::Ansi);
  if (cnv == nullptr || bytes.size() > 0x3FFFFFF0u) return {};
  WString out(bytes.size() + 1, u'\0');
  std::vector<int32_t> offsets(out.size(), -1);
  UChar* target = out.data();
  const char* source = bytes.data();
  UErrorCode err = U_ZERO_ERROR;
  ucnv_toUnicode(cnv, &target, out.data() + out.size(), &source, bytes.data() + bytes.size(),
                 offsets.data(), true, &err);
  if (U_FAILURE(err)) return {};
  out.resize(static_cast<std::size_t>(target - out.data()));
  for (std::size_t i = 0; i < out.size(); ++i) {
    if (offsets[i] < 0) continue;
    const auto b = static_cast<unsigned char>(bytes[static_cast<std::size_t>(offsets[i])]);
    if (IsRotatedControl(b)) out[i] = b;
  }
  return out;
}

}  // namespace

WString FromAnsi(std::string_view bytes) { return AnsiToUnicode(bytes); }

int AnsiBytesOfUnit(char16_t unit, char out[2]) {
  if (unit < 0x80 && unit != u'\\' && unit != u'~') {
    out[0] = static_cast<char>(unit);
    return 1;
  }
  const std::uint16_t v = Table().Lookup(unit);
  if (v == 0) return 0;
  if (v < 0x200) {
    out[0] = static_cast<char>(v & 0xFF);
    return 1;
  }
  out[0] = static_cast<char>(v >> 8);
  out[1] = static_cast<char>(v & 0xFF);
  return 2;
}

bool IsLossyAnsi(WStringView text) {
  char buf[2];
  for (char16_t c : text) {
    if (c < 0x80) continue;
    if (AnsiBytesOfUnit(c, buf) == 0) return true;
  }
  return false;
}

TextEncoding CodePageToEncoding(int codePage) {
  switch (codePage) {
    case 1200:
      return kEncodingUtf16Le;
    case 1201:
      return kEncodingUtf16Be;
    case 20932:
    case 51932:
    case 51936:
    case 51949:
      return kEncodingEuc;
    case 50220:
    case 50221:
    case 50222:
    case 50225:
    case 50227:
      return kEncodingJis;
    case 65000:
      return kEncodingUtf7;
    case 65001:
      return kEncodingUtf8;
    case -1:
      return kEncodingBinary;
    default:
      return kEncodingAnsi;
  }
}

// ---- Detection ----------------------------------------------------------------------------------

namespace {

// Share of "text-like" characters (printable ASCII, hiragana, katakana) in per mille.
std::size_t Utf16TextShare(WStringView text) {
  if (text.empty()) return 1000;
  std::size_t good = 0;
  for (char16_t c : text) {
    if ((c >= 0x20 && c <= 0x7E) || (c >= 0x3041 && c <= 0x3093) || (c >= 0x30A1 && c <= 0x30F6)) {
      ++good;
    }
  }
  return good * 1000 / text.size();
}

bool PassesUtf16(WStringView text) {
  if (text.empty()) return true;
  std::size_t good = 0;
  for (char16_t c : text) {
    // Text never holds U+0000; binary data read as UTF-16 nearly always does, and with
    // the low bar below it would otherwise pass as text.
    if (c == 0) return false;
    if ((c >= 0x20 && c <= 0x7E) || (c >= 0x3041 && c <= 0x3093) || (c >= 0x30A1 && c <= 0x30F6)) {
      ++good;
    }
  }
  return good * 100 > text.size();
}

// UTF-16 by plausibility: 1200, 1201 or -1. When both byte orders pass, the one with
// more text-like characters wins (a big-endian text often passes the little-endian test
// by a few characters, never by the majority).
int GuessUtf16(std::string_view bytes) {
  const WString le = Utf16FromBytes(bytes, false);
  const WString be = Utf16FromBytes(bytes, true);
  const bool leOk = PassesUtf16(le);
  const bool beOk = PassesUtf16(be);
  if (leOk && beOk) return Utf16TextShare(be) > Utf16TextShare(le) ? kCodePageUtf16Be : kCodePageUtf16Le;
  if (leOk) return kCodePageUtf16Le;
  if (beOk) return kCodePageUtf16Be;
  return kCodePageBinary;
}

}  // namespace

bool IsPlausibleUtf16(WStringView text) { return PassesUtf16(text); }

int ScanCodePage(std::string_view bytes) {
  bool trailExpected = false;
  bool valid = true;
  bool zeros = false;
  for (unsigned char b : bytes) {
    if (b == 0) {
      zeros = true;
      valid = false;
    }
    if (IsAnsiLeadByte(b)) {
      trailExpected = !trailExpected;
      continue;
    }
    if (trailExpected && b >= 0x01 && b <= 0x3F) valid = false;
    if (b == 0x7F || b >= 0xFD) valid = false;
    if ((b == 0x80 || b == 0xA0 || (b >= 0xF0 && b <= 0xFC)) && !trailExpected) valid = false;
    trailExpected = false;
  }
  if (valid) return kAnsiCodePage;
  // Text of kanji and kana alone has no zero bytes in UTF-16 either: such a buffer gets
  // the UTF-16 test too before it counts as binary. Random bytes fail that test.
  if (!zeros && bytes.size() % 2 != 0) return kCodePageBinary;
  return GuessUtf16(bytes);
}

namespace {

struct DetectorCloser {
  void operator()(UCharsetDetector* d) const { ucsdet_close(d); }
};

// ICU's charset detector, mapped to the code pages the program knows. 0 when it has no
// confident answer among them.
int DetectWithIcu(std::string_view bytes) {
  UErrorCode err = U_ZERO_ERROR;
  std::unique_ptr<UCharsetDetector, DetectorCloser> det(ucsdet_open(&err));
  if (U_FAILURE(err) || !det) return 0;
  ucsdet_setText(det.get(), bytes.data(), static_cast<int32_t>(bytes.size()), &err);
  const UCharsetMatch* match = ucsdet_detect(det.get(), &err);
  if (U_FAILURE(err) || match == nullptr) return 0;
  const char* name = ucsdet_getName(match, &err);
  const int32_t confidence = ucsdet_getConfidence(match, &err);
  if (U_FAILURE(err) || name == nullptr || confidence < 10) return 0;
  const std::string_view n(name);
  if (n == "Shift_JIS") return kAnsiCodePage;
  if (n == "EUC-JP") return kCodePageEuc;
  if (n == "ISO-2022-JP") return kCodePageJis;
  if (n == "UTF-8") return kCodePageUtf8;
  // UTF-16 without BOM is left to the plausibility test, which also tells the byte
  // order apart; the detector guesses it from too little.
  if (n == "ISO-8859-1" || n == "windows-1252") return kCodePageWestern;
  return 0;
}

}  // namespace

namespace {

// Well-formed UTF-8; a sequence cut by the end of the sample is accepted.
bool IsWellFormedUtf8(std::string_view bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    std::size_t len = b < 0x80 ? 1 : (b >= 0xC2 && b <= 0xDF) ? 2 : (b >= 0xE0 && b <= 0xEF) ? 3
                                   : (b >= 0xF0 && b <= 0xF4) ? 4 : 0;
    if (len == 0) return false;
    for (std::size_t k = 1; k < len && i + k < bytes.size(); ++k) {
      if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) return false;
    }
    i += len;
  }
  return true;
}

// Well-formed EUC-JP: two bytes of 0xA1-0xFE, 0x8E + half-width katakana, 0x8F + two
// bytes, or 7-bit bytes other than control characters below TAB.
bool IsWellFormedEuc(std::string_view bytes) {
  auto high = [&](std::size_t k) {
    if (k >= bytes.size()) return true;  // cut by the end of the sample
    const auto b = static_cast<unsigned char>(bytes[k]);
    return b >= 0xA1 && b <= 0xFE;
  };
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80) {
      if (b < 0x09 || b == 0x7F) return false;
      i += 1;
    } else if (b >= 0xA1 && b <= 0xFE) {
      if (!high(i + 1)) return false;
      i += 2;
    } else if (b == 0x8E) {
      if (i + 1 < bytes.size()) {
        const auto t = static_cast<unsigned char>(bytes[i + 1]);
        if (t < 0xA1 || t > 0xDF) return false;
      }
      i += 2;
    } else if (b == 0x8F) {
      if (!high(i + 1) || !high(i + 2)) return false;
      i += 3;
    } else {
      return false;
    }
  }
  return true;
}

}  // namespace

int DetectCodePage(std::string_view bytes) {
  const bool hasZero = bytes.find('\0') != std::string_view::npos;
  const bool hasHigh = !IsAscii(bytes);
  const bool hasEscape = bytes.find('\x1b') != std::string_view::npos;
  int cp = 0;
  // Plain 7-bit text without escapes is code page 932 text by the scan; the detector
  // would only guess among Western charsets. Text with zeros is UTF-16 or binary, which
  // the scan's plausibility test judges better than the detector's 8-bit recognisers.
  if (!hasZero && (hasHigh || hasEscape)) cp = DetectWithIcu(bytes);
  if (cp == 0 || cp == kCodePageWestern) cp = ScanCodePage(bytes);
  // Short texts give the detector too little to be sure of; before calling bytes
  // without zeros binary, accept them when they are well-formed UTF-8 or EUC-JP.
  if (cp == kCodePageBinary && !hasZero && hasHigh) {
    if (IsWellFormedUtf8(bytes)) return kCodePageUtf8;
    if (IsWellFormedEuc(bytes)) return kCodePageEuc;
  }
  return cp;
}

// ---- UTF-16 bytes ------------------------------------------------------------------------------

WString Utf16FromBytes(std::string_view bytes, bool bigEndian) {
  WString out(bytes.size() / 2, u'\0');
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  for (std::size_t i = 0; i < out.size(); ++i) {
    const unsigned lo = p[2 * i + (bigEndian ? 1 : 0)];
    const unsigned hi = p[2 * i + (bigEndian ? 0 : 1)];
    out[i] = static_cast<char16_t>(hi << 8 | lo);
  }
  return out;
}

std::string Utf16ToBytes(WStringView text, bool bigEndian) {
  std::string out(text.size() * 2, '\0');
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char lo = static_cast<char>(text[i] & 0xFF);
    const char hi = static_cast<char>(text[i] >> 8);
    out[2 * i] = bigEndian ? hi : lo;
    out[2 * i + 1] = bigEndian ? lo : hi;
  }
  return out;
}

WString SwapByteOrder(WStringView text) {
  WString out(text);
  for (char16_t& c : out) c = static_cast<char16_t>((c >> 8) | (c << 8));
  return out;
}

WString UpperCaseText(WStringView text) {
  WString out(text);
  for (char16_t& c : out) {
    if (c < 0x80) {
      if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 0x20);
    } else if (!U16_IS_SURROGATE(c)) {
      c = static_cast<char16_t>(u_toupper(c));
    }
  }
  return out;
}

}  // namespace mivaro

