// File and folder names as text: splitting, extensions, resolution of playlist entries,
// relative names, and the file-name pattern match.
//
// Nothing here touches the disk (except ExpandFileName, which reads the current folder).
// "\", "/" and a drive colon ("C:", "\\?\D:") end a folder part; other colons are part of
// the name, as they may be in Linux names ("Act 1: Intro.mp3"). Names written on
// Windows ("C:\m\a.mp3", "\\server\share\a.mp3") and Linux names ("/home/m/a.mp3") both
// split correctly. No function throws on any input.
#pragma once

#include "core/ustring.h"

namespace mivaro {

// True for "\" and "/" (a drive colon also ends a folder part; see above).
constexpr bool IsPathDelimiter(char16_t c) { return c == u'\\' || c == u'/'; }

// True when path[i] is a drive colon ("C:", "\\?\C:"); any other colon belongs to the
// name, as it may in Linux names.
bool IsDriveColon(WStringView path, size_t i);

// The separator of this system's own paths.
inline constexpr char16_t kPathSeparator = u'/';

// ---- Splitting --------------------------------------------------------------------------

// Drive ("C:") or share root ("\\server\share") of a path; empty if none (also for Linux
// paths, which have no drive).
WString ExtractFileDrive(WStringView path);
// The folder part without its trailing separator; "C:" for "C:\x"; empty for "a.mp3".
WString ExtractFileDir(WStringView path);
// The folder part with its trailing separator; "C:" alone becomes "C:\".
WString ExtractFilePath(WStringView path);
// The text after the last "\", "/" or drive colon; the whole path if there is none.
WString ExtractFileName(WStringView path);
// ExtractFileName as a view into `path` (no copy).
WStringView FileNamePart(WStringView path);
// The file name without its last extension ("a.tar.gz" -> "a.tar", ".ini" -> "").
WString ExtractFileTitle(WStringView path);
// The last extension with its dot (".mp3"); empty when the last dot lies in a folder name
// or there is none.
WString ExtractFileExt(WStringView path);
// ExtractFileExt as a view into `path` (no copy).
WStringView FileExtPart(WStringView path);

// Folder with its trailing separator (or drive colon), and the name.
void SplitFileName(WStringView path, WString& folder, WString& name);
// Stem and extension of a name (the last dot after the last separator divides them).
void SplitFileExt(WStringView name, WString& stem, WString& ext);
// SplitFileName, then SplitFileExt on the name.
void SplitPathParts(WStringView path, WString& folder, WString& name, WString& ext,
                    WString& stem);
// Folder without its trailing "\" or "/" (a drive colon is kept), and the name.
void SplitDirAndName(WStringView path, WString& folder, WString& name);

// The path with its last extension replaced; "ini" and ".ini" both work, and the extension
// may hold several dots (".resume.m3u8"). A dot inside a folder name is not an extension.
WString ChangeFileExt(WStringView path, WStringView ext);
// True when the two extensions are equal ignoring case.
bool SameFileExt(WStringView path_a, WStringView path_b);

// The path with exactly one trailing separator (`sep` is added when it ends in none);
// empty stays empty.
WString IncludeTrailingPathDelimiter(WStringView path, char16_t sep = kPathSeparator);
// The path without one trailing "\" or "/" (a lone root "/" is kept).
WString ExcludeTrailingPathDelimiter(WStringView path);

// True for "scheme://..." (letters, digits, "+", "-", "." with at least two characters
// before "://"), the names playlists carry for streams.
bool IsUrlName(WStringView name);

// ---- URIs -------------------------------------------------------------------------------

// True for "file:" URIs (the scheme in any case).
bool IsFileUri(WStringView name);

// The text with its "%XX" escapes decoded as UTF-8 bytes. A "%" without two hexadecimal
// digits stays as it is; when the decoded bytes are no valid UTF-8 or hold a NUL, the
// whole text comes back unchanged.
WString PercentDecode(WStringView text);

// The path a "file:" URI names, its escapes decoded: "file:///home/u/a%20b.mp3" and
// "file://localhost/home/u/a%20b.mp3" give "/home/u/a b.mp3", "file:///C:/m/a.mp3" gives
// "C:/m/a.mp3", "file://server/share/a.mp3" gives "\\server\share\a.mp3". Empty for
// anything that is no "file:" URI.
WString FileUriToPath(WStringView uri);

// ---- Resolution -------------------------------------------------------------------------

// The absolute, normalised path: "." and ".." folded, repeated separators merged, relative
// names taken against the current folder. Links are not resolved. Windows names keep their
// drive or share root and come back with "\" separators; names starting with "/" use "/".
// Empty gives empty.
WString ExpandFileName(WStringView path);

// The absolute path of a playlist entry found in a list whose folder is `base_folder`.
// URLs come back unchanged; "\" in a relative entry is read as "/" when the base is a
// Linux folder.
WString ResolveFileName(WStringView entry, WStringView base_folder);

// `path` relative to `base_folder` when both lie under the same root, else `path`
// unchanged. Linux names are written with "/", Windows names with "\". ResolveFileName of the result against the
// same base gives the same file again.
WString MakeRelativeFileName(WStringView path, WStringView base_folder);

// ---- Patterns ---------------------------------------------------------------------------

// True when the name contains "*" or "?".
bool HasWildcards(WStringView name);

// The pattern match of file names: "*" matches any run (also empty), "?" one character,
// letters compare ignoring case, "*.*" and "*" match every name. A mask without wildcards
// compares the whole name ignoring case.
bool MatchesFileMask(WStringView name, WStringView mask);

// A compiled mask, for matching many names against one pattern quickly.
class TMyFileMask {
 public:
  TMyFileMask() = default;
  explicit TMyFileMask(WStringView mask);
  bool Matches(WStringView name) const;
  bool MatchesAll() const { return all_; }

 private:
  WString folded_;  // the mask case-folded
  bool all_ = true;
};

}  // namespace mivaro
