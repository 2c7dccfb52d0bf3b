// Tag objects: one object describes one media file.
//
// TMyCustomTag holds the file facts (name parts, size, times, existence), the tag texts
// and the media properties (duration, video size, frame rate, bit rate), and reads the
// file facts. TMyTag picks a tag reader by the file's extension (".mp3" -> ID3,
// ".wma"/".wmv" -> ASF); TMyTag2 also measures the media properties. TMyTagValue is the
// flat record that carries one file's information between threads and lists.
//
// Objects are filled by one Load (or made from another object or a record) and are
// read-only afterwards; an object is used by one thread at a time. Nothing here raises an
// error: a missing or unreadable file gives the facts that could be found, empty texts,
// FileExists false and Duration -1.0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/files.h"
#include "core/ustring.h"

namespace mivaro {

// The tag text fields, in the order of the record TMyTagValue (and of `mivaro-tool tags`).
enum class TMyTagField : int {
  Album,
  AlbumArtist,
  Artist,
  Composer,
  Conductor,
  Director,
  Genre,
  OriginalAlbum,
  OriginalArtist,
  OriginalLyricist,
  Publisher,
  Producer,
  ReleaseDate,
  OriginalYear,
  ContentGroup,
  PartOfSet,
  Subtitle,
  Title,
  Track,
  ModifiedBy,
  Writer,
  Year,
  UserText,
  Url,
  Lyrics,
  Comment,
};
inline constexpr int kTagFieldCount = 26;

// "Album", "AlbumArtist", ... "Comment"; nullptr outside 0..kTagFieldCount-1.
const char* TagFieldName(TMyTagField field);

// Flat record of one file's information. Times are FILETIME values (100-ns ticks since
// 1601-01-01 UTC); Duration is seconds (-1.0 when not measured). The Title slot carries
// the object's TitleOrFileTitle. TagVersion, the name parts and the existence flags are
// not carried. BitRate (bits per second, 0 when unknown) is carried last.
struct TMyTagValue {
  WString FileName;
  std::int64_t FileSize = 0;
  FileTime WriteTime = 0;
  FileTime CreateTime = 0;
  std::int32_t DurationSeconds = 0;
  double Duration = -1.0;
  std::int32_t VideoWidth = 0;
  std::int32_t VideoHeight = 0;
  double FrameRate = 0.0;
  WString Album, AlbumArtist, Artist, Composer, Conductor, Director, Genre, OriginalAlbum,
      OriginalArtist, OriginalLyricist, Publisher, Producer, ReleaseDate, OriginalYear,
      ContentGroup, PartOfSet, Subtitle, Title, Track, ModifiedBy, Writer, Year, UserText,
      Url, Lyrics, Comment;
  std::int32_t BitRate = 0;

  // Text field by kind (the record's own slots).
  WString& Text(TMyTagField field);
  const WString& Text(TMyTagField field) const;
};

class TMyCustomTag {
 public:
  // Empty object: Duration -1.0, no file open, no buffer.
  TMyCustomTag();
  // Create(), then Load(fileName) (file facts only for this class).
  explicit TMyCustomTag(WStringView fileName);
  // Create(), then Assign(tag).
  TMyCustomTag(const TMyCustomTag& tag);
  // Create(), then filled from the record.
  explicit TMyCustomTag(const TMyTagValue& value);
  TMyCustomTag& operator=(const TMyCustomTag& tag);
  virtual ~TMyCustomTag();

  // Reads the file facts (overridden by the readers and TMyTag to read tags too).
  virtual void Load(WStringView fileName);
  // Resets TagVersion, all text fields, VideoWidth, VideoHeight, FrameRate, BitRate (0)
  // and Duration (-1.0).
  virtual void Clear();
  // Copies every field except the open file and the buffer; the name parts are
  // recomputed from FileName and DurationSeconds is RoundHalfAway(Duration).
  virtual void Assign(const TMyCustomTag& tag);
  // Assign of an object made from the record.
  virtual void AssignValue(const TMyTagValue& value);
  // Fills the record from the object.
  virtual void ToValue(TMyTagValue& value) const;
  TMyTagValue ToValue() const;

  // The file-fact part of Load; leaves the file open for a reader.
  void LoadFileFacts(WStringView fileName);
  // Measures Duration, VideoWidth, VideoHeight, FrameRate (and BitRate) of FileName with
  // the media probe; DurationSeconds becomes Duration rounded up (away from zero).
  // Properties that cannot be measured stay 0 (Duration stays as it was).
  void LoadMediaProperties();

