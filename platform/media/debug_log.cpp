#include "platform/media/debug_log.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "core/atomic_file.h"

namespace mivaro {
namespace {

struct EventRow {
  int code;
  const char* name;
  const char* explanation;
};

// Graph event codes in the order of the framework's header, with what each one means.
constexpr EventRow kEvents[] = {
    {1, "EC_COMPLETE", "特定のストリームからのすべてのデータをレンダリングし終えた。"},
    {2, "EC_USERABORT", "ユーザーが再生を中断した。"},
    {3, "EC_ERRORABORT", "エラーのため処理が中止された。"},
    {5, "EC_REPAINT", "ビデオレンダラが再描画を要求した。"},
    {6, "EC_STREAM_ERROR_STOPPED", "ストリームのエラーのため、ストリームが停止した。"},
    {7, "EC_STREAM_ERROR_STILLPLAYING", "ストリームでエラーが発生したが、再生は続いている。"},
    {8, "EC_ERROR_STILLPLAYING", "コマンドの実行に失敗したが、再生は続いている。"},
    {9, "EC_PALETTE_CHANGED", "ビデオのパレットが変更された。"},
    {10, "EC_VIDEO_SIZE_CHANGED", "ネイティブビデオサイズが変更された。"},
    {11, "EC_QUALITY_CHANGE", "品質制御のためにフレームが落とされた。"},
    {12, "EC_SHUTTING_DOWN", "フィルタグラフが終了処理を開始した。"},
    {13, "EC_CLOCK_CHANGED", "基準クロックが変更された。"},
    {14, "EC_PAUSED", "ポーズ要求が完了した。"},
    {16, "EC_OPENING_FILE", "ファイルを開いている。"},
    {17, "EC_BUFFERING_DATA", "データをバッファリングしている。"},
    {18, "EC_FULLSCREEN_LOST", "フルスクリーンモードが解除された。"},
    {19, "EC_ACTIVATE", "ビデオウィンドウがアクティブ化または非アクティブ化された。"},
    {20, "EC_NEED_RESTART", "グラフの再起動が必要になった。"},
    {21, "EC_WINDOW_DESTROYED", "ビデオウィンドウが破棄された。"},
    {22, "EC_DISPLAY_CHANGED", "ディスプレイの設定が変更された。"},
    {23, "EC_STARVATION", "再生に必要なデータが不足している。"},
    {24, "EC_OLE_EVENT", "フィルタがユーザー定義のイベントを送った。"},
    {25, "EC_NOTIFY_WINDOW", "通知先のウィンドウが渡された。"},
    {26, "EC_STREAM_CONTROL_STOPPED", "ストリーム制御による停止が完了した。"},
    {27, "EC_STREAM_CONTROL_STARTED", "ストリーム制御による開始が完了した。"},
    {28, "EC_END_OF_SEGMENT", "セグメントの終わりに達した。"},
    {29, "EC_SEGMENT_STARTED", "新しいセグメントが開始された。"},
    {30, "EC_LENGTH_CHANGED", "メディアの長さが変更された。"},
    {31, "EC_DEVICE_LOST", "デバイスが取り外された、または再び使用可能になった。"},
    {36, "EC_STEP_COMPLETE", "コマ送りを実行しているフィルタが、指定数のコマ送りを完了した。"},
    {48, "EC_TIMECODE_AVAILABLE", "タイムコードが使用可能になった。"},
    {49, "EC_EXTDEVICE_MODE_CHANGE", ""},
    {50, "EC_STATE_CHANGE", "フィルタグラフの状態が変更された。"},
    {80, "EC_GRAPH_CHANGED", ""},
    {81, "EC_CLOCK_UNSET", "基準クロックが使用できなくなった。"},
    {83, "EC_VMR_RENDERDEVICE_SET", "VMRがレンダリングメカニズムを選択し終えた。"},
    {84, "EC_VMR_SURFACE_FLIPPED", "VMRが描画サーフェイスを切り替えた。"},
    {85, "EC_VMR_RECONNECTION_FAILED", "VMRが上流フィルタとの再接続に失敗した。"},
    {87, "EC_CODECAPI_EVENT", "エンコーダがコーデックのイベントを通知した。"},
    {512, "EC_SNDDEV_IN_ERROR", "オーディオ入力デバイスでエラーが発生した。"},
    {513, "EC_SNDDEV_OUT_ERROR", "オーディオ出力デバイスでエラーが発生した。"},
    {593, "EC_WMT_INDEX_EVENT", "ASF ライターがファイルのインデックス付けの状況を通知した。"},
    {594, "EC_WMT_EVENT", "ASF リーダーがイベントを通知した。"},
    {768, "EC_BUILT", "フィルタグラフが構築された。"},
    {769, "EC_UNBUILT", "フィルタグラフが解体された。"},
};

std::string Format(const char* fmt, auto... args) {
  char buf[512];
  int n = std::snprintf(buf, sizeof buf, fmt, args...);
  if (n < 0) return {};
  if (static_cast<std::size_t>(n) < sizeof buf) return std::string(buf, static_cast<std::size_t>(n));
  std::string out(static_cast<std::size_t>(n) + 1, '\0');
  std::snprintf(out.data(), out.size(), fmt, args...);
  out.resize(static_cast<std::size_t>(n));
  return out;
}

std::string Detail(int code, std::intptr_t p1, std::intptr_t p2) {
  switch (code) {
    case 10:  // the new size: width in the low word, height in the high word
      return Format("%d×%d", static_cast<int>(p1 & 0xFFFF), static_cast<int>((p1 >> 16) & 0xFFFF));
    case 83:
      switch (p1) {
        case 1: return "VMR はオーバーレイ サーフェイスにレンダリングする (VMR-7 のみ)。";
        case 2: return "VMR はビデオ メモリにレンダリングする。";
        case 3: return "VMR はシステム メモリにレンダリングする (VMR-7 のみ)。";
        default: return {};
      }
    case 593:
      switch (p1) {
        case 11: return "インデックス付けが開始された。";
        case 13: return "インデックス付けが完了した。";
        case 16: return Format("インデックス付けの進行状況: %d%%", static_cast<int>(p2));
        default: return {};
      }
    default:
      return {};
  }
}

std::string TimeOfDay() {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  char buf[16];
  std::strftime(buf, sizeof buf, "%H:%M:%S", &tm);
  return buf;
}

}  // namespace

TDebugLog& TDebugLog::Instance() {
  static TDebugLog log;
  return log;
}

void TDebugLog::Write(std::string_view line) {
  {
    std::lock_guard lock(mutex_);
    lines_.emplace_back(line);
    ++written_;
    while (lines_.size() > kMaxLines) lines_.pop_front();
    if (groupDepth_ > 0) {
      pending_ = true;
      return;
    }
  }
  Notify();
}

void TDebugLog::Write(const std::vector<std::string>& values) {
  std::string line;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i > 0) line += ' ';
    line += values[i];
  }
  Write(line);
}

