// TMyIniFile: the settings store, a text file of [sections] and key=value lines.
//
// The whole file is held in memory as lines. One section at a time is cached
// (cleaned up: no blank lines, no lines without a key, one line per key) so that
// key reads and writes are fast; a changed cached section is put back into the
// lines when another section is selected, and the file is written only by
// UpdateFile (explicitly or from the destructor), and only when something changed.
//
// File format:
// - A header is a line whose trimmed text starts with "[" and that has a "]" at its
//   second position or later; the name is the text before the first "]", trimmed,
//   and must not be empty. Text after the "]" is ignored ("[ Play ] ; note").
// - A section's body runs up to the next header. Lines before the first header belong
//   to no section and are kept as they are.
// - key=value: the key is the text before the first "=", trimmed; the value is the
//   rest exactly as written. "=" as the first character means no key.
// - Section names and keys match ignoring case. When a section name occurs twice,
//   only the first occurrence counts.
// - A written section moves to the end of the file, followed by an empty line; every
//   earlier occurrence of its name goes, so what was written is what reads back.
//
// Values are strings; integers are decimal, booleans "1"/"0", floats use the user's
// decimal separator. The file may be stored in any of the text-file encodings.
//
// Writes that could not read back as written are ignored: an empty section name or one
// holding "]", a key that is empty or holds "=", a line break or U+0000 in a name, key
// or value, and lines that would read as a section header.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/numbers.h"
#include "core/ustring.h"

namespace mivaro {

class TMyWStrings;

// Window rectangles are TMyRect (core/numbers.h): right and bottom lie just outside the
// window (width = right - left).

// What the store needs to know about a window to save and restore its bounds.
// The user interface implements it for its forms; tests use a plain rectangle.
class TMyIniForm {
 public:
  virtual ~TMyIniForm() = default;
  // The component name, used as the base of the four keys ("App_Mivaro").
  virtual WString ComponentName() const = 0;
  // The window's current bounds on the desktop.
  virtual TMyRect BoundsRect() const = 0;
  virtual void SetBoundsRect(const TMyRect& rect) = 0;
  // The work area (screen without panels) of the monitor nearest to `rect`.
  virtual TMyRect WorkAreaNear(const TMyRect& rect) const = 0;
};

class TMyIniFile {
 public:
  // The program's own settings file (the program's path with ".ini"), encoding
  // detected on reading, written as ANSI or as UTF-8 with BOM.
  TMyIniFile();
  explicit TMyIniFile(WStringView file_name);
  // `encoding` is a text-file encoding code (0 = detect / ANSI or UTF-8 with BOM).
  // The file is read at once when it exists; a missing file gives an empty store.
  TMyIniFile(WStringView file_name, uint8_t encoding);
  // Writes pending changes (UpdateFile).
  virtual ~TMyIniFile();

  TMyIniFile(const TMyIniFile&) = delete;
  TMyIniFile& operator=(const TMyIniFile&) = delete;

  // Writes the lines when anything changed, replacing the file only once the new
  // content is complete. True only when the file was written. Afterwards the store
  // counts as unchanged, also after a failure (the lines in memory stay).
  virtual bool UpdateFile();

  virtual bool SectionExists(WStringView section);
  // Clears `list` and fills it with every section name in file order.
  virtual void ReadSections(TMyWStrings& list);
  // Clears `list` and fills it with the keys of the section (cleaned up).
  virtual void ReadSection(WStringView section, TMyWStrings& list);
  // Removes the section (header and body).
  virtual void EraseSection(WStringView section);
  // Clears `list` and fills it with the section's key=value lines, cleaned up: no blank
  // lines, no lines without a key, and of a repeated key only its last line.
  virtual void ReadSectionValues(WStringView section, TMyWStrings& list);
  // Replaces the section by the key=value lines of `list` (blank lines and lines without
  // a key skipped, a repeated key written once: its first line).
  virtual void WriteSectionValues(WStringView section, const TMyWStrings& list);
  // Clears `list` and fills it with the section's lines exactly as stored, empty lines
  // included; for the cached section with unsaved changes, its cleaned-up lines.
  virtual void ReadSectionLines(WStringView section, TMyWStrings& list);
  // Replaces the section by the lines of `list` exactly as passed (no empty line is
  // added after them). Lines that would read back as a section header are left out.
  virtual void WriteSectionLines(WStringView section, const TMyWStrings& list);

  // The value of the key; the default when the key is missing or its value is empty.
  virtual WString ReadString(WStringView section, WStringView key, WStringView default_value);
  virtual void WriteString(WStringView section, WStringView key, WStringView value);
  // A stored number outside the signed 32-bit range gives the default.
  virtual int32_t ReadInteger(WStringView section, WStringView key, int32_t default_value);
  virtual void WriteInteger(WStringView section, WStringView key, int32_t value);
  // Numbers only: "0" is false, any other number true; "yes" or "true" read as false.
  virtual bool ReadBool(WStringView section, WStringView key, bool default_value);
  // `*value` holds the default on entry and the result on return.
  virtual void ReadBool(WStringView section, WStringView key, bool* value);
  virtual void WriteBool(WStringView section, WStringView key, bool value);
  // Text that is not a number reads as 0 (not the default).
  virtual double ReadFloat(WStringView section, WStringView key, double default_value);
  virtual void WriteFloat(WStringView section, WStringView key, double value);