  // Title, or FileTitle when Title is empty.
  WString TitleOrFileTitle() const;
  // WriteTime as local date and time text.
  WString WriteTimeText() const;
  // FileSize as size text ("0B", "1.5KB", ...).
  WString SizeText() const;
  // VideoWidth and VideoHeight both at least 1.
  bool HasVideoSize() const;

  // Text field by kind.
  WString& Text(TMyTagField field);
  const WString& Text(TMyTagField field) const;

  // File facts.
  WString FileName;      // full path
  WString FilePath;      // folder with trailing separator
  WString FileDir;       // folder without trailing separator
  WString FileNameOnly;  // name with extension
  WString FileExt;       // extension with dot
  WString FileTitle;     // name without extension
  std::int64_t FileSize = 0;
  FileTime WriteTime = 0;   // FILETIME, UTC; 0 when unknown
  FileTime CreateTime = 0;  // FILETIME, UTC
  bool FileExists = false;
  bool FolderExists = false;

  // Media properties.
  std::int32_t VideoWidth = 0;
  std::int32_t VideoHeight = 0;
  double FrameRate = 0.0;
  std::int32_t DurationSeconds = 0;
  double Duration = -1.0;
  std::int32_t BitRate = 0;  // bits per second; 0 when unknown

  // "2.3.0" for ID3v2, "1.0"/"1.1" for ID3v1, empty otherwise.
  WString TagVersion;

  // Tag texts.
  WString Album, AlbumArtist, Artist, Composer, Conductor, Director, Genre, OriginalAlbum,
      OriginalArtist, OriginalLyricist, Publisher, Producer, ReleaseDate, OriginalYear,
      ContentGroup, PartOfSet, Subtitle, Title, Track, ModifiedBy, Writer, Year, UserText,
      Url, Lyrics, Comment;

 public:
  // Block reads for the readers. Each frees the previous buffer first and returns the
  // number of bytes now in Buffer() (0 when no file is open).
  // Up to count bytes from the current file position (never more than FileSize).
  std::size_t ReadBlock(std::size_t count);
  // Up to count bytes from an absolute offset; nothing when offset lies at or past the end.
  std::size_t ReadBlockAt(std::int64_t offset, std::size_t count);
  // The last count bytes of the file, or the whole file when it is shorter.
  std::size_t ReadTail(std::size_t count);
  // Closes the file and frees the buffer.
  void Close();
  bool IsOpen() const { return fd_ >= 0; }
  const std::vector<std::uint8_t>& Buffer() const { return buffer_; }
  std::vector<std::uint8_t>& Buffer() { return buffer_; }

 private:
  void SetNameParts(WStringView fileName);
  void CopyFrom(const TMyCustomTag& tag);

  int fd_ = -1;
  std::vector<std::uint8_t> buffer_;
};

// Chooses the tag reader by the file's extension and copies its results.
class TMyTag : public TMyCustomTag {
 public:
  TMyTag() = default;
  explicit TMyTag(WStringView fileName);
  explicit TMyTag(const TMyCustomTag& tag) : TMyCustomTag(tag) {}
  explicit TMyTag(const TMyTagValue& value) : TMyCustomTag(value) {}
  TMyTag(const TMyTag& tag) : TMyCustomTag(tag) {}
  TMyTag& operator=(const TMyTag& tag) = default;

  // File facts, then the tags: ".mp3" (any case) through the ID3 reader, ".wma"/".wmv"
  // through the ASF reader, anything else file facts only.
  void Load(WStringView fileName) override;
};

// TMyTag plus the media properties.
class TMyTag2 : public TMyTag {
 public:
  TMyTag2() = default;
  explicit TMyTag2(WStringView fileName);
  explicit TMyTag2(const TMyCustomTag& tag) : TMyTag(tag) {}
  explicit TMyTag2(const TMyTagValue& value) : TMyTag(value) {}
  TMyTag2(const TMyTag2& tag) : TMyTag(tag) {}
  TMyTag2& operator=(const TMyTag2& tag) = default;

  // TMyTag::Load, then LoadMediaProperties.
  void Load(WStringView fileName) override;
};

}  // namespace mivaro
