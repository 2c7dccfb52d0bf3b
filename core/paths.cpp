#include "core/paths.h"

#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include <unicode/uchar.h>

namespace mivaro {

namespace {

bool IsAsciiLetter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }

char16_t AsciiUpper(char16_t c) {
  return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - u'a' + u'A') : c;
}


bool IsDelimiterAt(WStringView p, size_t i) {
  const char16_t c = p[i];
  return c == u'\\' || c == u'/' || (c == u':' && IsDriveColon(p, i));
}

// Index of the last folder delimiter, or npos.
size_t LastDelimiter(WStringView p) {
  for (size_t i = p.size(); i > 0; --i) {
    if (IsDelimiterAt(p, i - 1)) return i - 1;
  }
  return WStringView::npos;
}

// Index of the dot that starts the extension, or npos.
size_t ExtensionDot(WStringView p) {
  for (size_t i = p.size(); i > 0; --i) {
    if (IsDelimiterAt(p, i - 1)) return WStringView::npos;
    if (p[i - 1] == u'.') return i - 1;
  }
  return WStringView::npos;
}

// The share root read from position `s`: "\\server\share", or empty.
WString ShareRoot(WStringView p, size_t s) {
  size_t first = WStringView::npos;
  size_t second = WStringView::npos;
  // The last character is not examined: a final backslash does not end the share name.
  for (size_t i = s; i + 1 < p.size(); ++i) {
    if (p[i] != u'\\') continue;
    if (i == s) return {};
    if (first == WStringView::npos) {
      first = i;
    } else {
      if (i == first + 1) return {};
      second = i;
      break;
    }
  }
  if (first == WStringView::npos) return {};
  size_t end = second;
  if (end == WStringView::npos) {
    end = p.size();
    if (p[end - 1] == u'\\') --end;
  }
  WString out = u"\\\\";
  out.append(p.substr(s, end - s));
  return out;
}

char16_t FoldChar(char16_t c) {
  if (c < 0x80) return AsciiLower(c);
  if (c >= 0xD800 && c <= 0xDFFF) return c;
  const UChar32 f = u_foldCase(c, U_FOLD_CASE_DEFAULT);
  return f <= 0xFFFF ? static_cast<char16_t>(f) : c;
}

bool SameTextIgnoreCase(WStringView a, WStringView b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldChar(a[i]) != FoldChar(b[i])) return false;
  }
  return true;
}

bool IsLinuxAbsolute(WStringView p) { return !p.empty() && p[0] == u'/'; }

// Index just after the drive or share root of a path whose ExtractFileDrive is `drive`
// (not empty): "C:", "\\?\C:", "\\server\share", "\\?\UNC\server\share".
size_t DriveRootEnd(WStringView p, const WString& drive) {
  if (p[1] == u':') return 2;
  if (p.size() > 5 && p[2] == u'?' && p[5] == u':') return 6;
  if (p.size() > 2 && p[2] == u'?') return 8 + drive.size() - 2;
  return drive.size();
}

// Splits `rest` into its names at the given separators, folding "." and ".." (never above
// the root). Empty names (repeated separators) disappear.
std::vector<WString> NormalisedParts(WStringView rest, bool backslash_too) {
  std::vector<WString> parts;
  size_t start = 0;
  for (size_t i = 0; i <= rest.size(); ++i) {
    const bool sep = i == rest.size() || rest[i] == u'/' || (backslash_too && rest[i] == u'\\');
    if (!sep) continue;
    WStringView part = rest.substr(start, i - start);
    start = i + 1;
    if (part.empty() || part == u".") continue;
    if (part == u"..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    parts.emplace_back(part);
  }
  return parts;
}

WString JoinParts(WString root, const std::vector<WString>& parts, char16_t sep,
                  bool trailing) {
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) root.push_back(sep);
    root += parts[i];
  }
  if (trailing && !parts.empty()) root.push_back(sep);
  return root;
}

WString CurrentFolder() {
  std::string buf(4096, '\0');
  for (int attempt = 0; attempt < 4; ++attempt) {
    if (getcwd(buf.data(), buf.size()) != nullptr) return U16(buf.c_str());
    buf.resize(buf.size() * 4);
  }
  return u"/";
}

