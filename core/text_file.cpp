// Whole-file text reading with encoding detection, the hexadecimal dump, and the writer.
#include "core/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <new>
#include <thread>

#include "core/atomic_file.h"
#include "core/hooks.h"
#include "platform/os/native_path.h"

namespace mivaro {
namespace {

constexpr int kReadAttempts = 4;
constexpr auto kRetryDelay = std::chrono::milliseconds(200);
// Detection looks at this many bytes from the start of the file.
constexpr std::size_t kDetectBytes = 1024;
// When those are plain 7-bit text, it looks this far before deciding "ANSI".
constexpr std::size_t kDetectBytesExtended = 64 * 1024;

// Errors after which trying again cannot help (the file is not there or not a file).
bool IsPermanentError(int err) {
  return err == ENOENT || err == ENOTDIR || err == EISDIR || err == ENAMETOOLONG ||
         err == ELOOP || err == EACCES || err == EPERM || err == EINVAL;
}

enum class ReadResult { Ok, Retry, Fail };

ReadResult ReadOnce(const std::string& path, std::uint64_t byteCount, std::string& out) {
  out.clear();
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return IsPermanentError(errno) ? ReadResult::Fail : ReadResult::Retry;
  struct stat st {};
  if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    close(fd);
    return ReadResult::Fail;
  }
  // Only regular files are read: a FIFO or a device could block or never end.
  if (!S_ISREG(st.st_mode)) {
    close(fd);
    return ReadResult::Fail;
  }
  const std::uint64_t size = static_cast<std::uint64_t>(st.st_size);
  const std::uint64_t want = byteCount < size ? byteCount : size;
  try {
    out.resize(static_cast<std::size_t>(want));
  } catch (const std::exception&) {
    close(fd);
    return ReadResult::Fail;
  }
  std::size_t got = 0;
  while (got < out.size()) {
    const ssize_t n = read(fd, out.data() + got, out.size() - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      close(fd);
      out.clear();
      return ReadResult::Retry;
    }
    if (n == 0) break;  // the file shrank meanwhile
    got += static_cast<std::size_t>(n);
  }
  out.resize(got);
  close(fd);
  return ReadResult::Ok;
}

bool ReadBytes(WStringView fileName, std::uint64_t byteCount, std::string& out) {
  const std::string path = os::NativePath(fileName);
  for (int attempt = 1; attempt <= kReadAttempts; ++attempt) {
    const ReadResult r = ReadOnce(path, byteCount, out);
    if (r == ReadResult::Ok) return true;
    if (r == ReadResult::Fail || attempt == kReadAttempts) break;
    std::this_thread::sleep_for(kRetryDelay);
    ProcessMessages();
  }
  out.clear();
  return false;
}

bool StartsWith(std::string_view bytes, std::string_view prefix) {
  return bytes.substr(0, prefix.size()) == prefix;
}

// Text-column character of one byte of the dump (0 when it shows as ".").
bool IsShownSingle(unsigned char b, bool afterLead) {
  if (b < 0x20 || b == 0x7F || b > 0xFC) return false;
  if (b == 0xA0 && !afterLead) return false;
  return true;
}

bool IsTrailByte(unsigned char b) { return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC); }

constexpr char kHex[] = "0123456789abcdef";

}  // namespace

WString HexDump(std::string_view bytes) {
  WString out;
  out.reserve((bytes.size() / 16 + 1) * 68);
  for (std::size_t line = 0; line < bytes.size(); line += 16) {
    const std::string_view row = bytes.substr(line, 16);
    std::size_t hexStart = out.size();
    for (std::size_t i = 0; i < row.size(); ++i) {
      if (i == 8) out += u"- ";
      const auto b = static_cast<unsigned char>(row[i]);
      out += static_cast<char16_t>(kHex[b >> 4]);
      out += static_cast<char16_t>(kHex[b & 15]);
      out += u' ';
    }
    while (out.size() - hexStart < 50) out += u' ';
    out += u'\t';
    // Text column: a double-byte character is shown only when both bytes are on this
    // line; everything that would not read as text shows as ".".
    std::string text;
    for (std::size_t i = 0; i < row.size(); ++i) {
      const auto b = static_cast<unsigned char>(row[i]);
      if (IsAnsiLeadByte(b)) {
        if (i + 1 < row.size() && IsTrailByte(static_cast<unsigned char>(row[i + 1]))) {
          text += row.substr(i, 2);
          ++i;
        } else {
          text += '.';
        }
        continue;
      }
      text += IsShownSingle(b, false) ? static_cast<char>(b) : '.';
    }
    out += FromAnsi(text);
    out += u'\r';
    ProcessMessages();
  }
  return out;
}

