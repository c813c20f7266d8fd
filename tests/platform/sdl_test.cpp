// The sdl backend on a real display (ctest runs this under xvfb-run): windows
// mirrored by SDL windows, presented frames read back from the X server,
// input pushed into SDL's event queue arriving through the pump, and the clock
// on SDL's ticks. Without a display only the refusal to start is tested.
#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "desktop_fixture.h"
#include "kxp/screen.h"
#include "platform/sdl_helpers.h"

namespace kxp::test {
namespace {

void push_key(SDL_Scancode code, bool down, bool repeat = false) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.repeat = repeat ? 1 : 0;
    e.key.keysym.scancode = code;
    push(e);
}

// A mouse event over the window (or over none): motion to (a, b) by (rel_x, rel_y),
// button a pressed, or the wheel turned by a.
void push_mouse(Uint32 type, SDL_Window* w, Sint32 a, Sint32 b = 0, Sint32 rel_x = 0,
                Sint32 rel_y = 0) {
    SDL_Event e{};
    e.type = type;
    Uint32 id = w ? SDL_GetWindowID(w) : 0;
    if (type == SDL_MOUSEMOTION) {
        e.motion.windowID = id;
        e.motion.x = a;
        e.motion.y = b;
        e.motion.xrel = rel_x;
        e.motion.yrel = rel_y;
    } else if (type == SDL_MOUSEWHEEL) {
        e.wheel.windowID = id;
        e.wheel.y = a;
    } else {
        e.button.windowID = id;
        e.button.button = static_cast<Uint8>(a);
        e.button.state = SDL_PRESSED;
    }
    push(e);
}

void push_window_event(SDL_Window* w, Uint8 event, Sint32 a = 0, Sint32 b = 0) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.windowID = SDL_GetWindowID(w);
    e.window.event = event;
    e.window.data1 = a;
    e.window.data2 = b;
    push(e);
}

class Sdl : public ::testing::Test {
  protected:
    HINSTANCE inst = GetModuleHandle(nullptr);

    void SetUp() override {
        if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
            GTEST_SKIP() << "no display: the sdl backend cannot start";
        ASSERT_TRUE(UseBackend("sdl")) << "a display is set but the sdl backend did not start";
        ASSERT_STREQ(BackendName(), "sdl");
        g_log.clear();
        g_answer = nullptr;
        ASSERT_NE(register_recorder(inst, "SdlTestClass"), 0);
    }

    void TearDown() override {
        UseSystemClock();
        UseBackend("headless");
    }

    // A visible window whose client area is cw x ch at (x, y) on the screen.
    HWND open(const char* title, std::int32_t x, std::int32_t y, std::int32_t cw, std::int32_t ch) {
        RECT r{x, y, x + cw, y + ch};
        AdjustWindowRectEx(&r, WS_OVERLAPPEDWINDOW, 0, 0);
        HWND h = CreateWindowEx(0, "SdlTestClass", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, r.left,
                                r.top, r.right - r.left, r.bottom - r.top, 0, 0, inst);
        for (int i = 0; i < 5; ++i)
            PumpMessages();
        return h;
    }
};

TEST(SdlWithoutDisplay, FailsToStartAndChangesNothing) {
    ASSERT_EQ(UseBackend("headless"), 1);
    WNDCLASSEX wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProc;
    wc.lpszClassName = "Kept";
    ASSERT_NE(RegisterClassEx(&wc), 0);
    HWND h = CreateWindowEx(0, "Kept", "", WS_OVERLAPPEDWINDOW, 0, 0, 50, 50, 0, 0, 0);
    ASSERT_NE(h, 0u);
    std::optional<std::string> saved[2];
    const char* names[2] = {"DISPLAY", "WAYLAND_DISPLAY"};
    for (int i = 0; i < 2; ++i) {
        if (const char* v = std::getenv(names[i])) saved[i] = v;
        unsetenv(names[i]);
    }
    EXPECT_EQ((Calls{UseBackend("sdl"), IsWindow(h)}), (Calls{0, 1}));
    EXPECT_STREQ(BackendName(), "headless");
    EXPECT_EQ(UseBackend(nullptr), 1); // the default falls back to headless
    EXPECT_STREQ(BackendName(), "headless");
    for (int i = 0; i < 2; ++i)
        if (saved[i]) setenv(names[i], saved[i]->c_str(), 1);
}