// Plain split of a path at the given separators, keeping every name as written.
std::vector<WString> RawParts(WStringView rest, bool backslash_too) {
  std::vector<WString> parts;
  size_t start = 0;
  for (size_t i = 0; i <= rest.size(); ++i) {
    const bool sep = i == rest.size() || rest[i] == u'/' || (backslash_too && rest[i] == u'\\');
    if (!sep) continue;
    if (i > start) parts.emplace_back(rest.substr(start, i - start));
    start = i + 1;
  }
  return parts;
}

}  // namespace

bool IsDriveColon(WStringView p, size_t i) {
  if (i >= p.size() || p[i] != u':') return false;
  if (i == 1) return IsAsciiLetter(p[0]);
  if (i == 5) return p[0] == u'\\' && p[1] == u'\\' && p[2] == u'?' && p[3] == u'\\' &&
                     IsAsciiLetter(p[4]);
  return false;
}

// ---- Splitting --------------------------------------------------------------------------

WString ExtractFileDrive(WStringView p) {
  if (p.size() < 2) return {};
  if (p[1] == u':') {
    if (AsciiUpper(p[0]) >= u'A' && AsciiUpper(p[0]) <= u'Z') return WString(p.substr(0, 2));
    return {};
  }
  if (p[0] == u'\\' && p[1] == u'\\') {
    if (p.size() > 7) {
      WString head(p.substr(0, 8));
      for (char16_t& c : head) c = AsciiUpper(c);
      if (head == u"\\\\?\\UNC\\") return ShareRoot(p, 8);
    }
    if (p.size() > 2 && p[2] == u'?') {
      if (p.size() > 5 && p[5] == u':') {
        if (IsAsciiLetter(p[4])) return WString(p.substr(4, 2));
        return {};
      }
      return {};
    }
    return ShareRoot(p, 2);
  }
  return {};
}

WString ExtractFileDir(WStringView p) {
  const size_t i = LastDelimiter(p);
  if (i == WStringView::npos) return {};
  if (p[i] == u':') return WString(p.substr(0, i + 1));
  // The Linux root is a folder of its own, as "C:" is for "C:\x".
  if (i == 0 && p[0] == u'/') return u"/";
  return WString(p.substr(0, i));
}

WString ExtractFilePath(WStringView p) {
  const size_t i = LastDelimiter(p);
  if (i == WStringView::npos) return {};
  WString out(p.substr(0, i + 1));
  if (p[i] == u':') out.push_back(u'\\');
  return out;
}

WStringView FileNamePart(WStringView p) {
  const size_t i = LastDelimiter(p);
  return i == WStringView::npos ? p : p.substr(i + 1);
}

WString ExtractFileName(WStringView p) { return WString(FileNamePart(p)); }

WString ExtractFileTitle(WStringView p) {
  const size_t i = LastDelimiter(p);
  WStringView name = i == WStringView::npos ? p : p.substr(i + 1);
  const size_t dot = name.rfind(u'.');
  return WString(dot == WStringView::npos ? name : name.substr(0, dot));
}

WStringView FileExtPart(WStringView p) {
  const size_t dot = ExtensionDot(p);
  return dot == WStringView::npos ? WStringView() : p.substr(dot);
}

WString ExtractFileExt(WStringView p) { return WString(FileExtPart(p)); }

void SplitFileName(WStringView p, WString& folder, WString& name) {
  const size_t i = LastDelimiter(p);
  if (i == WStringView::npos) {
    folder.clear();
    name.assign(p);
    return;
  }
  folder.assign(p.substr(0, i + 1));
  name.assign(p.substr(i + 1));
}

namespace {

// Stem and extension of a name that has already been split off its folder.
void SplitNameAtLastDot(WStringView n, WString& stem, WString& ext) {
  const size_t dot = n.rfind(u'.');
  if (dot == WStringView::npos) {
    stem.assign(n);
    ext.clear();
    return;
  }
  stem.assign(n.substr(0, dot));
  ext.assign(n.substr(dot));
}

}  // namespace

void SplitFileExt(WStringView name, WString& stem, WString& ext) {
  const size_t i = LastDelimiter(name);
  SplitNameAtLastDot(i == WStringView::npos ? name : name.substr(i + 1), stem, ext);
}

