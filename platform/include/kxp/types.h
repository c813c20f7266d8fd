// Basic types of the platform layer's classic interfaces.
//
// The runtime is a 32-bit-address design: every handle the platform hands out
// (windows, instances, cursors, icons, keyboard layouts, timers, input objects
// and devices, display objects, surfaces, 3D devices, device contexts and
// fonts) is a small non-zero 32-bit id, and message parameters are
// 32-bit words. 0 always means "none" or "failed".
#pragma once

#include <cstdint>

#include "kxp/api.h"

namespace kxp {

using BOOL = std::int32_t;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = std::uint32_t;
using LONG = std::int32_t;
using ATOM = std::uint16_t;
using HRESULT = std::int32_t;

using HWND = std::uint32_t;
using HINSTANCE = std::uint32_t;
using HMENU = std::uint32_t;
using HCURSOR = std::uint32_t;
using HICON = std::uint32_t;
using HBRUSH = std::uint32_t;
using HKL = std::uint32_t;
using HDC = std::uint32_t; // device context (kxp/gdi.h)

// Interface and device identifiers: small constants (GUID_SysKeyboard,
// IID_IDirect3D7, ...) standing in for the classic 128-bit GUIDs.
using REFGUID = std::uint32_t;

// Message parameters and results: 32 bits wide, with the classic signedness
// (the first parameter unsigned, the second parameter and the result signed).
using WPARAM = std::uint32_t;
using LPARAM = std::int32_t;
using LRESULT = std::int32_t;

// BOOL results are 1 for success and 0 for failure. (No TRUE/FALSE names: other
// libraries' headers define them as macros.)

struct POINT {
    std::int32_t x;
    std::int32_t y;
};

// Right and bottom are exclusive.
struct RECT {
    std::int32_t left;
    std::int32_t top;
    std::int32_t right;
    std::int32_t bottom;
};

static_assert(sizeof(POINT) == 8);
static_assert(sizeof(RECT) == 16);

// Packing of two 16-bit halves into a message parameter.
inline constexpr LPARAM MAKELPARAM(std::int32_t low, std::int32_t high) {
    return static_cast<LPARAM>((static_cast<std::uint32_t>(low) & 0xFFFFu) |
                               (static_cast<std::uint32_t>(high) << 16));
}
inline constexpr WPARAM MAKEWPARAM(std::int32_t low, std::int32_t high) {
    return static_cast<WPARAM>(MAKELPARAM(low, high));
}
inline constexpr WORD LOWORD(std::uint32_t v) {
    return static_cast<WORD>(v & 0xFFFFu);
}
inline constexpr WORD HIWORD(std::uint32_t v) {
    return static_cast<WORD>(v >> 16);
}
// Signed coordinates packed in a message parameter.
inline constexpr std::int32_t GET_X_LPARAM(LPARAM l) {
    return static_cast<std::int16_t>(LOWORD(static_cast<std::uint32_t>(l)));
}
inline constexpr std::int32_t GET_Y_LPARAM(LPARAM l) {
    return static_cast<std::int16_t>(HIWORD(static_cast<std::uint32_t>(l)));
}

} // namespace kxp
