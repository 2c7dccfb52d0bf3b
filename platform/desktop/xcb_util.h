// Small helpers over an xcb connection: atoms and 32-bit window properties.
#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <string>
#include <vector>

namespace mivaro {

// The atom of `name`, created when missing; XCB_ATOM_NONE when the server does not answer.
xcb_atom_t XcbAtom(xcb_connection_t* c, const char* name);
// The 32-bit values of a property of `type` (any type with XCB_ATOM_ANY); empty when it is
// missing or has another format.
std::vector<std::uint32_t> XcbCardinals(xcb_connection_t* c, xcb_window_t w, xcb_atom_t property,
                                        xcb_atom_t type);
// An 8-bit property as text; empty when missing.
std::string XcbText(xcb_connection_t* c, xcb_window_t w, xcb_atom_t property);

}  // namespace mivaro
