// Keyboard layout, the keyboard state and key messages, and the DirectInput-
// style keyboard and mouse devices fed through the headless desktop.
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
    struct {
        UINT code, type;
        HKL layout;
        UINT expect;
    } maps[] = {
        // Left and right keys: one generic key, or sided with the _EX mapping.
        {0x2A, MAPVK_VSC_TO_VK, us, VK_SHIFT},
        {0x36, MAPVK_VSC_TO_VK, us, VK_SHIFT},
        {0x2A, MAPVK_VSC_TO_VK_EX, us, VK_LSHIFT},
        {0x36, MAPVK_VSC_TO_VK_EX, us, VK_RSHIFT},
        {0xE01D, MAPVK_VSC_TO_VK_EX, us, VK_RCONTROL},
        {0xE048, MAPVK_VSC_TO_VK_EX, us, VK_UP},
        {VK_SHIFT, MAPVK_VK_TO_VSC, us, 0x2A},
        // Extended DirectInput codes are no set-1 scan codes.
        {DIK_UP, MAPVK_VSC_TO_VK, us, 0},
        {0x59, MAPVK_VSC_TO_VK, us, 0},
        {0x1000, MAPVK_VSC_TO_VK, us, 0},
        // Characters of unshifted keys; letters upper case.
        {'A', MAPVK_VK_TO_CHAR, us, 'A'},
        {VK_OEM_2, MAPVK_VK_TO_CHAR, us, '/'},
        {VK_F1, MAPVK_VK_TO_CHAR, us, 0},
        // Unknown layout or mapping type; 0 is the current layout.
        {30, MAPVK_VSC_TO_VK, 0x04070407, 0},
        {30, 9, us, 0},
        {30, MAPVK_VSC_TO_VK, 0, 'A'},
    };
    for (auto m : maps)
        EXPECT_EQ(MapVirtualKeyEx(m.code, m.type, m.layout), m.expect) << m.code << " " << m.type;
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
    EXPECT_EQ(
        (Calls{ToAsciiEx('A', 30 | 0x8000, none, c, 0, 0), ToAsciiEx('A', 30, nullptr, c, 0, 0),
               ToAsciiEx('A', 30, none, nullptr, 0, 0), ToAsciiEx(300, 30, none, c, 0, 0),
               ToAsciiEx('A', 30, none, c, 0, 0x04070407), c[0]}),
        (Calls{0, 0, 0, 0, 0, 0x55}));
}

