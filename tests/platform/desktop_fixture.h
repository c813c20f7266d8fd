// A fresh headless desktop per test, a test clock, and a window procedure that
// records every message it gets (and may be told how to answer some).
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "kxp/heap.h"
#include "kxp/host.h"
#include "kxp/input.h"
#include "kxp/system.h"
#include "kxp/window.h"

namespace kxp::test {

// Rectangles and points as arrays, to compare in one check.
using Box = std::array<std::int32_t, 4>;
using Point = std::array<std::int32_t, 2>;
// The results of calls made in order (a braced list evaluates left to right),
// compared as one value.
using Calls = std::vector<std::int64_t>;

inline Box box(const RECT& r) {
    return {r.left, r.top, r.right, r.bottom};
}
inline Box window_box(HWND h) {
    RECT r{};
    EXPECT_EQ(GetWindowRect(h, &r), 1);
    return box(r);
}
inline Box client_box(HWND h) {
    RECT r{};
    EXPECT_EQ(GetClientRect(h, &r), 1);
    return box(r);
}
inline Point to_screen(HWND h, std::int32_t x, std::int32_t y) {
    POINT p{x, y};
    EXPECT_EQ(ClientToScreen(h, &p), 1);
    return {p.x, p.y};
}

struct Message {
    HWND hwnd;
    UINT msg;
    WPARAM w;
    LPARAM l;
    bool operator==(const Message&) const = default;
};
inline void PrintTo(const Message& m, std::ostream* os) {
    *os << "{" << m.hwnd << ", 0x" << std::hex << m.msg << std::dec << ", " << m.w << ", " << m.l
        << "}";
}
using Log = std::vector<Message>;

struct Created {
    CREATESTRUCT cs;
    std::string name, cls;
};

inline Log g_log;
inline std::vector<Created> g_created;
// Answers a message instead of DefWindowProc when it returns true.
inline std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT&)> g_answer;

inline LRESULT recorder(HWND h, UINT m, WPARAM w, LPARAM l) {
    g_log.push_back({h, m, w, l});
    if (m == WM_CREATE && l != 0) {
        const auto* cs = ptr<const CREATESTRUCT>(static_cast<std::uint32_t>(l));
        g_created.push_back({*cs, cs->lpszName ? ptr<const char>(cs->lpszName) : "",
                             cs->lpszClass ? ptr<const char>(cs->lpszClass) : ""});
    }
    LRESULT r = 0;
    if (g_answer && g_answer(h, m, w, l, r)) return r;
    return DefWindowProc(h, m, w, l);
}

// The recorded messages of one kind, and the kinds of all in order.
inline Log of(UINT msg) {
    Log r;
    for (const Message& m : g_log)
        if (m.msg == msg) r.push_back(m);
    return r;
}
inline std::vector<UINT> codes() {
    std::vector<UINT> r;
    for (const Message& m : g_log)
        r.push_back(m.msg);
    return r;
}

inline ATOM register_recorder(HINSTANCE inst, const char* name) {
    WNDCLASSEX wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = recorder;
    wc.cbWndExtra = 8;
    wc.hInstance = inst;
    wc.hCursor = LoadCursor(0, IDC_ARROW);
    wc.hIconSm = LoadIcon(0, IDI_APPLICATION);
    wc.lpszClassName = name;
    return RegisterClassEx(&wc);
}

class Desktop : public ::testing::Test {
  protected:
    HINSTANCE inst = 0;

    void SetUp() override {
        ASSERT_EQ(UseBackend("headless"), 1);
        SetTestClock(1000);
        g_log.clear();
        g_created.clear();
        g_answer = nullptr;
        inst = GetModuleHandle(nullptr);
        ASSERT_NE(register_recorder(inst, "TestWindowClass"), 0);
    }

    void TearDown() override {
        g_answer = nullptr;
        UseSystemClock();
    }

    // A game window as the runtime opens one: client size asked for, outer size
    // from the frame and menu metrics, centred in the work area.
    HWND open(std::int32_t cw, std::int32_t ch, DWORD style = WS_OVERLAPPEDWINDOW) {
        std::int32_t w = cw + 2 * GetSystemMetrics(SM_CXFRAME);
        std::int32_t h = ch + GetSystemMetrics(SM_CYMENU) + 2 * GetSystemMetrics(SM_CYFRAME);
        std::int32_t x = GetSystemMetrics(SM_CXFULLSCREEN) / 2 - w / 2;
        std::int32_t y = GetSystemMetrics(SM_CYFULLSCREEN) / 2 - h / 2;
        return CreateWindowEx(0, "TestWindowClass", "Game", style, x, y, w, h, 0, 0, inst);
    }
    HWND child(HWND parent, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
               HMENU id = 0) {
        return CreateWindowEx(0, "TestWindowClass", "", WS_CHILD | WS_VISIBLE, x, y, w, h, parent,
                              id, inst);
    }
};

} // namespace kxp::test
