// What the screen, drawing, text and window suites share: a window (and a screen)
// opened as a host opens them on the headless desktop, and the pixels of a surface
// read and written through its lock buffer.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "kx/kx_host.h"
#include "kx/kx_vm.h"

namespace kxt {

using Pixels = std::vector<uint32_t>;
using Quad = std::array<int32_t, 4>;

template <class T> T* record(int32_t handle) {
    return static_cast<T*>(VM_BankPtr(handle));
}
inline KX_LockBuffer* lock_of(int32_t surface) {
    return static_cast<KX_LockBuffer*>(KX_GetLockBufferPtr(surface));
}
// A rectangle as one value: left, top, right, bottom.
inline Quad quad(const KX_Viewport& v) {
    return {v.Left, v.Top, v.Right, v.Bottom};
}
inline Quad quad(const KX_Rect& r) {
    return {r.Left, r.Top, r.Right, r.Bottom};
}

// Passes when every value is 0, else names the positions that are not; for the many
// refusals a bad handle must give.
inline ::testing::AssertionResult all_zero(std::initializer_list<int64_t> values) {
    ::testing::AssertionResult r = ::testing::AssertionSuccess();
    size_t i = 0;
    for (int64_t v : values) {
        if (v != 0) r = ::testing::AssertionFailure() << r.message() << " [" << i << "]=" << v;
        ++i;
    }
    return r;
}

// Every pixel of an unlocked surface as raw values, read or (with `in`) written
// through its lock; the surface is unlocked again afterwards.
inline Pixels raw(int32_t s, const Pixels* in = nullptr) {
    const int32_t w = KX_SurfaceWidth(s), h = KX_SurfaceHeight(s);
    Pixels px(size_t(w) * size_t(h), 0);
    KX_LockBuffer* l = lock_of(s);
    if (!l || KX_LockSurface(s) != 1) {
        ADD_FAILURE() << "surface " << s << " cannot be locked";
        return px;
    }
    const size_t bytes = l->Format == KX_FORMAT_32 ? 4 : l->Format == KX_FORMAT_24 ? 3 : 2;
    for (size_t i = 0; i < px.size(); ++i) {
        auto* p = reinterpret_cast<uint8_t*>(uintptr_t(l->Pixels)) +
                  int64_t(i / size_t(w)) * l->Pitch + (i % size_t(w)) * bytes;
        in ? (void)std::memcpy(p, &(*in)[i], bytes) : (void)std::memcpy(&px[i], p, bytes);
    }
    EXPECT_EQ(KX_UnLockSurface(s), 1);
    return px;
}
inline void write(int32_t s, const Pixels& px) {
    raw(s, &px);
}
inline void fill(int32_t s, uint32_t v) {
    write(s, Pixels(size_t(KX_SurfaceWidth(s)) * size_t(KX_SurfaceHeight(s)), v));
}
inline void poke(int32_t s, int32_t x, int32_t y, uint32_t v) {
    Pixels px = raw(s);
    px[size_t(y) * size_t(KX_SurfaceWidth(s)) + size_t(x)] = v;
    write(s, px);
}

// A surface's pixels as 0xRRGGBB (5-6-5 channels widened by repeating their top bits).
struct Colours {
    int32_t w = 0, h = 0;
    Pixels px;
    uint32_t operator()(int32_t x, int32_t y) const {
        return px[size_t(y) * size_t(w) + size_t(x)];
    }
    Pixels at(std::initializer_list<std::array<int32_t, 2>> points) const {
        Pixels r;
        for (auto [x, y] : points)
            r.push_back((*this)(x, y));
        return r;
    }
    size_t lit() const {
        size_t n = 0;
        for (uint32_t p : px)
            n += p != 0;
        return n;
    }
};
inline Colours colours(int32_t s) {
    Colours c{KX_SurfaceWidth(s), KX_SurfaceHeight(s), raw(s)};
    if (lock_of(s) && lock_of(s)->Format == KX_FORMAT_565)
        for (uint32_t& p : c.px) {
            uint32_t r = p >> 11, g = (p >> 5) & 63, b = p & 31;
            p = (r << 3 | r >> 2) << 16 | (g << 2 | g >> 4) << 8 | (b << 3 | b >> 2);
        }
    return c;
}

// A window of width x height on the headless desktop (none when width is 0) and at
// most one screen on it, closed after each test.
class Host : public ::testing::Test {
  protected:
    int32_t width = 64, height = 48;
    int32_t window = 0, screen = 0;

    void SetUp() override {
        ASSERT_NE(VM_OpenMemoryManager(1000), 0);
        ASSERT_EQ(KXH_UseBackend("headless"), 1);
        if (width == 0) return;
        window = KX_OpenWindow(width, height);
        ASSERT_GT(window, 0);
    }
    void TearDown() override {
        if (screen) KX_CloseGraphics(screen);
        if (window) KX_CloseWindow(window);
        VM_CloseMemoryManager();
    }
    // Opens a screen of the window's size (closing the one before) and selects it.
    void open_screen(int32_t depth, int32_t windowed = 1) {
        if (screen) KX_CloseGraphics(screen);
        screen = KXH_OpenScreen(window, width, height, depth, windowed);
        ASSERT_GT(screen, 0);
    }
};

} // namespace kxt
