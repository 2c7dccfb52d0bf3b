#include "tags/tag.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <string>

#include "core/numbers.h"
#include "core/paths.h"
#include "platform/os/native_path.h"
#include "platform/media/media_probe.h"
#include "tags/asf_reader.h"
#include "tags/id3_reader.h"
#include "tags/tag_source.h"

namespace mivaro {
namespace {

std::int32_t ToInt32(std::int64_t v) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
}

std::int32_t RoundHalfAwayInt(double x) { return ToInt32(RoundHalfAway(x)); }

std::int32_t RoundAwayFromZeroInt(double x) { return ToInt32(RoundAwayFromZero(x)); }

bool PathIsFolder(const std::string& path) {
  struct stat st;
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

const char* TagFieldName(TMyTagField field) {
  static const char* const kNames[kTagFieldCount] = {
      "Album",       "AlbumArtist",  "Artist",        "Composer",   "Conductor",
      "Director",    "Genre",        "OriginalAlbum", "OriginalArtist",
      "OriginalLyricist", "Publisher", "Producer",    "ReleaseDate", "OriginalYear",
      "ContentGroup", "PartOfSet",   "Subtitle",      "Title",      "Track",
      "ModifiedBy",  "Writer",       "Year",          "UserText",   "Url",
      "Lyrics",      "Comment"};
  const int i = static_cast<int>(field);
  return i >= 0 && i < kTagFieldCount ? kNames[i] : nullptr;
}

// The text fields of the record and of the object are laid out by the same list, so that
// both can be reached by kind.
#define MIVARO_TAG_TEXT_SWITCH(obj, field)                               \
  switch (field) {                                                       \
    case TMyTagField::Album: return obj.Album;                           \
    case TMyTagField::AlbumArtist: return obj.AlbumArtist;               \
    case TMyTagField::Artist: return obj.Artist;                         \
    case TMyTagField::Composer: return obj.Composer;                     \
    case TMyTagField::Conductor: return obj.Conductor;                   \
    case TMyTagField::Director: return obj.Director;                     \
    case TMyTagField::Genre: return obj.Genre;                           \
    case TMyTagField::OriginalAlbum: return obj.OriginalAlbum;           \
    case TMyTagField::OriginalArtist: return obj.OriginalArtist;         \
    case TMyTagField::OriginalLyricist: return obj.OriginalLyricist;     \
    case TMyTagField::Publisher: return obj.Publisher;                   \
    case TMyTagField::Producer: return obj.Producer;                     \
    case TMyTagField::ReleaseDate: return obj.ReleaseDate;               \
    case TMyTagField::OriginalYear: return obj.OriginalYear;             \
    case TMyTagField::ContentGroup: return obj.ContentGroup;             \
    case TMyTagField::PartOfSet: return obj.PartOfSet;                   \
    case TMyTagField::Subtitle: return obj.Subtitle;                     \
    case TMyTagField::Title: return obj.Title;                           \
    case TMyTagField::Track: return obj.Track;                           \
    case TMyTagField::ModifiedBy: return obj.ModifiedBy;                 \
    case TMyTagField::Writer: return obj.Writer;                         \
    case TMyTagField::Year: return obj.Year;                             \
    case TMyTagField::UserText: return obj.UserText;                     \
    case TMyTagField::Url: return obj.Url;                               \
    case TMyTagField::Lyrics: return obj.Lyrics;                         \
    case TMyTagField::Comment: return obj.Comment;                       \
  }                                                                      \
  return obj.Comment

WString& TMyTagValue::Text(TMyTagField field) { MIVARO_TAG_TEXT_SWITCH((*this), field); }
const WString& TMyTagValue::Text(TMyTagField field) const {
  MIVARO_TAG_TEXT_SWITCH((*this), field);
}
WString& TMyCustomTag::Text(TMyTagField field) { MIVARO_TAG_TEXT_SWITCH((*this), field); }
const WString& TMyCustomTag::Text(TMyTagField field) const {
  MIVARO_TAG_TEXT_SWITCH((*this), field);
}
#undef MIVARO_TAG_TEXT_SWITCH

// ---------------------------------------------------------------------------------------
// TMyCustomTag

TMyCustomTag::TMyCustomTag() = default;

TMyCustomTag::TMyCustomTag(WStringView fileName) : TMyCustomTag() { Load(fileName); }

TMyCustomTag::TMyCustomTag(const TMyCustomTag& tag) : TMyCustomTag() { CopyFrom(tag); }

TMyCustomTag::TMyCustomTag(const TMyTagValue& value) : TMyCustomTag() {
  SetNameParts(value.FileName);
  FileSize = value.FileSize;
  WriteTime = value.WriteTime;
  CreateTime = value.CreateTime;
  Duration = value.Duration;
  DurationSeconds = RoundHalfAwayInt(value.Duration);
  VideoWidth = value.VideoWidth;
  VideoHeight = value.VideoHeight;
  FrameRate = value.FrameRate;
  BitRate = value.BitRate;
  for (int i = 0; i < kTagFieldCount; ++i) {
    const auto f = static_cast<TMyTagField>(i);
    Text(f) = value.Text(f);
  }
  FileExists = mivaro::FileExists(FileName);
  FolderExists = mivaro::FolderExists(ExtractFilePath(FileName));
}

TMyCustomTag& TMyCustomTag::operator=(const TMyCustomTag& tag) {
  if (this != &tag) {
    Assign(tag);
  }
  return *this;
}

TMyCustomTag::~TMyCustomTag() { Close(); }

void TMyCustomTag::Load(WStringView fileName) {
  Clear();
  LoadFileFacts(fileName);
  Close();
}

void TMyCustomTag::Clear() {
  TagVersion.clear();
  for (int i = 0; i < kTagFieldCount; ++i) {
    Text(static_cast<TMyTagField>(i)).clear();
  }
  VideoWidth = 0;
  VideoHeight = 0;
  FrameRate = 0.0;
  BitRate = 0;
  Duration = -1.0;
}

void TMyCustomTag::CopyFrom(const TMyCustomTag& tag) {
  SetNameParts(tag.FileName);
  FileSize = tag.FileSize;
  WriteTime = tag.WriteTime;
  CreateTime = tag.CreateTime;
  FileExists = tag.FileExists;
  FolderExists = tag.FolderExists;
  VideoWidth = tag.VideoWidth;
  VideoHeight = tag.VideoHeight;
  FrameRate = tag.FrameRate;
  Duration = tag.Duration;
  DurationSeconds = RoundHalfAwayInt(tag.Duration);
  BitRate = tag.BitRate;
  TagVersion = tag.TagVersion;
  for (int i = 0; i < kTagFieldCount; ++i) {
    const auto f = static_cast<TMyTagField>(i);
    Text(f) = tag.Text(f);
  }
}

void TMyCustomTag::Assign(const TMyCustomTag& tag) {
  if (this != &tag) {
    CopyFrom(tag);
  }
}

void TMyCustomTag::AssignValue(const TMyTagValue& value) {
  const TMyCustomTag temp(value);
  Assign(temp);
}

void TMyCustomTag::ToValue(TMyTagValue& value) const {
  value.FileName = FileName;
  value.FileSize = FileSize;
  value.WriteTime = WriteTime;
  value.CreateTime = CreateTime;
  value.DurationSeconds = DurationSeconds;
  value.Duration = Duration;
  value.VideoWidth = VideoWidth;
  value.VideoHeight = VideoHeight;
  value.FrameRate = FrameRate;
  value.BitRate = BitRate;
  for (int i = 0; i < kTagFieldCount; ++i) {
    const auto f = static_cast<TMyTagField>(i);
    value.Text(f) = Text(f);
  }
  value.Title = TitleOrFileTitle();
}

TMyTagValue TMyCustomTag::ToValue() const {
  TMyTagValue value;
  ToValue(value);
  return value;
}

void TMyCustomTag::SetNameParts(WStringView fileName) {
  FileName.assign(fileName);
  SplitPathParts(fileName, FilePath, FileNameOnly, FileExt, FileTitle);
  FileDir = ExtractFileDir(fileName);
}

void TMyCustomTag::LoadFileFacts(WStringView fileName) {
  Close();
  SetNameParts(fileName);
  FileSize = 0;
  WriteTime = 0;
  CreateTime = 0;
  FileExists = false;
  FolderExists = false;
  if (FileName.empty()) {
    return;
  }
  const std::string name = os::NativePath(FileName);
  if (name.empty()) {
    return;
  }
  // Shared read access: the file stays usable by everybody else while a reader works.
  int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  bool haveStat = false;
  bool isFolder = false;
  struct statx sx {};
  if (fd >= 0) {
    if (::statx(fd, "", AT_EMPTY_PATH, STATX_TYPE | STATX_SIZE | STATX_MTIME | STATX_BTIME,
                &sx) == 0) {
      haveStat = true;
      isFolder = S_ISDIR(sx.stx_mode);
    }
    if (isFolder || !haveStat || !S_ISREG(sx.stx_mode)) {
      // Only regular files are read: a folder is no file, and a FIFO, device or socket
      // could block the reader or never end.
      ::close(fd);
      fd = -1;
    }
  } else if (::statx(AT_FDCWD, name.c_str(), 0, STATX_TYPE, &sx) == 0) {
    // The file exists but cannot be read: it exists, but no size or times.
    FileExists = !S_ISDIR(sx.stx_mode);
  }
  if (fd >= 0) {
    fd_ = fd;
    FileExists = true;
    if ((sx.stx_mask & STATX_SIZE) && S_ISREG(sx.stx_mode)) {
      FileSize = static_cast<std::int64_t>(sx.stx_size);
    }
    if (sx.stx_mask & STATX_MTIME) {
      WriteTime = FileTimeFromUnix(sx.stx_mtime.tv_sec, sx.stx_mtime.tv_nsec);
    }
    if (sx.stx_mask & STATX_BTIME) {
      CreateTime = FileTimeFromUnix(sx.stx_btime.tv_sec, sx.stx_btime.tv_nsec);
    } else {
      CreateTime = WriteTime;
    }
  }
  if (!FilePath.empty()) {
    // A file found through the folder proves the folder.
    FolderExists = FileExists || isFolder || PathIsFolder(os::NativePath(FilePath));
  }
}

void TMyCustomTag::LoadMediaProperties() {
  VideoWidth = 0;
  VideoHeight = 0;
  FrameRate = 0.0;
  BitRate = 0;
  if (FileName.empty()) {
    return;
  }
  const MediaProbeResult probe = ProbeMediaFile(FileName);
  if (probe.duration >= 0) {
    Duration = probe.duration;
    DurationSeconds = RoundAwayFromZeroInt(Duration);
  }
  VideoWidth = probe.videoWidth;
  VideoHeight = probe.videoHeight;
  double frameRate = probe.frameRate;
  if (frameRate > 0) {
    // The ASF demuxer reports a made-up 25 frames per second when the header states no
    // frame time; the header itself decides for ASF files.
    TMyCustomTag file;
    file.LoadFileFacts(FileName);
    TagFileSource source(file);
    const double stated = ReadAsfFrameRate(source);
    if (stated >= 0) {
      frameRate = stated;
    }
  }
  if (frameRate > 0) {
    FrameRate = RoundHalfAwayInt(frameRate * 100.0) / 100.0;
  }
  BitRate = probe.bitRate;
  if (BitRate <= 0 && Duration > 0 && FileSize > 0) {
    // Containers that state no rate: the file's average.
    BitRate = static_cast<std::int32_t>(
        std::min(static_cast<double>(FileSize) * 8.0 / Duration, static_cast<double>(INT32_MAX)));
  }
}

WString TMyCustomTag::TitleOrFileTitle() const { return Title.empty() ? FileTitle : Title; }

WString TMyCustomTag::WriteTimeText() const {
  TMySystemTime t;
  if (WriteTime == 0 || !FileTimeToLocalSystemTime(WriteTime, t)) {
    return {};
  }
  // The time passes through a DOS date and time: two-second steps, years 1980 to 2107.
  if (t.year < 1980 || t.year > 2107) {
    return {};
  }
  t.second &= ~1;
  t.milliseconds = 0;
  return SystemTimeText(t);
}

WString TMyCustomTag::SizeText() const { return mivaro::SizeText(FileSize); }

bool TMyCustomTag::HasVideoSize() const { return VideoWidth >= 1 && VideoHeight >= 1; }

std::size_t TMyCustomTag::ReadBlock(std::size_t count) {
  buffer_.clear();
  buffer_.shrink_to_fit();
  if (fd_ < 0) {
    return 0;
  }
  const off_t pos = ::lseek(fd_, 0, SEEK_CUR);
  if (pos < 0) {
    return 0;
  }
  const std::size_t n = ReadBlockAt(pos, count);
  ::lseek(fd_, pos + static_cast<off_t>(n), SEEK_SET);
  return n;
}

std::size_t TMyCustomTag::ReadBlockAt(std::int64_t offset, std::size_t count) {
  buffer_.clear();
  if (fd_ < 0 || offset < 0 || offset >= FileSize) {
    buffer_.shrink_to_fit();
    return 0;
  }
  // Never more than the file holds: a damaged size field cannot make a huge allocation.
  count = static_cast<std::size_t>(
      std::min<std::uint64_t>(count, static_cast<std::uint64_t>(FileSize - offset)));
  buffer_.resize(count);
  std::size_t done = 0;
  while (done < count) {
    const ssize_t r = ::pread(fd_, buffer_.data() + done, count - done,
                              static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
    if (r < 0 && errno == EINTR) {
      continue;
    }
    if (r <= 0) {
      break;
    }
    done += static_cast<std::size_t>(r);
  }
  buffer_.resize(done);
  return done;
}

std::size_t TMyCustomTag::ReadTail(std::size_t count) {
  const std::int64_t start =
      FileSize > static_cast<std::int64_t>(count) ? FileSize - static_cast<std::int64_t>(count) : 0;
  return ReadBlockAt(start, count);
}

void TMyCustomTag::Close() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
  buffer_.clear();
  buffer_.shrink_to_fit();
}

// ---------------------------------------------------------------------------------------
// TMyTag, TMyTag2

TMyTag::TMyTag(WStringView fileName) : TMyTag() { Load(fileName); }

namespace {

// ".mp3" -> 1, ".wma"/".wmv" -> 2, anything else 0 (ASCII case-insensitive).
int ReaderKind(WStringView ext) {
  if (ext.size() != 4 || ext[0] != u'.') {
    return 0;
  }
  char s[4] = {};
  for (int i = 1; i < 4; ++i) {
    const char16_t c = ext[static_cast<std::size_t>(i)];
    if (c >= 0x80) {
      return 0;
    }
    s[i - 1] = static_cast<char>(AsciiLower(c));
  }
  const std::string e(s, 3);
  if (e == "mp3") {
    return 1;
  }
  if (e == "wma" || e == "wmv") {
    return 2;
  }
  return 0;
}

}  // namespace

void TMyTag::Load(WStringView fileName) {
  Clear();
  LoadFileFacts(fileName);
  // The readers work on this object's open file directly: one open and one status query
  // per file, which is most of the cost of reading a tag.
  const int kind = ReaderKind(FileExt);
  if (kind == 0) {
    Clear();
    Close();
    return;
  }
  if (IsOpen()) {
    TagFileSource source(*this);
    if (kind == 1) {
      ReadId3Tags(source, *this);
    } else {
      ReadAsfTags(source, *this);
    }
  }
  Close();
  Title = TitleOrFileTitle();
}

TMyTag2::TMyTag2(WStringView fileName) : TMyTag2() { Load(fileName); }

void TMyTag2::Load(WStringView fileName) {
  TMyTag::Load(fileName);
  LoadMediaProperties();
}

}  // namespace mivaro
