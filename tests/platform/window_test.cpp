// Windows and messages on the headless desktop, driven as a host drives them.
#include <cstring>

#include "desktop_fixture.h"

namespace kxp::test {
namespace {

using Window = Desktop;

TEST_F(Window, OpensLikeTheGameWindowWithCreateSizeAndMoveMessages) {
    HWND h = open(640, 480); // outer 648 x 507 at (188, 131) on the 1024 x 768 desktop
    ASSERT_NE(h, 0u);
    EXPECT_EQ(codes(), (std::vector<UINT>{WM_CREATE, WM_SIZE, WM_MOVE}));
    EXPECT_EQ(g_log[1].w, SIZE_RESTORED);
    EXPECT_EQ(g_log[1].l, MAKELPARAM(640, 480));
    EXPECT_EQ(g_log[2].l, MAKELPARAM(192, 154)); // client origin: frame 4, caption 19
    ASSERT_EQ(g_created.size(), 1u);
    const CREATESTRUCT& cs = g_created[0].cs;
    EXPECT_EQ((Box{cs.x, cs.y, cs.cx, cs.cy}), (Box{188, 131, 648, 507}));
    EXPECT_EQ(cs.hInstance, inst);
    EXPECT_EQ(g_created[0].name + "/" + g_created[0].cls, "Game/TestWindowClass");

    RECT r;
    ASSERT_EQ(GetWindowRect(h, &r), 1);
    EXPECT_EQ(box(r), (Box{188, 131, 836, 638}));
    ASSERT_EQ(GetClientRect(h, &r), 1);
    EXPECT_EQ(box(r), (Box{0, 0, 640, 480}));
    POINT p{10, -5};
    ASSERT_EQ(ClientToScreen(h, &p), 1);
    EXPECT_EQ(xy(p), (std::array<std::int32_t, 2>{202, 149}));
    ASSERT_EQ(ScreenToClient(h, &p), 1);
    EXPECT_EQ(xy(p), (std::array<std::int32_t, 2>{10, -5}));
    RECT adj{0, 0, 640, 480};
    AdjustWindowRectEx(&adj, WS_OVERLAPPEDWINDOW, 0, 0);
    EXPECT_EQ(box(adj), (Box{-4, -23, 644, 484})); // the runtime's arithmetic agrees

    // Data words: user data, style, instance, extra bytes.
    EXPECT_EQ(SetWindowLong(h, GWL_USERDATA, 7), 0);
    EXPECT_EQ(SetWindowLong(h, GWL_USERDATA, -9), 7);
    EXPECT_EQ(GetWindowLong(h, GWL_USERDATA), -9);
    DWORD style = static_cast<DWORD>(GetWindowLong(h, GWL_STYLE));
    EXPECT_EQ(style & WS_OVERLAPPEDWINDOW, WS_OVERLAPPEDWINDOW);
    EXPECT_EQ(style & WS_VISIBLE, 0u);
    EXPECT_EQ(static_cast<HINSTANCE>(GetWindowLong(h, GWL_HINSTANCE)), inst);
    EXPECT_EQ(SetWindowLong(h, 4, 0x1234), 0);
    EXPECT_EQ(GetWindowLong(h, 4), 0x1234);
    SetLastError(0);
    EXPECT_EQ(GetWindowLong(h, 5), 0); // 5 + 4 > 8 extra bytes
    EXPECT_EQ(GetLastError(), ERROR_INVALID_INDEX);
    EXPECT_EQ(GetWindowLong(h, GWL_WNDPROC), 0);

    // Text, truncated to the buffer.
    char buf[16];
    EXPECT_EQ(GetWindowText(h, buf, sizeof buf), 4);
    EXPECT_STREQ(buf, "Game");
    EXPECT_EQ(GetWindowText(h, buf, 3), 2);
    EXPECT_STREQ(buf, "Ga");
    EXPECT_EQ(SetWindowText(h, "Level 2"), 1);
    EXPECT_EQ(GetWindowTextLength(h), 7);

    // Showing activates and focuses; painting waits for UpdateWindow or the pump.
    g_log.clear();
    EXPECT_EQ(ShowWindow(h, SW_SHOWNORMAL), 0);
    EXPECT_EQ(codes(), (std::vector<UINT>{WM_ACTIVATE}));
    EXPECT_EQ(g_log[0].w, WA_ACTIVE);
    EXPECT_EQ(GetActiveWindow(), h);
    EXPECT_EQ(GetFocus(), h);
    EXPECT_NE(GetWindowLong(h, GWL_STYLE) & static_cast<LONG>(WS_VISIBLE), 0);
    EXPECT_EQ(UpdateWindow(h), 1);
    EXPECT_EQ(UpdateWindow(h), 1);
    EXPECT_EQ(of(WM_PAINT).size(), 1u);
    EXPECT_EQ(ShowWindow(h, SW_SHOW), 1);
    EXPECT_EQ(SetFocus(h), h);

    g_log.clear();
    EXPECT_EQ(DestroyWindow(h), 1);
    EXPECT_EQ(codes(), (std::vector<UINT>{WM_ACTIVATE, WM_DESTROY}));
    EXPECT_EQ(IsWindow(h), 0);
    EXPECT_EQ(GetActiveWindow(), 0u);
    EXPECT_EQ(GetFocus(), 0u);
}

TEST_F(Window, RefusesIdsThatNameNoWindow) {
    HWND h = open(320, 200);
    ASSERT_NE(h, 0u);
    ASSERT_EQ(DestroyWindow(h), 1);
    for (HWND bad : {HWND(0), h, HWND(0xFFFFFFFFu)}) {
        RECT r{1, 2, 3, 4};
        POINT p{5, 6};
        WINDOWPLACEMENT wp{};
        wp.length = sizeof wp;
        char text[8] = "x";
        SetLastError(0);
        EXPECT_EQ(GetWindowRect(bad, &r), 0);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
        EXPECT_EQ(r.left, 1);
        EXPECT_EQ(ClientToScreen(bad, &p), 0);
        EXPECT_EQ(p.x, 5);
        EXPECT_EQ(GetWindowPlacement(bad, &wp), 0);
        EXPECT_EQ(SetWindowPos(bad, 0, 1, 1, 1, 1, 0), 0);
        EXPECT_EQ(GetWindowText(bad, text, 8), 0);
        EXPECT_EQ(SetWindowLong(bad, GWL_USERDATA, 3), 0);
        EXPECT_EQ(SetTimer(bad, 1, 10, nullptr), 0u);
        EXPECT_EQ(ShowWindow(bad, SW_SHOW), 0);
        EXPECT_EQ(DestroyWindow(bad), 0);
        EXPECT_EQ(PostMessage(bad, WM_USER, 0, 0), 0);
        EXPECT_EQ(SendMessage(bad, WM_USER, 0, 0), 0);
        EXPECT_EQ(DefWindowProc(bad, WM_CLOSE, 0, 0), 0);
        EXPECT_EQ(FeedClose(bad) + FeedMouseMove(bad, 1, 1) + FeedMove(bad, 1, 1), 0);
    }
    EXPECT_EQ(SetFocus(h), 0u);
    // Unknown class, child without parent, bad parent, unknown show command.
    EXPECT_EQ(CreateWindowEx(0, "NoSuchClass", "", 0, 0, 0, 10, 10, 0, 0, inst), 0u);
    EXPECT_EQ(GetLastError(), ERROR_CANNOT_FIND_WND_CLASS);
    EXPECT_EQ(CreateWindowEx(0, "TestWindowClass", "", WS_CHILD, 0, 0, 10, 10, 0, 0, inst), 0u);
    EXPECT_EQ(CreateWindowEx(0, "TestWindowClass", "", WS_CHILD, 0, 0, 10, 10, h, 0, inst), 0u);
    HWND ok = open(100, 100);
    EXPECT_EQ(ShowWindow(ok, 12), 0);
    EXPECT_EQ(ShowWindow(ok, -1), 0);
    EXPECT_EQ(IsWindowVisible(ok), 0);
}

TEST_F(Window, ClassesRegisterOncePerInstanceAndStayWhileWindowsExist) {
    WNDCLASSEX wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = recorder;
    wc.hInstance = inst;
    wc.lpszClassName = "testwindowclass"; // names ignore case
    EXPECT_EQ(RegisterClassEx(&wc), 0);
    EXPECT_EQ(GetLastError(), ERROR_CLASS_ALREADY_EXISTS);
    wc.hInstance = inst + 1;
    ATOM other = RegisterClassEx(&wc);
    EXPECT_GE(other, 0xC000);
    wc.lpfnWndProc = nullptr;
    wc.lpszClassName = "Another";
    EXPECT_EQ(RegisterClassEx(&wc), 0);
    wc.lpfnWndProc = recorder;
    wc.cbSize = 12;
    EXPECT_EQ(RegisterClassEx(&wc), 0);

    // A window by atom; the class cannot go while it lives.
    HWND h = CreateWindowEx(0, reinterpret_cast<const char*>(std::uintptr_t(other)), "", WS_POPUP,
                            0, 0, 10, 10, 0, 0, inst + 1);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(UnregisterClass("TESTWINDOWCLASS", inst + 1), 0);
    EXPECT_EQ(GetLastError(), ERROR_CLASS_HAS_WINDOWS);
    DestroyWindow(h);
    EXPECT_EQ(UnregisterClass("TESTWINDOWCLASS", inst + 1), 1);
    EXPECT_EQ(UnregisterClass("TESTWINDOWCLASS", inst + 1), 0);
}

TEST_F(Window, CreateAnswerOfMinusOneFailsAndDestroys) {
    g_answer = [](HWND, UINT m, WPARAM, LPARAM, LRESULT& r) {
        if (m != WM_CREATE) return false;
        r = -1;
        return true;
    };
    EXPECT_EQ(open(100, 100), 0u);
    EXPECT_EQ(codes(), (std::vector<UINT>{WM_CREATE, WM_DESTROY}));
}

TEST_F(Window, PlacementRoundTripsAndCentresLikeTheRuntime) {
    HWND h = CreateWindowEx(0, "TestWindowClass", "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 5, 6, 400,
                            300, 0, 0, inst);
    ASSERT_NE(h, 0u);
    WINDOWPLACEMENT wp{};
    wp.length = 40;
    EXPECT_EQ(GetWindowPlacement(h, &wp), 0);
    EXPECT_EQ(SetWindowPlacement(h, &wp), 0);
    wp.length = 44;
    ASSERT_EQ(GetWindowPlacement(h, &wp), 1);
    EXPECT_EQ(wp.showCmd, static_cast<UINT>(SW_SHOWNORMAL));
    EXPECT_EQ(box(wp.rcNormalPosition), (Box{5, 6, 405, 306}));
    EXPECT_EQ(wp.ptMinPosition.x, -1);

    // Centre in the work area: (312, 234, 712, 534) for 400 x 300.
    std::int32_t w = wp.rcNormalPosition.right - wp.rcNormalPosition.left;
    std::int32_t ht = wp.rcNormalPosition.bottom - wp.rcNormalPosition.top;
    wp.rcNormalPosition.left = GetSystemMetrics(SM_CXFULLSCREEN) / 2 - w / 2;
    wp.rcNormalPosition.top = GetSystemMetrics(SM_CYFULLSCREEN) / 2 - ht / 2;
    wp.rcNormalPosition.right = wp.rcNormalPosition.left + w;
    wp.rcNormalPosition.bottom = wp.rcNormalPosition.top + ht;
    g_log.clear();
    ASSERT_EQ(SetWindowPlacement(h, &wp), 1);
    EXPECT_EQ(codes(), (std::vector<UINT>{WM_MOVE})); // same size: no WM_SIZE
    EXPECT_EQ(g_log[0].l, MAKELPARAM(316, 257));
    RECT r;
    GetWindowRect(h, &r);
    EXPECT_EQ(box(r), (Box{312, 234, 712, 534}));
    WINDOWPLACEMENT back{};
    back.length = sizeof back;
    ASSERT_EQ(GetWindowPlacement(h, &back), 1);
    EXPECT_EQ(std::memcmp(&back.rcNormalPosition, &wp.rcNormalPosition, sizeof(RECT)), 0);

    // Maximise, minimise (remembering the maximised state), restore.
    g_log.clear();
    ShowWindow(h, SW_SHOWMAXIMIZED);
    ASSERT_EQ(of(WM_SIZE).size(), 1u);
    EXPECT_EQ(of(WM_SIZE)[0].w, SIZE_MAXIMIZED);
    EXPECT_EQ(of(WM_SIZE)[0].l, MAKELPARAM(1024, 768 - 19));
    GetWindowRect(h, &r);
    EXPECT_EQ(box(r), (Box{-4, -4, 1028, 772}));
    ASSERT_EQ(GetWindowPlacement(h, &back), 1);
    EXPECT_EQ(back.showCmd, static_cast<UINT>(SW_SHOWMAXIMIZED));
    EXPECT_EQ(back.rcNormalPosition.left, 312);
    ShowWindow(h, SW_MINIMIZE);
    GetClientRect(h, &r);
    EXPECT_EQ(r.right, 0);
    ASSERT_EQ(GetWindowPlacement(h, &back), 1);
    EXPECT_EQ(back.showCmd, static_cast<UINT>(SW_SHOWMINIMIZED));
    EXPECT_EQ(back.flags, WPF_RESTORETOMAXIMIZED);
    EXPECT_EQ(GetActiveWindow(), 0u);
    ShowWindow(h, SW_RESTORE);
    ASSERT_EQ(GetWindowPlacement(h, &back), 1);
    EXPECT_EQ(back.showCmd, static_cast<UINT>(SW_SHOWMAXIMIZED));
    ShowWindow(h, SW_SHOWNORMAL);
    GetWindowRect(h, &r);
    EXPECT_EQ(box(r), (Box{312, 234, 712, 534}));

    // Full screen: the normal rectangle becomes the work area.
    ASSERT_EQ(GetWindowPlacement(h, &back), 1);
    back.rcNormalPosition = {0, 0, 1024, 768};
    ASSERT_EQ(SetWindowPlacement(h, &back), 1);
    GetClientRect(h, &r);
    EXPECT_EQ(box(r), (Box{0, 0, 1024 - 8, 768 - 27}));
}

TEST_F(Window, SetWindowPosMovesOrSizesAsItsFlagsSay) {
    HWND h = open(200, 100);
    RECT before;
    GetWindowRect(h, &before);
    g_log.clear();
    ASSERT_EQ(SetWindowPos(h, 0, 30, 40, 999, 999, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE), 1);
    EXPECT_EQ(codes(), (std::vector<UINT>{WM_MOVE}));
    RECT r;
    GetWindowRect(h, &r);
    EXPECT_EQ(box(r),
              (Box{30, 40, 30 + before.right - before.left, 40 + before.bottom - before.top}));

    g_log.clear();
    ASSERT_EQ(SetWindowPos(h, 0, -7, -7, 308, 227, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE), 1);
    EXPECT_EQ(codes(), (std::vector<UINT>{WM_SIZE}));
    EXPECT_EQ(g_log[0].l, MAKELPARAM(300, 200));
    GetWindowRect(h, &r);
    EXPECT_EQ(box(r), (Box{30, 40, 30 + 308, 40 + 227}));

    // A negative size is an empty window; the client cannot be negative.
    SetWindowPos(h, 0, 0, 0, -5, -5, SWP_NOMOVE | SWP_NOACTIVATE);
    GetClientRect(h, &r);
    EXPECT_EQ(box(r), (Box{0, 0, 0, 0}));
    EXPECT_EQ(GetActiveWindow(), 0u); // hidden and SWP_NOACTIVATE

    // Without SWP_NOACTIVATE a visible window is activated.
    ShowWindow(h, SW_SHOWNA);
    EXPECT_EQ(GetActiveWindow(), 0u);
    SetWindowPos(h, 0, 1, 1, 0, 0, SWP_NOSIZE);
    EXPECT_EQ(GetActiveWindow(), h);
}

TEST_F(Window, TimersFireAtTheirPeriodOnTheTestClock) {
    HWND h = open(100, 100);
    g_log.clear();
    SetTestClock(1000);
    EXPECT_EQ(SetTimer(h, 0, 10, nullptr), 1u); // timer 0 is a valid id
    EXPECT_EQ(SetTimer(h, 7, 25, nullptr), 7u);
    EXPECT_EQ(SetTimer(h, 9, 1, nullptr), 9u); // raised to 10 ms
    int t0 = 0, t7 = 0, t9 = 0;
    for (int step = 0; step < 20; ++step) { // 100 ms in 5 ms steps
        AdvanceTestClock(5);
        PumpMessages();
        for (const Message& m : of(WM_TIMER)) {
            EXPECT_TRUE(m.hwnd == h && m.l == 0);
            (m.w == 0 ? t0 : m.w == 7 ? t7 : t9)++;
        }
        g_log.clear();
        if (step == 1) {
            EXPECT_EQ(t0, 1) << "the 10 ms timer fires at 1010, not before";
        }
    }
    EXPECT_EQ(t0, 10);
    EXPECT_EQ(t7, 4);
    EXPECT_EQ(t9, 10);

    // A late pump gets one message, and the timer keeps its beat: due at 1110,
    // pumped at 1145, next due 1150.
    KillTimer(h, 7);
    KillTimer(h, 9);
    AdvanceTestClock(45);
    PumpMessages();
    EXPECT_EQ(of(WM_TIMER).size(), 1u);
    AdvanceTestClock(4);
    PumpMessages();
    EXPECT_EQ(of(WM_TIMER).size(), 1u);
    AdvanceTestClock(1);
    PumpMessages();
    EXPECT_EQ(of(WM_TIMER).size(), 2u);
    EXPECT_EQ(KillTimer(h, 0), 1);
    EXPECT_EQ(KillTimer(h, 0), 0);
    AdvanceTestClock(100);
    PumpMessages();
    EXPECT_EQ(of(WM_TIMER).size(), 2u);
}

TEST_F(Window, TimersAcrossTheClockWrapAndWithoutAWindow) {
    HWND h = open(100, 100);
    SetTestClock(0xFFFFFFF0u);
    ASSERT_NE(SetTimer(h, 3, 20, nullptr), 0u); // due at 0x00000004
    g_log.clear();
    AdvanceTestClock(15); // 0xFFFFFFFF
    PumpMessages();
    EXPECT_TRUE(of(WM_TIMER).empty());
    AdvanceTestClock(5); // 4, past the wrap
    PumpMessages();
    EXPECT_EQ(of(WM_TIMER).size(), 1u);
    EXPECT_EQ(GetTickCount(), 4u);

    // A timer procedure gets the calls instead of the window procedure.
    static std::vector<std::pair<std::uint32_t, DWORD>> calls;
    calls.clear();
    TIMERPROC proc = [](HWND w, UINT m, std::uint32_t id, DWORD t) {
        EXPECT_EQ(w, 0u);
        EXPECT_EQ(m, WM_TIMER);
        calls.push_back({id, t});
    };
    EXPECT_EQ(SetTimer(0, 0, 10, nullptr), 0u); // no window and no procedure
    std::uint32_t id = SetTimer(0, 0, 10, proc);
    ASSERT_NE(id, 0u);
    std::uint32_t id2 = SetTimer(0, 0, 10, proc);
    EXPECT_NE(id2, id);
    EXPECT_EQ(SetTimer(0, id, 30, proc), id); // replaces
    KillTimer(0, id2);
    AdvanceTestClock(30);
    PumpMessages();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].first, id);
    EXPECT_EQ(calls[0].second, 34u);

