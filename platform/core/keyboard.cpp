// The US English keyboard layout: set-1 scan codes to virtual keys and back,
// virtual keys to characters under shift, caps lock and control, and the
// system keyboard state.
#include "core/internal.h"

namespace kxp::detail {
namespace {

// Virtual key of each set-1 make code 0x00..0x7F (left/right keys sided).
// clang-format off
constexpr BYTE kBase[128] = {
    /* 0x00 */ 0, VK_ESCAPE, '1', '2', '3', '4', '5', '6',
    /* 0x08 */ '7', '8', '9', '0', VK_OEM_MINUS, VK_OEM_PLUS, VK_BACK, VK_TAB,
    /* 0x10 */ 'Q', 'W', 'E', 'R', 'T', 'Y', 'U', 'I',
    /* 0x18 */ 'O', 'P', VK_OEM_4, VK_OEM_6, VK_RETURN, VK_LCONTROL, 'A', 'S',
    /* 0x20 */ 'D', 'F', 'G', 'H', 'J', 'K', 'L', VK_OEM_1,
    /* 0x28 */ VK_OEM_7, VK_OEM_3, VK_LSHIFT, VK_OEM_5, 'Z', 'X', 'C', 'V',
    /* 0x30 */ 'B', 'N', 'M', VK_OEM_COMMA, VK_OEM_PERIOD, VK_OEM_2, VK_RSHIFT, VK_MULTIPLY,
    /* 0x38 */ VK_LMENU, VK_SPACE, VK_CAPITAL, VK_F1, VK_F1 + 1, VK_F1 + 2, VK_F1 + 3, VK_F1 + 4,
    /* 0x40 */ VK_F1 + 5, VK_F1 + 6, VK_F1 + 7, VK_F1 + 8, VK_F1 + 9, VK_NUMLOCK, VK_SCROLL, VK_HOME,
    /* 0x48 */ VK_UP, VK_PRIOR, VK_SUBTRACT, VK_LEFT, VK_CLEAR, VK_RIGHT, VK_ADD, VK_END,
    /* 0x50 */ VK_DOWN, VK_NEXT, VK_INSERT, VK_DELETE, VK_SNAPSHOT, 0, VK_OEM_102, VK_F11,
    /* 0x58 */ VK_F12,
    // 0x59..0x7F: no keys of this layout
};
// clang-format on

// Virtual key of an extended (E0-prefixed) code, given by its low 7 bits.
UINT extended(UINT code) {
    switch (code) {
    case 0x1C: return VK_RETURN;
    case 0x1D: return VK_RCONTROL;
    case 0x35: return VK_DIVIDE;
    case 0x37: return VK_SNAPSHOT;
    case 0x38: return VK_RMENU;
    case 0x45: return VK_PAUSE;
    case 0x47: return VK_HOME;
    case 0x48: return VK_UP;
    case 0x49: return VK_PRIOR;
    case 0x4B: return VK_LEFT;
    case 0x4D: return VK_RIGHT;
    case 0x4F: return VK_END;
    case 0x50: return VK_DOWN;
    case 0x51: return VK_NEXT;
    case 0x52: return VK_INSERT;
    case 0x53: return VK_DELETE;
    case 0x5B: return VK_LWIN;
    case 0x5C: return VK_RWIN;
    case 0x5D: return VK_APPS;
    default: return 0;
    }
}

UINT generic(UINT vk) {
    switch (vk) {
    case VK_LSHIFT:
    case VK_RSHIFT: return VK_SHIFT;
    case VK_LCONTROL:
    case VK_RCONTROL: return VK_CONTROL;
    case VK_LMENU:
    case VK_RMENU: return VK_MENU;
    default: return vk;
    }
}

UINT vk_to_scan(UINT vk) {
    switch (vk) {
    case VK_SHIFT: return 0x2A;
    case VK_CONTROL: return 0x1D;
    case VK_MENU: return 0x38;
    default: break;
    }
    static constexpr BYTE numpad[10] = {0x52, 0x4F, 0x50, 0x51, 0x4B, 0x4C, 0x4D, 0x47, 0x48, 0x49};
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD0 + 9) return numpad[vk - VK_NUMPAD0];
    if (vk == VK_DECIMAL) return 0x53;
    for (UINT code = 1; code < 128; ++code)
        if (kBase[code] == vk) return code;
    for (UINT code = 1; code < 128; ++code)
        if (extended(code) == vk) return code;
    return 0;
}

bool pressed(const BYTE* keys, UINT vk) {
    return (keys[vk] & 0x80) != 0;
}

bool any_side(const BYTE* keys, UINT generic_vk, UINT left) {
    return pressed(keys, generic_vk) || pressed(keys, left) || pressed(keys, left + 1);
}

// The character of a key with no modifier but shift (0: none).
WORD plain_char(UINT vk, bool shift) {
    if (vk >= '0' && vk <= '9') return shift ? ")!@#$%^&*("[vk - '0'] : static_cast<WORD>(vk);
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD0 + 9) return static_cast<WORD>('0' + vk - VK_NUMPAD0);
    switch (vk) {
    case VK_SPACE: return ' ';
    case VK_RETURN: return '\r';
    case VK_BACK: return 0x08;
    case VK_TAB: return '\t';
    case VK_ESCAPE: return 0x1B;
    case VK_OEM_1: return shift ? ':' : ';';
    case VK_OEM_PLUS: return shift ? '+' : '=';
    case VK_OEM_COMMA: return shift ? '<' : ',';
    case VK_OEM_MINUS: return shift ? '_' : '-';
    case VK_OEM_PERIOD: return shift ? '>' : '.';
    case VK_OEM_2: return shift ? '?' : '/';
    case VK_OEM_3: return shift ? '~' : '`';
    case VK_OEM_4: return shift ? '{' : '[';
    case VK_OEM_5:
    case VK_OEM_102: return shift ? '|' : '\\';
    case VK_OEM_6: return shift ? '}' : ']';
    case VK_OEM_7: return shift ? '"' : '\'';
    case VK_MULTIPLY: return '*';
    case VK_ADD: return '+';
    case VK_SUBTRACT: return '-';
    case VK_DECIMAL: return '.';
    case VK_DIVIDE: return '/';
    default: return 0;
    }
}

