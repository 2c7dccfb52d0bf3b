// What the grabbers read from an appsink sample: the frame's true start in stream time.
#pragma once

#include <gst/gst.h>
#include <gst/video/video.h>

#include "platform/media/frame_grabber.h"

namespace mivaro::media {

// The start of the sample's frame in stream time (seconds), -1 without a time stamp.
// An accurate seek clips the frame covering the target to begin at the target; such a
// frame sets `clipped`, and its start is given as where it began before the clipping.
double SampleFrameStart(GstSample* sample, const GstVideoInfo& info, bool* clipped);

// Copies the sample's picture into `frame` (rows without padding) with its start time.
bool CopySampleFrame(GstSample* sample, GrabbedFrame& frame);

}  // namespace mivaro::media
