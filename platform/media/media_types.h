// Result codes, event codes and renderer kinds of the media engine.
//
// The player logic was designed around a filter-graph engine whose operations report
// COM-style status codes and deliver numbered events. The engine over GStreamer speaks
// the same language, so the logic above it keeps its exact rules.
#pragma once

#include <cstdint>

namespace mivaro {

using HRESULT = std::int32_t;

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
inline constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
inline constexpr HRESULT E_ABORT = static_cast<HRESULT>(0x80004004u);
// A state change has not completed yet.
inline constexpr HRESULT VFW_S_STATE_INTERMEDIATE = 0x00040237;
// Paused, but no data can be cued (live source, or nothing prerolled).
inline constexpr HRESULT VFW_S_CANT_CUE = 0x00040268;
// The file could not be rendered: no usable stream in it.
inline constexpr HRESULT VFW_E_CANNOT_RENDER = static_cast<HRESULT>(0x80040218u);
// The file is missing or unreadable.
inline constexpr HRESULT VFW_E_NOT_FOUND = static_cast<HRESULT>(0x80040216u);
// The graph has not been built (no file rendered).
inline constexpr HRESULT VFW_E_NOT_CONNECTED = static_cast<HRESULT>(0x80040209u);
// The waited-for operation did not finish within its time.
inline constexpr HRESULT VFW_E_TIMEOUT = static_cast<HRESULT>(0x8004022Eu);
// Rendering has started and goes on in the engine: EC_OPEN_COMPLETE follows.
inline constexpr HRESULT VFW_S_OPEN_PENDING = 0x00040301;

inline constexpr bool Succeeded(HRESULT hr) { return hr >= 0; }
inline constexpr bool Failed(HRESULT hr) { return hr < 0; }

// Graph events (the numbers the player's event pump switches on).
inline constexpr int EC_COMPLETE = 1;
inline constexpr int EC_USERABORT = 2;
inline constexpr int EC_ERRORABORT = 3;
inline constexpr int EC_VIDEO_SIZE_CHANGED = 10;
inline constexpr int EC_CLOCK_CHANGED = 13;
inline constexpr int EC_PAUSED = 14;
inline constexpr int EC_LENGTH_CHANGED = 0x1E;
inline constexpr int EC_STEP_COMPLETE = 36;
// Engine events of this program (above the range of the standard codes):
// an asynchronous render ended; param1 is its result (S_OK or the failure).
inline constexpr int EC_OPEN_COMPLETE = 0x8001;
// The engine noted a warning or a missing plug-in (its text: TMediaGraph::Notices).
inline constexpr int EC_ENGINE_NOTICE = 0x8002;
inline constexpr int EC_VMR_RENDERDEVICE_SET = 0x53;

// Graph states as GetState reports them.
inline constexpr int State_Stopped = 0;
inline constexpr int State_Paused = 1;
inline constexpr int State_Running = 2;

// SetNotifyFlags: no further notifications for the graph.
inline constexpr int AM_MEDIAEVENT_NONOTIFY = 1;

// Aspect-ratio modes of the mixing renderers.
inline constexpr int VMR_ARMODE_NONE = 0;
inline constexpr int VMR_ARMODE_LETTER_BOX = 1;

// Window style bits the player hands to the video window (only their presence matters).
inline constexpr std::uint32_t WS_CHILD = 0x40000000u;
inline constexpr std::uint32_t WS_CLIPSIBLINGS = 0x04000000u;

// The overlay colour key when no overlay reports one: red 16, green 0, blue 16.
inline constexpr std::uint32_t kDefaultOverlayColorKey = 0x00100010u;

// The video renderer the player puts in the graph (the player's `Renderer`).
enum TMyVmMode : int {
  vmFriendlyVideoRenderer = 0,
  vmVideoRenderer = 1,
  vmOverlayMixer = 2,
  vmVMR7 = 3,
  vmVMR9 = 4,
  vmEVR = 5,
};

// A native window (an X11 window id on Linux); 0 is no window.
using TMyWindowHandle = std::uintptr_t;

// A rectangle in pixels by its position and size: left, top, width, height.
struct TMyBounds {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool operator==(const TMyBounds&) const = default;
};

}  // namespace mivaro