// Control characters (-1: the combination gives none).
std::int32_t control_char(UINT vk, bool shift) {
    if (vk >= 'A' && vk <= 'Z') return static_cast<std::int32_t>(vk - 'A' + 1);
    switch (vk) {
    case VK_OEM_4: return shift ? -1 : 0x1B;
    case VK_OEM_5:
    case VK_OEM_102: return shift ? -1 : 0x1C;
    case VK_OEM_6: return shift ? -1 : 0x1D;
    case '2': return shift ? 0x00 : -1;
    case '6': return shift ? 0x1E : -1;
    case VK_OEM_MINUS: return shift ? 0x1F : -1;
    case VK_RETURN: return 0x0A;
    case VK_BACK: return 0x7F;
    case VK_SPACE: return ' ';
    case VK_ESCAPE: return 0x1B;
    default: return -1;
    }
}

bool known_layout(HKL layout) {
    return layout == 0 || layout == HKL_US;
}

} // namespace

UINT scan_to_vk(UINT scan, bool sided) {
    UINT vk = scan < 0x80 ? kBase[scan] : extended(scan & 0x7F);
    return sided ? vk : generic(vk);
}

} // namespace kxp::detail

namespace kxp {

using namespace detail;

HKL GetKeyboardLayout(DWORD) {
    return HKL_US;
}

BOOL GetKeyboardState(BYTE* keyState) {
    if (!keyState) {
        set_error(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const InputState& s = input_state();
    for (int k = 0; k < 256; ++k)
        keyState[k] = s.key_state[k];
    return 1;
}

UINT MapVirtualKeyEx(UINT code, UINT mapType, HKL layout) {
    if (!known_layout(layout)) return 0;
    switch (mapType) {
    case MAPVK_VK_TO_VSC: return code < 256 ? vk_to_scan(code) : 0;
    case MAPVK_VSC_TO_VK: return code < 0x80 ? generic(kBase[code]) : 0;
    case MAPVK_VSC_TO_VK_EX:
        if (code < 0x80) return kBase[code];
        if ((code & 0xFF00) == 0xE000 && (code & 0xFF) < 0x80) return extended(code & 0x7F);
        return 0;
    case MAPVK_VK_TO_CHAR:
        if (code >= 'A' && code <= 'Z') return code;
        return code < 256 ? plain_char(code, false) : 0;
    default: return 0;
    }
}

std::int32_t ToAsciiEx(UINT virtualKey, UINT scanCode, const BYTE* keyState, WORD* chars, UINT,
                       HKL layout) {
    if (!known_layout(layout) || !keyState || !chars || virtualKey == 0 || virtualKey > 255)
        return 0;
    if (scanCode & 0x8000) return 0; // key release
    bool shift = any_side(keyState, VK_SHIFT, VK_LSHIFT);
    bool control = any_side(keyState, VK_CONTROL, VK_LCONTROL);
    bool alt = any_side(keyState, VK_MENU, VK_LMENU);
    bool caps = (keyState[VK_CAPITAL] & 1) != 0;
    if (control && alt) return 0; // no AltGr characters in this layout
    if (control) {
        std::int32_t c = control_char(virtualKey, shift);
        if (c < 0) return 0;
        chars[0] = static_cast<WORD>(c);
        return 1;
    }
    WORD c;
    if (virtualKey >= 'A' && virtualKey <= 'Z')
        c = static_cast<WORD>(shift != caps ? virtualKey : virtualKey + ('a' - 'A'));
    else
        c = plain_char(virtualKey, shift);
    if (c == 0) return 0;
    chars[0] = c;
    return 1;
}

} // namespace kxp