// What a window shows is checked against the real window by the game window test
// (tests/window/sdl_window_test.cpp).
TEST_F(Sdl, MirrorsTheWindow) {
    HWND h = open("Frame", 40, 30, 160, 120);
    ASSERT_NE(h, 0u);
    SDL_Window* w = sdl_window("Frame");
    ASSERT_NE(w, nullptr);
    // Where the SDL window is and how big, as one value.
    auto placed = [w] {
        int x = 0, y = 0, cw = 0, ch = 0;
        SDL_GetWindowPosition(w, &x, &y);
        SDL_GetWindowSize(w, &cw, &ch);
        return Box{x, y, cw, ch};
    };
    EXPECT_EQ(placed(), (Box{40, 30, 160, 120}));

    // The program moves, sizes and renames its window: the SDL window follows.
    Box r = window_box(h);
    SetWindowPos(h, 0, r[0] + 20, r[1] + 10, r[2] - r[0] + 40, r[3] - r[1] + 30, SWP_NOZORDER);
    SetWindowText(h, "Frame2");
    PumpMessages();
    ASSERT_EQ(sdl_window("Frame2"), w);
    EXPECT_EQ(placed(), (Box{60, 40, 200, 150})); // no window manager: exactly where asked

    // Hiding and destroying the window reach the SDL window.
    ShowWindow(h, SW_HIDE);
    EXPECT_FALSE(SDL_GetWindowFlags(w) & SDL_WINDOW_SHOWN);
    DestroyWindow(h);
    EXPECT_EQ(sdl_window("Frame2"), nullptr);
}

TEST_F(Sdl, KeysReachTheKeyboardDeviceAndState) {
    HWND h = open("Keys", 10, 10, 100, 80);
    ASSERT_NE(h, 0u);
    SetFocus(h);
    LPDIRECTINPUT di = 0;
    LPDIRECTINPUTDEVICE kb = 0;
    ASSERT_EQ(DirectInputCreate(inst, DIRECTINPUT_VERSION, &di), DI_OK);
    ASSERT_EQ(CreateDevice(di, GUID_SysKeyboard, &kb), DI_OK);
    ASSERT_EQ(SetProperty(kb, DIPROP_BUFFERSIZE, 64), DI_OK);
    ASSERT_EQ(Acquire(kb), DI_OK);
    PumpMessages();
    DWORD none = INFINITE; // drops what came before
    GetDeviceData(kb, sizeof(DIDEVICEOBJECTDATA), nullptr, &none, 0);
    g_log.clear();

    const std::pair<SDL_Scancode, UINT> keys[] = {
        {SDL_SCANCODE_A, 0x1E},           {SDL_SCANCODE_RSHIFT, 0x36},
        {SDL_SCANCODE_RCTRL, 0x9D},       {SDL_SCANCODE_KP_ENTER, 0x9C},
        {SDL_SCANCODE_KP_DIVIDE, 0xB5},   {SDL_SCANCODE_KP_7, 0x47},
        {SDL_SCANCODE_PRINTSCREEN, 0xB7}, {SDL_SCANCODE_PAUSE, 0xC5},
        {SDL_SCANCODE_LGUI, 0xDB},        {SDL_SCANCODE_APPLICATION, 0xDD},
        {SDL_SCANCODE_F11, 0x57},         {SDL_SCANCODE_UP, 0xC8},
        {SDL_SCANCODE_PAGEDOWN, 0xD1},    {SDL_SCANCODE_GRAVE, 0x29},
    };
    for (const auto& [code, dik] : keys)
        push_key(code, true);
    push_key(SDL_SCANCODE_A, true, true);   // SDL's repeat: ignored
    push_key(SDL_SCANCODE_AUDIOPLAY, true); // not a key of the layout
    for (const auto& [code, dik] : keys)
        if (code != SDL_SCANCODE_A) push_key(code, false);
    PumpMessages();

    DIDEVICEOBJECTDATA data[64];
    DWORD n = 64;
    ASSERT_EQ(GetDeviceData(kb, sizeof data[0], data, &n, 0), DI_OK);
    const std::size_t count = std::size(keys);
    ASSERT_EQ(n, 2 * count - 1);
    for (std::size_t i = 0; i < count; ++i) {
        EXPECT_EQ(data[i].dwOfs, keys[i].second) << i;
        EXPECT_EQ(data[i].dwData, 0x80u) << i;
    }
    for (std::size_t i = 1; i < count; ++i) {
        EXPECT_EQ(data[count - 1 + i].dwOfs, keys[i].second) << i;
        EXPECT_EQ(data[count - 1 + i].dwData, 0u) << i;
    }
    BYTE state[256];
    ASSERT_EQ(GetKeyboardState(state), 1);
    EXPECT_EQ((Calls{state['A'] & 0x80, state[VK_RSHIFT] & 0x80}), (Calls{0x80, 0}));
    auto downs = of(WM_KEYDOWN);
    ASSERT_EQ(downs.size(), count);
    // Keypad Enter is an extended Return.
    EXPECT_EQ((Calls{downs[0].w, downs[3].w, downs[3].l & (1 << 24)}),
              (Calls{'A', VK_RETURN, 1 << 24}));
    EXPECT_EQ((Calls{Release(kb), Release(di)}), (Calls{0, 0}));
}

