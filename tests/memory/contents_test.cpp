// Bank contents: typed access, fills, copies, clones, references and sorts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
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
};

TEST_F(Contents, TypedAccessIsLittleEndianAndZeroExtended) {
    int h = VM_Alloc(16);
    VM_PokeWord(h, 2, 65535);
    EXPECT_EQ(VM_PeekWord(h, 2), 65535);
    EXPECT_EQ(VM_PeekByte(h, 2), 255);
    EXPECT_EQ(VM_PeekByte(h, 3), 255);
    VM_PokeInt(h, 5, 0x11223344); // unaligned
    EXPECT_EQ(bytes(h)[5], 0x44);
    EXPECT_EQ(bytes(h)[8], 0x11);
    EXPECT_EQ(VM_PeekInt(h, 5), 0x11223344);
    VM_PokeFloat(h, 12, -1.5f);
    EXPECT_EQ(VM_PeekFloat(h, 12), -1.5f);
    VM_PokeByte(h, 0, 0x1FF);
    EXPECT_EQ(VM_PeekByte(h, 0), 0xFF);
}

TEST_F(Contents, AccessOutsideTheBankIsRefused) {
    int h = VM_Alloc(8);
    VM_PokeInt(h, 5, -1); // would cross the end
    VM_PokeWord(h, 7, -1);
    VM_PokeByte(h, 8, 1);
    VM_PokeByte(h, -1, 1);
    VM_PokeFloat(h, 6, 1.0f);
    for (int k = 0; k < 8; ++k)
        EXPECT_EQ(bytes(h)[k], 0);
    VM_PokeInt(h, 4, 7);
    EXPECT_EQ(VM_PeekInt(h, 4), 7);
    EXPECT_EQ(VM_PeekInt(h, 5), 0);
    EXPECT_EQ(VM_PeekByte(h, 8), 0);
    EXPECT_EQ(VM_PeekWord(h, -2), 0);
    EXPECT_EQ(VM_PeekFloat(h, 5), 0.0f);
    EXPECT_EQ(VM_PeekInt(0, 0), 0);
    EXPECT_EQ(VM_PeekInt(99, 0), 0);
    VM_PokeInt(-3, 0, 1); // nothing to crash on
}

TEST_F(Contents, FillAndClear) {
    int h = VM_Alloc(12);
    VM_ClearBank(h, 258);
    for (int k = 0; k < 12; ++k)
        ASSERT_EQ(bytes(h)[k], 2);
    VM_FillBank(h, 8, 4, 9); // bytes 4..7
    EXPECT_EQ(bytes(h)[3], 2);
    for (int k = 4; k < 8; ++k)
        EXPECT_EQ(bytes(h)[k], 9);
    EXPECT_EQ(bytes(h)[8], 2);
    VM_FillBank(h, 5, 5, 0); // empty range
    EXPECT_EQ(bytes(h)[5], 9);
    VM_FillBank(h, -100, 100, 7); // clipped to the bank
    for (int k = 0; k < 12; ++k)
        ASSERT_EQ(bytes(h)[k], 7);
}

TEST_F(Contents, CopyBankBytesFollowsItsRangeRules) {
    int s = VM_Alloc(10), d = VM_Alloc(10);
    for (int k = 0; k < 10; ++k)
        bytes(s)[k] = static_cast<unsigned char>(k + 1);
    // A range starting before the source keeps relative places.
    EXPECT_EQ(VM_CopyBankBytes(s, -3, 5, d, 0), 5);
    const unsigned char want[10] = {0, 0, 0, 1, 2, 3, 4, 5, 0, 0};
    EXPECT_EQ(std::memcmp(bytes(d), want, 10), 0);
    EXPECT_EQ(VM_CopyBankBytes(s, 11, 12, d, 0), -1);
    EXPECT_EQ(VM_CopyBankBytes(s, -5, -1, d, 0), -1);
    EXPECT_EQ(VM_CopyBankBytes(s, 0, 4, d, 10), -1);
    EXPECT_EQ(VM_CopyBankBytes(s, 0, 4, d, -1), -1);
    std::memset(bytes(d), 0, 10);
    EXPECT_EQ(VM_CopyBankBytes(s, 11, 5, d, 0), 5); // reversed, clipped to the source
    EXPECT_EQ(bytes(d)[0], 6);
    EXPECT_EQ(bytes(d)[4], 10);
    EXPECT_EQ(VM_CopyBankBytes(s, 10, 10, d, 0), 0); // empty range at the very end
    // Only the room left in the destination is written.
    int small = VM_Alloc(4);
    EXPECT_EQ(VM_CopyBankBytes(s, 0, 10, small, 1), 3);
    EXPECT_EQ(bytes(small)[0], 0);
    EXPECT_EQ(bytes(small)[3], 3);
    // Handles outside the table, or without a bank behind them.
    EXPECT_EQ(VM_CopyBankBytes(-1, 0, 4, d, 0), -1);
    EXPECT_EQ(VM_CopyBankBytes(s, 0, 4, 64, 0), -1);
    EXPECT_EQ(VM_CopyBankBytes(s, 0, 4, 40, 0), -1);
}

