#include "settings/ini_file.h"

#include <algorithm>
#include <limits>
#include <unordered_set>
#include <utility>

#include "core/files.h"
#include "core/numbers.h"
#include "core/paths.h"
#include "core/text_file.h"
#include "core/version.h"
#include "core/wstrings.h"
#include "settings/ini_format.h"

namespace mivaro {

using ini::FoldCase;
using ini::KeyOf;
using ini::Trim;

namespace {

// Items of a list passed in by a caller, cut at line breaks the way the file will read
// them back, so that a value can never smuggle in a line of its own.
std::vector<WString> SplitItems(const std::vector<WString>& items) {
  std::vector<WString> out;
  out.reserve(items.size());
  for (const WString& item : items) {
    if (!ini::HasLineBreak(item)) {
      out.push_back(item);
      continue;
    }
    std::vector<WString> parts = ini::SplitLines(item, nullptr);
    if (parts.empty()) out.emplace_back();
    for (WString& part : parts) out.push_back(std::move(part));
  }
  return out;
}

// Clean-up on writing: blank lines, lines without a key and lines that would read back as
// a header are skipped; of lines with the same key only the first is kept.
std::vector<WString> CleanForWriting(const std::vector<WString>& items) {
  std::vector<WString> out;
  std::unordered_set<WString> seen;
  for (const WString& line : SplitItems(items)) {
    if (ini::IsBlankLine(line) || ini::IsHeader(line)) continue;
    WStringView key = KeyOf(line);
    if (key.empty()) continue;
    if (!seen.insert(FoldCase(key)).second) continue;
    out.push_back(line);
  }
  return out;
}

// A file read with an explicit Unicode code keeps its byte-order mark as a leading
// U+FEFF, which would hide the first section header. The writer adds the mark again
// for the codes that have one.
WStringView WithoutByteOrderMark(WStringView text) {
  return (!text.empty() && text[0] == u'\uFEFF') ? text.substr(1) : text;
}

WString IntText(int64_t value) { return U16(std::to_string(value)); }

void FillList(TMyWStrings& list, const std::vector<WString>& lines) {
  list.BeginUpdate();
  list.Clear();
  list.SetCapacity(static_cast<int>(lines.size()) + 100);
  for (const WString& line : lines) list.Add(line);
  list.EndUpdate();
}

std::vector<WString> ListLines(const TMyWStrings& list) {
  std::vector<WString> lines;
  const int n = list.Count();
  lines.reserve(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) lines.push_back(list.At(i));
  return lines;
}

}  // namespace

// ---- Creation -----------------------------------------------------------------------------

TMyIniFile::TMyIniFile()
    : TMyIniFile(ChangeFileExt(GetAppBaseFileName(), u".ini"), kEncodingDetect) {}

TMyIniFile::TMyIniFile(WStringView file_name) : TMyIniFile(file_name, kEncodingDetect) {}

TMyIniFile::TMyIniFile(WStringView file_name, uint8_t encoding)
    : file_name_(file_name),
      load_encoding_(NormalizeEncoding(encoding)),
      // "Binary" has no text form of its own (the writer would fall back to lossy ANSI):
      // such a store saves like the default, as ANSI or as UTF-8 with BOM.
      save_encoding_(NormalizeEncoding(encoding) == kEncodingBinary ? kEncodingDetect
                                                                    : NormalizeEncoding(encoding)) {
  LoadFile();
}

TMyIniFile::~TMyIniFile() {
  try {
    UpdateFile();
  } catch (...) {
    // Out of memory while putting the section back: nothing sensible is left to do.
  }
}

void TMyIniFile::LoadFile() {
  lines_.clear();
  line_break_ = ini::kBreakCrLf;
  if (!file_name_.empty() && FileExists(file_name_)) {
    TextEncoding code = load_encoding_;
    WString text = ReadWholeTextFile(file_name_, code);
    if (code == kEncodingBinary) {
      // A file that does not look like text would come back as a hexadecimal dump, and
      // saving would replace the file by that dump. Take its bytes as ANSI text instead.
      code = kEncodingAnsi;
      text = ReadWholeTextFile(file_name_, code);
    }
    load_encoding_ = code;
    lines_ = ini::SplitLines(WithoutByteOrderMark(text), &line_break_);
  }
  RebuildIndex();
}

void TMyIniFile::LoadFromBytes(std::string_view bytes) {
  TextEncoding code = load_encoding_;
  WString text = DecodeTextBytes(bytes, code);
  if (code == kEncodingBinary) {
    code = kEncodingAnsi;
    text = DecodeTextBytes(bytes, code);
  }
  load_encoding_ = code;
  SetText(WithoutByteOrderMark(text));
}

void TMyIniFile::SetText(WStringView text) {
  lines_ = ini::SplitLines(text, &line_break_);
  current_name_.clear();
  current_folded_.clear();
  current_lines_.clear();
  current_lookup_.clear();
  section_changed_ = false;
  file_changed_ = false;
  RebuildIndex();
}

// ---- Section index ------------------------------------------------------------------------

void TMyIniFile::RebuildIndex() {
  sections_.clear();
  section_lookup_.clear();
  for (size_t i = 0; i < lines_.size(); ++i) {
    WStringView name;
    if (!ini::ParseHeader(lines_[i], &name)) continue;
    sections_.push_back({WString(name), i});
    section_lookup_.emplace(FoldCase(name), sections_.size() - 1);  // first one counts
  }
}

ptrdiff_t TMyIniFile::FindSection(WStringView trimmed_name) const {
  if (trimmed_name.empty()) return -1;
  auto it = section_lookup_.find(FoldCase(trimmed_name));
  return it == section_lookup_.end() ? -1 : static_cast<ptrdiff_t>(it->second);
}

void TMyIniFile::BodyRange(size_t index, size_t* first, size_t* last) const {
  *first = sections_[index].line + 1;
  *last = index + 1 < sections_.size() ? sections_[index + 1].line : lines_.size();
}

bool TMyIniFile::RemoveSectionLines(WStringView trimmed_name) {
  // Every occurrence goes: a later duplicate would otherwise become "the" section and
  // hide what is written next.
  WString folded = FoldCase(trimmed_name);
  std::vector<bool> drop(lines_.size(), false);
  bool any = false;
  for (size_t s = 0; s < sections_.size(); ++s) {
    if (FoldCase(sections_[s].name) != folded) continue;
    size_t first = 0;
    size_t last = 0;
    BodyRange(s, &first, &last);
    for (size_t i = sections_[s].line; i < last; ++i) drop[i] = true;
    any = true;
  }
  if (!any) return false;
  size_t out = 0;
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (!drop[i]) {
      if (out != i) lines_[out] = std::move(lines_[i]);
      ++out;
    }
  }
  lines_.resize(out);
  RebuildIndex();
  return true;
}

