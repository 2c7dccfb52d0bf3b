// ID3 tag reader: the ID3v2 tag (versions 2.2, 2.3, 2.4) at the start of an MP3 file, or,
// when there is none, the ID3v1/1.1 tag in its last 128 bytes. Reads only.
//
// Frames filled: the text frames of the tag field table (a later frame replaces an earlier
// one), COMM/USLT/TXXX/WXXX joined with "\r\r" into Comment, Lyrics, UserText and Url.
// Encoding 0 and ID3v1 text are code page 932. Damaged tags end the read early; fields
// filled before the damage stay. Compressed frames are inflated (bounded); encrypted
// frames are skipped; a SEEK frame leads to a further tag later in the data, read in turn.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tags/tag.h"

namespace mivaro {

class TagByteSource;

// What was found.
struct Id3ReadResult {
  int kind = 0;          // 2 ID3v2, 1 ID3v1, 0 none
  int majorVersion = 0;  // ID3v2 header byte 3; 1 for ID3v1
  int revision = 0;      // ID3v2 header byte 4; ID3v1: 1 with a track number, else 0
};

// Reads the ID3 tags of the data into tag's text fields and TagVersion (nothing else of
// tag is touched; its fields are expected cleared).
Id3ReadResult ReadId3Tags(TagByteSource& source, TMyCustomTag& tag);

class TMyTagID3 : public TMyCustomTag {
 public:
  TMyTagID3() = default;
  // Create(), then Load(fileName).
  explicit TMyTagID3(WStringView fileName);

  // Clear, file facts, then the ID3v2 read or, failing that, the ID3v1 read; the file is
  // closed at the end in every case.
  void Load(WStringView fileName) override;
  // Clear of the base, and tag kind, major version and revision 0.
  void Clear() override;
  // Clear, then reads the tags of a file image in memory (the file facts stay as they are).
  void LoadBytes(const std::uint8_t* data, std::size_t size);

  int TagKind() const { return result_.kind; }
  int MajorVersion() const { return result_.majorVersion; }
  int Revision() const { return result_.revision; }

 private:
  Id3ReadResult result_;
};

}  // namespace mivaro