void SplitPathParts(WStringView path, WString& folder, WString& name, WString& ext,
                    WString& stem) {
  SplitFileName(path, folder, name);
  // The name is split as it is: "x:y" after a drive is a name, not another drive.
  SplitNameAtLastDot(name, stem, ext);
}

void SplitDirAndName(WStringView p, WString& folder, WString& name) {
  const size_t i = LastDelimiter(p);
  if (i == WStringView::npos) {
    folder.clear();
    name.assign(p);
    return;
  }
  if (p[i] == u':' || (i == 0 && p[0] == u'/')) {
    folder.assign(p.substr(0, i + 1));
  } else {
    folder.assign(p.substr(0, i));
  }
  name.assign(p.substr(i + 1));
}

WString ChangeFileExt(WStringView path, WStringView ext) {
  WString e(ext);
  if (!e.empty() && e.front() != u'.') e.insert(e.begin(), u'.');
  if (path.empty()) return e;
  const size_t dot = ExtensionDot(path);
  if (dot == WStringView::npos) return WString(path) + e;
  if (dot == 0) return e;
  return WString(path.substr(0, dot)) + e;
}

bool SameFileExt(WStringView path_a, WStringView path_b) {
  return SameTextIgnoreCase(ExtractFileExt(path_a), ExtractFileExt(path_b));
}

WString IncludeTrailingPathDelimiter(WStringView path, char16_t sep) {
  WString out(path);
  if (!out.empty() && !IsDelimiterAt(out, out.size() - 1)) out.push_back(sep);
  return out;
}

WString ExcludeTrailingPathDelimiter(WStringView path) {
  if (path.size() > 1 && IsPathDelimiter(path.back())) path.remove_suffix(1);
  return WString(path);
}

bool IsUrlName(WStringView name) {
  // "scheme://" at the start: a letter, then letters, digits, "+", "-" or "."; the first
  // other character must open "://" (":" is no scheme character, so no earlier "://" can
  // exist). One pass over the scheme only, as every playlist entry asks this.
  size_t i = 0;
  while (i < name.size() && (name[i] == u' ' || name[i] == u'\t')) ++i;
  const size_t start = i;
  if (i >= name.size() || !IsAsciiLetter(name[i])) return false;
  for (++i; i < name.size(); ++i) {
    const char16_t c = name[i];
    if (!(IsAsciiLetter(c) || (c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'.'))
      break;
  }
  return i - start >= 2 && name.substr(i).starts_with(u"://");
}

// ---- URIs -------------------------------------------------------------------------------

namespace {

int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

}  // namespace

bool IsFileUri(WStringView name) {
  return name.size() >= 5 && AsciiLowerText(name.substr(0, 5)) == u"file:";
}

WString PercentDecode(WStringView text) {
  if (text.find(u'%') == WStringView::npos) return WString(text);
  std::string bytes;
  bytes.reserve(text.size());
  std::string unit;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
        HexValue(text[i + 2]) >= 0) {
      const int byte = HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]);
      if (byte == 0) return WString(text);
      bytes.push_back(static_cast<char>(byte));
      i += 2;
      continue;
    }
    // Characters written unescaped keep their own UTF-8 bytes (a surrogate pair as one).
    size_t n = 1;
    if (text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size()) n = 2;
    bytes += Utf8(text.substr(i, n));
    i += n - 1;
  }
  WString out;
  out.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size();) {
    int length = 0;
    const char32_t cp = DecodeUtf8At(bytes, i, length);
    if (cp == kInvalidUtf8) return WString(text);
    AppendCodePoint(out, cp);
    i += static_cast<size_t>(length);
  }
  return out;
}

