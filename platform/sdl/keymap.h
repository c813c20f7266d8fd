// SDL's keyboard scan codes (USB usage ids) to the keyboard device's scan codes
// (internal to kx_platform).
#pragma once

#include "kxp/types.h"

namespace kxp::detail {

// The DirectInput-style code (set-1 make code, 0x80 added for the E0-prefixed
// keys) of a key of a US keyboard, or 0 for a key the layout does not have.
UINT dik_of_sdl_scancode(int scancode);

} // namespace kxp::detail
