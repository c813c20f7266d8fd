// The input service's state (internal to kx_platform): the keyboard state the
// pump delivers, the keys and buttons as fed, and the input objects and
// devices. It lives in dinput.cpp.
#pragma once

#include "core/internal.h"

namespace kxp::detail {

struct InputState {
    BYTE key_state[256] = {}; // virtual keys, as delivered by the pump
    BYTE keys_down[256] = {}; // scan codes, as fed
    BYTE buttons[4] = {};     // 0x80 per button down, as fed
    DWORD sequence = 0;       // of buffered device events
    ObjectTable devices;      // input objects and devices
};
InputState& input_state();

// --- input (dinput.cpp, keyboard.cpp) ---
void devices_key(UINT scan, bool down, DWORD time);
void devices_motion(std::int32_t dx, std::int32_t dy, std::int32_t dz);
void devices_focus_lost(HWND top);      // foreground devices of that window are lost
UINT scan_to_vk(UINT scan, bool sided); // DIK code (0x80 = extended) to virtual key

} // namespace kxp::detail
