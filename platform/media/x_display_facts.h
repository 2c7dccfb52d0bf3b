// Facts about the X display that decide which video renderer is worth starting.
#pragma once

namespace mivaro {

// True when OpenGL on $DISPLAY is drawn by graphics hardware: the server offers direct
// rendering (DRI3 or DRI2, or the NVIDIA GLX extension) and Mesa is not told to render in
// software (LIBGL_ALWAYS_SOFTWARE, GALLIUM_DRIVER=llvmpipe/softpipe). Without it, Mesa
// falls back to its software rasteriser, which maps the whole LLVM code generator and
// keeps every frame in several full-size RGBA copies: the X image renderer shows the
// same picture for far less memory and CPU. The check asks the server only for its
// extensions, so no OpenGL library is loaded to answer it.
bool GlRendersInHardware();

}  // namespace mivaro