TEST_F(Sdl, MouseAndWindowEventsArriveThroughThePump) {
    HWND h = open("Mouse", 100, 100, 200, 100);
    ASSERT_NE(h, 0u);
    SDL_Window* w = sdl_window("Mouse");
    ASSERT_NE(w, nullptr);
    SetFocus(h);
    LPDIRECTINPUT di = 0;
    LPDIRECTINPUTDEVICE mouse = 0;
    ASSERT_EQ(DirectInputCreate(inst, DIRECTINPUT_VERSION, &di), DI_OK);
    ASSERT_EQ(CreateDevice(di, GUID_SysMouse, &mouse), DI_OK);
    ASSERT_EQ(Acquire(mouse), DI_OK);

    push_mouse(SDL_MOUSEMOTION, w, 10, 20);
    PumpMessages();
    DIMOUSESTATE ms{};
    ASSERT_EQ(GetDeviceState(mouse, sizeof ms, &ms), DI_OK); // starts the motion afresh
    g_log.clear();
    push_mouse(SDL_MOUSEMOTION, w, 15, 27, 5, 7);
    push_mouse(SDL_MOUSEMOTION, nullptr, 15, 27, 3, -4); // over no window: the device only
    push_mouse(SDL_MOUSEBUTTONDOWN, w, SDL_BUTTON_LEFT);
    push_mouse(SDL_MOUSEBUTTONDOWN, w, SDL_BUTTON_X1);
    push_mouse(SDL_MOUSEWHEEL, w, -2);
    PumpMessages();

    ASSERT_EQ(GetDeviceState(mouse, sizeof ms, &ms), DI_OK);
    EXPECT_EQ((Calls{ms.lX, ms.lY, ms.lZ, ms.rgbButtons[0], ms.rgbButtons[1], ms.rgbButtons[3]}),
              (Calls{8, 3, -240, 0x80, 0, 0x80}));
    EXPECT_EQ(of(WM_MOUSEMOVE), (Log{{h, WM_MOUSEMOVE, 0, MAKELPARAM(15, 27)}}));
    ASSERT_EQ(of(WM_LBUTTONDOWN).size(), 1u);
    EXPECT_EQ(of(WM_LBUTTONDOWN)[0].l, MAKELPARAM(15, 27));
    EXPECT_EQ(of(WM_XBUTTONDOWN).size(), 1u);
    ASSERT_EQ(of(WM_MOUSEWHEEL).size(), 1u);
    EXPECT_EQ(static_cast<std::int16_t>(HIWORD(of(WM_MOUSEWHEEL)[0].w)), -240);

    // The window is exposed; the user moves and sizes it. (Its close button is
    // checked through the runtime in tests/window/sdl_window_test.cpp.)
    g_log.clear();
    push_window_event(w, SDL_WINDOWEVENT_EXPOSED);
    PumpMessages();
    EXPECT_EQ(of(WM_PAINT).size(), 1u);
    g_log.clear();
    push_window_event(w, SDL_WINDOWEVENT_MOVED, 300, 200);
    push_window_event(w, SDL_WINDOWEVENT_SIZE_CHANGED, 250, 120);
    PumpMessages();
    EXPECT_EQ(to_screen(h, 0, 0), (Point{300, 200}));
    EXPECT_EQ(client_box(h), (Box{0, 0, 250, 120}));
    ASSERT_FALSE(of(WM_MOVE).empty() || of(WM_SIZE).empty());
    EXPECT_EQ(of(WM_SIZE).back().l, MAKELPARAM(250, 120));
    Release(mouse);
    Release(di);
}

TEST_F(Sdl, TheClockAndTimersRunOnSdlTicks) {
    HWND h = open("Clock", 0, 0, 50, 50);
    ASSERT_NE(h, 0u);
    DWORD gap = GetTickCount() - static_cast<DWORD>(SDL_GetTicks64());
    SDL_Delay(30);
    DWORD later = GetTickCount() - static_cast<DWORD>(SDL_GetTicks64());
    EXPECT_LE(later - gap, 1u); // the same clock, offset to go on from boot time
    ASSERT_NE(SetTimer(h, 7, 10, nullptr), 0u);
    g_log.clear();
    SDL_Delay(25);
    PumpMessages();
    EXPECT_EQ(of(WM_TIMER).size(), 1u);
    SetTestClock(5); // the test clock still overrides it
    EXPECT_EQ(GetTickCount(), 5u);
    UseSystemClock();
    EXPECT_LE(GetTickCount() - static_cast<DWORD>(SDL_GetTicks64()) - gap, 1u);
}

} // namespace
} // namespace kxp::test