TEST_F(Contents, CopyWithinOneBankRunsForward) {
    int h = VM_Alloc(12);
    std::memcpy(bytes(h), "ABCDEFGHIJKL", 12);
    EXPECT_EQ(VM_CopyBankBytes(h, 0, 6, h, 1), 6);
    // Group ABCD -> 1..4, then bytes 5 and 6 copy what is now at 4 and 5.
    EXPECT_EQ(std::memcmp(bytes(h), "AABCDDDHIJKL", 12), 0);
}

TEST_F(Contents, CloneIsARawCopy) {
    int s = VM_TypedAlloc(12, VM_BANK_STRING, 5);
    std::memcpy(bytes(s), "hello world!", 12);
    int c = VM_CloneBank(s);
    ASSERT_GT(c, 0);
    EXPECT_EQ(VM_BankType(c), 0);
    EXPECT_EQ(VM_BankStructure(c), 0);
    EXPECT_EQ(VM_BankSize(c), 12);
    EXPECT_EQ(std::memcmp(bytes(c), "hello world!", 12), 0);
    EXPECT_NE(VM_BankPtr(c), VM_BankPtr(s));
    EXPECT_EQ(VM_CloneBank(0), 0);
    int e = VM_CloneBank(50); // names no bank: a new empty raw bank
    EXPECT_GT(e, 0);
    EXPECT_EQ(VM_BankSize(e), 0);
}

TEST_F(Contents, BankRefsAreCounted) {
    int holder = VM_Alloc(8), held = VM_Alloc(4);
    VM_PokeBankRef(holder, 4, held);
    EXPECT_EQ(VM_PeekInt(holder, 4), held);
    EXPECT_EQ(VM_BankRef(held), 1);
    VM_PokeInt(holder, 0, 77);
    VM_PokeBankRef(holder, 0, 30); // not a bank: stores 0
    EXPECT_EQ(VM_PeekInt(holder, 0), 0);
    VM_PokeBankRef(holder, 6, held); // crosses the end: refused, no count
    EXPECT_EQ(VM_BankRef(held), 1);
    VM_Free(held); // count 1 drops below 1: released
    EXPECT_EQ(VM_BankExist(held), 0);
}

TEST(Sorts, QuicksortOrdersAndKeepsRanges) {
    std::int32_t a[] = {99, 3, -1, 3, 0, -99};
    VM_SortArrayI(a, 1, 4);
    const std::int32_t want[] = {99, -1, 0, 3, 3, -99};
    EXPECT_EQ(std::memcmp(a, want, sizeof a), 0);
    std::int32_t extremes[] = {std::numeric_limits<std::int32_t>::max(), 0,
                               std::numeric_limits<std::int32_t>::min(), -5};
    VM_SortArrayI(extremes, 0, 3); // signed comparison
    EXPECT_EQ(extremes[0], std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(extremes[3], std::numeric_limits<std::int32_t>::max());
    float f[] = {2.5f, -0.5f, 1e30f, -1e30f, 0.0f};
    VM_SortArrayF(f, 0, 4);
    EXPECT_TRUE(std::is_sorted(std::begin(f), std::end(f)));
    std::int32_t one[] = {5};
    VM_SortArrayI(one, 0, 0);
    VM_SortArrayI(one, 3, 1); // empty range
    EXPECT_EQ(one[0], 5);
}

TEST(Sorts, MatchesTheReferenceOnRandomAndEqualData) {
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
    // Sorted and reverse-sorted input (the middle pivot handles both).
    std::vector<std::int32_t> asc(100000);
    for (std::size_t k = 0; k < asc.size(); ++k)
        asc[k] = static_cast<std::int32_t>(asc.size() - k);
    VM_SortArrayI(asc.data(), 0, static_cast<std::int32_t>(asc.size() - 1));
    EXPECT_TRUE(std::is_sorted(asc.begin(), asc.end()));
}

TEST(Sorts, FloatsWithNaNStayInsideTheRange) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    std::vector<float> v = {-7.0f, nan, 3.0f, nan, nan, 1.0f, -2.0f, nan, 0.5f};
    std::vector<float> guarded(v.size() + 2, 42.0f);
    std::copy(v.begin(), v.end(), guarded.begin() + 1);
    VM_SortArrayF(guarded.data(), 1, static_cast<std::int32_t>(v.size()));
    EXPECT_EQ(guarded.front(), 42.0f);
    EXPECT_EQ(guarded.back(), 42.0f);
    int nans = 0;
    for (std::size_t k = 1; k <= v.size(); ++k)
        nans += std::isnan(guarded[k]) ? 1 : 0;
    EXPECT_EQ(nans, 4); // nothing lost or duplicated
    // All NaN: every comparison is false, and the partition must still stop at the range.
    std::vector<float> all_nan(52, nan);
    all_nan.front() = all_nan.back() = 42.0f;
    VM_SortArrayF(all_nan.data(), 1, 50);
    EXPECT_EQ(all_nan.front(), 42.0f);
    EXPECT_EQ(all_nan.back(), 42.0f);
    EXPECT_EQ(std::count_if(all_nan.begin(), all_nan.end(), [](float f) { return std::isnan(f); }),
              50);
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
