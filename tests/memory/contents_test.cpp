// Bank contents: typed access, fills, copies, clones, references and sorts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "kx/kx_vm.h"

namespace {

class Contents : public ::testing::Test {
  protected:
    void SetUp() override { VM_OpenMemoryManager(64); }
    void TearDown() override {
        VM_FreeALLBanks();
        VM_CloseMemoryManager();
    }
    static unsigned char* bytes(int h) { return static_cast<unsigned char*>(VM_BankPtr(h)); }
    // The whole bank as a string of bytes.
    static std::string str(int h) {
        return std::string(static_cast<const char*>(VM_BankPtr(h)),
                           static_cast<std::size_t>(VM_BankSize(h)));
    }
};

TEST_F(Contents, TypedAccessIsLittleEndianAndZeroExtended) {
    int h = VM_Alloc(16);
    EXPECT_EQ((VM_PokeWord(h, 2, 65535), VM_PeekWord(h, 2)), 65535);
    EXPECT_EQ(VM_PeekByte(h, 3), 255);
    VM_PokeInt(h, 5, 0x11223344); // unaligned
    EXPECT_EQ(std::memcmp(bytes(h) + 5, "\x44\x33\x22\x11", 4), 0);
    EXPECT_EQ(VM_PeekInt(h, 5), 0x11223344);
    EXPECT_EQ((VM_PokeFloat(h, 12, -1.5f), VM_PeekFloat(h, 12)), -1.5f);
    EXPECT_EQ((VM_PokeByte(h, 0, 0x1FF), VM_PeekByte(h, 0)), 0xFF);
}

TEST_F(Contents, AccessOutsideTheBankIsRefused) {
    int h = VM_Alloc(8);
    VM_PokeInt(h, 5, -1); // would cross the end
    VM_PokeWord(h, 7, -1);
    VM_PokeByte(h, 8, 1);
    VM_PokeByte(h, -1, 1);
    VM_PokeFloat(h, 6, 1.0f);
    VM_PokeInt(-3, 0, 1); // nothing to crash on
    EXPECT_EQ(str(h), std::string(8, 0));
    EXPECT_EQ((VM_PokeInt(h, 4, 7), VM_PeekInt(h, 4)), 7);
    EXPECT_EQ(VM_PeekInt(h, 5) | VM_PeekByte(h, 8) | VM_PeekWord(h, -2), 0);
    EXPECT_EQ(VM_PeekFloat(h, 5), 0.0f);
    EXPECT_EQ(VM_PeekInt(0, 0) | VM_PeekInt(99, 0), 0);
}

TEST_F(Contents, FillAndClear) {
    int h = VM_Alloc(12);
    EXPECT_EQ((VM_ClearBank(h, 258), str(h)), std::string(12, 2));
    VM_FillBank(h, 8, 4, 9); // bytes 4..7
    VM_FillBank(h, 5, 5, 0); // empty range
    EXPECT_EQ(str(h), std::string(4, 2) + std::string(4, 9) + std::string(4, 2));
    EXPECT_EQ((VM_FillBank(h, -100, 100, 7), str(h)), std::string(12, 7)); // clipped to the bank
}

TEST_F(Contents, CopyBankBytesFollowsItsRangeRules) {
    int s = VM_Alloc(10), d = VM_Alloc(10);
    std::memcpy(bytes(s), "\1\2\3\4\5\6\7\10\11\12", 10);
    // A range starting before the source keeps relative places.
    EXPECT_EQ(VM_CopyBankBytes(s, -3, 5, d, 0), 5);
    EXPECT_EQ(str(d), std::string("\0\0\0\1\2\3\4\5\0\0", 10));
    const int refused[][3] = {{11, 12, 0}, {-5, -1, 0}, {0, 4, 10}, {0, 4, -1}}; // from, to, at
    for (const auto& r : refused)
        EXPECT_EQ(VM_CopyBankBytes(s, r[0], r[1], d, r[2]), -1)
            << r[0] << " " << r[1] << " " << r[2];
    EXPECT_EQ(VM_CopyBankBytes(s, 11, 5, d, 0), 5); // reversed, clipped to the source
    EXPECT_EQ(str(d), std::string("\6\7\10\11\12\3\4\5\0\0", 10));
    EXPECT_EQ(VM_CopyBankBytes(s, 10, 10, d, 0), 0); // empty range at the very end
    // Only the room left in the destination is written.
    int small = VM_Alloc(4);
    EXPECT_EQ(VM_CopyBankBytes(s, 0, 10, small, 1), 3);
    EXPECT_EQ(str(small), std::string("\0\1\2\3", 4));
    // Handles outside the table, or without a bank behind them.
    EXPECT_EQ(VM_CopyBankBytes(-1, 0, 4, d, 0), -1);
    EXPECT_EQ(VM_CopyBankBytes(s, 0, 4, 64, 0), -1);
    EXPECT_EQ(VM_CopyBankBytes(s, 0, 4, 40, 0), -1);
    // Within one bank the copy runs forward: group ABCD -> 1..4, then bytes 5
    // and 6 copy what is now at 4 and 5.
    int h = VM_Alloc(12);
    std::memcpy(bytes(h), "ABCDEFGHIJKL", 12);
    EXPECT_EQ(VM_CopyBankBytes(h, 0, 6, h, 1), 6);
    EXPECT_EQ(str(h), "AABCDDDHIJKL");
}

TEST_F(Contents, ClonesAreRawCopiesAndBankRefsAreCounted) {
    int s = VM_TypedAlloc(12, VM_BANK_STRING, 5);
    std::memcpy(bytes(s), "hello world!", 12);
    int c = VM_CloneBank(s);
    ASSERT_GT(c, 0);
    EXPECT_EQ(VM_BankType(c) | VM_BankStructure(c), 0);
    EXPECT_EQ(str(c), "hello world!");
    EXPECT_NE(VM_BankPtr(c), VM_BankPtr(s));
    EXPECT_EQ(VM_CloneBank(0), 0);
    int e = VM_CloneBank(50); // names no bank: a new empty raw bank
    EXPECT_GT(e, 0);
    EXPECT_EQ(VM_BankSize(e), 0);

    int holder = VM_Alloc(8), held = VM_Alloc(4);
    EXPECT_EQ((VM_PokeBankRef(holder, 4, held), VM_PeekInt(holder, 4)), held);
    EXPECT_EQ(VM_BankRef(held), 1);
    VM_PokeInt(holder, 0, 77);
    EXPECT_EQ((VM_PokeBankRef(holder, 0, 30), VM_PeekInt(holder, 0)), 0); // not a bank: stores 0
    // Crosses the end: refused, no count.
    EXPECT_EQ((VM_PokeBankRef(holder, 6, held), VM_BankRef(held)), 1);
    EXPECT_EQ((VM_Free(held), VM_BankExist(held)), 0); // count 1 drops below 1: released
}

TEST(Sorts, QuicksortOrdersSignedAndKeepsRanges) {
    std::int32_t a[] = {99, 3, -1, 3, 0, -99};
    VM_SortArrayI(a, 1, 4);
    const std::int32_t want[] = {99, -1, 0, 3, 3, -99};
    EXPECT_EQ(std::memcmp(a, want, sizeof a), 0);
    constexpr std::int32_t lo = std::numeric_limits<std::int32_t>::min();
    constexpr std::int32_t hi = std::numeric_limits<std::int32_t>::max();
    std::int32_t extremes[] = {hi, 0, lo, -5};
    VM_SortArrayI(extremes, 0, 3);
    const std::int32_t sorted[] = {lo, -5, 0, hi};
    EXPECT_EQ(std::memcmp(extremes, sorted, sizeof sorted), 0);
    float f[] = {2.5f, -0.5f, 1e30f, -1e30f, 0.0f};
    VM_SortArrayF(f, 0, 4);
    EXPECT_TRUE(std::is_sorted(std::begin(f), std::end(f)));
    std::int32_t one[] = {5};
    VM_SortArrayI(one, 0, 0);
    VM_SortArrayI(one, 3, 1); // empty range
    EXPECT_EQ(one[0], 5);
}

TEST(Sorts, MatchesTheReferenceOnRandomEqualAndReversedData) {
    std::mt19937 rng(3);
    std::vector<std::int32_t> v(100000);
    for (auto& x : v)
        x = static_cast<std::int32_t>(rng() % 1000) - 500;
    std::vector<std::int32_t> ref = v;
    std::sort(ref.begin(), ref.end());
    VM_SortArrayI(v.data(), 0, static_cast<std::int32_t>(v.size() - 1));
    EXPECT_EQ(v, ref);
    std::vector<float> same(200000, 1.25f);
    VM_SortArrayF(same.data(), 0, static_cast<std::int32_t>(same.size() - 1));
    EXPECT_EQ(same.front(), 1.25f);
    // Reverse-sorted input (the middle pivot handles it).
    std::vector<std::int32_t> desc(100000);
    for (std::size_t k = 0; k < desc.size(); ++k)
        desc[k] = static_cast<std::int32_t>(desc.size() - k);
    VM_SortArrayI(desc.data(), 0, static_cast<std::int32_t>(desc.size() - 1));
    EXPECT_TRUE(std::is_sorted(desc.begin(), desc.end()));
}

TEST(Sorts, FloatsWithNaNStayInsideTheRange) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    auto nans = [](const std::vector<float>& v) {
        return std::count_if(v.begin(), v.end(), [](float f) { return std::isnan(f); });
    };
    // Guard values at both ends; all NaN makes every comparison false, and the
    // partition must still stop at the range.
    for (std::vector<float> v : {std::vector<float>{42, -7, nan, 3, nan, nan, 1, -2, nan, 0.5f, 42},
                                 std::vector<float>(52, nan)}) {
        v.front() = v.back() = 42.0f;
        const auto before = nans(v);
        VM_SortArrayF(v.data(), 1, static_cast<std::int32_t>(v.size() - 2));
        EXPECT_EQ(v.front(), 42.0f);
        EXPECT_EQ(v.back(), 42.0f);
        EXPECT_EQ(nans(v), before); // nothing lost or duplicated
    }
}

TEST(Sorts, PairListSortsThePairsNotThePointers) {
    std::int32_t* pairs = static_cast<std::int32_t*>(KX_AllocMem(6 * 4));
    const std::int32_t init[] = {5, 50, 1, 10, 3, 30};
    std::memcpy(pairs, init, sizeof init);
    std::uint32_t* list = static_cast<std::uint32_t*>(KX_AllocMem(3 * 4));
    for (int k = 0; k < 3; ++k)
        list[k] = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(pairs + 2 * k));
    std::uint32_t before[3];
    std::memcpy(before, list, sizeof before);
    VM_SortIntList(list, 0, 2);
    EXPECT_EQ(std::memcmp(before, list, sizeof before), 0);
    const std::int32_t want[] = {1, 10, 3, 30, 5, 50};
    EXPECT_EQ(std::memcmp(pairs, want, sizeof want), 0);
    KX_FreeMem(list);
    KX_FreeMem(pairs);
}

} // namespace
