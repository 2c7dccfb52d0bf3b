// Byte builders for hand-made ID3 and ASF tags, and a temporary folder for test files.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "core/ustring.h"

namespace fx {

using Bytes = std::vector<std::uint8_t>;

inline Bytes B(std::string_view s) { return Bytes(s.begin(), s.end()); }

inline Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// UTF-16 in either byte order, optionally with its byte order mark.
inline Bytes Utf16(std::u16string_view s, bool bigEndian = false, bool bom = false) {
  Bytes out;
  auto put = [&](char16_t c) {
    if (bigEndian) {
      out.push_back(static_cast<std::uint8_t>(c >> 8));
      out.push_back(static_cast<std::uint8_t>(c & 0xFF));
    } else {
      out.push_back(static_cast<std::uint8_t>(c & 0xFF));
      out.push_back(static_cast<std::uint8_t>(c >> 8));
    }
  };
  if (bom) put(0xFEFF);
  for (char16_t c : s) put(c);
  return out;
}

inline Bytes Utf8(std::u16string_view s) { return B(mivaro::Utf8(s)); }

// Code page 932 bytes of a few Japanese words used by the tests.
inline const Bytes kSjisNihongo = {0x93, 0xFA, 0x96, 0x7B, 0x8C, 0xEA};  // 日本語
inline const Bytes kSjisTesuto = {0x83, 0x65, 0x83, 0x58, 0x83, 0x67};   // テスト

inline Bytes BigEndian(std::uint32_t v, int n) {
  Bytes out;
  for (int i = n - 1; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  return out;
}
inline Bytes SyncSafe(std::uint32_t v) {
  return {static_cast<std::uint8_t>((v >> 21) & 0x7F), static_cast<std::uint8_t>((v >> 14) & 0x7F),
          static_cast<std::uint8_t>((v >> 7) & 0x7F), static_cast<std::uint8_t>(v & 0x7F)};
}
inline Bytes LittleEndian(std::uint64_t v, int n) {
  Bytes out;
  for (int i = 0; i < n; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  return out;
}

// ---- ID3v2 ----

// Frame of version 2.2 (3-character identifier, 3-byte size).
inline Bytes Frame22(std::string_view id, const Bytes& data) {
  return B(id) + BigEndian(static_cast<std::uint32_t>(data.size()), 3) + data;
}
// Frame of version 2.3 (big-endian size); formatFlags is byte 9.
inline Bytes Frame23(std::string_view id, const Bytes& data, std::uint8_t formatFlags = 0) {
  return B(id) + BigEndian(static_cast<std::uint32_t>(data.size()), 4) + Bytes{0, formatFlags} +
         data;
}
// Frame of version 2.4 (sync-safe size); formatFlags is byte 9.
inline Bytes Frame24(std::string_view id, const Bytes& data, std::uint8_t formatFlags = 0) {
  return B(id) + SyncSafe(static_cast<std::uint32_t>(data.size())) + Bytes{0, formatFlags} + data;
}
// A text frame's data: encoding byte, then the text bytes.
inline Bytes Text(std::uint8_t encoding, const Bytes& text) { return Bytes{encoding} + text; }
// COMM/USLT data: encoding, language, description with its terminator, text.
inline Bytes Described(std::uint8_t encoding, const Bytes& description, const Bytes& text,
                       bool language = true) {
  const bool wide = encoding == 1 || encoding == 2;
  Bytes out{encoding};
  if (language) out = out + B("jpn");
  out = out + description + (wide ? Bytes{0, 0} : Bytes{0});
  return out + text;
}
// The tag: header (sync-safe size of the body) and body.
inline Bytes Id3v2(int major, const Bytes& body, std::uint8_t flags = 0, int revision = 0) {
  return B("ID3") +
         Bytes{static_cast<std::uint8_t>(major), static_cast<std::uint8_t>(revision), flags} +
         SyncSafe(static_cast<std::uint32_t>(body.size())) + body;
}
// A few bytes that look like MPEG audio after the tag.
inline Bytes Audio(std::size_t n = 64) {
  Bytes out(n, 0x55);
  out[0] = 0xFF;
  out[1] = 0xFB;
  return out;
}

// ---- ID3v1 ----
inline Bytes Field(const Bytes& text, std::size_t width) {
  Bytes out = text;
  out.resize(width, 0);
  return out;
}
inline Bytes Id3v1(const Bytes& title, const Bytes& artist, const Bytes& album,
                   const Bytes& year, const Bytes& comment, int track, std::uint8_t genre) {
  Bytes c = Field(comment, 30);
  if (track > 0) {
    c[28] = 0;
    c[29] = static_cast<std::uint8_t>(track);
  }
  return B("TAG") + Field(title, 30) + Field(artist, 30) + Field(album, 30) + Field(year, 4) +
         c + Bytes{genre};
}

// ---- ASF ----
inline const Bytes kAsfHeaderGuid = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                     0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
inline const Bytes kAsfContentGuid = {0x33, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                      0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
inline const Bytes kAsfExtendedGuid = {0x40, 0xA4, 0xD0, 0xD2, 0x07, 0xE3, 0xD2, 0x11,
                                       0x97, 0xF0, 0x00, 0xA0, 0xC9, 0x5E, 0xA8, 0x50};
inline const Bytes kAsfOtherGuid = {0xA1, 0xDC, 0xAB, 0x8C, 0x47, 0xA9, 0xCF, 0x11,
                                    0x8E, 0xE4, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};

// A UTF-16 LE string with its NUL.
inline Bytes WStr(std::u16string_view s) { return Utf16(s) + Bytes{0, 0}; }

inline Bytes AsfObject(const Bytes& guid, const Bytes& content) {
  return guid + LittleEndian(24 + content.size(), 8) + content;
}
inline Bytes ContentDescription(std::u16string_view title, std::u16string_view author,
                                std::u16string_view copyright, std::u16string_view description,
                                std::u16string_view rating) {
  const Bytes s[5] = {WStr(title), WStr(author), WStr(copyright), WStr(description),
                      WStr(rating)};
  Bytes c;
  for (const Bytes& x : s) c = c + LittleEndian(x.size(), 2);
  for (const Bytes& x : s) c = c + x;
  return AsfObject(kAsfContentGuid, c);
}
struct Attribute {
  std::u16string name;
  int type;
  Bytes value;
};
inline Attribute TextAttr(std::u16string name, std::u16string_view value) {
  return {std::move(name), 0, WStr(value)};
}
inline Bytes ExtendedContentDescription(const std::vector<Attribute>& attrs) {
  Bytes c = LittleEndian(attrs.size(), 2);
  for (const Attribute& a : attrs) {
    const Bytes name = WStr(a.name);
    c = c + LittleEndian(name.size(), 2) + name + LittleEndian(static_cast<std::uint64_t>(a.type), 2) +
        LittleEndian(a.value.size(), 2) + a.value;
  }
  return AsfObject(kAsfExtendedGuid, c);
}
// Header object holding the objects, followed by `tail` bytes of "data".
inline Bytes AsfFile(const std::vector<Bytes>& objects, std::size_t tail = 50) {
  Bytes body;
  for (const Bytes& o : objects) body = body + o;
  return kAsfHeaderGuid + LittleEndian(30 + body.size(), 8) +
         LittleEndian(objects.size(), 4) + Bytes{1, 2} + body + Bytes(tail, 0);
}

// ---- Files ----

// A fresh folder under the system's temporary folder, removed with the object.
class TempDir {
 public:
  TempDir() {
    std::string templ = (std::filesystem::temp_directory_path() / "mivaro-tags-XXXXXX").string();
    if (::mkdtemp(templ.data()) != nullptr) path_ = templ;
  }
  ~TempDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string File(std::string_view name) const { return path_ + "/" + std::string(name); }
  // Writes the bytes to name and returns the full path.
  std::string Write(std::string_view name, const Bytes& bytes) const {
    const std::string full = File(name);
    std::ofstream out(full, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return full;
  }

 private:
  std::string path_;
};

}  // namespace fx
