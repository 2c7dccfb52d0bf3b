#include "ui/main/time_text.h"

#include "core/numbers.h"

namespace mivaro {

QString TimeDisplayText(bool verbose, double position, double duration, int position_seconds,
                        int duration_seconds) {
  WString text;
  if (verbose) {
    text = FormatSecondsFraction(3, position) + u"/" + FormatSecondsFraction(3, duration) + u" ";
  } else {
    text = FormatSeconds(position_seconds) + u"/" + FormatSeconds(duration_seconds) + u" ";
  }
  return QString::fromStdU16String(text);
}

QString SecondsHint(int seconds) {
  return QString::fromStdU16String(FormatSeconds(seconds)) + QStringLiteral("秒");
}

}  // namespace mivaro