  // Rectangles as four integer keys: base + "_Left", "_Top", "_Right", "_Bottom".
  TMyRect ReadRect(WStringView section, WStringView base_name,
                      const TMyRect& default_rect);
  void ReadRect(WStringView section, WStringView base_name, TMyRect* rect,
                const TMyRect& default_rect);
  void WriteRect(WStringView section, WStringView base_name, const TMyRect& rect);
  // The stored rectangle of the form (its current bounds as default), moved onto the
  // work area of the nearest monitor with its size kept. A stored rectangle without
  // area (corrupt keys) gives the current bounds.
  TMyRect ReadFormRect(WStringView section, const TMyIniForm& form);
  void ReadFormRect(WStringView section, const TMyIniForm& form, TMyRect* rect);
  void ReadFormBounds(WStringView section, TMyIniForm& form);
  void WriteFormBounds(WStringView section, const TMyIniForm& form);

  // Moves `rect` onto `work_area` keeping its size (the fitting of ReadFormRect).
  static TMyRect FitRectToWorkArea(const TMyRect& rect, const TMyRect& work_area);

  // The file read and written, and the encoding codes.
  const WString& FileName() const { return file_name_; }
  // The code given at creation, replaced by the detected code when the file was read.
  uint8_t LoadEncoding() const { return load_encoding_; }
  uint8_t SaveEncoding() const { return save_encoding_; }
  void SetSaveEncoding(uint8_t encoding) { save_encoding_ = encoding; }
  // True while the lines differ from the file on disk.
  bool FileChanged() const { return file_changed_ || section_changed_; }

  // The same operations on plain vectors of lines (the list forms above call these).
  std::vector<WString> SectionNames();
  std::vector<WString> SectionKeys(WStringView section);
  std::vector<WString> SectionValues(WStringView section);
  std::vector<WString> SectionLines(WStringView section);
  void SetSectionValues(WStringView section, const std::vector<WString>& lines);
  void SetSectionLines(WStringView section, const std::vector<WString>& lines);

  // Every line of the file as it will be written (the cached section put back first).
  std::vector<WString> Lines();
  // Replaces all lines by the lines of `text` (CR, LF or CR LF breaks), as if read
  // from a file; the store then counts as unchanged. Used for reading from memory.
  void SetText(WStringView text);
  // Replaces all lines by the text of file content in memory, decoded like a file read
  // with the load encoding (which is then replaced by the detected code).
  void LoadFromBytes(std::string_view bytes);
  // The text that UpdateFile would write (lines joined with the file's line break).
  WString GetText();

 private:
  struct SectionEntry {
    WString name;     // trimmed name as written in the header
    size_t line = 0;  // index of the header line
  };

  void LoadFile();
  void RebuildIndex();
  // Index into sections_ of the first header with this (trimmed) name, or -1.
  ptrdiff_t FindSection(WStringView trimmed_name) const;
  // Range of body lines [first, last) of the section at sections_[index].
  void BodyRange(size_t index, size_t* first, size_t* last) const;
  // Removes every header and body of the section; true when something was removed.
  bool RemoveSectionLines(WStringView trimmed_name);
  // Cleaned-up key=value lines of a stored section; `lookup` (optional) receives the
  // folded key of each line with its index.
  std::vector<WString> CleanedSection(WStringView trimmed_name,
                                      std::unordered_map<WString, size_t>* lookup) const;
  // Makes the section the cached one; false when the name is not usable.
  bool SelectSection(WStringView section);
  void PutBackSection();
  // Appends "[name]" and the lines; `trailing_empty` adds one empty line after them.
  void AppendSection(WStringView name, const std::vector<WString>& lines, bool trailing_empty);
  bool IsCurrent(WStringView trimmed_name) const;
  void InvalidateCacheFor(WStringView trimmed_name);
  const WString* FindCachedKey(const WString& folded_key) const;

  WString file_name_;
  std::vector<WString> lines_;
  std::vector<SectionEntry> sections_;
  // Folded section name -> index into sections_ of its first occurrence.
  std::unordered_map<WString, size_t> section_lookup_;
  WString current_name_;  // trimmed; empty when nothing is cached
  WString current_folded_;
  std::vector<WString> current_lines_;
  std::unordered_map<WString, size_t> current_lookup_;  // folded key -> index
  bool section_changed_ = false;
  bool file_changed_ = false;
  uint8_t load_encoding_ = 0;
  uint8_t save_encoding_ = 0;
  uint8_t line_break_ = 0;  // 0 = CR LF, 1 = CR, 2 = LF (as found in the file)
};

}  // namespace mivaro
