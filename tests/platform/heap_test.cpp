#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include "kxp/heap.h"

namespace {

constexpr std::uintptr_t k4GiB = std::uintptr_t(1) << 32;

bool all_zero(const void* p, std::size_t n) {
    auto* b = static_cast<const unsigned char*>(p);
    for (std::size_t k = 0; k < n; ++k)
        if (b[k] != 0) return false;
    return true;
}

// Whether the first n bytes hold 1, 2, 3, ...
bool counts_up(const unsigned char* p, int n) {
    for (int k = 0; k < n; ++k)
        if (p[k] != k + 1) return false;
    return true;
}

TEST(Heap, RegionIsReservedBelow4GiBAndAligned) {
    kxp::heap::Region r = kxp::heap::region();
    ASSERT_TRUE(r.available);
    if (sizeof(void*) == 8) {
        EXPECT_NE(r.base, 0u);
        EXPECT_LE(r.base + r.size, k4GiB);
        EXPECT_EQ(r.base % (64u << 20), 0u);
        EXPECT_GE(r.size, std::size_t(128) << 20);
        EXPECT_EQ(r.reduced, r.size < r.preferred);
    }
}

TEST(Heap, ThousandsOfMixedBlocksAreZeroedDistinctAndLow) {
    std::mt19937 rng(7);
    std::vector<std::pair<unsigned char*, std::size_t>> blocks;
    for (int k = 0; k < 5000; ++k) {
        std::size_t n = (k % 10 == 0) ? rng() % 200000 : rng() % 300;
        auto* p = static_cast<unsigned char*>(kxp::heap::alloc(n));
        ASSERT_TRUE(p && kxp::heap::contains(p) && all_zero(p, n)) << k << ": " << n << " bytes";
        ASSERT_LT(reinterpret_cast<std::uintptr_t>(p) + n, k4GiB);
        ASSERT_GE(kxp::heap::usable_size(p), n);
        std::memset(p, 0xA5, n); // dirty it so that reuse must zero again
        blocks.push_back({p, n});
        if (k % 3 == 0) { // free a random earlier block
            std::size_t victim = rng() % blocks.size();
            kxp::heap::free(blocks[victim].first);
            blocks.erase(blocks.begin() + static_cast<std::ptrdiff_t>(victim));
        }
    }
    // Live blocks never overlap.
    std::sort(blocks.begin(), blocks.end());
    for (std::size_t k = 1; k < blocks.size(); ++k)
        ASSERT_LE(blocks[k - 1].first + blocks[k - 1].second, blocks[k].first);
    for (auto& b : blocks)
        kxp::heap::free(b.first);
}

TEST(Heap, LargeBlocksAreReusedAndComeBackZeroed) {
    // 256 MiB once, then 64 MiB a hundred times: far more than the region holds, so
    // only reuse makes this pass. (Small blocks are reused in the test above.)
    for (int round = 0; round <= 100; ++round) {
        const std::size_t n = std::size_t(round ? 64 : 256) << 20;
        auto* p = static_cast<unsigned char*>(kxp::heap::alloc(n));
        ASSERT_TRUE(p && kxp::heap::usable_size(p) >= n && p[n - 1] == 0) << "round " << round;
        ASSERT_LE(reinterpret_cast<std::uintptr_t>(p) + n, k4GiB);
        for (std::size_t k = 0; k < n; k += 1 << 20)
            ASSERT_EQ(p[k], 0) << "round " << round;
        p[0] = p[n / 2] = p[n - 1] = 0xFF;
        kxp::heap::free(p);
    }
}

TEST(Heap, ReallocKeepsContentsZeroesGrowthAndFailsWithoutHarm) {
    auto* p = static_cast<unsigned char*>(kxp::heap::alloc(100));
    for (int k = 0; k < 100; ++k)
        p[k] = static_cast<unsigned char>(k + 1);
    // Grow a lot: contents kept, new bytes zero.
    p = static_cast<unsigned char*>(kxp::heap::realloc(p, 100000));
    ASSERT_NE(p, nullptr);
    ASSERT_TRUE(counts_up(p, 100));
    ASSERT_TRUE(all_zero(p + 100, 100000 - 100));
    // Shrink a little, then grow back: the dropped bytes come back as zero.
    p = static_cast<unsigned char*>(kxp::heap::realloc(p, 60));
    p = static_cast<unsigned char*>(kxp::heap::realloc(p, 100));
    ASSERT_NE(p, nullptr);
    ASSERT_TRUE(counts_up(p, 60));
    ASSERT_TRUE(all_zero(p + 60, 40));
    // Resize to 0 keeps a valid block; realloc of null allocates.
    p = static_cast<unsigned char*>(kxp::heap::realloc(p, 0));
    ASSERT_NE(p, nullptr);
    kxp::heap::free(p);
    void* q = kxp::heap::realloc(nullptr, 16);
    ASSERT_NE(q, nullptr);
    EXPECT_TRUE(all_zero(q, 16));
    kxp::heap::free(q);
    kxp::heap::free(nullptr); // ignored

    // Impossible requests fail without harm.
    EXPECT_EQ(kxp::heap::alloc(std::size_t(1) << 40), nullptr);
    q = kxp::heap::alloc(32);
    std::memset(q, 7, 32);
    EXPECT_EQ(kxp::heap::realloc(q, std::size_t(1) << 40), nullptr);
    EXPECT_EQ(static_cast<unsigned char*>(q)[31], 7); // the old block is untouched
    kxp::heap::free(q);
}

TEST(Heap, EveryThreadAllocatesInTheRegion) {
    std::vector<std::thread> threads;
    std::vector<void*> from_threads(4 * 200, nullptr);
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t, &from_threads] {
            for (int k = 0; k < 200; ++k)
                from_threads[static_cast<std::size_t>(t * 200 + k)] = kxp::heap::alloc(64 + k);
        });
    for (auto& th : threads)
        th.join();
    for (void* p : from_threads) {
        ASSERT_TRUE(p && kxp::heap::contains(p));
        EXPECT_LT(reinterpret_cast<std::uintptr_t>(p), k4GiB);
        kxp::heap::free(p); // freed from another thread than the one that allocated
    }
}

} // namespace

#if defined(__SANITIZE_ADDRESS__)
namespace {
// Under the address sanitizer, red zones and freed blocks are poisoned.
TEST(HeapSanitizerDeathTest, OverrunAndUseAfterFreeAreCaught) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto* volatile p = static_cast<unsigned char*>(kxp::heap::alloc(40));
    EXPECT_DEATH(p[40] = 1, "use-after-poison");
    EXPECT_DEATH(p[-1] = 1, "use-after-poison");
    kxp::heap::free(p);
    EXPECT_DEATH((void)*static_cast<volatile unsigned char*>(p + 3), "use-after-poison");
}
} // namespace
#endif
