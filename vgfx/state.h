// The raster library's module state: destination, source and blend buffers, the
// clip rectangle and the source sizes. One per process; the runtime is
// single-threaded.
#pragma once

#include <cstdint>

#include "pixel.h"

namespace kx::vgfx {

struct Buffer {
    u8* px = nullptr;
    i64 pitch = 0;
    int fmt = -1; // format class 0..4, -1 when unusable

    bool usable() const { return px && fmt >= 0; }
    u8* row(i64 y) const { return px + y * pitch; }
    u8* at(i64 x, i64 y) const { return px + y * pitch + x * bytes_of(fmt); }
};

// A rectangle with right and bottom exclusive.
struct Rect {
    i64 l = 0, t = 0, r = 0, b = 0;
    bool empty() const { return r <= l || b <= t; }
    bool contains(i64 x, i64 y) const { return x >= l && x < r && y >= t && y < b; }
    Rect meet(const Rect& o) const {
        return {std::max(l, o.l), std::max(t, o.t), std::min(r, o.r), std::min(b, o.b)};
    }
};

struct State {
    Buffer dst, src, blend;
    Rect clip;                  // left and top at least 0
    i64 src_w = -1, src_h = -1; // -1: not given
    i64 blend_w = -1, blend_h = -1;
    std::uint64_t rng = 0x9E3779B97F4A7C15ull;
};

extern State g;

// The destination is usable and the clip rectangle is not empty.
inline bool can_draw() {
    return g.dst.usable() && !g.clip.empty();
}

// The source is usable, of the destination's format, and not known to be empty.
inline bool can_read_source() {
    return g.src.usable() && g.src.fmt == g.dst.fmt && g.src_w != 0 && g.src_h != 0;
}

} // namespace kx::vgfx
