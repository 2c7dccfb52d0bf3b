#include "tags/asf_reader.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "tags/tag_source.h"
#include "tags/tag_text.h"

namespace mivaro {
namespace {

using Bytes = std::span<const std::uint8_t>;

constexpr std::uint8_t kHeaderGuid[16] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                          0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
constexpr std::uint8_t kContentDescriptionGuid[16] = {0x33, 0x26, 0xB2, 0x75, 0x8E, 0x66,
                                                      0xCF, 0x11, 0xA6, 0xD9, 0x00, 0xAA,
                                                      0x00, 0x62, 0xCE, 0x6C};
constexpr std::uint8_t kExtendedContentDescriptionGuid[16] = {
    0x40, 0xA4, 0xD0, 0xD2, 0x07, 0xE3, 0xD2, 0x11,
    0x97, 0xF0, 0x00, 0xA0, 0xC9, 0x5E, 0xA8, 0x50};

constexpr std::uint8_t kHeaderExtensionGuid[16] = {0xB5, 0x03, 0xBF, 0x5F, 0x2E, 0xA9,
                                                   0xCF, 0x11, 0x8E, 0xE3, 0x00, 0xC0,
                                                   0x0C, 0x20, 0x53, 0x65};
constexpr std::uint8_t kExtendedStreamPropertiesGuid[16] = {
    0xCB, 0xA5, 0xE6, 0x14, 0x72, 0xC6, 0x32, 0x43,
    0x83, 0x99, 0xA9, 0x69, 0x52, 0x06, 0x5B, 0x5A};

constexpr std::size_t kHeaderLength = 30;
constexpr std::size_t kObjectHeaderLength = 24;

std::uint64_t LittleEndian(const std::uint8_t* p, int n) {
  std::uint64_t v = 0;
  for (int i = n - 1; i >= 0; --i) {
    v = (v << 8) | p[i];
  }
  return v;
}

// A stored string of `length` bytes: UTF-16 LE up to the first NUL, at most
// length / 2 - 1 characters; shorter than 4 bytes it is empty.
WString AsfString(Bytes b) {
  if (b.size() < 4) {
    return {};
  }
  WString text = tagtext::DecodeUtf16(b.data(), (b.size() / 2 - 1) * 2, false);
  tagtext::CutAtNul(text);
  return text;
}

// Reads `length` bytes at `pos` of `object`; false when they run past its end.
bool Take(Bytes object, std::size_t& pos, std::size_t length, Bytes& out) {
  if (pos > object.size() || length > object.size() - pos) {
    return false;
  }
  out = object.subspan(pos, length);
  pos += length;
  return true;
}

bool TakeWord(Bytes object, std::size_t& pos, std::size_t& value) {
  Bytes b;
  if (!Take(object, pos, 2, b)) {
    return false;
  }
  value = static_cast<std::size_t>(LittleEndian(b.data(), 2));
  return true;
}

// Content Description: title, author, copyright, description, rating.
bool ReadContentDescription(Bytes object, TMyCustomTag& tag) {
  std::size_t pos = kObjectHeaderLength;
  std::size_t lengths[5] = {};
  for (std::size_t& length : lengths) {
    if (!TakeWord(object, pos, length)) {
      return false;
    }
  }
  Bytes strings[5];
  for (int i = 0; i < 5; ++i) {
    if (!Take(object, pos, lengths[i], strings[i])) {
      // A string cut short: the ones before it are still good.
      if (i > 0) tag.Title = AsfString(strings[0]);
      if (i > 1) tag.Artist = AsfString(strings[1]);
      if (i > 3) tag.Comment = AsfString(strings[3]);
      return false;
    }
  }
  tag.Title = AsfString(strings[0]);
  tag.Artist = AsfString(strings[1]);
  tag.Comment = AsfString(strings[3]);
  return true;
}

WString* AttributeField(const WString& name, TMyCustomTag& t) {
  struct Entry {
    const char16_t* name;
    WString TMyCustomTag::*field;
  };
  static const Entry kEntries[] = {
      {u"WM/AlbumTitle", &TMyCustomTag::Album},
      {u"WM/AlbumArtist", &TMyCustomTag::AlbumArtist},
      {u"WM/Composer", &TMyCustomTag::Composer},
      {u"WM/Conductor", &TMyCustomTag::Conductor},
      {u"WM/Director", &TMyCustomTag::Director},
      {u"WM/Genre", &TMyCustomTag::Genre},
      {u"WM/OriginalAlbumTitle", &TMyCustomTag::OriginalAlbum},
      {u"WM/OriginalArtist", &TMyCustomTag::OriginalArtist},
      {u"WM/OriginalLyricist", &TMyCustomTag::OriginalLyricist},
      {u"WM/Producer", &TMyCustomTag::Producer},
      {u"WM/Publisher", &TMyCustomTag::Publisher},
      {u"WM/OriginalReleaseTime", &TMyCustomTag::ReleaseDate},
      {u"WM/OriginalReleaseYear", &TMyCustomTag::OriginalYear},
      {u"WM/Lyrics", &TMyCustomTag::Lyrics},
      {u"WM/PartOfSet", &TMyCustomTag::PartOfSet},
      {u"WM/ContentGroupDescription", &TMyCustomTag::ContentGroup},
      {u"WM/SubTitle", &TMyCustomTag::Subtitle},
      {u"WM/ModifiedBy", &TMyCustomTag::ModifiedBy},
      {u"WM/Writer", &TMyCustomTag::Writer},
      {u"WM/Year", &TMyCustomTag::Year},
  };
  for (const Entry& e : kEntries) {
    if (name == e.name) {
      return &(t.*(e.field));
    }
  }
  return nullptr;
}

// Extended Content Description: named attributes.
bool ReadExtendedContentDescription(Bytes object, TMyCustomTag& tag) {
  std::size_t pos = kObjectHeaderLength;
  std::size_t count = 0;
  if (!TakeWord(object, pos, count)) {
    return false;
  }
  for (std::size_t i = 0; i < count; ++i) {
    std::size_t nameLength = 0;
    std::size_t type = 0;
    std::size_t valueLength = 0;
    Bytes name;
    Bytes value;
    if (!TakeWord(object, pos, nameLength) || !Take(object, pos, nameLength, name) ||
        !TakeWord(object, pos, type) || !TakeWord(object, pos, valueLength) ||
        !Take(object, pos, valueLength, value)) {
      return false;
    }
    const WString attribute = AsfString(name);
    if (attribute == u"WM/TrackNumber") {
      if (type == 0) {
        tag.Track = AsfString(value);
      } else if (type == 3 && value.size() >= 4) {
        tag.Track = U16(std::to_string(LittleEndian(value.data(), 4)));
      }
    } else if (WString* field = AttributeField(attribute, tag)) {
      *field = AsfString(value);
    }
  }
  return true;
}

// Calls fn(guid, object) for each object of a block of consecutive objects, until fn
// returns false, `count` objects were seen, or an object is damaged.
template <typename Fn>
void ForEachObject(Bytes objects, std::uint64_t count, Fn fn) {
  std::size_t offset = 0;
  for (; count > 0; --count) {
    if (objects.size() - offset < kObjectHeaderLength) {
      return;
    }
    const std::uint8_t* p = objects.data() + offset;
    const std::uint64_t objectSize = LittleEndian(p + 16, 8) & 0xFFFFFFFFu;
    if (objectSize < kObjectHeaderLength || objectSize > objects.size() - offset) {
      return;
    }
    if (!fn(p, objects.subspan(offset, static_cast<std::size_t>(objectSize)))) {
      return;
    }
    offset += static_cast<std::size_t>(objectSize);
  }
}

// The objects of the ASF header (the bytes after its 30-byte start), and their count; false
// when the data is not ASF or its header cannot be read whole.
bool ReadHeaderObjects(TagByteSource& source, Bytes& objects, std::uint64_t& count) {
  const Bytes header = source.ReadAt(0, kHeaderLength);
  if (header.size() != kHeaderLength || std::memcmp(header.data(), kHeaderGuid, 16) != 0) {
    return false;
  }
  const std::uint64_t size = LittleEndian(header.data() + 16, 8);
  count = LittleEndian(header.data() + 24, 4);
  // The size counts the 30 bytes just read; the objects are the rest of it.
  if (size > 0xFFFFFFFFu || size < kHeaderLength) {
    return false;
  }
  const std::size_t objectsLength = static_cast<std::size_t>(size) - kHeaderLength;
  objects = source.ReadAt(kHeaderLength, objectsLength);
  return objects.size() == objectsLength;
}

}  // namespace

bool ReadAsfTags(TagByteSource& source, TMyCustomTag& tag) {
  Bytes objects;
  std::uint64_t count = 0;
  if (!ReadHeaderObjects(source, objects, count)) {
    return false;
  }
  ForEachObject(objects, count, [&](const std::uint8_t* guid, Bytes object) {
    if (std::memcmp(guid, kContentDescriptionGuid, 16) == 0) {
      return ReadContentDescription(object, tag);
    }
    if (std::memcmp(guid, kExtendedContentDescriptionGuid, 16) == 0) {
      return ReadExtendedContentDescription(object, tag);
    }
    return true;
  });
  return true;
}

double ReadAsfFrameRate(TagByteSource& source) {
  Bytes objects;
  std::uint64_t count = 0;
  if (!ReadHeaderObjects(source, objects, count)) {
    return -1.0;
  }
  // Header Extension: reserved GUID (16), reserved word (2), data size (4), then objects.
  constexpr std::size_t kExtensionData = kObjectHeaderLength + 22;
  // Extended Stream Properties: the average time per frame (100 ns units) at offset 80.
  constexpr std::size_t kTimePerFrame = kObjectHeaderLength + 56;
  std::uint64_t timePerFrame = 0;
  ForEachObject(objects, count, [&](const std::uint8_t* guid, Bytes object) {
    if (std::memcmp(guid, kHeaderExtensionGuid, 16) != 0 || object.size() < kExtensionData) {
      return true;
    }
    ForEachObject(object.subspan(kExtensionData), UINT64_MAX,
                  [&](const std::uint8_t* inner, Bytes ext) {
                    if (std::memcmp(inner, kExtendedStreamPropertiesGuid, 16) == 0 &&
                        ext.size() >= kTimePerFrame + 8) {
                      timePerFrame = LittleEndian(ext.data() + kTimePerFrame, 8);
                    }
                    return timePerFrame == 0;
                  });
    return timePerFrame == 0;
  });
  return timePerFrame > 0 ? 10000000.0 / static_cast<double>(timePerFrame) : 0.0;
}

TMyTagWMA::TMyTagWMA(WStringView fileName) : TMyTagWMA() { Load(fileName); }

void TMyTagWMA::Load(WStringView fileName) {
  Clear();
  LoadFileFacts(fileName);
  if (IsOpen()) {
    TagFileSource source(*this);
    ReadAsfTags(source, *this);
  }
  Close();
}

void TMyTagWMA::LoadBytes(const std::uint8_t* data, std::size_t size) {
  Clear();
  TagMemorySource source(data, size);
  ReadAsfTags(source, *this);
}

}  // namespace mivaro