WString FileUriToPath(WStringView uri) {
  if (!IsFileUri(uri)) return {};
  WStringView rest = uri.substr(5);
  if (!rest.starts_with(u"//")) {
    return PercentDecode(rest);  // "file:/home/u/a.mp3" and the rare relative "file:a.mp3"
  }
  rest.remove_prefix(2);
  const size_t slash = rest.find(u'/');
  const WStringView host = rest.substr(0, slash);
  WString path = PercentDecode(slash == WStringView::npos ? WStringView() : rest.substr(slash));
  // "/C:/m/a.mp3": a Windows drive follows the slash.
  if (path.size() >= 3 && path[0] == u'/' && IsAsciiLetter(path[1]) &&
      (path[2] == u':' || path[2] == u'|')) {
    path.erase(0, 1);
    path[1] = u':';
  }
  if (host.empty() || AsciiLowerText(host) == u"localhost") return path;
  // Another host: the name of a share on it.
  WString share = u"\\\\" + PercentDecode(host);
  for (char16_t c : path) share.push_back(c == u'/' ? u'\\' : c);
  return share;
}

// ---- Resolution -------------------------------------------------------------------------

WString ExpandFileName(WStringView path) {
  if (path.empty()) return {};
  const WString drive = ExtractFileDrive(path);
  if (!drive.empty()) {
    // A Windows name: its root is the drive or share; "\" and "/" separate.
    const size_t root_end = DriveRootEnd(path, drive);
    const WString root = WString(path.substr(0, root_end)) + u"\\";
    WStringView rest = path.substr(root_end);
    const bool trailing = IsPathDelimiter(path.back());
    return JoinParts(root, NormalisedParts(rest, true), u'\\', trailing);
  }
  if (path.size() >= 2 && path[0] == u'\\' && path[1] == u'\\') {
    return WString(path);  // an incomplete share name: nothing to fold
  }
  WString full;
  if (IsLinuxAbsolute(path)) {
    full.assign(path);
  } else if (path[0] == u'\\') {
    // Rooted without a drive: the root of this system, with "\" read as "/".
    full.assign(path);
    for (char16_t& c : full)
      if (c == u'\\') c = u'/';
  } else {
    full = IncludeTrailingPathDelimiter(CurrentFolder(), u'/');
    full.append(path);
  }
  const bool trailing = full.back() == u'/';
  return JoinParts(u"/", NormalisedParts(full, false), u'/', trailing);
}

namespace {

// True when the path holds "/../", ends in "/.." or holds "..\\": the steps that an
// absolute path must have folded (one pass, for every playlist entry).
bool HasDotDotStep(WStringView p) {
  const size_t n = p.size();
  for (size_t i = 0; (i = FindEitherUnit(p, u'.', u'.', i)) != WStringView::npos && i + 1 < n;
       ++i) {
    if (p[i + 1] != u'.') continue;
    if (i + 2 < n && p[i + 2] == u'\\') return true;
    if (i > 0 && p[i - 1] == u'/' && (i + 2 == n || p[i + 2] == u'/')) return true;
  }
  return false;
}

}  // namespace

WString ResolveFileName(WStringView entry, WStringView base_folder) {
  if (IsUrlName(entry)) return WString(entry);
  if (!ExtractFileDrive(entry).empty()) {
    if (entry.find(u"..\\") != WStringView::npos) return ExpandFileName(entry);
    return WString(entry);
  }
  if (IsLinuxAbsolute(entry)) {
    // Absolute like a drive-rooted name: only ".." names are folded.
    if (HasDotDotStep(entry)) return ExpandFileName(entry);
    return WString(entry);
  }
  const WString base_drive = ExtractFileDrive(base_folder);
  const bool windows_base = !base_drive.empty();
  if (!entry.empty() && entry[0] == u'\\') {
    if (windows_base) return ExpandFileName(base_drive + WString(entry));
    return ExpandFileName(entry);  // the root of this system
  }
  if (windows_base) {
    return ExpandFileName(IncludeTrailingPathDelimiter(base_folder, u'\\') + WString(entry));
  }
  WString e(entry);
  for (char16_t& c : e)
    if (c == u'\\') c = u'/';
  if (base_folder.empty()) return ExpandFileName(e);
  return ExpandFileName(IncludeTrailingPathDelimiter(base_folder, u'/') + e);
}

