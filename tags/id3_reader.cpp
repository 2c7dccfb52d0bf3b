#include "tags/id3_reader.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <thread>
#include <vector>

#include "core/hooks.h"
#include "tags/tag_source.h"
#include "tags/tag_text.h"

namespace mivaro {
namespace {

using Bytes = std::span<const std::uint8_t>;

// The thread that ran the program's static initialisation: the user-interface thread.
// Only there may the reader let pending window messages be processed.
const std::thread::id kMainThread = std::this_thread::get_id();

// Limits that keep a damaged or hostile tag from costing more than a real one would.
constexpr std::size_t kMaxInflatedFrame = 16u << 20;  // bytes of one decompressed frame
constexpr int kMaxChainedTags = 8;                    // tags reached through SEEK frames

std::uint32_t BigEndian(const std::uint8_t* p, int n) {
  std::uint32_t v = 0;
  for (int i = 0; i < n; ++i) {
    v = (v << 8) | p[i];
  }
  return v;
}

// Four 7-bit groups, most significant first. The byte values are taken whole, as the
// writers of damaged tags meant them; the result still fits 32 bits.
std::uint32_t SyncSafe(const std::uint8_t* p) {
  return ((static_cast<std::uint32_t>(p[0]) * 128u + p[1]) * 128u + p[2]) * 128u + p[3];
}

// Removes every 0x00 that directly follows a 0xFF.
std::vector<std::uint8_t> UndoUnsync(Bytes in) {
  std::vector<std::uint8_t> out;
  out.reserve(in.size());
  for (std::size_t i = 0; i < in.size(); ++i) {
    out.push_back(in[i]);
    if (in[i] == 0xFF && i + 1 < in.size() && in[i + 1] == 0x00) {
      ++i;
    }
  }
  return out;
}

std::size_t FindByte(Bytes b, std::size_t from) {
  for (std::size_t i = from; i < b.size(); ++i) {
    if (b[i] == 0) {
      return i;
    }
  }
  return b.size();
}

// Decodes the text of a frame by its encoding byte. Encodings 1 and 2 follow a byte order
// mark when one is present. The text ends at its first NUL.
WString DecodeText(int encoding, Bytes b) {
  WString text;
  switch (encoding) {
    case 0:
      text = tagtext::DecodeAnsi(b.data(), FindByte(b, 0));
      return text;
    case 3:
      text = tagtext::DecodeUtf8(b.data(), FindByte(b, 0));
      return text;
    case 1:
    case 2: {
      bool bigEndian = encoding == 2;
      if (b.size() >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) {
        const Bytes rest = b.subspan(3);
        return tagtext::DecodeUtf8(rest.data(), FindByte(rest, 0));
      }
      if (b.size() >= 2 && b[0] == 0xFF && b[1] == 0xFE) {
        bigEndian = false;
        b = b.subspan(2);
      } else if (b.size() >= 2 && b[0] == 0xFE && b[1] == 0xFF) {
        bigEndian = true;
        b = b.subspan(2);
      }
      std::size_t end = 0;
      while (end + 1 < b.size() && (b[end] != 0 || b[end + 1] != 0)) {
        end += 2;
      }
      return tagtext::DecodeUtf16(b.data(), std::min(end, b.size()), bigEndian);
    }
    default:
      return text;
  }
}

// Offset just past the terminator of a description that starts at `start`, or npos.
std::size_t SkipDescription(Bytes b, std::size_t start, bool wide) {
  if (!wide) {
    const std::size_t z = FindByte(b, start);
    return z < b.size() ? z + 1 : std::string_view::npos;
  }
  for (std::size_t i = start; i + 1 < b.size(); i += 2) {
    if (b[i] == 0 && b[i + 1] == 0) {
      return i + 2;
    }
  }
  return std::string_view::npos;
}

// A text with description ("COMM", "USLT", "TXXX"): the text after the description.
WString DescribedText(Bytes b, bool hasLanguage) {
  const std::size_t start = hasLanguage ? 4 : 1;
  if (b.size() < start) {
    return {};
  }
  int encoding = b[0];
  if (encoding != 0 && encoding != 1 && encoding != 3) {
    encoding = 2;
  }
  const std::size_t text = SkipDescription(b, start, encoding == 1 || encoding == 2);
  if (text == std::string_view::npos) {
    return {};
  }
  return DecodeText(encoding, b.subspan(text));
}

// "WXXX": the link after the description, 8-bit text up to its first zero byte, without
// leading control or filler bytes.
WString LinkText(Bytes b) {
  if (b.empty()) {
    return {};
  }
  const bool wide = b[0] != 0 && b[0] != 3;
  std::size_t i = SkipDescription(b, 1, wide);
  if (i == std::string_view::npos) {
    return {};
  }
  while (i < b.size() && (b[i] <= 31 || b[i] == 127 || b[i] >= 253)) {
    ++i;
  }
  const Bytes link = b.subspan(i);
  return tagtext::DecodeAnsi(link.data(), FindByte(link, 0));
}

void Join(WString& field, WString value) {
  if (value.empty()) {
    return;
  }
  if (field.empty()) {
    field = std::move(value);
  } else {
    field += u"\r\r";
    field += value;
  }
}

constexpr std::uint32_t Id(const char* s) {
  return (static_cast<std::uint32_t>(static_cast<std::uint8_t>(s[0])) << 24) |
         (static_cast<std::uint32_t>(static_cast<std::uint8_t>(s[1])) << 16) |
         (static_cast<std::uint32_t>(static_cast<std::uint8_t>(s[2])) << 8) |
         (s[3] != '\0' ? static_cast<std::uint32_t>(static_cast<std::uint8_t>(s[3])) : 0u);
}

// The field a text frame fills, or nullptr for text frames not shown.
WString* TextFrameField(std::uint32_t id, int major, TMyCustomTag& t) {
  switch (id) {
    case Id("TALB"): case Id("TAL\0"): return &t.Album;
    case Id("TPE2"): case Id("TP2\0"): return &t.AlbumArtist;
    case Id("TPE1"): case Id("TP1\0"): return &t.Artist;
    case Id("TCOM"): case Id("TCM\0"): return &t.Composer;
    case Id("TPE3"): case Id("TP3\0"): return &t.Conductor;
    case Id("TCON"): case Id("TCO\0"): return &t.Genre;
    case Id("TOAL"): case Id("TOT\0"): return &t.OriginalAlbum;
    case Id("TOPE"): case Id("TOA\0"): return &t.OriginalArtist;
    case Id("TOLY"): case Id("TOL\0"): return &t.OriginalLyricist;
    case Id("TPUB"): case Id("TPB\0"): return &t.Publisher;
    case Id("TDAT"): case Id("TDA\0"): return &t.ReleaseDate;
    case Id("TORY"): case Id("TOR\0"): return &t.OriginalYear;
    case Id("TIT1"): case Id("TT1\0"): return &t.ContentGroup;
    case Id("TPOS"): case Id("TPA\0"): return &t.PartOfSet;
    case Id("TIT3"): case Id("TT3\0"): return &t.Subtitle;
    case Id("TIT2"): case Id("TT2\0"): return &t.Title;
    case Id("TRCK"): case Id("TRK\0"): return &t.Track;
    case Id("TPE4"): case Id("TP4\0"): return &t.ModifiedBy;
    case Id("TEXT"): case Id("TXT\0"): return &t.Writer;
    case Id("TYER"): case Id("TYE\0"): return &t.Year;
    // Version 2.4 replaced the year frames by time stamps; without them 2.4 tags would
    // show no year at all. They fill the field only when the old frame left it empty.
    case Id("TDRC"): return major == 4 && t.Year.empty() ? &t.Year : nullptr;
    case Id("TDOR"): return major == 4 && t.OriginalYear.empty() ? &t.OriginalYear : nullptr;
    default: return nullptr;
  }
}

bool Inflate(Bytes in, std::size_t expected, std::vector<std::uint8_t>& out) {
  // Deflate expands at most about 1032 to 1, so the stored bytes bound the output; the
  // stated size is only a hint for the first allocation.
  const std::size_t limit = std::min(kMaxInflatedFrame, in.size() * 1032 + 64);
  const std::size_t first = expected > 0 ? expected : in.size() * 4 + 64;
  out.assign(std::clamp<std::size_t>(first, 16, limit), 0);
  z_stream zs{};
  if (inflateInit(&zs) != Z_OK) {
    return false;
  }
  zs.next_in = const_cast<Bytef*>(in.data());
  zs.avail_in = static_cast<uInt>(in.size());
  int rc = Z_OK;
  while (true) {
    zs.next_out = out.data() + zs.total_out;
    zs.avail_out = static_cast<uInt>(out.size() - zs.total_out);
    rc = inflate(&zs, Z_NO_FLUSH);
    if (rc == Z_STREAM_END || rc != Z_OK || zs.avail_out != 0) {
      break;
    }
    if (out.size() >= limit) {
      rc = Z_BUF_ERROR;
      break;
    }
    out.resize(std::min(out.size() * 2, limit));
  }
  out.resize(zs.total_out);
  inflateEnd(&zs);
  return rc == Z_STREAM_END;
}

bool IsFrameIdByte(std::uint8_t c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z'); }

// Whether a frame ending at `pos` leaves the walk at the end of the tag, on padding or on
// something that looks like the next frame header.
bool EndsOnFrameBoundary(const std::vector<std::uint8_t>& body, std::size_t size,
                         std::size_t pos, std::size_t headerLength) {
  if (pos >= size) {
    return pos == size;
  }
  if (body[pos] == 0) {
    return true;
  }
  if (size - pos < headerLength) {
    return false;
  }
  return std::all_of(body.begin() + static_cast<std::ptrdiff_t>(pos),
                     body.begin() + static_cast<std::ptrdiff_t>(pos + 4), IsFrameIdByte);
}

class Id3v2Walker {
 public:
  Id3v2Walker(TagByteSource& source, TMyCustomTag& tag) : source_(source), tag_(tag) {}

  // Reads the tag whose header lies at `at`; returns false when there is none there.
  // `next` receives the file offset of a further tag named by a SEEK frame (or -1).
  bool ReadTag(std::int64_t at, Id3ReadResult* header, std::int64_t& next);

 private:
  void Walk(std::vector<std::uint8_t>& body, std::size_t size, std::size_t offset);
  void Dispatch(std::uint32_t id, Bytes data);

  TagByteSource& source_;
  TMyCustomTag& tag_;
  int major_ = 0;
  bool tagUnsync_ = false;
  std::int64_t tagEnd_ = 0;
  std::int64_t seekTarget_ = -1;
  bool pumpMessages_ = std::this_thread::get_id() == kMainThread;
};

bool Id3v2Walker::ReadTag(std::int64_t at, Id3ReadResult* header, std::int64_t& next) {
  next = -1;
  seekTarget_ = -1;
  const Bytes h = source_.ReadAt(at, 10);
  if (h.size() < 10 || h[0] != 'I' || h[1] != 'D' || h[2] != '3') {
    return false;
  }
  major_ = h[3];
  const int revision = h[4];
  const int flags = h[5];
  std::size_t size = SyncSafe(&h[6]);
  if (header != nullptr) {
    header->kind = 2;
    header->majorVersion = major_;
    header->revision = revision;
    char version[32];
    std::snprintf(version, sizeof version, "%d.%d.%d", 2, major_, revision);
    tag_.TagVersion = U16(version);
  }
  tagUnsync_ = (flags & 0x80) != 0;
  tagEnd_ = at + 10 + static_cast<std::int64_t>(size) + (major_ == 4 && (flags & 0x10) ? 10 : 0);
  // Frame layouts are known for versions 2 to 4 only; a compressed version 2.2 tag has no
  // defined compression and is not read either.
  if (major_ < 2 || major_ > 4 || (major_ == 2 && (flags & 0x40))) {
    return true;
  }
  const Bytes raw = source_.ReadAt(at + 10, size);
  if (raw.size() < size || size == 0) {
    return true;
  }
  std::vector<std::uint8_t> body;
  // Version 2.4 marks unsynchronisation frame by frame (its frame sizes count the stored
  // bytes), so only the older versions undo it over the whole body.
  if (tagUnsync_ && major_ < 4) {
    body = UndoUnsync(raw);
  } else {
    body.assign(raw.begin(), raw.end());
  }
  size = body.size();
  std::size_t offset = 0;
  if (major_ >= 3 && (flags & 0x40)) {
    if (size < 4) {
      return true;
    }
    if (major_ == 3) {
      const std::uint32_t extSize = BigEndian(&body[0], 4);
      const std::uint32_t padding = size >= 10 ? BigEndian(&body[6], 4) : 0;
      size = padding < size ? size - padding : 0;
      offset = static_cast<std::size_t>(extSize) + 4;
    } else {
      // Version 2.4 counts the extended header's own size bytes, sync-safe.
      offset = SyncSafe(&body[0]);
    }
  }
  Walk(body, size, offset);
  next = seekTarget_;
  return true;
}

void Id3v2Walker::Walk(std::vector<std::uint8_t>& body, std::size_t size, std::size_t offset) {
  const std::size_t headerLength = major_ == 2 ? 6 : 10;
  std::vector<std::uint8_t> scratch;
  while (offset < size) {
    if (!IsFrameIdByte(body[offset])) {
      break;  // padding
    }
    if (size - offset < headerLength) {
      break;
    }
    const std::uint8_t* h = &body[offset];
    std::uint32_t id = 0;
    std::size_t frameSize = 0;
    int formatFlags = 0;
    if (major_ == 2) {
      id = (static_cast<std::uint32_t>(h[0]) << 24) | (static_cast<std::uint32_t>(h[1]) << 16) |
           (static_cast<std::uint32_t>(h[2]) << 8);
      frameSize = BigEndian(h + 3, 3);
    } else {
      id = BigEndian(h, 4);
      frameSize = major_ == 4 ? SyncSafe(h + 4) : BigEndian(h + 4, 4);
      formatFlags = h[9];
      // Some encoders wrote version 2.4 frame sizes as plain big-endian numbers. When the
      // sync-safe reading leads into the middle of data and the plain one does not, the
      // plain one is what the writer meant.
      const std::size_t plainSize = BigEndian(h + 4, 4);
      if (major_ == 4 && plainSize != frameSize &&
          !EndsOnFrameBoundary(body, size, offset + headerLength + frameSize, headerLength) &&
          EndsOnFrameBoundary(body, size, offset + headerLength + plainSize, headerLength)) {
        frameSize = plainSize;
      }
    }
    offset += headerLength;
    if (frameSize > size - offset) {
      break;  // the stated size runs past the end of the tag
    }
    Bytes stored(body.data() + offset, frameSize);
    offset += frameSize;
    if (frameSize == 0) {
      continue;
    }
    bool compressed = false;
    bool encrypted = false;
    std::size_t extra = 0;
    std::size_t declaredSize = 0;
    bool unsync = false;
    if (major_ == 3) {
      compressed = (formatFlags & 0x80) != 0;
      encrypted = (formatFlags & 0x40) != 0;
      if (compressed && stored.size() >= 4) {
        declaredSize = BigEndian(stored.data(), 4);
      }
      extra = (compressed ? 4 : 0) + (encrypted ? 1 : 0) + ((formatFlags & 0x20) ? 1 : 0);
    } else if (major_ == 4) {
      compressed = (formatFlags & 0x08) != 0;
      encrypted = (formatFlags & 0x04) != 0;
      unsync = (formatFlags & 0x02) != 0 || tagUnsync_;
      const bool hasLength = (formatFlags & 0x01) != 0;
      extra = ((formatFlags & 0x40) ? 1 : 0) + (encrypted ? 1 : 0);
      if (hasLength && stored.size() >= extra + 4) {
        declaredSize = SyncSafe(stored.data() + extra);
      }
      extra += hasLength ? 4 : 0;
    }
    if (encrypted || extra >= stored.size()) {
      continue;
    }
    Bytes data = stored.subspan(extra);
    std::vector<std::uint8_t> unsynced;
    if (unsync) {
      unsynced = UndoUnsync(data);
      data = Bytes(unsynced);
    }
    if (compressed) {
      if (!Inflate(data, declaredSize, scratch)) {
        continue;
      }
      data = Bytes(scratch);
    }
    Dispatch(id, data);
    if (pumpMessages_) {
      ProcessMessages();
    }
  }
}

void Id3v2Walker::Dispatch(std::uint32_t id, Bytes data) {
  const std::uint8_t c = static_cast<std::uint8_t>(id >> 24);
  switch (id) {
    case Id("COMM"): case Id("COM\0"):
      Join(tag_.Comment, DescribedText(data, true));
      return;
    case Id("USLT"): case Id("ULT\0"):
      Join(tag_.Lyrics, DescribedText(data, true));
      return;
    case Id("WXXX"): case Id("WXX\0"):
      Join(tag_.Url, LinkText(data));
      return;
    case Id("TXXX"): case Id("TXX\0"):
      Join(tag_.UserText, DescribedText(data, false));
      return;
    case Id("SEEK"):
      // The offset counts from the end of this tag to the next tag in the data.
      if (major_ == 4 && data.size() >= 4) {
        seekTarget_ = tagEnd_ + static_cast<std::int64_t>(BigEndian(data.data(), 4));
      }
      return;
    default:
      break;
  }
  if (c == 'W') {
    return;
  }
  if (c == 'T') {
    WString* field = TextFrameField(id, major_, tag_);
    if (field != nullptr && !data.empty()) {
      *field = DecodeText(data[0], data.subspan(1));
    }
  }
}

// The ID3v1 tag in the last 128 bytes.
void ReadId3v1(TagByteSource& source, TMyCustomTag& tag, Id3ReadResult& result) {
  const std::int64_t size = source.Size();
  if (size < 128) {
    return;
  }
  const Bytes b = source.ReadAt(size - 128, 128);
  if (b.size() != 128 || b[0] != 'T' || b[1] != 'A' || b[2] != 'G') {
    return;
  }
  // Fields end at their first zero byte; the blanks that many writers pad with go too.
  auto field = [&](std::size_t from, std::size_t length) {
    const Bytes f = b.subspan(from, length);
    std::size_t end = FindByte(f, 0);
    while (end > 0 && f[end - 1] == ' ') {
      --end;
    }
    return tagtext::DecodeAnsi(f.data(), end);
  };
  result.kind = 1;
  result.majorVersion = 1;
  tag.Title = field(3, 30);
  tag.Artist = field(33, 30);
  tag.Album = field(63, 30);
  tag.Year = field(93, 4);
  tag.Comment = field(97, 30);
  tag.Genre = U16(std::to_string(b[127]));
  if (b[125] == 0 && b[126] != 0) {
    tag.Track = U16(std::to_string(b[126]));
    result.revision = 1;
  }
  char version[16];
  std::snprintf(version, sizeof version, "%d.%d", 1, result.revision);
  tag.TagVersion = U16(version);
}

}  // namespace

Id3ReadResult ReadId3Tags(TagByteSource& source, TMyCustomTag& tag) {
  Id3ReadResult result;
  Id3v2Walker walker(source, tag);
  std::int64_t next = -1;
  if (!walker.ReadTag(0, &result, next)) {
    ReadId3v1(source, tag, result);
    return result;
  }
  // Tags reached through SEEK frames lie further on; each hop must move forward, so a
  // damaged offset can neither loop nor go back.
  std::int64_t at = 0;
  for (int hop = 0; hop < kMaxChainedTags && next > at && next < source.Size(); ++hop) {
    at = next;
    if (!walker.ReadTag(at, nullptr, next)) {
      break;
    }
  }
  return result;
}

TMyTagID3::TMyTagID3(WStringView fileName) : TMyTagID3() { Load(fileName); }

void TMyTagID3::Clear() {
  TMyCustomTag::Clear();
  result_ = {};
}

void TMyTagID3::Load(WStringView fileName) {
  Clear();
  LoadFileFacts(fileName);
  if (IsOpen()) {
    TagFileSource source(*this);
    result_ = ReadId3Tags(source, *this);
  }
  Close();
}

void TMyTagID3::LoadBytes(const std::uint8_t* data, std::size_t size) {
  Clear();
  TagMemorySource source(data, size);
  result_ = ReadId3Tags(source, *this);
}

}  // namespace mivaro
