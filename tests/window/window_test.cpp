// The game window, keyboard and mouse, driven as a host drives them: through
// the runtime's exports and the host kit on the headless desktop.
#include <string>
#include <vector>

#include "graphics/host_fixture.h"
#include "kxp/input.h"
#include "kxp/screen.h"
#include "kxp/window.h"

namespace {

using namespace kxt;

constexpr int32_t kDebugMoves = 10, kDebugTimers = 99, kDebugSampling = 100,
                  kDebugMouseFailures = 111, kDebugKeyboard = 120;

// A 64 x 64 window on a test clock; tests that need another size open their own.
class Window : public Host {
  protected:
    void SetUp() override {
        width = 0;
        Host::SetUp();
        KXH_SetTestClock(1, 1000); // before the window's timer starts
        window = KX_OpenWindow(64, 64);
        ASSERT_GT(window, 0);
    }
    void TearDown() override {
        KX_FlushKeys();
        KXH_SetTestClock(0, 0);
        Host::TearDown();
    }

    static KX_Window* rec(int32_t window) { return record<KX_Window>(window); }
    static KX_Screen* scr(int32_t screen) { return record<KX_Screen>(screen); }

    // A screen record filled by the platform and attached to the window, as a host does.
    static int32_t attach_screen(int32_t window, int32_t width, int32_t height, bool windowed) {
        int32_t screen = VM_TypedAlloc(sizeof(KX_Screen), 8, 0);
        EXPECT_GT(screen, 0);
        EXPECT_EQ(
            kxp::OpenScreen(rec(window)->hWnd, width, height, 32, windowed, window, scr(screen)),
            0);
        rec(window)->ScreenHandle = screen;
        return screen;
    }

    // One timer period: the window procedure samples the mouse and the keyboard.
    static void tick(uint32_t ms = 10) {
        KXH_AdvanceClock(ms);
        KXH_PumpMessages();
    }