std::vector<WString> TMyIniFile::CleanedSection(
    WStringView trimmed_name, std::unordered_map<WString, size_t>* lookup) const {
  std::vector<WString> out;
  std::unordered_map<WString, size_t> own;
  std::unordered_map<WString, size_t>& seen = lookup != nullptr ? *lookup : own;
  seen.clear();
  ptrdiff_t index = FindSection(trimmed_name);
  if (index < 0) return out;
  size_t first = 0;
  size_t last = 0;
  BodyRange(static_cast<size_t>(index), &first, &last);
  // From the last line to the first, so that of a repeated key the last one wins.
  seen.reserve(last - first);
  for (size_t i = last; i > first; --i) {
    const WString& line = lines_[i - 1];
    if (ini::IsBlankLine(line)) continue;
    WStringView key = KeyOf(line);
    if (key.empty()) continue;
    if (!seen.emplace(FoldCase(key), out.size()).second) continue;
    out.push_back(line);
  }
  std::reverse(out.begin(), out.end());
  for (auto& entry : seen) entry.second = out.size() - 1 - entry.second;
  return out;
}

// ---- Section cache ------------------------------------------------------------------------

bool TMyIniFile::IsCurrent(WStringView trimmed_name) const {
  if (current_name_.empty() || trimmed_name.empty()) return false;
  return trimmed_name == current_name_ || FoldCase(trimmed_name) == current_folded_;
}

void TMyIniFile::InvalidateCacheFor(WStringView trimmed_name) {
  if (!IsCurrent(trimmed_name)) return;
  current_name_.clear();
  current_folded_.clear();
  current_lines_.clear();
  current_lookup_.clear();
  section_changed_ = false;
}