    // A window's timers die with it.
    DestroyWindow(h);
    g_log.clear();
    AdvanceTestClock(100);
    PumpMessages();
    EXPECT_TRUE(g_log.empty());
}

TEST_F(Window, PumpDeliversMouseMovesPaintAndClose) {
    HWND h = open(640, 480);
    ShowWindow(h, SW_SHOWNORMAL);
    g_log.clear();
    SetCursor(0);
    ASSERT_EQ(FeedMouseMove(h, 100, 50), 1);
    ASSERT_EQ(FeedMouseMove(h, -3, 479), 1);
    EXPECT_TRUE(g_log.empty()); // nothing before the pump
    EXPECT_EQ(PumpMessages(), 0);
    std::vector<UINT> expect{WM_SETCURSOR, WM_MOUSEMOVE, WM_SETCURSOR, WM_MOUSEMOVE, WM_PAINT};
    EXPECT_EQ(codes(), expect);
    EXPECT_EQ(g_log[0].w, h);
    EXPECT_EQ(g_log[0].l, MAKELPARAM(HTCLIENT, static_cast<std::int32_t>(WM_MOUSEMOVE)));
    EXPECT_EQ(g_log[1].l, MAKELPARAM(100, 50));
    EXPECT_EQ(g_log[3].l, MAKELPARAM(-3, 479));       // negative coordinates keep their sign
    EXPECT_EQ(GetCursor(), LoadCursor(0, IDC_ARROW)); // the class cursor, by DefWindowProc

    // Painted once; again only after invalidation; never while hidden.
    g_log.clear();
    PumpMessages();
    EXPECT_TRUE(g_log.empty());
    InvalidateRect(h, nullptr, 0);
    PumpMessages();
    EXPECT_EQ(codes(), (std::vector<UINT>{WM_PAINT}));
    ShowWindow(h, SW_HIDE);
    InvalidateRect(h, nullptr, 0);
    g_log.clear();
    PumpMessages();
    EXPECT_TRUE(of(WM_PAINT).empty());
    ShowWindow(h, SW_SHOWNORMAL);

    // The runtime's close handling: count, post quit, keep the window.
    int closes = 0;
    g_answer = [&closes](HWND, UINT m, WPARAM, LPARAM, LRESULT& r) {
        if (m != WM_CLOSE) return false;
        ++closes;
        PostQuitMessage(3);
        r = 0;
        return true;
    };
    FeedClose(h);
    FeedClose(h);
    std::int32_t code = -1;
    EXPECT_EQ(PumpMessages(&code), 1);
    EXPECT_EQ(code, 3);
    EXPECT_EQ(closes, 2);
    EXPECT_EQ(IsWindow(h), 1);
    EXPECT_EQ(PumpMessages(&code), 0); // the quit is reported once

    // Default processing of a close destroys the window.
    g_answer = nullptr;
    g_log.clear();
    FeedClose(h);
    PumpMessages();
    EXPECT_EQ(codes(), (std::vector<UINT>{WM_CLOSE, WM_ACTIVATE, WM_DESTROY}));
    EXPECT_EQ(IsWindow(h), 0);
}

