// The diagnostics log: text lines of engine events, graph dumps and registry lists.
//
// Toolkit-free; the log window shows it and listens for changes. The log keeps at most
// 1000 lines (the oldest drop) and lives for the whole process, so lines written while
// the window is closed are there when it opens.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace mivaro {

class TDebugLog {
 public:
  static constexpr std::size_t kMaxLines = 1000;

  // The process-wide log.
  static TDebugLog& Instance();

  // Appends one line (UTF-8); thread-safe.
  void Write(std::string_view line);
  // The values joined by single blanks; an empty list writes an empty line.
  void Write(const std::vector<std::string>& values);
  // "%-*s" label padded to the width, then the text.
  void WriteLabel(std::string_view label, std::string_view text, int width = 20);
  void WriteBool(std::string_view label, bool value);
  void WriteInt(std::string_view label, long long value);
  // "%s %.2x" per byte after the label.
  void WriteBytes(std::string_view label, const std::uint8_t* data, std::size_t size);

  // Bracket a dump: listeners are told once at the end instead of after every line.
  void BeginGroup();
  void EndGroup();

  void Clear();
  std::vector<std::string> Lines() const;
  // The whole log as UTF-8 text with a byte-order mark and CR LF line ends.
  std::string SaveText() const;
  // Writes SaveText to the file through the atomic writer; false on failure.
  bool SaveTo(const std::string& path) const;

  // What a viewer has not shown yet: the lines written since it last asked. `reset` tells it
  // to drop what it shows first (the log was cleared, or more than the whole log is new).
  struct TDelta {
    std::vector<std::string> lines;
    bool reset = false;
  };
  // `cursor` is the viewer's own bookkeeping; it starts value-initialised.
  struct TCursor {
    std::uint64_t next = 0;
    std::uint64_t clears = 0;
  };
  TDelta LinesSince(TCursor* cursor) const;

  // Called (on the writer's thread) after the lines changed; one listener. Once
  // SetListener returns, the previous listener is not running and is not called again.
  void SetListener(std::function<void()> listener);

 private:
  void Notify();

  mutable std::mutex mutex_;
  std::deque<std::string> lines_;
  std::uint64_t written_ = 0;  // lines ever written
  std::uint64_t clears_ = 0;
  std::mutex listenerMutex_;
  std::function<void()> listener_;
  int groupDepth_ = 0;
  bool pending_ = false;
};

// "%-*s" label padded to the width (in characters), a blank, then the text.
std::string FormatLabel(std::string_view label, std::string_view text, int width = 20);

// Shorthands for the process-wide log.
inline void DebugWrite(std::string_view line) { TDebugLog::Instance().Write(line); }
inline void DebugWrite(const std::vector<std::string>& values) { TDebugLog::Instance().Write(values); }
inline void DebugWriteLabel(std::string_view label, std::string_view text, int width = 20) {
  TDebugLog::Instance().WriteLabel(label, text, width);
}
inline void DebugBeginGroup() { TDebugLog::Instance().BeginGroup(); }
inline void DebugEndGroup() { TDebugLog::Instance().EndGroup(); }

// Name and explanation of a graph event code (empty for an unknown code).
struct TGraphEventText {
  std::string name;
  std::string explanation;
  std::string detail;  // parameter-dependent line, empty when none
};
TGraphEventText DescribeGraphEvent(int code, std::intptr_t param1, std::intptr_t param2);

// The event's lines: name with code, parameters and time of day, then the explanation
// indented by three blanks, then the parameter-dependent line when there is one.
std::vector<std::string> FormatGraphEvent(int code, std::intptr_t param1, std::intptr_t param2,
                                          std::string_view timeOfDay);
// Writes the event's lines to the log with the current time of day.
void LogGraphEvent(int code, std::intptr_t param1, std::intptr_t param2);

}  // namespace mivaro