TEST_F(Input, KeysReachTheKeyboardStateAndTheFocusWindowThroughThePump) {
    HWND h = open(100, 100);
    ShowWindow(h, SW_SHOWNORMAL);
    PumpMessages();
    g_log.clear();
    BYTE keys[256];
    auto state = [&keys](std::initializer_list<int> vks) {
        EXPECT_EQ(GetKeyboardState(keys), 1);
        Calls r;
        for (int vk : vks)
            r.push_back(keys[vk]);
        return r;
    };
    FeedKey(DIK_LSHIFT, 1);
    FeedKey(DIK_A, 1);
    FeedKey(DIK_A, 1);                        // auto-repeat
    EXPECT_EQ(state({VK_SHIFT}), (Calls{0})); // not delivered yet
    PumpMessages();
    EXPECT_EQ(state({VK_SHIFT, VK_LSHIFT, VK_RSHIFT, 'A'}), (Calls{0x80, 0x80, 0, 0x80}));
    EXPECT_EQ(translate(DIK_A, keys), 'A');
    // Repeat count 1, scan code 30, previously up; then a repeat (bit 30).
    EXPECT_EQ(of(WM_KEYDOWN), (Log{{h, WM_KEYDOWN, VK_SHIFT, 1 | 0x2A << 16},
                                   {h, WM_KEYDOWN, 'A', 1 | 30 << 16},
                                   {h, WM_KEYDOWN, 'A', 1 | 30 << 16 | 1 << 30}}));
    FeedKey(DIK_A, 0);
    FeedKey(DIK_LSHIFT, 0);
    FeedKey(DIK_UP, 1);
    g_log.clear();
    PumpMessages();
    // Releases set bits 30 and 31; the arrow is an extended key (bit 24).
    EXPECT_EQ(g_log, (Log{{h, WM_KEYUP, 'A', static_cast<LPARAM>(0xC0000001u | 30 << 16)},
                          {h, WM_KEYUP, VK_SHIFT, static_cast<LPARAM>(0xC0000001u | 0x2A << 16)},
                          {h, WM_KEYDOWN, VK_UP, 1 | 0x48 << 16 | 1 << 24}}));
    EXPECT_EQ(state({VK_SHIFT, 'A'}), (Calls{0, 0}));

    // Caps lock toggles on each press.
    for (int k = 0; k < 3; ++k) {
        FeedKey(DIK_CAPITAL, 1);
        FeedKey(DIK_CAPITAL, 0);
        PumpMessages();
        EXPECT_EQ(state({VK_CAPITAL}), (Calls{k % 2 == 0 ? 1 : 0}));
    }
    EXPECT_EQ((Calls{GetKeyboardState(nullptr), FeedKey(0, 1), FeedKey(256, 1)}), (Calls{0, 0, 0}));
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

// Offset, data and time stamp of each event, as one value.
using Events = std::vector<std::array<DWORD, 3>>;
Events events(const std::vector<DIDEVICEOBJECTDATA>& ev) {
    Events r;
    for (const DIDEVICEOBJECTDATA& e : ev)
        r.push_back({e.dwOfs, e.dwData, e.dwTimeStamp});
    return r;
}

TEST_F(Input, KeyboardEventsAreBufferedOverflowAndReadBack) {
    Devices in(inst);
    std::vector<DIDEVICEOBJECTDATA> ev;
    EXPECT_EQ(read(in.keyboard, ev), DIERR_NOTACQUIRED);
    FeedKey(DIK_Q, 1); // before acquisition: not buffered
    FeedKey(DIK_Q, 0);
    EXPECT_EQ((Calls{Acquire(in.keyboard), Acquire(in.keyboard)}), (Calls{DI_OK, DI_NOEFFECT}));

    SetTestClock(5000);
    FeedKey(DIK_ESCAPE, 1);
    AdvanceTestClock(7);
    FeedKey(DIK_F12, 1);
    FeedKey(DIK_F12, 1); // repeat: no change, no event
    AdvanceTestClock(1);
    FeedKey(DIK_ESCAPE, 0);
    ASSERT_EQ(read(in.keyboard, ev), DI_OK);
    ASSERT_EQ(ev.size(), 3u);
    EXPECT_LT(ev[0].dwSequence, ev[1].dwSequence);
    EXPECT_LT(ev[1].dwSequence, ev[2].dwSequence);
    EXPECT_EQ(events(ev),
              (Events{{DIK_ESCAPE, 0x80, 5000}, {DIK_F12, 0x80, 5007}, {DIK_ESCAPE, 0, 5008}}));
    EXPECT_EQ(read(in.keyboard, ev), DI_OK);
    EXPECT_TRUE(ev.empty());

    // The device state follows the keys.
    BYTE state[256];
    EXPECT_EQ((Calls{GetDeviceState(in.keyboard, 256, state), state[DIK_F12], state[DIK_ESCAPE],
                     GetDeviceState(in.keyboard, 255, state)}),
              (Calls{DI_OK, 0x80, 0, DIERR_INVALIDPARAM}));
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
    Events oldest;
    for (UINT k = 0; k < 16; ++k)
        oldest.push_back({DIK_Q + k / 2, k % 2 ? 0u : 0x80u, 5008});
    EXPECT_EQ(events(ev), oldest);
    EXPECT_EQ(read(in.keyboard, ev), DI_OK);
    EXPECT_TRUE(ev.empty());
    // The runtime's recovery: acquire again (already acquired) and read again.
    EXPECT_EQ(Acquire(in.keyboard), DI_NOEFFECT);

    // A smaller buffer, set while not acquired; a null buffer flushes.
    EXPECT_EQ((Calls{SetProperty(in.keyboard, DIPROP_BUFFERSIZE, 2), Unacquire(in.keyboard),
                     Unacquire(in.keyboard), SetProperty(in.keyboard, DIPROP_BUFFERSIZE, 2),
                     SetProperty(in.keyboard, DIPROP_BUFFERSIZE, 5000),
                     SetProperty(in.keyboard, 77, 2), Acquire(in.keyboard)}),
              (Calls{DIERR_ACQUIRED, DI_OK, DI_NOEFFECT, DI_OK, DIERR_INVALIDPARAM,
                     DIERR_UNSUPPORTED, DI_OK}));
    FeedKey(DIK_A, 1);
    FeedKey(DIK_A, 0);
    FeedKey(DIK_M, 1);
    DWORD n = INFINITE;
    EXPECT_EQ((Calls{GetDeviceData(in.keyboard, 16, nullptr, &n, 0), n, read(in.keyboard, ev)}),
              (Calls{DI_BUFFEROVERFLOW, 2, DI_OK}));
    EXPECT_TRUE(ev.empty());

    // Bad arguments.
    n = 4;
    EXPECT_EQ((Calls{GetDeviceData(in.keyboard, 20, ev.data(), &n, 0),
                     GetDeviceData(in.keyboard, 16, ev.data(), nullptr, 0),
                     GetDeviceData(in.mouse + 1000, 16, ev.data(), &n, 0)}),
              (Calls{DIERR_INVALIDPARAM, DIERR_INVALIDPARAM, DIERR_INVALIDPARAM}));
    FeedKey(DIK_M, 0);
}

TEST_F(Input, MouseStateAccumulatesMotionAndKeepsButtons) {
    Devices in(inst);
    HWND h = open(640, 480);
    DIMOUSESTATE ms{};
    // Motion, wheel and the four buttons of a fresh state read.
    auto state = [&] {
        EXPECT_EQ(GetDeviceState(in.mouse, sizeof ms, &ms), DI_OK);
        return Calls{
            ms.lX,           ms.lY, ms.lZ, ms.rgbButtons[0], ms.rgbButtons[1], ms.rgbButtons[2],
            ms.rgbButtons[3]};
    };
    EXPECT_EQ(GetDeviceState(in.mouse, sizeof ms, &ms), DIERR_NOTACQUIRED);
    FeedMouseMotion(100, 100); // not acquired: lost
    FeedMouseMove(h, 0, 0);
    ASSERT_EQ(Acquire(in.mouse), DI_OK);
    EXPECT_EQ(state(), (Calls{0, 0, 0, 0, 0, 0, 0}));

    FeedMouseMotion(5, -3);
    FeedMouseMotion(-50, -3);
    FeedMouseWheel(120);
    FeedMouseButton(0, 1);
    FeedMouseButton(2, 1);
    EXPECT_EQ(state(), (Calls{-45, -6, 120, 0x80, 0, 0x80, 0}));
    // Motion was consumed; buttons are state, not motion.
    EXPECT_EQ(state(), (Calls{0, 0, 0, 0x80, 0, 0x80, 0}));

    // A window-relative move is device motion too, from where the cursor was.
    FeedMouseMove(h, 30, 40);
    FeedMouseMove(h, 20, 45);
    EXPECT_EQ(state(), (Calls{20, 45, 0, 0x80, 0, 0x80, 0}));
    // The pump turns the button changes into messages at the cursor: a move to
    // (0, 0) before the presses, the presses, the two moves, the release.
    g_log.clear();
    FeedMouseButton(0, 0);
    PumpMessages();
    const Message cursor{h, WM_SETCURSOR, h, MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)};
    EXPECT_EQ(g_log, (Log{cursor,
                          {h, WM_MOUSEMOVE, 0, 0},
                          {h, WM_LBUTTONDOWN, MK_LBUTTON, 0},
                          {h, WM_MBUTTONDOWN, MK_LBUTTON | MK_MBUTTON, 0},
                          cursor,
                          {h, WM_MOUSEMOVE, MK_LBUTTON | MK_MBUTTON, MAKELPARAM(30, 40)},
                          cursor,
                          {h, WM_MOUSEMOVE, MK_LBUTTON | MK_MBUTTON, MAKELPARAM(20, 45)},
                          {h, WM_LBUTTONUP, MK_MBUTTON, MAKELPARAM(20, 45)}}));

    BYTE eight[20];
    DWORD n = 1;
    DIDEVICEOBJECTDATA d;
    EXPECT_EQ((Calls{GetDeviceState(in.mouse, 20, eight), GetDeviceState(in.mouse, 12, eight),
                     GetDeviceState(in.mouse, 16, nullptr), GetDeviceData(in.mouse, 16, &d, &n, 0),
                     FeedMouseButton(4, 1), FeedMouseButton(-1, 1)}),
              (Calls{DI_OK, DIERR_INVALIDPARAM, DIERR_INVALIDPARAM, DIERR_NOTBUFFERED, 0, 0}));
}

