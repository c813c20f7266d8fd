// Keyboard layout (virtual keys, scan codes, characters) and DirectInput-style
// keyboard and mouse devices.
//
// Devices are ids; the classic interface methods are functions that take the
// device id first. Keys are named by DirectInput scan codes (DIK_*), which are
// the keyboard's set-1 make codes, with 0x80 added for the extended (E0) keys.
#pragma once

#include "kxp/types.h"

namespace kxp {

// --- Virtual keys -----------------------------------------------------------
inline constexpr UINT VK_LBUTTON = 0x01;
inline constexpr UINT VK_RBUTTON = 0x02;
inline constexpr UINT VK_MBUTTON = 0x04;
inline constexpr UINT VK_XBUTTON1 = 0x05;
inline constexpr UINT VK_BACK = 0x08;
inline constexpr UINT VK_TAB = 0x09;
inline constexpr UINT VK_CLEAR = 0x0C;
inline constexpr UINT VK_RETURN = 0x0D;
inline constexpr UINT VK_SHIFT = 0x10;
inline constexpr UINT VK_CONTROL = 0x11;
inline constexpr UINT VK_MENU = 0x12;
inline constexpr UINT VK_PAUSE = 0x13;
inline constexpr UINT VK_CAPITAL = 0x14;
inline constexpr UINT VK_ESCAPE = 0x1B;
inline constexpr UINT VK_SPACE = 0x20;
inline constexpr UINT VK_PRIOR = 0x21;
inline constexpr UINT VK_NEXT = 0x22;
inline constexpr UINT VK_END = 0x23;
inline constexpr UINT VK_HOME = 0x24;
inline constexpr UINT VK_LEFT = 0x25;
inline constexpr UINT VK_UP = 0x26;
inline constexpr UINT VK_RIGHT = 0x27;
inline constexpr UINT VK_DOWN = 0x28;
inline constexpr UINT VK_SNAPSHOT = 0x2C;
inline constexpr UINT VK_INSERT = 0x2D;
inline constexpr UINT VK_DELETE = 0x2E;
// '0'..'9' are 0x30..0x39 and 'A'..'Z' are 0x41..0x5A.
inline constexpr UINT VK_LWIN = 0x5B;
inline constexpr UINT VK_RWIN = 0x5C;
inline constexpr UINT VK_APPS = 0x5D;
inline constexpr UINT VK_NUMPAD0 = 0x60; // .. VK_NUMPAD9 = 0x69
inline constexpr UINT VK_MULTIPLY = 0x6A;
inline constexpr UINT VK_ADD = 0x6B;
inline constexpr UINT VK_SUBTRACT = 0x6D;
inline constexpr UINT VK_DECIMAL = 0x6E;
inline constexpr UINT VK_DIVIDE = 0x6F;
inline constexpr UINT VK_F1 = 0x70; // .. VK_F12 = 0x7B
inline constexpr UINT VK_F11 = 0x7A;
inline constexpr UINT VK_F12 = 0x7B;
inline constexpr UINT VK_NUMLOCK = 0x90;
inline constexpr UINT VK_SCROLL = 0x91;
inline constexpr UINT VK_LSHIFT = 0xA0;
inline constexpr UINT VK_RSHIFT = 0xA1;
inline constexpr UINT VK_LCONTROL = 0xA2;
inline constexpr UINT VK_RCONTROL = 0xA3;
inline constexpr UINT VK_LMENU = 0xA4;
inline constexpr UINT VK_RMENU = 0xA5;
inline constexpr UINT VK_OEM_1 = 0xBA;      // ;:
inline constexpr UINT VK_OEM_PLUS = 0xBB;   // =+
inline constexpr UINT VK_OEM_COMMA = 0xBC;  // ,<
inline constexpr UINT VK_OEM_MINUS = 0xBD;  // -_
inline constexpr UINT VK_OEM_PERIOD = 0xBE; // .>
inline constexpr UINT VK_OEM_2 = 0xBF;      // /?
inline constexpr UINT VK_OEM_3 = 0xC0;      // `~
inline constexpr UINT VK_OEM_4 = 0xDB;      // [{
inline constexpr UINT VK_OEM_5 = 0xDC;      // \|
inline constexpr UINT VK_OEM_6 = 0xDD;      // ]}
inline constexpr UINT VK_OEM_7 = 0xDE;      // '"
inline constexpr UINT VK_OEM_102 = 0xE2;

// --- DirectInput scan codes (a selection; every set-1 code is accepted) -----
inline constexpr UINT DIK_ESCAPE = 0x01;
inline constexpr UINT DIK_1 = 0x02;
inline constexpr UINT DIK_0 = 0x0B;
inline constexpr UINT DIK_MINUS = 0x0C;
inline constexpr UINT DIK_BACK = 0x0E;
inline constexpr UINT DIK_TAB = 0x0F;
inline constexpr UINT DIK_Q = 0x10;
inline constexpr UINT DIK_RETURN = 0x1C;
inline constexpr UINT DIK_LCONTROL = 0x1D;
inline constexpr UINT DIK_A = 0x1E;
inline constexpr UINT DIK_LSHIFT = 0x2A;
inline constexpr UINT DIK_Z = 0x2C;
inline constexpr UINT DIK_M = 0x32;
inline constexpr UINT DIK_RSHIFT = 0x36;
inline constexpr UINT DIK_LMENU = 0x38;
inline constexpr UINT DIK_SPACE = 0x39;
inline constexpr UINT DIK_CAPITAL = 0x3A;
inline constexpr UINT DIK_F1 = 0x3B; // .. DIK_F10 = 0x44
inline constexpr UINT DIK_F10 = 0x44;
inline constexpr UINT DIK_NUMLOCK = 0x45;
inline constexpr UINT DIK_NUMPAD7 = 0x47;
inline constexpr UINT DIK_F11 = 0x57;
inline constexpr UINT DIK_F12 = 0x58;
inline constexpr UINT DIK_NUMPADENTER = 0x9C;
inline constexpr UINT DIK_RCONTROL = 0x9D;
inline constexpr UINT DIK_DIVIDE = 0xB5;
inline constexpr UINT DIK_RMENU = 0xB8;
inline constexpr UINT DIK_HOME = 0xC7;
inline constexpr UINT DIK_UP = 0xC8;
inline constexpr UINT DIK_LEFT = 0xCB;
inline constexpr UINT DIK_RIGHT = 0xCD;
inline constexpr UINT DIK_DOWN = 0xD0;
inline constexpr UINT DIK_DELETE = 0xD3;

// --- Keyboard layout --------------------------------------------------------
// The only layout is US English (0x04090409); layout arguments accept it or 0.
inline constexpr HKL HKL_US = 0x04090409;

inline constexpr UINT MAPVK_VK_TO_VSC = 0;
inline constexpr UINT MAPVK_VSC_TO_VK = 1;    // left/right keys give VK_SHIFT etc.
inline constexpr UINT MAPVK_VK_TO_CHAR = 2;   // unshifted character (letters upper case)
inline constexpr UINT MAPVK_VSC_TO_VK_EX = 3; // left/right distinguished; 0xE0xx for extended

KXP_API HKL GetKeyboardLayout(DWORD threadId);
// The system's 256-byte keyboard state, as of the key input the message pump
// has delivered: bit 7 for a key down, bit 0 for a toggle key that is on.
KXP_API BOOL GetKeyboardState(BYTE* keyState);
// 0 when there is no mapping or the layout is unknown.
KXP_API UINT MapVirtualKeyEx(UINT code, UINT mapType, HKL layout);
// Translates a virtual key in the given key state (shift, caps lock, control)
// to characters written to chars[0] (and chars[1]); returns the count (0 or 1
// with this layout). Bit 15 of the scan code marks a key release (no character).
KXP_API std::int32_t ToAsciiEx(UINT virtualKey, UINT scanCode, const BYTE* keyState, WORD* chars,
                               UINT flags, HKL layout);

// --- DirectInput-style devices ---------------------------------------------
using LPDIRECTINPUT = std::uint32_t;
using LPDIRECTINPUTDEVICE = std::uint32_t;

inline constexpr REFGUID GUID_SysKeyboard = 1;
inline constexpr REFGUID GUID_SysMouse = 2;
inline constexpr DWORD DIRECTINPUT_VERSION = 0x0700;

inline constexpr HRESULT DI_OK = 0;
inline constexpr HRESULT DI_NOEFFECT = 1;       // S_FALSE: nothing to do
inline constexpr HRESULT DI_BUFFEROVERFLOW = 1; // S_FALSE: events were lost
inline constexpr HRESULT DIERR_OTHERAPPHASPRIO = static_cast<HRESULT>(0x80070005u);
inline constexpr HRESULT DIERR_NOTACQUIRED = static_cast<HRESULT>(0x8007000Cu);
inline constexpr HRESULT DIERR_INPUTLOST = static_cast<HRESULT>(0x8007001Eu);
inline constexpr HRESULT DIERR_INVALIDPARAM = static_cast<HRESULT>(0x80070057u);
inline constexpr HRESULT DIERR_ACQUIRED = static_cast<HRESULT>(0x800700AAu);
inline constexpr HRESULT DIERR_NOTBUFFERED = static_cast<HRESULT>(0x80040207u);
inline constexpr HRESULT DIERR_DEVICENOTREG = static_cast<HRESULT>(0x80040154u);
inline constexpr HRESULT DIERR_UNSUPPORTED = static_cast<HRESULT>(0x80004001u);
inline constexpr HRESULT E_HANDLE = static_cast<HRESULT>(0x80070006u); // bad window
// Ids that name no input object or device get DIERR_INVALIDPARAM.

inline constexpr DWORD DISCL_EXCLUSIVE = 0x1;
inline constexpr DWORD DISCL_NONEXCLUSIVE = 0x2;
inline constexpr DWORD DISCL_FOREGROUND = 0x4;
inline constexpr DWORD DISCL_BACKGROUND = 0x8;

inline constexpr DWORD DIPROP_BUFFERSIZE = 1;
inline constexpr DWORD DIGDD_PEEK = 0x1;
inline constexpr DWORD INFINITE = 0xFFFFFFFFu;

// The 16-byte mouse state: motion since the last read, and buttons (bit 7 = down).
struct DIMOUSESTATE {
    LONG lX;
    LONG lY;
    LONG lZ;
    BYTE rgbButtons[4];
};
static_assert(sizeof(DIMOUSESTATE) == 16);

// A buffered keyboard event: dwOfs = scan code, dwData bit 7 = key went down.
struct DIDEVICEOBJECTDATA {
    DWORD dwOfs;
    DWORD dwData;
    DWORD dwTimeStamp; // GetTickCount when the key changed
    DWORD dwSequence;  // increases across all devices
};
static_assert(sizeof(DIDEVICEOBJECTDATA) == 16);

// Creates the input object (instance must be non-zero).
KXP_API HRESULT DirectInputCreate(HINSTANCE instance, DWORD version, LPDIRECTINPUT* input);
// Creates the keyboard (GUID_SysKeyboard) or mouse (GUID_SysMouse) device.
KXP_API HRESULT CreateDevice(LPDIRECTINPUT input, REFGUID guid, LPDIRECTINPUTDEVICE* device);
// DISCL_FOREGROUND devices acquire only while their window is active and are
// lost when it is deactivated. Devices start as non-exclusive background.
KXP_API HRESULT SetCooperativeLevel(LPDIRECTINPUTDEVICE device, HWND hwnd, DWORD flags);
// DIPROP_BUFFERSIZE: events the device buffers (default 16, at most 4096);
// only while not acquired.
KXP_API HRESULT SetProperty(LPDIRECTINPUTDEVICE device, DWORD property, DWORD value);
// DI_OK, or DI_NOEFFECT when already acquired. Acquiring empties the buffer
// and the accumulated motion.
KXP_API HRESULT Acquire(LPDIRECTINPUTDEVICE device);
KXP_API HRESULT Unacquire(LPDIRECTINPUTDEVICE device);
// Mouse: DIMOUSESTATE (16 bytes); keyboard: 256 bytes, bit 7 per scan code.
KXP_API HRESULT GetDeviceState(LPDIRECTINPUTDEVICE device, DWORD size, void* data);
// Keyboard events, oldest first. *inOut: room on entry, count on return. A
// null data pointer removes the events without copying them. Returns
// DI_BUFFEROVERFLOW once after events were dropped because the buffer was full.
KXP_API HRESULT GetDeviceData(LPDIRECTINPUTDEVICE device, DWORD objectDataSize,
                              DIDEVICEOBJECTDATA* data, DWORD* inOut, DWORD flags);
// Reference counts of input objects and devices; 0 for an unknown id.
KXP_API std::uint32_t AddRef(std::uint32_t object);
KXP_API std::uint32_t Release(std::uint32_t object);

} // namespace kxp