TEST_F(Window, PostedMessagesKeepOrderAndWaitForTheNextPumpWhenPostedDuringOne) {
    HWND h = open(100, 100);
    g_answer = [h](HWND, UINT m, WPARAM w, LPARAM, LRESULT&) {
        if (m == WM_USER && w < 3) PostMessage(h, WM_USER, w + 10, 0);
        return false;
    };
    g_log.clear();
    for (WPARAM k = 0; k < 3; ++k)
        PostMessage(h, WM_USER, k, 0);
    PumpMessages();
    auto words = [] {
        std::vector<WPARAM> w;
        for (const Message& m : of(WM_USER))
            w.push_back(m.w);
        return w;
    };
    EXPECT_EQ(words(), (std::vector<WPARAM>{0, 1, 2}));
    g_log.clear();
    PumpMessages();
    EXPECT_EQ(words(), (std::vector<WPARAM>{10, 11, 12}));
    // A destroyed window's queued messages are dropped.
    PostMessage(h, WM_USER, 99, 0);
    DestroyWindow(h);
    g_log.clear();
    PumpMessages();
    EXPECT_TRUE(g_log.empty());
}

TEST_F(Window, FeedMovesSizesAndActivatesThroughThePump) {
    HWND h = open(320, 240);
    ShowWindow(h, SW_SHOWNORMAL);
    PumpMessages();
    g_log.clear();
    FeedMove(h, 50, 60);
    FeedSize(h, 408, 327);
    EXPECT_TRUE(g_log.empty());
    PumpMessages();
    EXPECT_EQ(codes(), (std::vector<UINT>{WM_MOVE, WM_SIZE, WM_PAINT}));
    EXPECT_EQ(g_log[0].l, MAKELPARAM(54, 83));
    EXPECT_EQ(g_log[1].l, MAKELPARAM(400, 300));
    RECT r;
    GetWindowRect(h, &r);
    EXPECT_EQ(box(r), (Box{50, 60, 50 + 408, 60 + 327}));

    g_log.clear();
    FeedActivate(h, 0);
    PumpMessages();
    ASSERT_EQ(codes(), (std::vector<UINT>{WM_ACTIVATE}));
    EXPECT_EQ(g_log[0].w, WA_INACTIVE);
    EXPECT_EQ(GetActiveWindow(), 0u);
    EXPECT_EQ(GetFocus(), 0u);
    FeedActivate(h, 0); // already inactive: nothing
    FeedActivate(h, 1);
    g_log.clear();
    PumpMessages();
    ASSERT_EQ(codes(), (std::vector<UINT>{WM_ACTIVATE}));
    EXPECT_EQ(g_log[0].w, WA_ACTIVE);
    EXPECT_EQ(GetFocus(), h);

    // Activating another window deactivates the first, naming each other.
    HWND other = open(100, 100);
    g_log.clear();
    FeedActivate(other, 1);
    PumpMessages();
    ASSERT_EQ(g_log.size(), 2u);
    EXPECT_EQ(g_log[0].hwnd, h);
    EXPECT_EQ(g_log[0].w, WA_INACTIVE);
    EXPECT_EQ(static_cast<HWND>(g_log[0].l), other);
    EXPECT_EQ(g_log[1].hwnd, other);
    EXPECT_EQ(static_cast<HWND>(g_log[1].l), h);
}