TEST_F(Input, ForegroundDevicesAreLostWithActivationAndReacquired) {
    Devices in(inst);
    HWND h = open(320, 240);
    const DWORD fg = DISCL_FOREGROUND | DISCL_NONEXCLUSIVE;
    EXPECT_EQ((Calls{SetCooperativeLevel(in.keyboard, h, DISCL_FOREGROUND),
                     SetCooperativeLevel(in.keyboard, h + 100, fg),
                     SetCooperativeLevel(in.keyboard, h, fg),
                     SetCooperativeLevel(in.mouse, h, DISCL_FOREGROUND | DISCL_EXCLUSIVE),
                     Acquire(in.keyboard)}), // not active yet
              (Calls{DIERR_INVALIDPARAM, E_HANDLE, DI_OK, DI_OK, DIERR_OTHERAPPHASPRIO}));
    ShowWindow(h, SW_SHOWNORMAL);
    EXPECT_EQ((Calls{Acquire(in.keyboard), Acquire(in.mouse),
                     SetCooperativeLevel(in.keyboard, h, DISCL_BACKGROUND | DISCL_NONEXCLUSIVE)}),
              (Calls{DI_OK, DI_OK, DIERR_ACQUIRED}));
    FeedKey(DIK_A, 1);

    FeedActivate(h, 0);
    std::vector<DIDEVICEOBJECTDATA> ev;
    ASSERT_EQ(read(in.keyboard, ev), DI_OK); // not lost before the pump deactivates
    EXPECT_EQ(ev.size(), 1u);
    PumpMessages();
    DIMOUSESTATE ms;
    EXPECT_EQ((Calls{read(in.keyboard, ev), read(in.keyboard, ev),
                     GetDeviceState(in.mouse, sizeof ms, &ms)}),
              (Calls{DIERR_INPUTLOST, DIERR_INPUTLOST, DIERR_INPUTLOST}));
    FeedKey(DIK_A, 0); // while lost: not buffered
    EXPECT_EQ(Acquire(in.keyboard), DIERR_OTHERAPPHASPRIO);
    FeedActivate(h, 1);
    PumpMessages();
    EXPECT_EQ((Calls{Acquire(in.keyboard), read(in.keyboard, ev)}), (Calls{DI_OK, DI_OK}));
    EXPECT_TRUE(ev.empty());

    // Destroying the window loses its foreground devices too.
    DestroyWindow(h);
    EXPECT_EQ((Calls{read(in.keyboard, ev), Acquire(in.keyboard)}),
              (Calls{DIERR_INPUTLOST, DIERR_OTHERAPPHASPRIO}));
}