bool TMyIniFile::SelectSection(WStringView section) {
  WStringView name = Trim(section);
  if (name.empty()) return false;
  if (IsCurrent(name)) return true;
  PutBackSection();
  current_lines_ = CleanedSection(name, &current_lookup_);
  current_name_ = WString(name);
  current_folded_ = FoldCase(name);
  section_changed_ = false;
  return true;
}

const WString* TMyIniFile::FindCachedKey(const WString& folded_key) const {
  auto it = current_lookup_.find(folded_key);
  return it == current_lookup_.end() ? nullptr : &current_lines_[it->second];
}

void TMyIniFile::AppendSection(WStringView name, const std::vector<WString>& lines,
                               bool trailing_empty) {
  lines_.reserve(lines_.size() + lines.size() + 2);
  WString header;
  header.reserve(name.size() + 2);
  header += u'[';
  header += name;
  header += u']';
  lines_.push_back(std::move(header));
  lines_.insert(lines_.end(), lines.begin(), lines.end());
  if (trailing_empty) lines_.emplace_back();
  RebuildIndex();
}

void TMyIniFile::PutBackSection() {
  if (!section_changed_) return;
  file_changed_ = true;
  RemoveSectionLines(current_name_);
  // The cache already holds one clean line per key, so it stays valid: it is exactly
  // what the section now holds.
  AppendSection(current_name_, current_lines_, true);
  section_changed_ = false;
}

// ---- Writing the file ---------------------------------------------------------------------

bool TMyIniFile::UpdateFile() {
  if (!file_changed_ && !section_changed_) return false;
  PutBackSection();
  file_changed_ = false;
  if (file_name_.empty()) return false;
  return WriteTextFile(file_name_, ini::JoinLines(lines_, line_break_), save_encoding_);
}

std::vector<WString> TMyIniFile::Lines() {
  PutBackSection();
  return lines_;
}

WString TMyIniFile::GetText() {
  PutBackSection();
  return ini::JoinLines(lines_, line_break_);
}

// ---- Sections -----------------------------------------------------------------------------

bool TMyIniFile::SectionExists(WStringView section) {
  WStringView name = Trim(section);
  // A cached section with unsaved keys exists although its header is not written yet.
  if (IsCurrent(name) && section_changed_) return true;
  return FindSection(name) >= 0;
}

std::vector<WString> TMyIniFile::SectionNames() {
  // The cached section, when changed, is written at the end: put it back first so that
  // the order is the file's.
  PutBackSection();
  std::vector<WString> names;
  std::unordered_set<WString> seen;
  for (const SectionEntry& entry : sections_) {
    if (seen.insert(FoldCase(entry.name)).second) names.push_back(entry.name);
  }
  return names;
}

std::vector<WString> TMyIniFile::SectionValues(WStringView section) {
  WStringView name = Trim(section);
  if (IsCurrent(name)) return current_lines_;
  return CleanedSection(name, nullptr);
}

std::vector<WString> TMyIniFile::SectionKeys(WStringView section) {
  std::vector<WString> keys;
  for (const WString& line : SectionValues(section)) keys.emplace_back(KeyOf(line));
  return keys;
}

std::vector<WString> TMyIniFile::SectionLines(WStringView section) {
  WStringView name = Trim(section);
  // Unsaved changes live in the cache (cleaned up, as they will be written). Without
  // changes the stored lines are exact, also lines without a key that a list section
  // such as a history holds.
  if (IsCurrent(name) && section_changed_) return current_lines_;
  std::vector<WString> out;
  ptrdiff_t index = FindSection(name);
  if (index < 0) return out;
  size_t first = 0;
  size_t last = 0;
  BodyRange(static_cast<size_t>(index), &first, &last);
  out.assign(lines_.begin() + static_cast<ptrdiff_t>(first),
             lines_.begin() + static_cast<ptrdiff_t>(last));
  return out;
}

void TMyIniFile::EraseSection(WStringView section) {
  WStringView name = Trim(section);
  if (name.empty()) return;
  WString kept(name);
  InvalidateCacheFor(kept);
  if (RemoveSectionLines(kept)) file_changed_ = true;
}