TEST_F(Window, ChildWindowsSitInTheParentsClientAreaAndDieWithIt) {
    HWND parent = open(300, 200);
    HWND child = CreateWindowEx(0, "TestWindowClass", "", WS_CHILD | WS_VISIBLE, 10, 20, 50, 40,
                                parent, 5, inst);
    ASSERT_NE(child, 0u);
    EXPECT_EQ(GetParent(child), parent);
    EXPECT_EQ(GetWindowLong(child, GWL_ID), 5);
    POINT p{0, 0}, q{0, 0};
    ClientToScreen(parent, &p);
    ClientToScreen(child, &q);
    EXPECT_EQ(xy(q), (std::array<std::int32_t, 2>{p.x + 10, p.y + 20}));
    EXPECT_EQ(GetActiveWindow(), 0u);     // children are not activated
    EXPECT_EQ(IsWindowVisible(child), 0); // the parent is hidden
    SetWindowPos(parent, 0, 100, 100, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    RECT r;
    GetWindowRect(child, &r);
    EXPECT_EQ(r.left, 100 + 4 + 10);
    g_log.clear();
    DestroyWindow(parent);
    std::vector<HWND> destroyed;
    for (const Message& m : of(WM_DESTROY))
        destroyed.push_back(m.hwnd);
    EXPECT_EQ(destroyed, (std::vector<HWND>{parent, child}));
    EXPECT_EQ(IsWindow(child), 0);
}

TEST_F(Window, ProceduresMayDestroyWindowsWhileThePumpRuns) {
    HWND a = open(100, 100), b = open(100, 100);
    SetTimer(a, 1, 10, nullptr);
    SetTimer(b, 1, 10, nullptr);
    // a's timer destroys b, whose timer was due in the same pump.
    g_answer = [a, b](HWND w, UINT m, WPARAM, LPARAM, LRESULT&) {
        if (m == WM_TIMER && w == a) DestroyWindow(b);
        return false;
    };
    FeedMouseMove(b, 1, 1);
    AdvanceTestClock(10);
    g_log.clear();
    PumpMessages();
    for (const Message& m : g_log)
        if (m.msg == WM_TIMER) {
            EXPECT_EQ(m.hwnd, a);
        }
    EXPECT_EQ(IsWindow(b), 0);
}

TEST_F(Window, BackendSelectionStartsAFreshDesktop) {
    HWND h = open(100, 100);
    EXPECT_STREQ(BackendName(), "headless");
    EXPECT_EQ(UseBackend("no-such-backend"), 0);
    EXPECT_EQ(IsWindow(h), 1);
    ASSERT_EQ(UseBackend("headless"), 1);
    EXPECT_EQ(IsWindow(h), 0);
    EXPECT_EQ(CreateWindowEx(0, "TestWindowClass", "", 0, 0, 0, 10, 10, 0, 0, inst), 0u);
    SetUp(); // registers the class again
    HWND again = open(100, 100);
    EXPECT_NE(again, 0u);
    EXPECT_NE(again, h); // ids are not reused
}

TEST_F(Window, CursorAndIcons) {
    HCURSOR arrow = LoadCursor(0, IDC_ARROW);
    EXPECT_NE(arrow, 0u);
    EXPECT_EQ(LoadCursor(inst, IDC_ARROW), 0u); // modules have no cursors
    EXPECT_EQ(LoadCursor(0, 12345), 0u);
    EXPECT_NE(LoadIcon(0, IDI_APPLICATION), 0u);
    HCURSOR cross = LoadCursor(0, IDC_CROSS);
    EXPECT_EQ(SetCursor(cross), arrow);
    EXPECT_EQ(SetCursor(0), cross);
    EXPECT_EQ(SetCursor(0xBAD), 0u);
    EXPECT_EQ(GetCursor(), 0u);
    EXPECT_EQ((Box{ShowCursor(0), ShowCursor(0), ShowCursor(1), ShowCursor(1)}),
              (Box{-1, -2, -1, 0}));
}

} // namespace
} // namespace kxp::test