TEST_F(Input, ObjectsAreReferenceCountedAndBadIdsRefused) {
    LPDIRECTINPUT di = 0;
    EXPECT_EQ((Calls{DirectInputCreate(0, DIRECTINPUT_VERSION, &di),
                     DirectInputCreate(inst, DIRECTINPUT_VERSION, nullptr)}),
              (Calls{DIERR_INVALIDPARAM, DIERR_INVALIDPARAM}));
    ASSERT_EQ(DirectInputCreate(inst, DIRECTINPUT_VERSION, &di), DI_OK);
    LPDIRECTINPUTDEVICE kb = 0, nothing = 0;
    ASSERT_EQ(CreateDevice(di, GUID_SysKeyboard, &kb), DI_OK);
    EXPECT_NE(kb, di);
    // Unknown device, bad ids, a device where an input object belongs and back.
    EXPECT_EQ(
        (Calls{CreateDevice(di, 99, &nothing), CreateDevice(di + 1000, GUID_SysKeyboard, &nothing),
               CreateDevice(kb, GUID_SysKeyboard, &nothing), nothing, Acquire(di)}),
        (Calls{DIERR_DEVICENOTREG, DIERR_INVALIDPARAM, DIERR_INVALIDPARAM, 0, DIERR_INVALIDPARAM}));

    BYTE state[256];
    EXPECT_EQ((Calls{AddRef(kb), Release(kb), Acquire(kb), Release(kb), Release(kb), AddRef(kb),
                     Acquire(kb), Unacquire(kb),
                     SetCooperativeLevel(kb, 0, DISCL_BACKGROUND | DISCL_NONEXCLUSIVE),
                     GetDeviceState(kb, 256, state)}),
              (Calls{2, 1, DI_OK, 0, 0, 0, DIERR_INVALIDPARAM, DIERR_INVALIDPARAM,
                     DIERR_INVALIDPARAM, DIERR_INVALIDPARAM}));
    FeedKey(DIK_A, 1); // no device to feed: nothing happens
    FeedKey(DIK_A, 0);
    EXPECT_EQ((Calls{Release(di), Release(0)}), (Calls{0, 0}));
}

} // namespace
} // namespace kxp::test