WString MakeRelativeFileName(WStringView path, WStringView base_folder) {
  const WString drive = ExtractFileDrive(path);
  if (drive != ExtractFileDrive(base_folder)) return WString(path);
  // The base is a folder: with a trailing separator its folder part is itself, and without
  // one it is taken whole, so that ResolveFileName gives the same file back.
  WString base(base_folder);
  if (!base.empty() && !IsDelimiterAt(base, base.size() - 1)) base.push_back(u'/');
  const WString dir = ExtractFileDir(base);

  std::vector<WString> from;
  std::vector<WString> to;
  bool ignore_case = false;
  if (!drive.empty()) {
    // Both on the same Windows drive or share: names compare ignoring case.
    const size_t skip_path = DriveRootEnd(path, drive);
    const size_t skip_base = std::min(DriveRootEnd(dir, drive), dir.size());
    if (skip_path >= path.size() || !IsPathDelimiter(path[skip_path])) return WString(path);
    from = RawParts(WStringView(dir).substr(skip_base), true);
    to = RawParts(path.substr(skip_path), true);
    ignore_case = true;
  } else {
    if (!IsLinuxAbsolute(path) || !IsLinuxAbsolute(dir)) return WString(path);
    from = RawParts(dir, false);
    to = RawParts(path, false);
    // Relative names are read back with "\" taken as "/", so a Linux name holding "\"
    // itself cannot be written relatively.
    for (const WString& part : to)
      if (part.find(u'\\') != WString::npos) return WString(path);
    for (const WString& part : from)
      if (part.find(u'\\') != WString::npos) return WString(path);
  }
  if (to.empty() || IsPathDelimiter(path.back())) return WString(path);
  size_t common = 0;
  while (common < from.size() && common + 1 < to.size() &&
         (ignore_case ? SameTextIgnoreCase(from[common], to[common])
                      : from[common] == to[common]))
    ++common;
  // Windows names keep their own separator; Linux names are written with "/", which
  // other programs on this system read.
  const char16_t sep = drive.empty() ? u'/' : u'\\';
  WString out;
  for (size_t i = common; i < from.size(); ++i) {
    out += u"..";
    out.push_back(sep);
  }
  for (size_t i = common; i < to.size(); ++i) {
    if (i > common) out.push_back(sep);
    out += to[i];
  }
  // A relative name that would read back as a drive or a URI ("C:x", "file:a.mp3") stays
  // absolute.
  if (drive.empty() && (!ExtractFileDrive(out).empty() || IsFileUri(out) || IsUrlName(out)))
    return WString(path);
  return out;
}

// ---- Patterns ---------------------------------------------------------------------------

bool HasWildcards(WStringView name) {
  return FindEitherUnit(name, u'*', u'?') != WStringView::npos;
}

namespace {

// Glob match of folded text: "*" any run, "?" one character. Linear backtracking on the
// last star keeps long names and many stars fast.
bool GlobMatch(WStringView name, WStringView mask) {
  size_t n = 0, m = 0;
  size_t star = WStringView::npos, star_n = 0;
  while (n < name.size()) {
    if (m < mask.size() && (mask[m] == u'?' || mask[m] == FoldChar(name[n]))) {
      ++n;
      ++m;
    } else if (m < mask.size() && mask[m] == u'*') {
      star = m++;
      star_n = n;
    } else if (star != WStringView::npos) {
      m = star + 1;
      n = ++star_n;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == u'*') ++m;
  return m == mask.size();
}

WString FoldMask(WStringView mask) {
  WString out(mask);
  for (char16_t& c : out) c = FoldChar(c);
  return out;
}

bool MatchFolded(WStringView name, WStringView folded_mask) {
  if (GlobMatch(name, folded_mask)) return true;
  // As on the system the program comes from, a mask ending in ".*" also matches the name
  // without any extension ("*.*" matches every name, "track.*" matches "track").
  if (folded_mask.size() >= 2 && folded_mask.ends_with(u".*"))
    return GlobMatch(name, folded_mask.substr(0, folded_mask.size() - 2));
  return false;
}

}  // namespace

bool MatchesFileMask(WStringView name, WStringView mask) {
  if (mask == u"*" || mask == u"*.*") return true;
  return MatchFolded(name, FoldMask(mask));
}

TMyFileMask::TMyFileMask(WStringView mask)
    : folded_(FoldMask(mask)), all_(mask == u"*" || mask == u"*.*") {}

bool TMyFileMask::Matches(WStringView name) const {
  return all_ || MatchFolded(name, folded_);
}

}  // namespace mivaro
