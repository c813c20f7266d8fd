// A fresh headless desktop with a display object at the normal cooperative
// level, and helpers that make surfaces and read and write their raw pixels.
#pragma once

#include <algorithm>
#include <array>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "desktop_fixture.h"
#include "kxp/d3d.h"
#include "kxp/ddraw.h"
#include "kxp/gdi.h"
#include "kxp/screen.h"

namespace kxp::test {

inline constexpr DDPIXELFORMAT kRGB565{32, DDPF_RGB, 0, 16, 0xF800, 0x07E0, 0x001F, 0};
inline constexpr DDPIXELFORMAT kRGB555{32, DDPF_RGB, 0, 16, 0x7C00, 0x03E0, 0x001F, 0};
inline constexpr DDPIXELFORMAT kRGB888{32, DDPF_RGB, 0, 24, 0xFF0000, 0xFF00, 0xFF, 0};
inline constexpr DDPIXELFORMAT kXRGB{32, DDPF_RGB, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0};
inline constexpr DDPIXELFORMAT kARGB{
    32, DDPF_RGB | DDPF_ALPHAPIXELS, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u};

using Raw = std::vector<std::uint32_t>;

// A surface's raw pixel values.
struct Pixels {
    std::int32_t width = 0, height = 0, bytes = 0;
    std::vector<std::uint32_t> raw;
    std::uint32_t operator()(std::int32_t x, std::int32_t y) const {
        return raw[static_cast<std::size_t>(y * width + x)];
    }
    // The values at some points, to compare as one.
    Raw at(std::initializer_list<std::array<std::int32_t, 2>> points) const {
        Raw r;
        for (auto [x, y] : points)
            r.push_back((*this)(x, y));
        return r;
    }
};

// How many of the raw values are v.
inline std::int64_t count(const Raw& raw, std::uint32_t v) {
    return std::count(raw.begin(), raw.end(), v);
}

inline DDSURFACEDESC2 blank_desc() {
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    return d;
}

class Gfx : public Desktop {
  protected:
    LPDIRECTDRAW7 dd = 0;

    void SetUp() override {
        Desktop::SetUp();
        ASSERT_EQ(DirectDrawCreateEx(0, &dd, IID_IDirectDraw7, 0), DD_OK);
        ASSERT_EQ(SetCooperativeLevel(dd, 0, DDSCL_NORMAL), DD_OK);
    }

    static DDSURFACEDESC2 desc_of(std::int32_t w, std::int32_t h, const DDPIXELFORMAT& pf,
                                  DWORD caps) {
        DDSURFACEDESC2 d{};
        d.dwSize = sizeof d;
        d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
        d.dwWidth = static_cast<DWORD>(w);
        d.dwHeight = static_cast<DWORD>(h);
        d.ddpfPixelFormat = pf;
        d.ddsCaps.dwCaps = caps;
        return d;
    }

    LPDIRECTDRAWSURFACE7 make(std::int32_t w, std::int32_t h, const DDPIXELFORMAT& pf,
                              DWORD caps = DDSCAPS_OFFSCREENPLAIN) {
        DDSURFACEDESC2 d = desc_of(w, h, pf, caps);
        LPDIRECTDRAWSURFACE7 s = 0;
        EXPECT_EQ(CreateSurface(dd, &d, &s, 0), DD_OK);
        return s;
    }

    // The windowed primary surface of a display object.
    static LPDIRECTDRAWSURFACE7 primary(LPDIRECTDRAW7 on) {
        DDSURFACEDESC2 p = blank_desc();
        p.dwFlags = DDSD_CAPS;
        p.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
        LPDIRECTDRAWSURFACE7 s = 0;
        EXPECT_EQ(CreateSurface(on, &p, &s, 0), DD_OK);
        return s;
    }

    static DDSURFACEDESC2 described(LPDIRECTDRAWSURFACE7 s) {
        DDSURFACEDESC2 d = blank_desc();
        EXPECT_EQ(GetSurfaceDesc(s, &d), DD_OK);
        return d;
    }

    // Every raw pixel of a surface, read under a lock.
    static Pixels read(LPDIRECTDRAWSURFACE7 s) {
        DDSURFACEDESC2 d = blank_desc();
        Pixels p;
        if (Lock(s, nullptr, &d, DDLOCK_WAIT, 0) != DD_OK) {
            ADD_FAILURE() << "lock failed";
            return p;
        }
        p.width = static_cast<std::int32_t>(d.dwWidth);
        p.height = static_cast<std::int32_t>(d.dwHeight);
        p.bytes = static_cast<std::int32_t>(d.ddpfPixelFormat.dwRGBBitCount / 8);
        const auto* base = ptr<const std::uint8_t>(d.lpSurface);
        for (std::int32_t y = 0; y < p.height; ++y)
            for (std::int32_t x = 0; x < p.width; ++x) {
                std::uint32_t v = 0;
                std::memcpy(&v, base + y * d.lPitch + x * p.bytes,
                            static_cast<std::size_t>(p.bytes));
                p.raw.push_back(v);
            }
        EXPECT_EQ(Unlock(s, nullptr), DD_OK);
        return p;
    }

    // Writes raw pixels row by row from (x, y).
    static void write(LPDIRECTDRAWSURFACE7 s, std::int32_t x, std::int32_t y, std::int32_t w,
                      const Raw& raw) {
        DDSURFACEDESC2 d = blank_desc();
        ASSERT_EQ(Lock(s, nullptr, &d, DDLOCK_WAIT, 0), DD_OK);
        auto bytes = static_cast<std::int32_t>(d.ddpfPixelFormat.dwRGBBitCount / 8);
        auto* base = ptr<std::uint8_t>(d.lpSurface);
        for (std::size_t i = 0; i < raw.size(); ++i) {
            std::int32_t px = x + static_cast<std::int32_t>(i) % w;
            std::int32_t py = y + static_cast<std::int32_t>(i) / w;
            std::memcpy(base + py * d.lPitch + px * bytes, &raw[i],
                        static_cast<std::size_t>(bytes));
        }
        ASSERT_EQ(Unlock(s, nullptr), DD_OK);
    }

    static void clear(LPDIRECTDRAWSURFACE7 s, std::uint32_t raw) {
        DDBLTFX fx{};
        fx.dwSize = sizeof fx;
        fx.dwFillColor = raw;
        ASSERT_EQ(Blt(s, nullptr, 0, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx), DD_OK);
    }

    static Raw frame_of(HWND hwnd, FrameInfo& info) {
        Raw px;
        if (!GetWindowFrame(hwnd, &info, nullptr, 0)) return px;
        px.resize(static_cast<std::size_t>(info.width * info.height));
        EXPECT_EQ(GetWindowFrame(hwnd, &info, px.data(), static_cast<std::uint32_t>(px.size() * 4)),
                  1);
        return px;
    }

    // The client area of a window in desktop coordinates.
    static RECT client_on_screen(HWND hwnd) {
        RECT c{};
        GetClientRect(hwnd, &c);
        POINT o{0, 0};
        ClientToScreen(hwnd, &o);
        return {o.x, o.y, o.x + c.right, o.y + c.bottom};
    }
};

} // namespace kxp::test