std::string FormatLabel(std::string_view label, std::string_view text, int width) {
  std::string line(label);
  // Characters are code points, not bytes, so Japanese labels are padded like others.
  std::size_t cps = 0;
  for (unsigned char c : line) cps += (c & 0xC0) != 0x80;
  if (width > 0 && cps < static_cast<std::size_t>(width)) line.append(static_cast<std::size_t>(width) - cps, ' ');
  line += ' ';
  line += text;
  return line;
}

void TDebugLog::WriteLabel(std::string_view label, std::string_view text, int width) {
  Write(FormatLabel(label, text, width));
}

void TDebugLog::WriteBool(std::string_view label, bool value) {
  WriteLabel(label, value ? "True" : "False");
}

void TDebugLog::WriteInt(std::string_view label, long long value) {
  WriteLabel(label, Format("%lld", value));
}

void TDebugLog::WriteBytes(std::string_view label, const std::uint8_t* data, std::size_t size) {
  std::string text;
  for (std::size_t i = 0; i < size; ++i) text = Format("%s %.2x", text.c_str(), data[i]);
  WriteLabel(label, text);
}

void TDebugLog::BeginGroup() {
  std::lock_guard lock(mutex_);
  ++groupDepth_;
}

void TDebugLog::EndGroup() {
  bool notify = false;
  {
    std::lock_guard lock(mutex_);
    if (groupDepth_ > 0) --groupDepth_;
    if (groupDepth_ == 0 && pending_) {
      pending_ = false;
      notify = true;
    }
  }
  if (notify) Notify();
}

void TDebugLog::Clear() {
  {
    std::lock_guard lock(mutex_);
    lines_.clear();
    ++clears_;
  }
  Notify();
}

std::vector<std::string> TDebugLog::Lines() const {
  std::lock_guard lock(mutex_);
  return {lines_.begin(), lines_.end()};
}

std::string TDebugLog::SaveText() const {
  std::string out = "\xEF\xBB\xBF";
  for (const auto& line : Lines()) {
    out += line;
    out += "\r\n";
  }
  return out;
}

bool TDebugLog::SaveTo(const std::string& path) const {
  return WriteFileAtomicUtf8(path, SaveText());
}

TDebugLog::TDelta TDebugLog::LinesSince(TCursor* cursor) const {
  std::lock_guard lock(mutex_);
  TDelta delta;
  const std::uint64_t first = written_ - lines_.size();
  std::uint64_t from = std::max(cursor->next, first);
  if (cursor->clears != clears_ || written_ - from >= kMaxLines) {
    delta.reset = true;
    from = first;
  }
  delta.lines.assign(lines_.begin() + static_cast<std::ptrdiff_t>(from - first), lines_.end());
  cursor->next = written_;
  cursor->clears = clears_;
  return delta;
}

void TDebugLog::SetListener(std::function<void()> listener) {
  std::lock_guard lock(listenerMutex_);
  listener_ = std::move(listener);
}

void TDebugLog::Notify() {
  // Held while the listener runs, so that it cannot be replaced (and its owner destroyed)
  // in the middle of a call. The listener must not write to the log.
  std::lock_guard lock(listenerMutex_);
  if (listener_) listener_();
}

TGraphEventText DescribeGraphEvent(int code, std::intptr_t param1, std::intptr_t param2) {
  for (const auto& row : kEvents) {
    if (row.code == code) return {row.name, row.explanation, Detail(code, param1, param2)};
  }
  return {};
}

std::vector<std::string> FormatGraphEvent(int code, std::intptr_t param1, std::intptr_t param2,
                                          std::string_view timeOfDay) {
  TGraphEventText text = DescribeGraphEvent(code, param1, param2);
  std::string time(timeOfDay);
  std::vector<std::string> lines{
      Format("%s (%2d, %lld, %lld) %s", text.name.c_str(), code, static_cast<long long>(param1),
             static_cast<long long>(param2), time.c_str()),
      Format("%*s %s", 2, "", text.explanation.c_str())};
  if (!text.detail.empty()) lines.push_back(Format("%*s %s", 2, "", text.detail.c_str()));
  return lines;
}

void LogGraphEvent(int code, std::intptr_t param1, std::intptr_t param2) {
  TDebugLog& log = TDebugLog::Instance();
  log.BeginGroup();
  for (const auto& line : FormatGraphEvent(code, param1, param2, TimeOfDay())) log.Write(line);
  log.EndGroup();
}

}  // namespace mivaro
