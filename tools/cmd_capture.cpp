// mivaro-tool capture FILE SECONDS OUT.{bmp,gif,jpg}: writes the first frame whose time is
// at or after SECONDS with the capture tool's grabber and writers, and prints its time.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "capture/image_files.h"
#include "platform/media/frame_grabber.h"
#include "tools/tool_command.h"

namespace mivaro::tool {
namespace {

std::string LowerExtension(const std::string& name) {
  const auto dot = name.find_last_of('.');
  const auto slash = name.find_last_of('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  std::string ext = name.substr(dot);
  for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  return ext;
}

int RunCapture(const std::vector<std::string>& args) {
  if (args.size() != 3) return UsageError("capture needs FILE SECONDS OUT.{bmp,gif,jpg}");
  char* end = nullptr;
  const double seconds = std::strtod(args[1].c_str(), &end);
  if (end == args[1].c_str() || *end != '\0' || !(seconds >= 0)) {
    return UsageError("SECONDS must be a number of seconds, not '" + args[1] + "'");
  }
  const std::string ext = LowerExtension(args[2]);
  if (ext != ".bmp" && ext != ".gif" && ext != ".jpg" && ext != ".jpeg") {
    return UsageError("OUT must end in .bmp, .gif or .jpg");
  }
  media::TMyFrameGrabber grabber;
  std::string error;
  if (!grabber.Open(args[0], error)) return Failure(error);
  media::GrabbedFrame frame;
  if (!grabber.FrameAtOrAfter(seconds, frame)) return Failure("no frame at " + args[1]);
  capture::TMyBitmap bitmap;
  bitmap.width = frame.width;
  bitmap.height = frame.height;
  bitmap.rgb = std::move(frame.rgb);
  bool ok = false;
  if (ext == ".bmp") ok = capture::SaveBitmapAsBmp(bitmap, args[2]);
  if (ext == ".gif") ok = capture::SaveBitmapAsGif(bitmap, args[2]);
  if (ext == ".jpg" || ext == ".jpeg") ok = capture::SaveBitmapAsJpeg(bitmap, args[2], 80);
  if (!ok) return Failure(args[2] + " could not be saved");
  std::printf("%.6f\n", frame.time);
  return 0;
}

}  // namespace

MIVARO_TOOL_COMMAND("capture", "FILE SECONDS OUT.{bmp,gif,jpg}",
                    "save the first frame at or after SECONDS as an image", RunCapture);

}  // namespace mivaro::tool
