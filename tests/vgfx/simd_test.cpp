// The vector row kernels against the scalar loops they stand in for: the same bytes at
// every level the processor has, and nothing written outside the row.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "kernels.h"
#include "simd.h"

using namespace kx::vgfx;

namespace {

TEST(VgfxSimd, VectorRowsMatchTheScalarLoopsByteForByte) {
    const Simd initial = simd_level();
    std::vector<Simd> levels{Simd::sse2, Simd::avx2};
#if defined(__x86_64__)
    ASSERT_TRUE(set_simd_level(Simd::sse2)); // the x86-64 baseline
#endif
    std::mt19937 rng(7);
    auto rnd = [&rng](u32 hi) { return std::uniform_int_distribution<u32>(0, hi)(rng); };
    constexpr int kMargin = 48;
    // Every width to past two AVX2 groups of 8-bit pixels, rows starting at each byte
    // offset within a word; the margins around them must stay as they were.
    for (int f : {0, 1, 2, 4}) {
        const int bytes = bytes_of(f);
        const u32 bits = f == 0 ? 0xFF : f == 1 ? 0xFFFF : f == 2 ? 0x7FFF : 0xFFFFFF;
        for (int n = 0; n <= 70; ++n) {
            for (int off = 0; off < 4; ++off) {
                SCOPED_TRACE(testing::Message()
                             << "format " << f << " width " << n << " offset " << off);
                const std::size_t size = std::size_t(n) * bytes + 2 * kMargin;
                std::vector<u8> src(size), dst(size);
                for (auto& b : src)
                    b = u8(rnd(255));
                for (auto& b : dst)
                    b = u8(rnd(255));
                TexArgs args;
                args.key = rnd(bits);
                args.level = n % 3 == 0 ? 128 : rnd(255);
                // Keyed pixels in runs and alone, some with the bits the key ignores set.
                u8* s = src.data() + kMargin + off;
                for (int i = 0; i < n; ++i)
                    if (rnd(2) == 0 || (i / 9) % 3 == 1) {
                        u32 v = args.key | (rnd(1) ? ~bits : 0);
                        std::memcpy(s + i * bytes, &v, std::size_t(bytes));
                    }
                // A line across an 80 x 16 texture (the source row's start) from one
                // random texel position in its left 16 x 16 to another, in 32.32 fixed
                // point, or (every seventh width) a straight run along a row.
                const i64 pitch = 80 * 4 + 4 * off;
                std::vector<u8> tex(std::size_t(pitch) * 16);
                for (auto& b : tex)
                    b = u8(rnd(255));
                std::memcpy(tex.data(), s, std::min(tex.size(), std::size_t(n) * bytes));
                auto coord = [&] { return i64(rnd(16 * 256 - 1)) << 24; };
                const i64 U = coord(), V = coord(), U1 = coord(), V1 = n % 5 ? coord() : V;
                const bool run = n % 7 == 0;
                const i64 dU = run ? i64(1) << 32 : n > 1 ? (U1 - U) / (n - 1) : 0;
                const i64 dV = run || n < 2 ? 0 : (V1 - V) / (n - 1);
                // The keyed copy (also in place) in every format; in 32 bits the keyed
                // level blend and the texture fetches and lines, plain and keyed. The other kernels
                // meet every level in the model sweeps.
                for (int row = 0; row < (f == 4 ? 7 : 2); ++row) {
                    SCOPED_TRACE(testing::Message() << "kernel " << row);
                    auto result = [&](Simd level) {
                        std::vector<u8> out = dst;
                        if (!set_simd_level(level)) return out;
                        u8* d = out.data() + kMargin + off;
                        if (row == 2)
                            kCombineKeyed[4][TB_LEVEL](d, s, d, n, args);
                        else if (row == 3)
                            kFetch[4](d, tex.data(), pitch, U, V, dU, dV, n);
                        else if (row == 4)
                            kFetchKeyed[4](d, tex.data(), pitch, U, V, dU, dV, n, args.key);
                        else if (row >= 5 && g_simd.line32[row - 5])
                            g_simd.line32[row - 5]({tex.data(), pitch / 4, dU, dV, args.key}, d, U,
                                                   V, n);
                        else if (row == 5)
                            kFetch[4](d, tex.data(), pitch, U, V, dU, dV, n);
                        else if (row == 6)
                            kFetchKeyed[4](d, tex.data(), pitch, U, V, dU, dV, n, args.key);
                        else
                            kCombineKeyed[f][TB_TEXEL](d, row ? d : s, d, n, args);
                        return out;
                    };
                    const std::vector<u8> scalar = result(Simd::scalar);
                    const std::size_t end = kMargin + off + std::size_t(n) * bytes;
                    EXPECT_EQ(0, std::memcmp(scalar.data(), dst.data(), kMargin + off));
                    EXPECT_EQ(0, std::memcmp(scalar.data() + end, dst.data() + end, size - end));
                    for (Simd level : levels) {
                        if (!set_simd_level(level)) continue;
                        ASSERT_EQ(result(level), scalar) << "level " << int(level);
                    }
                }
            }
        }
    }
    set_simd_level(initial);
}

} // namespace
