// Windows and messages on the headless desktop, driven as a host drives them.
#include <algorithm>

#include "desktop_fixture.h"

namespace kxp::test {
namespace {

using Window = Desktop;

TEST_F(Window, OpensLikeTheGameWindowWithCreateSizeAndMoveMessages) {
    HWND h = open(640, 480); // outer 648 x 507 at (188, 131) on the 1024 x 768 desktop
    ASSERT_NE(h, 0u);
    ASSERT_EQ(codes(), (std::vector<UINT>{WM_CREATE, WM_SIZE, WM_MOVE}));
    EXPECT_EQ(Log(g_log.begin() + 1, g_log.end()),
              (Log{{h, WM_SIZE, SIZE_RESTORED, MAKELPARAM(640, 480)},
                   {h, WM_MOVE, 0, MAKELPARAM(192, 154)}})); // client origin: frame 4, caption 19
    ASSERT_EQ(g_created.size(), 1u);
    const CREATESTRUCT& cs = g_created[0].cs;
    EXPECT_EQ((Calls{cs.x, cs.y, cs.cx, cs.cy, cs.hInstance}), (Calls{188, 131, 648, 507, inst}));
    EXPECT_EQ(g_created[0].name + "/" + g_created[0].cls, "Game/TestWindowClass");

    EXPECT_EQ(window_box(h), (Box{188, 131, 836, 638}));
    EXPECT_EQ(client_box(h), (Box{0, 0, 640, 480}));
    EXPECT_EQ(to_screen(h, 10, -5), (Point{202, 149}));
    POINT p{202, 149};
    EXPECT_EQ((Calls{ScreenToClient(h, &p), p.x, p.y}), (Calls{1, 10, -5}));
    RECT adj{0, 0, 640, 480};
    AdjustWindowRectEx(&adj, WS_OVERLAPPEDWINDOW, 0, 0);
    EXPECT_EQ(box(adj), (Box{-4, -23, 644, 484})); // the runtime's arithmetic agrees

    // Data words (user data, style, instance, 8 extra bytes) and the text,
    // truncated to the buffer.
    char small[3];
    SetLastError(0);
    EXPECT_EQ((Calls{SetWindowLong(h, GWL_USERDATA, 7), SetWindowLong(h, GWL_USERDATA, -9),
                     GetWindowLong(h, GWL_USERDATA),
                     GetWindowLong(h, GWL_STYLE) & (WS_OVERLAPPEDWINDOW | WS_VISIBLE),
                     GetWindowLong(h, GWL_HINSTANCE), SetWindowLong(h, 4, 0x1234),
                     GetWindowLong(h, 4), GetWindowLong(h, GWL_WNDPROC), GetWindowLong(h, 5),
                     GetLastError(), GetWindowText(h, small, 3), small[1], small[2],
                     SetWindowText(h, "Level 2"), GetWindowTextLength(h)}),
              (Calls{0, 7, -9, WS_OVERLAPPEDWINDOW, inst, 0, 0x1234, 0, 0, ERROR_INVALID_INDEX, 2,
                     'a', 0, 1, 7}));

    // Showing activates and focuses; painting waits for UpdateWindow or the pump.
    g_log.clear();
    EXPECT_EQ(ShowWindow(h, SW_SHOWNORMAL), 0);
    EXPECT_EQ(g_log, (Log{{h, WM_ACTIVATE, WA_ACTIVE, 0}}));
    EXPECT_EQ(
        (Calls{GetActiveWindow(), GetFocus(), GetWindowLong(h, GWL_STYLE) & WS_VISIBLE,
               UpdateWindow(h), UpdateWindow(h), static_cast<std::int64_t>(of(WM_PAINT).size()),
               ShowWindow(h, SW_SHOW), SetFocus(h)}),
        (Calls{h, h, WS_VISIBLE, 1, 1, 1, 1, h}));

    g_log.clear();
    EXPECT_EQ(DestroyWindow(h), 1);
    EXPECT_EQ(codes(), (std::vector<UINT>{WM_ACTIVATE, WM_DESTROY}));
    EXPECT_EQ((Calls{IsWindow(h), GetActiveWindow(), GetFocus()}), (Calls{0, 0, 0}));
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
        EXPECT_EQ(
            (Calls{GetWindowRect(bad, &r), GetLastError(), r.left, ClientToScreen(bad, &p), p.x,
                   GetWindowPlacement(bad, &wp), SetWindowPos(bad, 0, 1, 1, 1, 1, 0),
                   GetWindowText(bad, text, 8), SetWindowLong(bad, GWL_USERDATA, 3),
                   SetTimer(bad, 1, 10, nullptr), ShowWindow(bad, SW_SHOW), DestroyWindow(bad),
                   PostMessage(bad, WM_USER, 0, 0), SendMessage(bad, WM_USER, 0, 0),
                   DefWindowProc(bad, WM_CLOSE, 0, 0), FeedClose(bad), FeedMouseMove(bad, 1, 1),
                   FeedMove(bad, 1, 1)}),
            (Calls{0, ERROR_INVALID_WINDOW_HANDLE, 1, 0, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}))
            << bad;
    }
    EXPECT_EQ(SetFocus(h), 0u);
    // Unknown class, child without parent, bad parent, unknown show command.
    EXPECT_EQ((Calls{CreateWindowEx(0, "NoSuchClass", "", 0, 0, 0, 10, 10, 0, 0, inst),
                     GetLastError(), child(0, 0, 0, 10, 10), child(h, 0, 0, 10, 10)}),
              (Calls{0, ERROR_CANNOT_FIND_WND_CLASS, 0, 0}));
    HWND ok = open(100, 100);
    EXPECT_EQ((Calls{ShowWindow(ok, 12), ShowWindow(ok, -1), IsWindowVisible(ok)}),
              (Calls{0, 0, 0}));
}

TEST_F(Window, ClassesRegisterOncePerInstanceAndStayWhileWindowsExist) {
    WNDCLASSEX wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = recorder;
    wc.hInstance = inst;
    wc.lpszClassName = "testwindowclass"; // names ignore case
    EXPECT_EQ((Calls{RegisterClassEx(&wc), GetLastError()}),
              (Calls{0, ERROR_CLASS_ALREADY_EXISTS}));
    wc.hInstance = inst + 1;
    ATOM other = RegisterClassEx(&wc);
    EXPECT_GE(other, 0xC000);
    wc.lpszClassName = "Another";
    wc.cbSize = 12;
    EXPECT_EQ(RegisterClassEx(&wc), 0);
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = nullptr;
    EXPECT_EQ(RegisterClassEx(&wc), 0);

    // A window by atom; the class cannot go while it lives.
    HWND h = CreateWindowEx(0, reinterpret_cast<const char*>(std::uintptr_t(other)), "", WS_POPUP,
                            0, 0, 10, 10, 0, 0, inst + 1);
    ASSERT_NE(h, 0u);
    EXPECT_EQ((Calls{UnregisterClass("TESTWINDOWCLASS", inst + 1), GetLastError(), DestroyWindow(h),
                     UnregisterClass("TESTWINDOWCLASS", inst + 1),
                     UnregisterClass("TESTWINDOWCLASS", inst + 1)}),
              (Calls{0, ERROR_CLASS_HAS_WINDOWS, 1, 1, 0}));

    // A creation answered with -1 fails and destroys the window.
    g_answer = [](HWND, UINT m, WPARAM, LPARAM, LRESULT& r) {
        r = -1;
        return m == WM_CREATE;
    };
    g_log.clear();
    EXPECT_EQ(open(100, 100), 0u);
    EXPECT_EQ(codes(), (std::vector<UINT>{WM_CREATE, WM_DESTROY}));
}

TEST_F(Window, PlacementRoundTripsCentresMaximisesAndMinimises) {
    HWND h = CreateWindowEx(0, "TestWindowClass", "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 5, 6, 400,
                            300, 0, 0, inst);
    ASSERT_NE(h, 0u);
    WINDOWPLACEMENT wp{};
    wp.length = 40;
    EXPECT_EQ((Calls{GetWindowPlacement(h, &wp), SetWindowPlacement(h, &wp)}), (Calls{0, 0}));
    wp.length = 44;
    auto placement = [h] {
        WINDOWPLACEMENT p{};
        p.length = sizeof p;
        EXPECT_EQ(GetWindowPlacement(h, &p), 1);
        return p;
    };
    wp = placement();
    EXPECT_EQ((Calls{wp.showCmd, wp.ptMinPosition.x}), (Calls{SW_SHOWNORMAL, -1}));
    EXPECT_EQ(box(wp.rcNormalPosition), (Box{5, 6, 405, 306}));

    // Centred in the work area as the runtime does it: same size, so no WM_SIZE.
    wp.rcNormalPosition = {312, 234, 712, 534};
    g_log.clear();
    ASSERT_EQ(SetWindowPlacement(h, &wp), 1);
    EXPECT_EQ(g_log, (Log{{h, WM_MOVE, 0, MAKELPARAM(316, 257)}}));
    EXPECT_EQ(window_box(h), (Box{312, 234, 712, 534}));
    EXPECT_EQ(box(placement().rcNormalPosition), (Box{312, 234, 712, 534}));

    // Maximise, minimise (remembering the maximised state), restore.
    g_log.clear();
    ShowWindow(h, SW_SHOWMAXIMIZED);
    EXPECT_EQ(of(WM_SIZE), (Log{{h, WM_SIZE, SIZE_MAXIMIZED, MAKELPARAM(1024, 768 - 19)}}));
    EXPECT_EQ(window_box(h), (Box{-4, -4, 1028, 772}));
    wp = placement();
    EXPECT_EQ((Calls{wp.showCmd, wp.rcNormalPosition.left}), (Calls{SW_SHOWMAXIMIZED, 312}));
    ShowWindow(h, SW_MINIMIZE);
    wp = placement();
    EXPECT_EQ((Calls{client_box(h)[2], wp.showCmd, wp.flags, GetActiveWindow()}),
              (Calls{0, SW_SHOWMINIMIZED, WPF_RESTORETOMAXIMIZED, 0}));
    ShowWindow(h, SW_RESTORE);
    EXPECT_EQ(placement().showCmd, static_cast<UINT>(SW_SHOWMAXIMIZED));
    ShowWindow(h, SW_SHOWNORMAL);
    EXPECT_EQ(window_box(h), (Box{312, 234, 712, 534}));

    // Full screen: the normal rectangle becomes the work area.
    wp = placement();
    wp.rcNormalPosition = {0, 0, 1024, 768};
    ASSERT_EQ(SetWindowPlacement(h, &wp), 1);
    EXPECT_EQ(client_box(h), (Box{0, 0, 1024 - 8, 768 - 27}));
}

TEST_F(Window, SetWindowPosMovesOrSizesAsItsFlagsSay) {
    HWND h = open(200, 100); // outer 208 x 127
    g_log.clear();
    ASSERT_EQ(SetWindowPos(h, 0, 30, 40, 999, 999, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE), 1);
    EXPECT_EQ(codes(), (std::vector<UINT>{WM_MOVE}));
    EXPECT_EQ(window_box(h), (Box{30, 40, 30 + 208, 40 + 127}));
    g_log.clear();
    ASSERT_EQ(SetWindowPos(h, 0, -7, -7, 308, 227, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE), 1);
    EXPECT_EQ(g_log, (Log{{h, WM_SIZE, SIZE_RESTORED, MAKELPARAM(300, 200)}}));
    EXPECT_EQ(window_box(h), (Box{30, 40, 30 + 308, 40 + 227}));

    // A negative size is an empty window; the client cannot be negative.
    SetWindowPos(h, 0, 0, 0, -5, -5, SWP_NOMOVE | SWP_NOACTIVATE);
    EXPECT_EQ(client_box(h), (Box{0, 0, 0, 0}));
    // Without SWP_NOACTIVATE a visible window is activated.
    EXPECT_EQ(GetActiveWindow(), 0u);
    ShowWindow(h, SW_SHOWNA);
    EXPECT_EQ(GetActiveWindow(), 0u);
    SetWindowPos(h, 0, 1, 1, 0, 0, SWP_NOSIZE);
    EXPECT_EQ(GetActiveWindow(), h);
}

// Advances the test clock, pumps, and gives the WM_TIMER messages of the pump.
Log tick(DWORD ms) {
    g_log.clear();
    AdvanceTestClock(ms);
    PumpMessages();
    return of(WM_TIMER);
}

TEST_F(Window, TimersFireAtTheirPeriodOnTheTestClock) {
    HWND h = open(100, 100);
    SetTestClock(1000);
    EXPECT_EQ((Calls{SetTimer(h, 0, 10, nullptr), SetTimer(h, 7, 25, nullptr),
                     SetTimer(h, 9, 1, nullptr)}), // 0 is a valid id; 1 ms is raised to 10
              (Calls{1, 7, 9}));
    std::vector<WPARAM> fired;
    for (int step = 0; step < 20; ++step) { // 100 ms in 5 ms steps
        for (const Message& m : tick(5)) {
            EXPECT_EQ(m.l, 0);
            fired.push_back(m.w);
        }
        if (step == 1) {
            EXPECT_EQ(fired, (std::vector<WPARAM>{0, 9})) << "not before 1010";
        }
    }
    auto fires = [&fired](WPARAM id) { return std::count(fired.begin(), fired.end(), id); };
    EXPECT_EQ((Calls{fires(0), fires(7), fires(9)}), (Calls{10, 4, 10}));

    // A late pump gets one message, and the timer keeps its beat: due at 1110,
    // pumped at 1145, next due 1150.
    KillTimer(h, 7);
    KillTimer(h, 9);
    EXPECT_EQ(tick(45), (Log{{h, WM_TIMER, 0, 0}}));
    EXPECT_TRUE(tick(4).empty());
    EXPECT_EQ(tick(1).size(), 1u);
    EXPECT_EQ((Calls{KillTimer(h, 0), KillTimer(h, 0)}), (Calls{1, 0}));
    EXPECT_TRUE(tick(100).empty());
}

TEST_F(Window, TimersAcrossTheClockWrapAndWithoutAWindow) {
    HWND h = open(100, 100);
    SetTestClock(0xFFFFFFF0u);
    ASSERT_NE(SetTimer(h, 3, 20, nullptr), 0u); // due at 0x00000004
    EXPECT_TRUE(tick(15).empty());              // 0xFFFFFFFF
    EXPECT_EQ(tick(5).size(), 1u);              // 4, past the wrap
    EXPECT_EQ(GetTickCount(), 4u);

    // A timer procedure gets the calls instead of the window procedure.
    static std::vector<std::array<std::uint32_t, 4>> calls;
    calls.clear();
    TIMERPROC proc = [](HWND w, UINT m, std::uint32_t id, DWORD t) {
        calls.push_back({w, m, id, t});
    };
    EXPECT_EQ(SetTimer(0, 0, 10, nullptr), 0u); // no window and no procedure
    std::uint32_t id = SetTimer(0, 0, 10, proc);
    ASSERT_NE(id, 0u);
    std::uint32_t id2 = SetTimer(0, 0, 10, proc);
    EXPECT_NE(id2, id);
    EXPECT_EQ(SetTimer(0, id, 30, proc), id); // replaces
    KillTimer(0, id2);
    tick(30);
    EXPECT_EQ(calls, (decltype(calls){{0, WM_TIMER, id, 34}}));

    // A window's timers die with it.
    DestroyWindow(h);
    tick(100);
    EXPECT_TRUE(g_log.empty());
}

TEST_F(Window, PumpDeliversMouseMovesCursorsPaintAndClose) {
    HWND h = open(640, 480);
    ShowWindow(h, SW_SHOWNORMAL);
    g_log.clear();
    SetCursor(0);
    ASSERT_EQ(FeedMouseMove(h, 100, 50), 1);
    ASSERT_EQ(FeedMouseMove(h, -3, 479), 1);
    EXPECT_TRUE(g_log.empty()); // nothing before the pump
    EXPECT_EQ(PumpMessages(), 0);
    const LPARAM at_client = MAKELPARAM(HTCLIENT, static_cast<std::int32_t>(WM_MOUSEMOVE));
    EXPECT_EQ(g_log, (Log{{h, WM_SETCURSOR, h, at_client},
                          {h, WM_MOUSEMOVE, 0, MAKELPARAM(100, 50)},
                          {h, WM_SETCURSOR, h, at_client},
                          {h, WM_MOUSEMOVE, 0, MAKELPARAM(-3, 479)}, // the sign is kept
                          {h, WM_PAINT, 0, 0}}));
    HCURSOR arrow = LoadCursor(0, IDC_ARROW), cross = LoadCursor(0, IDC_CROSS);
    EXPECT_NE(arrow, 0u);
    EXPECT_EQ(GetCursor(), arrow); // the class cursor, by DefWindowProc
    // Modules have no cursors; unknown ids; a bad cursor hides it.
    EXPECT_EQ((Calls{LoadCursor(inst, IDC_ARROW), LoadCursor(0, 12345), SetCursor(cross),
                     SetCursor(0), SetCursor(0xBAD), GetCursor(), ShowCursor(0), ShowCursor(0),
                     ShowCursor(1), ShowCursor(1), LoadIcon(0, IDI_APPLICATION) != 0}),
              (Calls{0, 0, arrow, cross, 0, 0, -1, -2, -1, 0, 1}));

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

    // A quit posted by a procedure is reported once, with its code. (Close clicks
    // counted and the window kept are checked through the runtime in
    // tests/window/window_test.cpp.)
    PostQuitMessage(3);
    std::int32_t code = -1;
    EXPECT_EQ((Calls{PumpMessages(&code), code, IsWindow(h), PumpMessages(&code)}),
              (Calls{1, 3, 1, 0}));

    // Default processing of a close destroys the window.
    g_answer = nullptr;
    g_log.clear();
    FeedClose(h);
    PumpMessages();
    EXPECT_EQ(codes(), (std::vector<UINT>{WM_CLOSE, WM_ACTIVATE, WM_DESTROY}));
    EXPECT_EQ(IsWindow(h), 0);
}

TEST_F(Window, PostedMessagesKeepOrderAndProceduresMayDestroyWindowsDuringThePump) {
    HWND h = open(100, 100);
    g_answer = [h](HWND, UINT m, WPARAM w, LPARAM, LRESULT&) {
        if (m == WM_USER && w < 3) PostMessage(h, WM_USER, w + 10, 0);
        return false;
    };
    auto pumped = [] {
        g_log.clear();
        PumpMessages();
        std::vector<WPARAM> w;
        for (const Message& m : of(WM_USER))
            w.push_back(m.w);
        return w;
    };
    for (WPARAM k = 0; k < 3; ++k)
        PostMessage(h, WM_USER, k, 0);
    EXPECT_EQ(pumped(), (std::vector<WPARAM>{0, 1, 2}));
    EXPECT_EQ(pumped(), (std::vector<WPARAM>{10, 11, 12}));
    // A destroyed window's queued messages are dropped.
    PostMessage(h, WM_USER, 99, 0);
    DestroyWindow(h);
    g_log.clear();
    PumpMessages();
    EXPECT_TRUE(g_log.empty());

    // A procedure may destroy a window during the pump: a's timer destroys b,
    // whose timer and mouse move were due in the same pump.
    HWND a = open(100, 100), b = open(100, 100);
    SetTimer(a, 1, 10, nullptr);
    SetTimer(b, 1, 10, nullptr);
    g_answer = [a, b](HWND w, UINT m, WPARAM, LPARAM, LRESULT&) {
        if (m == WM_TIMER && w == a) DestroyWindow(b);
        return false;
    };
    FeedMouseMove(b, 1, 1);
    EXPECT_EQ(tick(10), (Log{{a, WM_TIMER, 1, 0}}));
    EXPECT_EQ(IsWindow(b), 0);
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
    EXPECT_EQ(g_log, (Log{{h, WM_MOVE, 0, MAKELPARAM(54, 83)},
                          {h, WM_SIZE, SIZE_RESTORED, MAKELPARAM(400, 300)},
                          {h, WM_PAINT, 0, 0}}));
    EXPECT_EQ(window_box(h), (Box{50, 60, 50 + 408, 60 + 327}));

    // Deactivating, again (nothing), activating; another window's activation
    // deactivates the first, naming each other.
    HWND other = open(100, 100);
    const struct {
        HWND w;
        int on;
        Log log;
        HWND focus;
    } steps[] = {{h, 0, {{h, WM_ACTIVATE, WA_INACTIVE, 0}}, 0},
                 {h, 0, {}, 0},
                 {h, 1, {{h, WM_ACTIVATE, WA_ACTIVE, 0}}, h},
                 {other,
                  1,
                  {{h, WM_ACTIVATE, WA_INACTIVE, static_cast<LPARAM>(other)},
                   {other, WM_ACTIVATE, WA_ACTIVE, static_cast<LPARAM>(h)}},
                  other}};
    for (const auto& s : steps) {
        g_log.clear();
        FeedActivate(s.w, s.on);
        PumpMessages();
        EXPECT_EQ(g_log, s.log) << s.w << " " << s.on;
        EXPECT_EQ((Calls{GetActiveWindow(), GetFocus()}), (Calls{s.focus, s.focus}));
    }
}

TEST_F(Window, ChildWindowsSitInTheParentsClientAreaAndDieWithIt) {
    HWND parent = open(300, 200);
    HWND c = child(parent, 10, 20, 50, 40, 5);
    ASSERT_NE(c, 0u);
    Point origin = to_screen(parent, 0, 0);
    EXPECT_EQ(to_screen(c, 0, 0), (Point{origin[0] + 10, origin[1] + 20}));
    // Not activated as children, and hidden with their parent.
    EXPECT_EQ(
        (Calls{GetParent(c), GetWindowLong(c, GWL_ID), GetActiveWindow(), IsWindowVisible(c)}),
        (Calls{parent, 5, 0, 0}));
    SetWindowPos(parent, 0, 100, 100, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_EQ(window_box(c)[0], 100 + 4 + 10);
    g_log.clear();
    DestroyWindow(parent);
    std::vector<HWND> destroyed;
    for (const Message& m : of(WM_DESTROY))
        destroyed.push_back(m.hwnd);
    EXPECT_EQ(destroyed, (std::vector<HWND>{parent, c}));
    EXPECT_EQ(IsWindow(c), 0);
}

TEST_F(Window, BackendSelectionStartsAFreshDesktop) {
    HWND h = open(100, 100);
    EXPECT_STREQ(BackendName(), "headless");
    EXPECT_EQ((Calls{UseBackend("no-such-backend"), IsWindow(h), UseBackend("headless"),
                     IsWindow(h), open(100, 100)}), // the class went with the desktop
              (Calls{0, 1, 1, 0, 0}));
    SetUp(); // registers the class again
    HWND again = open(100, 100);
    EXPECT_NE(again, 0u);
    EXPECT_NE(again, h); // ids are not reused
}

} // namespace
} // namespace kxp::test
