// Media probe: measures a file's duration, video size, frame rate and bit rate without
// playing it (GStreamer's discoverer underneath; this header needs no GStreamer).
// Safe to call from any thread; each call is independent. Nothing is reported: what
// cannot be measured keeps its "unknown" value.
#pragma once

#include <cstdint>

#include "core/ustring.h"

namespace mivaro {

struct MediaProbeResult {
  bool ok = false;           // the file could be opened and understood as media
  double duration = -1.0;    // seconds; -1.0 when unknown
  std::int32_t videoWidth = 0;   // pixels of the first video stream; 0 without video
  std::int32_t videoHeight = 0;
  double frameRate = 0.0;    // frames per second (not rounded); 0 when unknown or variable
  std::int32_t bitRate = 0;  // bits per second, all streams; 0 when unknown
};

// Probes the file at path; timeoutMs bounds the time spent (default 10 s).
// Anything but a regular file (FIFO, device, socket) gives the empty result unread.
MediaProbeResult ProbeMediaFile(WStringView path, int timeoutMs = 10000);

}  // namespace mivaro
