// Keyboard layout, the keyboard state and key messages, and the DirectInput-
// style keyboard and mouse devices fed through the headless desktop.
#include <cstring>
#include <initializer_list>
#include <string>

#include "desktop_fixture.h"

namespace kxp::test {
namespace {

using Input = Desktop;

// The runtime's translation: scan code to virtual key to character.
WORD translate(UINT scan, const BYTE* keys) {
    HKL layout = GetKeyboardLayout(0);
    UINT vk = MapVirtualKeyEx(scan, MAPVK_VSC_TO_VK, layout);
    WORD chars[2] = {0, 0xFFFF};
    std::int32_t n = ToAsciiEx(vk, scan, keys, chars, 0, layout);
    EXPECT_EQ(chars[1], 0xFFFF) << "one character only";
    return n == 1 ? chars[0] : 0;
}

TEST(KeyboardLayout, ScanCodesMapToVirtualKeysAndBack) {
    HKL us = GetKeyboardLayout(0);
    EXPECT_EQ(us, HKL_US);
    struct {
        UINT scan, vk;
    } pairs[] = {{1, VK_ESCAPE},   {2, '1'},         {11, '0'},       {16, 'Q'},    {25, 'P'},
                 {28, VK_RETURN},  {30, 'A'},        {38, 'L'},       {44, 'Z'},    {50, 'M'},
                 {57, VK_SPACE},   {59, VK_F1},      {68, VK_F1 + 9}, {87, VK_F11}, {88, VK_F12},
                 {0x35, VK_OEM_2}, {0x29, VK_OEM_3}, {0x2B, VK_OEM_5}};
    for (auto p : pairs) {
        EXPECT_EQ(MapVirtualKeyEx(p.scan, MAPVK_VSC_TO_VK, us), p.vk) << p.scan;
        EXPECT_EQ(MapVirtualKeyEx(p.vk, MAPVK_VK_TO_VSC, us), p.scan) << p.scan;
    }
    // Left and right keys: one generic key, or sided with the _EX mapping.
    EXPECT_EQ(MapVirtualKeyEx(0x2A, MAPVK_VSC_TO_VK, us), VK_SHIFT);
    EXPECT_EQ(MapVirtualKeyEx(0x36, MAPVK_VSC_TO_VK, us), VK_SHIFT);
    EXPECT_EQ(MapVirtualKeyEx(0x2A, MAPVK_VSC_TO_VK_EX, us), VK_LSHIFT);
    EXPECT_EQ(MapVirtualKeyEx(0x36, MAPVK_VSC_TO_VK_EX, us), VK_RSHIFT);
    EXPECT_EQ(MapVirtualKeyEx(0xE01D, MAPVK_VSC_TO_VK_EX, us), VK_RCONTROL);
    EXPECT_EQ(MapVirtualKeyEx(0xE048, MAPVK_VSC_TO_VK_EX, us), VK_UP);
    EXPECT_EQ(MapVirtualKeyEx(VK_SHIFT, MAPVK_VK_TO_VSC, us), 0x2Au);
    // Extended DirectInput codes are no set-1 scan codes.
    EXPECT_EQ(MapVirtualKeyEx(DIK_UP, MAPVK_VSC_TO_VK, us), 0u);
    EXPECT_EQ(MapVirtualKeyEx(0x59, MAPVK_VSC_TO_VK, us), 0u);
    EXPECT_EQ(MapVirtualKeyEx(0x1000, MAPVK_VSC_TO_VK, us), 0u);
    // Characters of unshifted keys; letters upper case.
    EXPECT_EQ(MapVirtualKeyEx('A', MAPVK_VK_TO_CHAR, us), UINT('A'));
    EXPECT_EQ(MapVirtualKeyEx(VK_OEM_2, MAPVK_VK_TO_CHAR, us), UINT('/'));
    EXPECT_EQ(MapVirtualKeyEx(VK_F1, MAPVK_VK_TO_CHAR, us), 0u);
    // Unknown layout or mapping type.
    EXPECT_EQ(MapVirtualKeyEx(30, MAPVK_VSC_TO_VK, 0x04070407), 0u);
    EXPECT_EQ(MapVirtualKeyEx(30, 9, us), 0u);
    EXPECT_EQ(MapVirtualKeyEx(30, MAPVK_VSC_TO_VK, 0), UINT('A')); // 0: the current layout
}

TEST(KeyboardLayout, LettersDigitsAndPunctuationUnderShiftCapsAndControl) {
    BYTE keys[256] = {};
    // The characters of a row of scan codes under the current key state.
    auto typed = [&keys](std::initializer_list<UINT> scans) {
        std::string s;
        for (UINT k : scans)
            s += static_cast<char>(translate(k, keys));
        return s;
    };
    // F1 and keypad 7 (Home without num lock mapping) give no character.
    EXPECT_EQ(typed({30, 2, 0x27, 0x1C, 0x39, 59, 0x47}), std::string("a1;\r \0\0", 7));
    keys[VK_SHIFT] = 0x80;
    EXPECT_EQ(typed({30, 2, 11, 0x27, 0x28, 0x35}), "A!):\"?");
    keys[VK_CAPITAL] = 0x01;         // caps lock on (toggled, key not held)
    EXPECT_EQ(typed({30, 2}), "a!"); // shift undoes caps lock for letters, not digits
    keys[VK_SHIFT] = 0;
    EXPECT_EQ(typed({30, 2}), "A1");
    keys[VK_CAPITAL] = 0x80; // held but not toggled on
    EXPECT_EQ(typed({30}), "a");
    keys[VK_CAPITAL] = 0;
    keys[VK_RSHIFT] = 0x80; // a sided key alone counts too
    EXPECT_EQ(typed({44}), "Z");
    keys[VK_RSHIFT] = 0;
    keys[VK_CONTROL] = 0x80;
    EXPECT_EQ(typed({46, 0x1A, 2}), std::string("\x03\x1B\0", 3)); // control-C, control-[
    keys[VK_MENU] = 0x80; // control-alt: no character in this layout
    EXPECT_EQ(typed({30}), std::string(1, '\0'));

    // A release gives nothing; bad arguments give nothing and write nothing.
    BYTE none[256] = {};
    WORD c[1] = {0x55};
    EXPECT_EQ(ToAsciiEx('A', 30 | 0x8000, none, c, 0, 0), 0);
    EXPECT_EQ(ToAsciiEx('A', 30, nullptr, c, 0, 0), 0);
    EXPECT_EQ(ToAsciiEx('A', 30, none, nullptr, 0, 0), 0);
    EXPECT_EQ(ToAsciiEx(300, 30, none, c, 0, 0), 0);
    EXPECT_EQ(ToAsciiEx('A', 30, none, c, 0, 0x04070407), 0);
    EXPECT_EQ(c[0], 0x55);
}

TEST_F(Input, KeysReachTheKeyboardStateAndTheFocusWindowThroughThePump) {
    HWND h = open(100, 100);
    ShowWindow(h, SW_SHOWNORMAL);
    PumpMessages();
    g_log.clear();
    BYTE keys[256];
    FeedKey(DIK_LSHIFT, 1);
    FeedKey(DIK_A, 1);
    FeedKey(DIK_A, 1); // auto-repeat
    ASSERT_EQ(GetKeyboardState(keys), 1);
    EXPECT_EQ(keys[VK_SHIFT], 0); // not delivered yet
    PumpMessages();
    ASSERT_EQ(GetKeyboardState(keys), 1);
    EXPECT_EQ(keys[VK_SHIFT] & 0x80, 0x80);
    EXPECT_EQ(keys[VK_LSHIFT] & 0x80, 0x80);
    EXPECT_EQ(keys[VK_RSHIFT], 0);
    EXPECT_EQ(keys['A'] & 0x80, 0x80);
    EXPECT_EQ(translate(DIK_A, keys), 'A');

    auto downs = of(WM_KEYDOWN);
    ASSERT_EQ(downs.size(), 3u);
    EXPECT_EQ(downs[0].w, VK_SHIFT);
    EXPECT_EQ(downs[1].w, WPARAM('A'));
    auto l1 = static_cast<std::uint32_t>(downs[1].l);
    auto l2 = static_cast<std::uint32_t>(downs[2].l);
    EXPECT_EQ(l1 & 0xFFFF, 1u);        // repeat count
    EXPECT_EQ((l1 >> 16) & 0xFF, 30u); // scan code
    EXPECT_EQ(l1 >> 30, 0u);           // was up
    EXPECT_EQ((l2 >> 30) & 1, 1u);     // already down: a repeat
    FeedKey(DIK_A, 0);
    FeedKey(DIK_LSHIFT, 0);
    FeedKey(DIK_UP, 1);
    g_log.clear();
    PumpMessages();
    ASSERT_EQ(of(WM_KEYUP).size(), 2u);
    EXPECT_EQ(static_cast<std::uint32_t>(of(WM_KEYUP)[0].l) >> 30, 3u);
    ASSERT_EQ(of(WM_KEYDOWN).size(), 1u);
    EXPECT_EQ(of(WM_KEYDOWN)[0].w, VK_UP);
    EXPECT_EQ((static_cast<std::uint32_t>(of(WM_KEYDOWN)[0].l) >> 24) & 1, 1u); // extended
    GetKeyboardState(keys);
    EXPECT_EQ(keys[VK_SHIFT], 0);
    EXPECT_EQ(keys['A'], 0);

    // Caps lock toggles on each press.
    for (int k = 0; k < 3; ++k) {
        FeedKey(DIK_CAPITAL, 1);
        FeedKey(DIK_CAPITAL, 0);
        PumpMessages();
        GetKeyboardState(keys);
        EXPECT_EQ(keys[VK_CAPITAL], k % 2 == 0 ? 1 : 0);
    }
    EXPECT_EQ(GetKeyboardState(nullptr), 0);
    EXPECT_EQ(FeedKey(0, 1), 0);
    EXPECT_EQ(FeedKey(256, 1), 0);
}

struct Devices {
    LPDIRECTINPUT di = 0;
    LPDIRECTINPUTDEVICE keyboard = 0, mouse = 0;
    explicit Devices(HINSTANCE inst) {
        EXPECT_EQ(DirectInputCreate(inst, DIRECTINPUT_VERSION, &di), DI_OK);
        EXPECT_EQ(CreateDevice(di, GUID_SysKeyboard, &keyboard), DI_OK);
        EXPECT_EQ(CreateDevice(di, GUID_SysMouse, &mouse), DI_OK);
    }
};

HRESULT read(LPDIRECTINPUTDEVICE d, std::vector<DIDEVICEOBJECTDATA>& out, DWORD room = 16,
             DWORD flags = 0) {
    out.assign(room, DIDEVICEOBJECTDATA{});
    DWORD n = room;
    HRESULT r = GetDeviceData(d, sizeof(DIDEVICEOBJECTDATA), out.data(), &n, flags);
    out.resize(r >= 0 ? n : 0);
    return r;
}

TEST_F(Input, KeyboardEventsAreBufferedOverflowAndReadBack) {
    Devices in(inst);
    std::vector<DIDEVICEOBJECTDATA> ev;
    EXPECT_EQ(read(in.keyboard, ev), DIERR_NOTACQUIRED);
    FeedKey(DIK_Q, 1); // before acquisition: not buffered
    FeedKey(DIK_Q, 0);
    ASSERT_EQ(Acquire(in.keyboard), DI_OK);
    EXPECT_EQ(Acquire(in.keyboard), DI_NOEFFECT);

    SetTestClock(5000);
    FeedKey(DIK_ESCAPE, 1);
    AdvanceTestClock(7);
    FeedKey(DIK_F12, 1);
    FeedKey(DIK_F12, 1); // repeat: no change, no event
    AdvanceTestClock(1);
    FeedKey(DIK_ESCAPE, 0);
    ASSERT_EQ(read(in.keyboard, ev), DI_OK);
    ASSERT_EQ(ev.size(), 3u);
    EXPECT_EQ(ev[0].dwOfs, 1u);
    EXPECT_EQ(ev[0].dwData & 0x80, 0x80u);
    EXPECT_EQ(ev[0].dwTimeStamp, 5000u);
    EXPECT_EQ(ev[1].dwOfs, 88u);
    EXPECT_EQ(ev[1].dwTimeStamp, 5007u);
    EXPECT_EQ(ev[2].dwOfs, 1u);
    EXPECT_EQ(ev[2].dwData & 0x80, 0u);
    EXPECT_LT(ev[0].dwSequence, ev[1].dwSequence);
    EXPECT_LT(ev[1].dwSequence, ev[2].dwSequence);
    EXPECT_EQ(read(in.keyboard, ev), DI_OK);
    EXPECT_TRUE(ev.empty());

    // The device state follows the keys.
    BYTE state[256];
    ASSERT_EQ(GetDeviceState(in.keyboard, 256, state), DI_OK);
    EXPECT_EQ(state[DIK_F12], 0x80);
    EXPECT_EQ(state[DIK_ESCAPE], 0);
    EXPECT_EQ(GetDeviceState(in.keyboard, 255, state), DIERR_INVALIDPARAM);
    FeedKey(DIK_F12, 0);
    read(in.keyboard, ev);

    // 20 changes into a 16-event buffer: the oldest 16 are kept, the read says so
    // once; a second read finds the rest dropped.
    for (UINT k = 0; k < 10; ++k) {
        FeedKey(DIK_Q + k, 1);
        FeedKey(DIK_Q + k, 0);
    }
    ASSERT_EQ(read(in.keyboard, ev, 4, DIGDD_PEEK), DI_BUFFEROVERFLOW);
    EXPECT_EQ(ev.size(), 4u);
    ASSERT_EQ(read(in.keyboard, ev, 16), DI_BUFFEROVERFLOW);
    ASSERT_EQ(ev.size(), 16u);
    for (UINT k = 0; k < 16; ++k) {
        EXPECT_EQ(ev[k].dwOfs, DIK_Q + k / 2);
        EXPECT_EQ(ev[k].dwData, k % 2 == 0 ? 0x80u : 0u);
    }
    EXPECT_EQ(read(in.keyboard, ev), DI_OK);
    EXPECT_TRUE(ev.empty());
    // The runtime's recovery: acquire again (already acquired) and read again.
    EXPECT_EQ(Acquire(in.keyboard), DI_NOEFFECT);

    // A smaller buffer, set while not acquired; a null buffer flushes.
    EXPECT_EQ(SetProperty(in.keyboard, DIPROP_BUFFERSIZE, 2), DIERR_ACQUIRED);
    EXPECT_EQ(Unacquire(in.keyboard), DI_OK);
    EXPECT_EQ(Unacquire(in.keyboard), DI_NOEFFECT);
    EXPECT_EQ(SetProperty(in.keyboard, DIPROP_BUFFERSIZE, 2), DI_OK);
    EXPECT_EQ(SetProperty(in.keyboard, DIPROP_BUFFERSIZE, 5000), DIERR_INVALIDPARAM);
    EXPECT_EQ(SetProperty(in.keyboard, 77, 2), DIERR_UNSUPPORTED);
    ASSERT_EQ(Acquire(in.keyboard), DI_OK);
    FeedKey(DIK_A, 1);
    FeedKey(DIK_A, 0);
    FeedKey(DIK_M, 1);
    DWORD n = INFINITE;
    EXPECT_EQ(GetDeviceData(in.keyboard, 16, nullptr, &n, 0), DI_BUFFEROVERFLOW);
    EXPECT_EQ(n, 2u);
    EXPECT_EQ(read(in.keyboard, ev), DI_OK);
    EXPECT_TRUE(ev.empty());

    // Bad arguments.
    n = 4;
    EXPECT_EQ(GetDeviceData(in.keyboard, 20, ev.data(), &n, 0), DIERR_INVALIDPARAM);
    EXPECT_EQ(GetDeviceData(in.keyboard, 16, ev.data(), nullptr, 0), DIERR_INVALIDPARAM);
    EXPECT_EQ(GetDeviceData(in.mouse + 1000, 16, ev.data(), &n, 0), DIERR_INVALIDPARAM);
    FeedKey(DIK_M, 0);
}

TEST_F(Input, MouseStateAccumulatesMotionAndKeepsButtons) {
    Devices in(inst);
    HWND h = open(640, 480);
    DIMOUSESTATE ms{};
    EXPECT_EQ(GetDeviceState(in.mouse, sizeof ms, &ms), DIERR_NOTACQUIRED);
    FeedMouseMotion(100, 100); // not acquired: lost
    FeedMouseMove(h, 0, 0);
    ASSERT_EQ(Acquire(in.mouse), DI_OK);
    ASSERT_EQ(GetDeviceState(in.mouse, sizeof ms, &ms), DI_OK);
    EXPECT_EQ(ms.lX, 0);

    FeedMouseMotion(5, -3);
    FeedMouseMotion(-50, -3);
    FeedMouseWheel(120);
    FeedMouseButton(0, 1);
    FeedMouseButton(2, 1);
    ASSERT_EQ(GetDeviceState(in.mouse, sizeof ms, &ms), DI_OK);
    EXPECT_EQ(ms.lX, -45);
    EXPECT_EQ(ms.lY, -6);
    EXPECT_EQ(ms.lZ, 120);
    EXPECT_EQ(ms.rgbButtons[0], 0x80);
    EXPECT_EQ(ms.rgbButtons[1], 0);
    EXPECT_EQ(ms.rgbButtons[2], 0x80);
    EXPECT_EQ(ms.rgbButtons[3], 0);
    ASSERT_EQ(GetDeviceState(in.mouse, sizeof ms, &ms), DI_OK); // motion was consumed
    EXPECT_EQ(ms.lX, 0);
    EXPECT_EQ(ms.lZ, 0);
    EXPECT_EQ(ms.rgbButtons[0], 0x80); // buttons are state, not motion

    // A window-relative move is device motion too, from where the cursor was.
    FeedMouseMove(h, 30, 40);
    FeedMouseMove(h, 20, 45);
    GetDeviceState(in.mouse, sizeof ms, &ms);
    EXPECT_EQ(ms.lX, 20);
    EXPECT_EQ(ms.lY, 45);
    // The pump turns the button changes into messages at the cursor.
    g_log.clear();
    FeedMouseButton(0, 0);
    PumpMessages();
    auto up = of(WM_LBUTTONUP);
    ASSERT_EQ(up.size(), 1u);
    EXPECT_EQ(up[0].l, MAKELPARAM(20, 45));
    EXPECT_EQ(up[0].w, MK_MBUTTON); // the middle button is still down
    auto moves = of(WM_MOUSEMOVE);  // to (0, 0) before the presses, then the two moves
    ASSERT_EQ(moves.size(), 3u);
    EXPECT_EQ(moves[0].w, 0u);
    EXPECT_EQ(moves[1].w, MK_LBUTTON | MK_MBUTTON);
    EXPECT_EQ(of(WM_LBUTTONDOWN).size(), 1u);
    EXPECT_EQ(of(WM_MBUTTONDOWN).size(), 1u);

    BYTE eight[20];
    EXPECT_EQ(GetDeviceState(in.mouse, 20, eight), DI_OK);
    EXPECT_EQ(GetDeviceState(in.mouse, 12, eight), DIERR_INVALIDPARAM);
    EXPECT_EQ(GetDeviceState(in.mouse, 16, nullptr), DIERR_INVALIDPARAM);
    DWORD n = 1;
    DIDEVICEOBJECTDATA d;
    EXPECT_EQ(GetDeviceData(in.mouse, 16, &d, &n, 0), DIERR_NOTBUFFERED);
    EXPECT_EQ(FeedMouseButton(4, 1), 0);
    EXPECT_EQ(FeedMouseButton(-1, 1), 0);
}

TEST_F(Input, ForegroundDevicesAreLostWithActivationAndReacquired) {
    Devices in(inst);
    HWND h = open(320, 240);
    EXPECT_EQ(SetCooperativeLevel(in.keyboard, h, DISCL_FOREGROUND), DIERR_INVALIDPARAM);
    EXPECT_EQ(SetCooperativeLevel(in.keyboard, h + 100, DISCL_FOREGROUND | DISCL_NONEXCLUSIVE),
              E_HANDLE);
    ASSERT_EQ(SetCooperativeLevel(in.keyboard, h, DISCL_FOREGROUND | DISCL_NONEXCLUSIVE), DI_OK);
    ASSERT_EQ(SetCooperativeLevel(in.mouse, h, DISCL_FOREGROUND | DISCL_EXCLUSIVE), DI_OK);
    EXPECT_EQ(Acquire(in.keyboard), DIERR_OTHERAPPHASPRIO); // not active yet
    ShowWindow(h, SW_SHOWNORMAL);
    ASSERT_EQ(Acquire(in.keyboard), DI_OK);
    ASSERT_EQ(Acquire(in.mouse), DI_OK);
    EXPECT_EQ(SetCooperativeLevel(in.keyboard, h, DISCL_BACKGROUND | DISCL_NONEXCLUSIVE),
              DIERR_ACQUIRED);
    FeedKey(DIK_A, 1);

    FeedActivate(h, 0);
    std::vector<DIDEVICEOBJECTDATA> ev;
    ASSERT_EQ(read(in.keyboard, ev), DI_OK); // not lost before the pump deactivates
    EXPECT_EQ(ev.size(), 1u);
    PumpMessages();
    DIMOUSESTATE ms;
    EXPECT_EQ(read(in.keyboard, ev), DIERR_INPUTLOST);
    EXPECT_EQ(read(in.keyboard, ev), DIERR_INPUTLOST);
    EXPECT_EQ(GetDeviceState(in.mouse, sizeof ms, &ms), DIERR_INPUTLOST);
    FeedKey(DIK_A, 0); // while lost: not buffered
    EXPECT_EQ(Acquire(in.keyboard), DIERR_OTHERAPPHASPRIO);
    FeedActivate(h, 1);
    PumpMessages();
    ASSERT_EQ(Acquire(in.keyboard), DI_OK);
    EXPECT_EQ(read(in.keyboard, ev), DI_OK);
    EXPECT_TRUE(ev.empty());

    // Destroying the window loses its foreground devices too.
    DestroyWindow(h);
    EXPECT_EQ(read(in.keyboard, ev), DIERR_INPUTLOST);
    EXPECT_EQ(Acquire(in.keyboard), DIERR_OTHERAPPHASPRIO);
}

TEST_F(Input, ObjectsAreReferenceCountedAndBadIdsRefused) {
    LPDIRECTINPUT di = 0;
    EXPECT_EQ(DirectInputCreate(0, DIRECTINPUT_VERSION, &di), DIERR_INVALIDPARAM);
    EXPECT_EQ(DirectInputCreate(inst, DIRECTINPUT_VERSION, nullptr), DIERR_INVALIDPARAM);
    ASSERT_EQ(DirectInputCreate(inst, DIRECTINPUT_VERSION, &di), DI_OK);
    EXPECT_NE(di, 0u);
    LPDIRECTINPUTDEVICE kb = 0, nothing = 0;
    EXPECT_EQ(CreateDevice(di, 99, &nothing), DIERR_DEVICENOTREG);
    EXPECT_EQ(CreateDevice(di + 1000, GUID_SysKeyboard, &nothing), DIERR_INVALIDPARAM);
    ASSERT_EQ(CreateDevice(di, GUID_SysKeyboard, &kb), DI_OK);
    EXPECT_NE(kb, di);
    EXPECT_EQ(CreateDevice(kb, GUID_SysKeyboard, &nothing),
              DIERR_INVALIDPARAM); // not an input object
    EXPECT_EQ(nothing, 0u);
    EXPECT_EQ(Acquire(di), DIERR_INVALIDPARAM); // not a device

    EXPECT_EQ(AddRef(kb), 2u);
    EXPECT_EQ(Release(kb), 1u);
    EXPECT_EQ(Acquire(kb), DI_OK);
    EXPECT_EQ(Release(kb), 0u);
    EXPECT_EQ(Release(kb), 0u);
    EXPECT_EQ(AddRef(kb), 0u);
    EXPECT_EQ(Acquire(kb), DIERR_INVALIDPARAM);
    EXPECT_EQ(Unacquire(kb), DIERR_INVALIDPARAM);
    EXPECT_EQ(SetCooperativeLevel(kb, 0, DISCL_BACKGROUND | DISCL_NONEXCLUSIVE),
              DIERR_INVALIDPARAM);
    BYTE state[256];
    EXPECT_EQ(GetDeviceState(kb, 256, state), DIERR_INVALIDPARAM);
    FeedKey(DIK_A, 1); // no device to feed: nothing happens
    FeedKey(DIK_A, 0);
    EXPECT_EQ(Release(di), 0u);
    EXPECT_EQ(Release(0), 0u);
}

} // namespace
} // namespace kxp::test
