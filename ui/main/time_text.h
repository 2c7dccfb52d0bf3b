// Texts of the time display and the seek bar's hints.
#pragma once

#include <QString>

namespace mivaro {

// "%s/%s " (with its trailing blank): position and length, with three fraction digits when
// `verbose`, else in whole seconds.
QString TimeDisplayText(bool verbose, double position, double duration, int position_seconds,
                        int duration_seconds);

// "%s秒" with the time of `seconds`.
QString SecondsHint(int seconds);

}  // namespace mivaro
