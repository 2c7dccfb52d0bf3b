#include "platform/desktop/xcb_util.h"

#include <cstdlib>
#include <cstring>

namespace mivaro {

xcb_atom_t XcbAtom(xcb_connection_t* c, const char* name) {
  xcb_intern_atom_reply_t* r =
      xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<uint16_t>(strlen(name)), name),
                            nullptr);
  const xcb_atom_t atom = r ? r->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
  free(r);
  return atom;
}

std::vector<std::uint32_t> XcbCardinals(xcb_connection_t* c, xcb_window_t w, xcb_atom_t property,
                                        xcb_atom_t type) {
  std::vector<std::uint32_t> values;
  xcb_get_property_reply_t* r = xcb_get_property_reply(
      c, xcb_get_property(c, 0, w, property, type, 0, 4096), nullptr);
  if (r && r->format == 32) {
    const auto* data = static_cast<const std::uint32_t*>(xcb_get_property_value(r));
    values.assign(data, data + xcb_get_property_value_length(r) / 4);
  }
  free(r);
  return values;
}

std::string XcbText(xcb_connection_t* c, xcb_window_t w, xcb_atom_t property) {
  std::string text;
  xcb_get_property_reply_t* r = xcb_get_property_reply(
      c, xcb_get_property(c, 0, w, property, XCB_ATOM_ANY, 0, 16384), nullptr);
  if (r && r->format == 8) {
    text.assign(static_cast<const char*>(xcb_get_property_value(r)),
                static_cast<std::size_t>(xcb_get_property_value_length(r)));
  }
  free(r);
  return text;
}

}  // namespace mivaro
