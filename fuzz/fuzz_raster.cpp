// The raster library's entry points over exact-size buffers: a destination
// and a source of any format, size and pitch direction, each allocated at
// exactly its size (the address sanitizer guards its ends). The clip
// rectangle lies inside the destination; after every call each pixel outside
// it must be as it was.
#include <cstdlib>
#include <vector>

#include "fuzz_input.h"
#include "kx/kx_vgfx.h"

namespace {

constexpr int kBytes[] = {1, 2, 2, 3, 4, 4};

struct Buffer {
    std::vector<std::uint8_t> bytes; // exactly height rows of |pitch| bytes
    std::int32_t width = 0, height = 0, pitch = 0, format = 0;
    // Address of pixel (0, 0): the last row first for a bottom-up buffer.
    std::uint8_t* origin() {
        return pitch >= 0 ? bytes.data() : bytes.data() + (bytes.size() + pitch);
    }
};

Buffer make(kx::fuzz::Input& in, std::int32_t format) {
    Buffer b;
    b.format = format;
    b.width = 1 + in.byte() % 48;
    b.height = 1 + in.byte() % 48;
    std::int32_t row = b.width * kBytes[format] + in.byte() % 4;
    b.pitch = in.byte() & 1 ? -row : row;
    b.bytes.resize(static_cast<std::size_t>(row) * b.height);
    for (std::size_t k = 0; k < b.bytes.size(); ++k)
        b.bytes[k] = static_cast<std::uint8_t>(k * 131 + 7);
    return b;
}

// Coordinates mostly near the buffer, sometimes anywhere.
std::int32_t coord(kx::fuzz::Input& in) {
    return in.byte() % 8 ? static_cast<std::int32_t>(in.byte() % 80) - 16 : in.number();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kx::fuzz::Input in(data, size);
    const std::int32_t format = static_cast<std::int32_t>(in.pick(6));
    Buffer dst = make(in, format);
    Buffer src = make(in, in.byte() % 4 ? format : static_cast<std::int32_t>(in.pick(6)));
    Buffer blend = make(in, format);
    VGFX_SetBuffer(dst.origin(), dst.pitch, dst.format);
    VGFX_SetSrcBuffer(src.origin(), src.pitch, src.format);
    VGFX_SetSrcSize(src.width, src.height);
    VGFX_SetSrcBlendBuffer(blend.origin(), blend.pitch, blend.format);
    VGFX_SetSrcBlendSize(blend.width, blend.height);
    // The clip: inside the destination (the library's callers keep it so).
    std::int32_t left = in.byte() % dst.width, top = in.byte() % dst.height;
    std::int32_t right = left + in.byte() % (dst.width - left + 1);
    std::int32_t bottom = top + in.byte() % (dst.height - top + 1);
    VGFX_SetBufferViewPort(left, top, right, bottom);
    const std::vector<std::uint8_t> before = dst.bytes;
    const int bpp = kBytes[format];
    const std::int32_t row = dst.pitch < 0 ? -dst.pitch : dst.pitch;

    while (in.more()) {
        std::int32_t c[16];
        for (std::int32_t& v : c)
            v = coord(in);
        const std::uint32_t colour = in.u32(), colour2 = in.u32();
        const std::int32_t mode = in.number();
        std::int32_t rect[4] = {c[0], c[1], c[2], c[3]};
        switch (in.pick(24)) {
        case 0: VGFX_Dot(c[0], c[1], colour, mode); break;
        case 1: VGFX_FastDot(c[0], c[1], colour, mode); break;
        case 2: VGFX_Point(c[0], c[1]), VGFX_FastPoint(c[2], c[3]); break;
        case 3: VGFX_Box(c[0], c[1], c[2], c[3], colour, mode); break;
        case 4: VGFX_ShadeBox(c[0], c[1], c[2], c[3], colour, colour2, ~colour, ~colour2); break;
        case 5: VGFX_Circle(c[0], c[1], c[2], colour, mode); break;
        case 6: VGFX_Ellipse(c[0], c[1], c[2], c[3], colour, mode); break;
        case 7: VGFX_WriteLine(c[0], c[1], c[2], c[3], colour, mode); break;
        case 8: VGFX_WriteDrawModeLine(c[0], c[1], c[2], c[3], colour, mode); break;
        case 9: VGFX_Tri(c[0], c[1], c[2], c[3], c[4], c[5], colour, mode); break;
        case 10:
            VGFX_TriG(c[0], c[1], colour, c[2], c[3], colour2, c[4], c[5], ~colour, mode);
            break;
        case 11: VGFX_Quad(c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7], colour, mode); break;
        case 12:
            VGFX_QuadG(c[0], c[1], colour, c[2], c[3], colour2, c[4], c[5], ~colour, c[6], c[7],
                       ~colour2, mode);
            break;
        case 13:
            VGFX_TriT(c[0], c[1], c[8], c[9], c[2], c[3], c[10], c[11], c[4], c[5], c[12], c[13],
                      mode, colour, colour2, ~colour);
            break;
        case 14:
            VGFX_TriTG(c[0], c[1], c[8], c[9], colour, c[2], c[3], c[10], c[11], colour2, c[4],
                       c[5], c[12], c[13], ~colour, mode & 1, colour2);
            break;
        case 15:
            VGFX_QuadT(c[0], c[1], c[8], c[9], c[2], c[3], c[10], c[11], c[4], c[5], c[12], c[13],
                       c[6], c[7], c[14], c[15], mode, colour, in.number(), colour2);
            break;
        case 16:
            VGFX_QuadTI(c[0], c[1], c[8], c[9], colour, c[2], c[3], c[10], c[11], colour2, c[4],
                        c[5], c[12], c[13], ~colour, c[6], c[7], c[14], c[15], ~colour2, mode & 1,
                        colour);
            break;
        case 17: VGFX_Blit(c[0], c[1], c[2], c[3], c[4], c[5], colour, mode & 1); break;
        case 18:
            VGFX_BlitFX(c[0], c[1], c[2], c[3], c[4], c[5], mode, colour, colour2, ~colour, c[6],
                        c[7]);
            break;
        case 19:
            VGFX_HoriGouraudStrip(c[0], colour, c[1], colour2, c[2]);
            VGFX_VertGouraudStrip(c[3], colour, c[4], colour2, c[5]);
            break;
        case 20:
            VGFX_HoriTextureStrip(c[0], c[1], c[2], c[3], c[4], c[5], c[6]);
            VGFX_VertTextureStrip(c[7], c[8], c[9], c[10], c[11], c[12], c[13]);
            break;
        case 21:
            VGFX_FillRect_Fade(rect, mode);
            VGFX_FillRect_GreyScale(rect);
            VGFX_MirrorRect(rect, c[4] & 1, c[5] & 1);
            break;
        case 22:
            VGFX_FillRect_PhongMap(rect, c[4], c[5], c[6], colour, mode);
            VGFX_FillRect_Light(rect, c[4], c[5], c[6], colour);
            break;
        default: {
            VGFX_PixelRunLength(c[0], c[1], c[2] % 3 - 1, c[3] % 3 - 1, c[4]);
            std::vector<std::uint32_t> out(static_cast<std::size_t>(dst.width));
            std::int32_t x1 = c[0] & 63, x2 = c[1] & 63;
            if (x1 < dst.width && x2 <= dst.width) VGFX_PeekPixelStrip(x1, x2, c[2], out.data());
            break;
        }
        }
        // Nothing outside the clip changed.
        for (std::int32_t y = 0; y < dst.height; ++y) {
            // Row y starts at origin + y * pitch; find it in the vector.
            std::size_t at = static_cast<std::size_t>(dst.origin() - dst.bytes.data()) +
                             static_cast<std::ptrdiff_t>(y) * dst.pitch;
            for (std::int32_t x = 0; x < row; ++x) {
                bool inside = y >= top && y < bottom && x / bpp >= left && x / bpp < right &&
                              x < dst.width * bpp;
                if (!inside && dst.bytes[at + x] != before[at + x]) std::abort();
            }
        }
    }
    return 0;
}