void TMyIniFile::SetSectionValues(WStringView section, const std::vector<WString>& items) {
  WString name(Trim(section));
  if (!ini::IsUsableSectionName(name)) return;
  std::vector<WString> lines = CleanForWriting(items);
  file_changed_ = true;
  InvalidateCacheFor(name);
  RemoveSectionLines(name);
  AppendSection(name, lines, true);
}

void TMyIniFile::SetSectionLines(WStringView section, const std::vector<WString>& items) {
  WString name(Trim(section));
  if (!ini::IsUsableSectionName(name)) return;
  PutBackSection();
  file_changed_ = true;
  std::vector<WString> lines;
  for (WString& line : SplitItems(items)) {
    // A line that reads as a header would cut the section in two.
    if (!ini::IsHeader(line)) lines.push_back(std::move(line));
  }
  InvalidateCacheFor(name);
  RemoveSectionLines(name);
  AppendSection(name, lines, false);
}

void TMyIniFile::ReadSections(TMyWStrings& list) { FillList(list, SectionNames()); }

void TMyIniFile::ReadSection(WStringView section, TMyWStrings& list) {
  FillList(list, SectionKeys(section));
}

void TMyIniFile::ReadSectionValues(WStringView section, TMyWStrings& list) {
  FillList(list, SectionValues(section));
}

void TMyIniFile::WriteSectionValues(WStringView section, const TMyWStrings& list) {
  SetSectionValues(section, ListLines(list));
}

void TMyIniFile::ReadSectionLines(WStringView section, TMyWStrings& list) {
  FillList(list, SectionLines(section));
}

void TMyIniFile::WriteSectionLines(WStringView section, const TMyWStrings& list) {
  SetSectionLines(section, ListLines(list));
}

// ---- Keys ---------------------------------------------------------------------------------

WString TMyIniFile::ReadString(WStringView section, WStringView key, WStringView default_value) {
  if (!SelectSection(section)) return WString(default_value);
  WStringView k = Trim(key);
  if (k.empty()) return WString(default_value);
  const WString* line = FindCachedKey(FoldCase(k));
  if (line == nullptr) return WString(default_value);
  WStringView value = ini::ValueOf(*line);
  return value.empty() ? WString(default_value) : WString(value);
}

void TMyIniFile::WriteString(WStringView section, WStringView key, WStringView value) {
  WString name(Trim(section));
  WStringView k = Trim(key);
  // Only what reads back as written: a usable section name, a key without "=", and no
  // line break anywhere (a value holding one could inject lines or sections).
  if (!ini::IsUsableSectionName(name) || k.empty() || k.find(u'=') != WStringView::npos ||
      ini::HasUnsafeChar(k) || ini::HasUnsafeChar(value)) {
    return;
  }
  WString text;
  text.reserve(k.size() + 1 + value.size());
  text += k;
  text += u'=';
  text += value;
  if (ini::IsHeader(text)) return;  // "[a=b]" would start a section of its own
  file_changed_ = true;
  SelectSection(name);
  section_changed_ = true;
  WString folded = FoldCase(k);
  auto it = current_lookup_.find(folded);
  if (it != current_lookup_.end()) {
    current_lines_[it->second] = std::move(text);
  } else {
    current_lookup_.emplace(std::move(folded), current_lines_.size());
    current_lines_.push_back(std::move(text));
  }
}

int32_t TMyIniFile::ReadInteger(WStringView section, WStringView key, int32_t default_value) {
  WString text = ReadString(section, key, IntText(default_value));
  int64_t value = 0;
  if (TryStrToInt64(Trim(text), value)) {
    // A plain number: out of the 32-bit range (or even the 64-bit one) gives the default.
  } else {
    WStringView t = Trim(text);
    size_t i = (!t.empty() && (t[0] == u'-' || t[0] == u'+')) ? 1 : 0;
    bool all_digits = i < t.size();
    for (size_t j = i; j < t.size(); ++j) all_digits = all_digits && t[j] >= u'0' && t[j] <= u'9';
    if (all_digits) return default_value;  // a decimal number beyond 64 bits
    value = StrToInt64Loose(text, false);
  }
  if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max()) {
    return default_value;
  }
  return static_cast<int32_t>(value);
}

void TMyIniFile::WriteInteger(WStringView section, WStringView key, int32_t value) {
  WriteString(section, key, IntText(value));
}

bool TMyIniFile::ReadBool(WStringView section, WStringView key, bool default_value) {
  return ReadInteger(section, key, default_value ? 1 : 0) != 0;
}