namespace {

WString Decode(std::string_view bytes, TextEncoding& code, bool binaryAsWestern) {
  code = NormalizeEncoding(code);
  if (bytes.empty()) return {};
  bool bomDecided = false;
  if (code == kEncodingUtf8Bom) {
    bomDecided = StartsWith(bytes, "\xEF\xBB\xBF");
  } else if (code == kEncodingUtf16LeBom) {
    bomDecided = StartsWith(bytes, "\xFF\xFE");
  } else if (code == kEncodingUtf16BeBom) {
    bomDecided = StartsWith(bytes, "\xFE\xFF");
  } else if (code == kEncodingDetect) {
    if (bytes.size() >= 3 && StartsWith(bytes, "\xEF\xBB\xBF")) {
      code = kEncodingUtf8Bom;
      bomDecided = true;
    } else if (StartsWith(bytes, "\xFF\xFE")) {
      code = kEncodingUtf16LeBom;
      bomDecided = true;
    } else if (StartsWith(bytes, "\xFE\xFF")) {
      code = kEncodingUtf16BeBom;
      bomDecided = true;
    } else {
      std::string_view sample = bytes.substr(0, kDetectBytes);
      int cp = DetectCodePage(sample);
      if (cp == kAnsiCodePage && bytes.size() > sample.size()) {
        // The start was plain 7-bit text: look further before settling on ANSI, so
        // that a UTF-8 or EUC-JP file with a long ASCII header is still recognised.
        bool plain = true;
        for (unsigned char b : sample) plain = plain && b < 0x80 && b != 0x1B;
        if (plain) {
          std::string_view wider = bytes.substr(0, kDetectBytesExtended);
          // Cut at a line end so that a character is never split at the edge.
          const auto nl = wider.rfind('\n');
          if (wider.size() < bytes.size() && nl != std::string_view::npos) {
            wider = wider.substr(0, nl + 1);
          }
          cp = DetectCodePage(wider);
        }
      }
      code = CodePageToEncoding(cp);
    }
  }
  switch (code) {
    case kEncodingBinary:
      return binaryAsWestern ? FromWestern(bytes) : HexDump(bytes);
    case kEncodingUtf8Bom:
    case kEncodingUtf8:
      return FromUtf8(bomDecided ? bytes.substr(3) : bytes);
    case kEncodingUtf16LeBom:
    case kEncodingUtf16Le:
      return Utf16FromBytes(bomDecided ? bytes.substr(2) : bytes, false);
    case kEncodingUtf16BeBom:
    case kEncodingUtf16Be:
      return Utf16FromBytes(bomDecided ? bytes.substr(2) : bytes, true);
    case kEncodingUtf7:
      return FromUtf7(bytes);
    case kEncodingJis:
      return FromJis(bytes);
    case kEncodingEuc:
      return FromEuc(bytes);
    default:
      code = kEncodingAnsi;
      return FromAnsi(bytes);
  }
}

WString ReadAndDecode(WStringView fileName, TextEncoding& code, std::uint64_t byteCount,
                      bool binaryAsWestern) {
  if (byteCount == 0) return {};
  std::string bytes;
  if (!ReadBytes(fileName, byteCount, bytes) || bytes.empty()) return {};
  try {
    return Decode(bytes, code, binaryAsWestern);
  } catch (const std::bad_alloc&) {
    return {};
  }
}

WString ReadWhole(WStringView fileName, TextEncoding& code, bool binaryAsWestern) {
  struct stat st {};
  if (stat(os::NativePath(fileName).c_str(), &st) != 0) {
    // Let the reader's retries deal with a file that is briefly unavailable.
    return ReadAndDecode(fileName, code, kMaxTextFileSize, binaryAsWestern);
  }
  const auto size = static_cast<std::uint64_t>(st.st_size);
  if (size > kMaxTextFileSize) return {};  // 4 GiB or more: refused unread
  return ReadAndDecode(fileName, code, size, binaryAsWestern);
}

}  // namespace

WString DecodeTextBytes(std::string_view bytes, TextEncoding& code) {
  return Decode(bytes, code, false);
}

WString DecodeListBytes(std::string_view bytes, TextEncoding& code) {
  return Decode(bytes, code, true);
}

WString ReadTextFile(WStringView fileName, TextEncoding& code, std::uint64_t byteCount) {
  return ReadAndDecode(fileName, code, byteCount, false);
}

WString ReadWholeTextFile(WStringView fileName, TextEncoding& code) {
  return ReadWhole(fileName, code, false);
}

bool ReadWholeFileBytes(WStringView fileName, std::string& bytes) {
  bytes.clear();
  struct stat st {};
  std::uint64_t size = kMaxTextFileSize;
  if (stat(os::NativePath(fileName).c_str(), &st) == 0) {
    size = static_cast<std::uint64_t>(st.st_size);
    if (size > kMaxTextFileSize) return false;
    if (size == 0) return true;
  }
  try {
    return ReadBytes(fileName, size, bytes);
  } catch (const std::bad_alloc&) {
    bytes.clear();
    return false;
  }
}

WString ReadWholeListFile(WStringView fileName, TextEncoding& code) {
  return ReadWhole(fileName, code, true);
}

std::string EncodeTextBytes(WStringView text, TextEncoding code) {
  code = NormalizeEncoding(code);
  if (code == kEncodingDetect) code = IsLossyAnsi(text) ? kEncodingUtf8Bom : kEncodingAnsi;
  const bool leadingBom = !text.empty() && text.front() == u'\uFEFF';
  switch (code) {
    case kEncodingUtf8Bom:
    case kEncodingUtf8: {
      std::string utf8 = ToUtf8(leadingBom ? text.substr(1) : text);
      return code == kEncodingUtf8Bom ? "\xEF\xBB\xBF" + utf8 : utf8;
    }
    case kEncodingUtf16LeBom:
    case kEncodingUtf16Le:
    case kEncodingUtf16BeBom:
    case kEncodingUtf16Be: {
      const bool big = code == kEncodingUtf16BeBom || code == kEncodingUtf16Be;
      std::string bytes = Utf16ToBytes(leadingBom ? text.substr(1) : text, big);
      if (code == kEncodingUtf16LeBom) return "\xFF\xFE" + bytes;
      if (code == kEncodingUtf16BeBom) return "\xFE\xFF" + bytes;
      return bytes;
    }
    case kEncodingUtf7:
      return ToUtf7(text);
    case kEncodingJis:
      return ToJis(text);
    case kEncodingEuc:
      return ToEuc(text);
    default:
      return ToAnsi(text);
  }
}

bool WriteTextFile(WStringView fileName, WStringView text, TextEncoding code) {
  std::string bytes;
  try {
    bytes = EncodeTextBytes(text, code);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return WriteFileAtomic(fileName, bytes);
}

}  // namespace mivaro