    // A string's characters, by its length.
    static std::string text(int32_t s) {
        return {static_cast<const char*>(VM_StrFirstChrPtr(s)), static_cast<size_t>(VM_StrLen(s))};
    }
    static std::string inkey() {
        int32_t s = VM_NewKXStr(4);
        KX_Inkey(s);
        std::string r = text(s);
        VM_Free(s);
        return r;
    }
};

TEST_F(Window, OpensCentredWithTheClientSizeAskedForAndCloses) {
    int32_t w = KX_OpenWindow(400, 300);
    ASSERT_GT(w, 0);
    KX_Window* r = rec(w);
    ASSERT_NE(r->hWnd, 0u);
    EXPECT_EQ((Quad{r->TimerActive, r->RequestedWidth, r->RequestedHeight}), (Quad{1, 400, 300}));
    kxp::RECT client{}, outer{};
    kxp::GetClientRect(r->hWnd, &client);
    kxp::GetWindowRect(r->hWnd, &outer);
    EXPECT_EQ((Quad{client.right, client.bottom}), (Quad{400, 300}));
    // Outer 408 x 327, centred on the 1024 x 768 desktop.
    EXPECT_EQ((Quad{outer.left, outer.top, outer.right, outer.bottom}), (Quad{308, 221, 716, 548}));
    EXPECT_EQ(quad(r->OpenRect), (Quad{308, 221, 716, 548}));
    EXPECT_EQ((Quad{KX_GetWindowHandle(w), kxp::GetWindowLong(r->hWnd, kxp::GWL_USERDATA)}),
              (Quad{static_cast<int32_t>(r->hWnd), w}));

    // Placement: size, position and centring on the 1024 x 768 work area.
    EXPECT_EQ((std::array<int64_t, 8>{KX_SizeWindow(w, 400, 300) != 0, KX_GetWindowWidth(w),
                                      KX_GetWindowHeight(w), r->Placement.Length,
                                      KX_PositionWindow(w, 7, 9) != 0, KX_GetWindowX(w),
                                      KX_GetWindowY(w), KX_CenterWindow(w) != 0}),
              (std::array<int64_t, 8>{1, 400, 300, 44, 1, 7, 9, 1}));
    EXPECT_EQ(quad(r->Placement.Normal), (Quad{312, 234, 712, 534}));
    kxp::GetWindowRect(r->hWnd, &outer);
    EXPECT_EQ(outer.left, 312);
    KX_FullScreenWindow(w);
    EXPECT_EQ((Quad{KX_GetWindowWidth(w), KX_GetWindowHeight(w)}),
              (Quad{kxp::GetSystemMetrics(kxp::SM_CXFULLSCREEN),
                    kxp::GetSystemMetrics(kxp::SM_CYFULLSCREEN)}));
    EXPECT_EQ(kxp::GetWindowLong(r->hWnd, kxp::GWL_STYLE) & kxp::WS_OVERLAPPEDWINDOW,
              static_cast<kxp::LONG>(kxp::WS_OVERLAPPEDWINDOW));

    kxp::HWND id = r->hWnd;
    EXPECT_EQ(KX_CloseWindow(w), 0);
    EXPECT_FALSE(kxp::IsWindow(id));
    EXPECT_EQ(VM_BankPtr(w), nullptr);
}

TEST_F(Window, TitleIsReadIntoAStringOfAtLeast1024Characters) {
    int32_t s = VM_NewKXStr(2);
    KX_GetWindowTitle(window, s);
    EXPECT_EQ(text(s), "Quenthark");
    EXPECT_GE(VM_StrBufferSize(s), 1024);
    EXPECT_NE(KX_SetWindowTitle(window, VM_NewStrFromPtr("Level 1")), 0);
    KX_GetWindowTitle(window, s);
    EXPECT_EQ(text(s), "Level 1");
}

TEST_F(Window, InvalidHandlesGiveZeroAndChangeNothing) {
    int32_t str = VM_NewKXStr(8);
    for (int32_t bad : {0, -1, 5000, str}) {
        EXPECT_TRUE(
            all_zero({KX_PositionWindow(bad, 1, 1), KX_SizeWindow(bad, 10, 10),
                      KX_CenterWindow(bad), KX_GetWindowX(bad), KX_GetWindowWidth(bad),
                      KX_GetWindowHandle(bad), KX_GetWindowClose(bad), KX_SetWindowTitle(bad, str),
                      KX_CloseWindow(bad), KXH_FeedClose(bad), KXH_FeedMouseMove(bad, 1, 1),
                      KX_MouseX(bad), KX_MouseButton(bad), KX_MouseUpdateInputState(bad),
                      KX_KeyBoardUpdateInputState(bad), KX_KeyBoardAquire(bad)}))
            << bad;
    }
    EXPECT_EQ(VM_StrLen(str), 0);
    EXPECT_TRUE(all_zero({KX_GetHinstance(0), KXH_FeedKey(0, 1), KXH_FeedKey(256, 1),
                          KXH_FeedMouseButton(4, 1), KX_WindowDebug(-1), KX_WindowDebug(1 << 20)}));
    EXPECT_NE(KX_GetHinstance(KX_GetWindowHandle(window)), 0);
    EXPECT_GT(KX_AvailSysMem(), 0);
}

TEST_F(Window, CloseClicksAreCountedReadOnceEachAndPostAQuit) {
    EXPECT_EQ((Quad{KX_GetWindowClose(window), KXH_FeedClose(window), KXH_FeedClose(window),
                    KXH_PumpMessages()}),
              (Quad{0, 1, 1, -1}));
    EXPECT_EQ(rec(window)->CloseRequests, 2);
    EXPECT_TRUE(kxp::IsWindow(rec(window)->hWnd)); // the window stays
    EXPECT_EQ(
        (Quad{KX_GetWindowClose(window), KX_GetWindowClose(window), KX_GetWindowClose(window)}),
        (Quad{1, 1, 0}));
    EXPECT_GE(KXH_PumpMessages(), 0); // the quit was taken once
}

TEST_F(Window, TimerSamplesInputOnlyOnceAScreenIsAttached) {
    int32_t timers = KX_WindowDebug(kDebugTimers), sampling = KX_WindowDebug(kDebugSampling);
    tick();
    EXPECT_EQ(
        (Quad{KX_WindowDebug(kDebugTimers), KX_WindowDebug(kDebugSampling), KX_WindowDebug(4)}),
        (Quad{timers + 1, sampling, 0}));

    int32_t screen = attach_screen(window, 64, 64, true);
    int32_t keyboard = KX_WindowDebug(kDebugKeyboard);
    tick();
    EXPECT_EQ(
        (Quad{KX_WindowDebug(4), KX_WindowDebug(kDebugSampling), KX_WindowDebug(kDebugKeyboard)}),
        (Quad{screen, sampling + 1, keyboard + 1}));
    // Acquired by the sample, not through the export.
    EXPECT_EQ((Quad{scr(screen)->KeyboardAcquired, scr(screen)->MouseAcquired}), (Quad{0, 1}));
    KX_CloseWindow(window);
    EXPECT_EQ(KXH_PumpMessages(), 0);
}

TEST_F(Window, KeysRepeatAfter500msThenEvery10msAndOverflowsFlush) {
    int32_t screen = attach_screen(window, 64, 64, true);
    tick();
    EXPECT_EQ((Quad{KX_ScanCode(), KX_KeyStateFKEYS()}), (Quad{0, 0}));
    EXPECT_EQ(inkey(), "");

    KXH_FeedKey(kxp::DIK_A, 1);
    tick();
    // The key code is a byte; the scan code and character are the last key's.
    EXPECT_EQ((Quad{KX_KeyState(kxp::DIK_A), KX_KeyState(kxp::DIK_A + 0x100), KX_ScanCode(),
                    KX_InkeyASCII()}),
              (Quad{1, 1, int32_t(kxp::DIK_A), 'a'}));
    // Once at the press, again after 500 ms, then every 10 ms.
    auto after = [](uint32_t ms) {
        KXH_AdvanceClock(ms);
        return inkey();
    };
    EXPECT_EQ(
        (std::vector<std::string>{inkey(), after(499), after(1), inkey(), after(9), after(1)}),
        (std::vector<std::string>{"a", "", "a", "", "", "a"}));

    KXH_FeedKey(kxp::DIK_A, 0);
    tick();
    EXPECT_EQ(KX_KeyState(kxp::DIK_A), 0);
    EXPECT_EQ(inkey(), "");
    KXH_FeedKey(kxp::DIK_A, 1);
    tick();
    EXPECT_EQ(inkey(), "a"); // pressed again: at once
    KXH_FeedKey(kxp::DIK_A, 0);
    KXH_FeedKey(kxp::DIK_F11, 1);
    tick();
    EXPECT_EQ(KX_KeyStateFKEYS(), 11);
    KX_FlushKeys();
    EXPECT_EQ(KX_KeyStateFKEYS(), 0);

    // More events than the device buffers: the read that reports the overflow flushes the
    // key table and reads again.
    KXH_FeedKey(kxp::DIK_Q, 1);
    tick();
    ASSERT_EQ(KX_KeyState(kxp::DIK_Q), 1);
    for (int i = 0; i < 9; ++i) {
        KXH_FeedKey(kxp::DIK_Z, 1);
        KXH_FeedKey(kxp::DIK_Z, 0);
    }
    int32_t samples = KX_WindowDebug(kDebugKeyboard);
    EXPECT_EQ(KX_KeyBoardUpdateInputState(screen), 0);
    EXPECT_EQ(KX_WindowDebug(kDebugKeyboard), samples + 1);
    EXPECT_EQ(KX_KeyState(kxp::DIK_Q), 0); // flushed although still held
}

TEST_F(Window, WindowedMouseIsScaledToTheScreenAndMovesKeepRectangles) {
    int32_t w = KX_OpenWindow(640, 480);
    int32_t screen = attach_screen(w, 320, 240, true);
    KXH_FeedMouseMove(w, 100, 50);
    KXH_PumpMessages();
    EXPECT_EQ((Quad{KX_MouseX(screen), KX_MouseY(screen)}), (Quad{50, 25}));
    KXH_FeedMouseMove(w, 102, 50);
    KXH_PumpMessages();
    EXPECT_EQ((Quad{KX_MouseMoveX(screen), KX_MouseMoveY(screen), KX_MouseMoveX(screen)}),
              (Quad{1, 0, 0})); // a move is read once
    // A move keeps the window's rectangles current.
    int32_t moves = KX_WindowDebug(kDebugMoves);
    KX_PositionWindow(w, 40, 30);
    KXH_PumpMessages();
    KX_Window* r = rec(w);
    EXPECT_EQ((Quad{KX_WindowDebug(kDebugMoves), r->WindowRect.Left, r->WindowRect.Top}),
              (Quad{moves + 1, 40, 30}));
    EXPECT_EQ(quad(r->ClientRect), (Quad{0, 0, 640, 480}));
    EXPECT_EQ(r->ClientScreenRect.Right - r->ClientScreenRect.Left, 640);
    EXPECT_GT(r->ClientScreenRect.Top, 30);

    // A client area of width 0: x becomes 0.
    KX_SizeWindow(w, 2 * kxp::GetSystemMetrics(kxp::SM_CXFRAME), 300);
    KXH_PumpMessages();
    KXH_FeedMouseMove(w, 100, 50);
    KXH_PumpMessages();
    EXPECT_EQ(KX_MouseX(screen), 0);
    KX_CloseWindow(w);
}

TEST_F(Window, FullScreenMouseMovesByRelativeMotionClampedToTheScreen) {
    int32_t w = KX_OpenWindow(640, 480);
    int32_t screen = attach_screen(w, 640, 480, false);
    tick(); // acquires the mouse (counted as a failed sample)
    int32_t failures = KX_WindowDebug(kDebugMouseFailures);
    scr(screen)->MouseX = 10;
    KXH_FeedMouseMotion(-50, 7);
    EXPECT_EQ(KX_MouseUpdateInputState(screen), 1);
    EXPECT_EQ(
        (Quad{KX_MouseX(screen), KX_MouseY(screen), KX_MouseMoveX(screen), KX_MouseMoveX(screen)}),
        (Quad{0, 7, -50, 0}));
    KXH_FeedMouseMotion(5000, 5000);
    KX_MouseUpdateInputState(screen);
    EXPECT_EQ((Quad{KX_MouseX(screen), KX_MouseY(screen)}), (Quad{639, 479}));

    KXH_FeedMouseButton(0, 1);
    KXH_FeedMouseButton(2, 1);
    KXH_FeedMouseWheel(120);
    KX_MouseUpdateInputState(screen);
    // The wheel delta is added to Z at each read; the move is read once.
    EXPECT_EQ((std::array{KX_MouseButton(screen), KX_MouseZ(screen), KX_MouseZ(screen),
                          KX_MouseMoveZ(screen), KX_MouseMoveZ(screen)}),
              (std::array{5, 120, 240, 120, 0}));
    EXPECT_EQ(KX_WindowDebug(kDebugMouseFailures), failures);

    // A lost device is re-acquired by the next sample, which counts it.
    kxp::Unacquire(scr(screen)->MouseDevice);
    EXPECT_EQ(KX_MouseUpdateInputState(screen), 0);
    EXPECT_EQ(KX_WindowDebug(kDebugMouseFailures), failures + 1);
    EXPECT_EQ(scr(screen)->MouseAcquired, 1);
    EXPECT_EQ(KX_MouseUpdateInputState(screen), 1);
    KX_CloseWindow(w);
}

} // namespace