void TMyIniFile::ReadBool(WStringView section, WStringView key, bool* value) {
  *value = ReadBool(section, key, *value);
}

void TMyIniFile::WriteBool(WStringView section, WStringView key, bool value) {
  WriteString(section, key, value ? u"1" : u"0");
}

double TMyIniFile::ReadFloat(WStringView section, WStringView key, double default_value) {
  char16_t sep = ini::UserDecimalSeparator();
  WString text = ReadString(section, key, ini::FloatToText(default_value, sep));
  double value = 0;
  return ini::TextToFloat(text, sep, &value) ? value : 0.0;
}

void TMyIniFile::WriteFloat(WStringView section, WStringView key, double value) {
  WriteString(section, key, ini::FloatToText(value, ini::UserDecimalSeparator()));
}

// ---- Rectangles and forms -----------------------------------------------------------------

namespace {
WString JoinKey(WStringView base, WStringView side) {
  WString key(base);
  key += side;
  return key;
}
}  // namespace

TMyRect TMyIniFile::ReadRect(WStringView section, WStringView base_name,
                             const TMyRect& default_rect) {
  TMyRect r;
  r.left = ReadInteger(section, JoinKey(base_name, u"_Left"), default_rect.left);
  r.top = ReadInteger(section, JoinKey(base_name, u"_Top"), default_rect.top);
  r.right = ReadInteger(section, JoinKey(base_name, u"_Right"), default_rect.right);
  r.bottom = ReadInteger(section, JoinKey(base_name, u"_Bottom"), default_rect.bottom);
  return r;
}

void TMyIniFile::ReadRect(WStringView section, WStringView base_name, TMyRect* rect,
                          const TMyRect& default_rect) {
  *rect = ReadRect(section, base_name, default_rect);
}

void TMyIniFile::WriteRect(WStringView section, WStringView base_name, const TMyRect& rect) {
  WriteInteger(section, JoinKey(base_name, u"_Left"), rect.left);
  WriteInteger(section, JoinKey(base_name, u"_Top"), rect.top);
  WriteInteger(section, JoinKey(base_name, u"_Right"), rect.right);
  WriteInteger(section, JoinKey(base_name, u"_Bottom"), rect.bottom);
}

namespace {
// One axis of the fitting: the start limited so that the length fits, or the area's
// start when the length does not fit at all. 64-bit so that stored extremes cannot
// overflow.
int64_t FitAxis(int64_t start, int64_t length, int64_t area_start, int64_t area_end) {
  if (length < area_end - area_start) {
    return std::clamp(start, area_start, area_end - length);
  }
  return area_start;
}

int32_t ClampToInt32(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}
}  // namespace

TMyRect TMyIniFile::FitRectToWorkArea(const TMyRect& rect, const TMyRect& work_area) {
  int64_t width = int64_t{rect.right} - rect.left;
  int64_t height = int64_t{rect.bottom} - rect.top;
  int64_t left = FitAxis(rect.left, width, work_area.left, work_area.right);
  int64_t top = FitAxis(rect.top, height, work_area.top, work_area.bottom);
  return {ClampToInt32(left), ClampToInt32(top), ClampToInt32(left + width),
          ClampToInt32(top + height)};
}

TMyRect TMyIniFile::ReadFormRect(WStringView section, const TMyIniForm& form) {
  const TMyRect current = form.BoundsRect();
  TMyRect stored = ReadRect(section, form.ComponentName(), current);
  if (int64_t{stored.right} - stored.left <= 0 || int64_t{stored.bottom} - stored.top <= 0) {
    stored = current;  // damaged keys would give an invisible window
  }
  return FitRectToWorkArea(stored, form.WorkAreaNear(stored));
}

void TMyIniFile::ReadFormRect(WStringView section, const TMyIniForm& form, TMyRect* rect) {
  *rect = ReadFormRect(section, form);
}

void TMyIniFile::ReadFormBounds(WStringView section, TMyIniForm& form) {
  form.SetBoundsRect(ReadFormRect(section, form));
}

void TMyIniFile::WriteFormBounds(WStringView section, const TMyIniForm& form) {
  WriteRect(section, form.ComponentName(), form.BoundsRect());
}

}  // namespace mivaro
