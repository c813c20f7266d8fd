// Raw memory exports and the string cache.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "kx/kx_vm.h"

namespace {

TEST(RawMemory, BlocksAreZeroedLowSizedAndKeepTheirContentsWhenResized) {
    auto* p = static_cast<unsigned char*>(KX_AllocMem(10));
    ASSERT_NE(p, nullptr);
    EXPECT_LT(reinterpret_cast<std::uintptr_t>(p), std::uintptr_t(1) << 32);
    EXPECT_EQ(std::count(p, p + 10, 0), 10);
    EXPECT_GE(KX_MemSize(p), 10);
    EXPECT_EQ(KX_AllocMem(-1), nullptr);
    std::memcpy(p, "abcdefgh", 8);
    p = static_cast<unsigned char*>(KX_ResizeMem(p, 4096));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(std::memcmp(p, "abcdefgh", 8), 0);
    EXPECT_GE(KX_MemSize(p), 4096);
    p = static_cast<unsigned char*>(KX_ResizeMem(p, 3));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(KX_ResizeMem(p, -8), nullptr); // refused: the block is kept
    EXPECT_EQ(std::memcmp(p, "abc", 3), 0);
    EXPECT_EQ(KX_ResizeMem(p, 0), nullptr); // frees
    KX_FreeMem(nullptr);                    // ignored
}

TEST(RawMemory, PeeksAndPokesAreLittleEndianAndZeroExtended) {
    unsigned char buf[16] = {};
    EXPECT_EQ(KX_PokeWord(buf, 0x12345), 0x12345); // returns the value given
    EXPECT_EQ(KX_PeekWord(buf), 0x2345);           // stored its low 16 bits
    EXPECT_EQ(std::memcmp(buf, "\x45\x23\0", 3), 0);
    KX_PokeByte(buf + 3, 200);
    EXPECT_EQ(KX_PeekByte(buf + 3), 200);   // not -56
    EXPECT_EQ(KX_PokeINT(buf + 5, -2), -2); // unaligned
    EXPECT_EQ(KX_PeekINT(buf + 5), -2);
    EXPECT_EQ(KXp_PokeINT(buf + 9, 0x01020304), 0x01020304);
    EXPECT_EQ(std::memcmp(buf + 9, "\4\3\2\1", 4), 0);
    EXPECT_EQ(KX_PeekWord(buf + 11), 0x0102);
    std::int32_t r[6] = {9, 9, 9, 9, 9, 9};
    KX_PokeIntRect(r + 1, 1, 2, 3, 4);
    const std::int32_t rect[6] = {9, 1, 2, 3, 4, 9};
    EXPECT_EQ(std::memcmp(r, rect, sizeof r), 0);
}

TEST(RawMemory, CopyRunsForwardFourAtATime) {
    char b[16] = {};
    EXPECT_EQ(KX_CopyMemory("0123456789abcde", b, 7), 7);
    EXPECT_EQ(std::memcmp(b, "0123456\0", 8), 0);
    EXPECT_EQ(KX_CopyMemory("x", b + 10, 0), 0);
    EXPECT_EQ(b[10], 0);
    // Destination inside the source above its start: each four-byte group is
    // read whole, so later groups and bytes see what earlier ones wrote.
    char c[16] = "ABCDEFGHIJKLMNO";
    KX_CopyMemory(c, c + 1, 9);
    // Group 0 reads ABCD -> c[1..4]; group 1 reads c[4..7] = DFGH -> c[5..8];
    // then the last byte c[9] = c[8] = H.
    EXPECT_EQ(std::memcmp(c, "AABCDDFGHHKLMNO", 15), 0);
    // Destination below the source behaves as a plain move.
    char d[16] = "ABCDEFGHIJKLMNO";
    KX_CopyMemory(d + 2, d, 10);
    EXPECT_EQ(std::memcmp(d, "CDEFGHIJKLKLMNO", 15), 0);
}

TEST(StringCache, EntriesGetAndLoseTheirBuffers) {
    auto* cache = static_cast<std::uint32_t*>(Create_VM_StringCache(3));
    ASSERT_NE(cache, nullptr);
    EXPECT_EQ(std::count(cache, cache + 16, 0u), 16);
    StringCache_AllocString(cache, 2);
    EXPECT_EQ(cache[8], 1u);
    ASSERT_NE(cache[9], 0u);
    auto* buffer = reinterpret_cast<unsigned char*>(static_cast<std::uintptr_t>(cache[9]));
    EXPECT_EQ(std::count(buffer, buffer + 128, 0), 128);
    buffer[127] = 1; // the whole 128 bytes are usable
    EXPECT_EQ(cache[0] | cache[4], 0u);
    StringCache_FreeString(cache, 2);
    EXPECT_EQ(std::count(cache + 8, cache + 12, 0u), 4);
    StringCache_FreeString(cache, 2);  // already free: nothing
    StringCache_AllocString(cache, 4); // past the last entry: refused
    StringCache_AllocString(cache, -1);
    StringCache_AllocString(cache, 0);
    StringCache_AllocString(cache, 1);
    EXPECT_EQ(cache[0] + cache[4], 2u);
    Destory_VM_StringCache(cache); // releases entries 0 and 1
    EXPECT_EQ(cache[0] | cache[4], 0u);
    KX_FreeMem(cache);
}

} // namespace
