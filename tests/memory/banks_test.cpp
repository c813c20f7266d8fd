// The bank table: handles, reference counts, resizing, queries and swaps.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <tuple>

#include "kx/kx_vm.h"

namespace {

class Banks : public ::testing::Test {
  protected:
    void open(int size) { VM_OpenMemoryManager(size); }
    void TearDown() override {
        VM_FreeALLBanks();
        VM_CloseMemoryManager();
    }
    // Counts the zero bytes in [from, to) of a bank, which may reach past its size.
    static long zeros(int h, int from, int to) {
        const auto* p = static_cast<const unsigned char*>(VM_BankPtr(h));
        return std::count(p + from, p + to, 0);
    }
    // Size, type, structure, reference count and bytes of a bank.
    static auto info(int h) {
        return std::tuple(VM_BankSize(h), VM_BankType(h), VM_BankStructure(h), VM_BankRef(h),
                          VM_BankPtr(h));
    }
};

TEST_F(Banks, HandlesStartAtOneAndRunOut) {
    open(4);
    EXPECT_EQ(VM_MMCacheSize(), 4);
    for (int expect : {1, 2, 3, -1})
        EXPECT_EQ(VM_Alloc(8), expect);
    EXPECT_EQ(VM_UsedBankQuantity(), 3);
    EXPECT_EQ(VM_BankExist(0), 0);
    EXPECT_EQ((VM_Free(2), VM_UsedBankQuantity()), 2);
    EXPECT_EQ(VM_Alloc(4), 2); // the released handle comes back first
    VM_Free(3);
    VM_Free(1);
    EXPECT_EQ(VM_Alloc(4), 1); // last released, first reused
    EXPECT_EQ(VM_Alloc(4), 3);
}

TEST_F(Banks, NewBanksAreZeroedTypedAndLow) {
    open(16);
    int h = VM_TypedAlloc(100, VM_BANK_STRING, 0xFFFF);
    ASSERT_GT(h, 0);
    EXPECT_EQ(info(h), std::tuple(100, 1, -1, 0, VM_BankPtr(h))); // 16-bit structure, sign-extended
    EXPECT_LT(reinterpret_cast<std::uintptr_t>(VM_BankPtr(h)), std::uintptr_t(1) << 32);
    EXPECT_EQ(zeros(h, 0, 100), 100);
    EXPECT_EQ(VM_BankType(VM_TypedAlloc(4, 0x18001, 0)), -32767); // the low 16 bits are kept
    int zero = VM_Alloc(0);
    EXPECT_EQ(VM_BankExist(zero), 1);
    EXPECT_EQ(VM_BankSize(zero), 0);
}

TEST_F(Banks, ReferenceCountsDecideRelease) {
    open(8);
    int h = VM_Alloc(4);
    VM_IncBankRef(h);
    VM_IncBankRef(h);
    EXPECT_EQ((VM_Free(h), VM_BankExist(h)), 1);
    EXPECT_EQ(VM_BankRef(h), 1);
    EXPECT_EQ((VM_Free(h), VM_BankExist(h)), 0);
    EXPECT_EQ(VM_BankType(h), 0);
    // A count driven below zero is still released by one free.
    int g = VM_Alloc(4);
    VM_DecBankRef(g);
    EXPECT_EQ((VM_DecBankRef(g), VM_BankRef(g)), -2);
    EXPECT_EQ((VM_Free(g), VM_BankExist(g)), 0);
    // FreeALLBanks is one pass: a bank with count 3 survives with 2.
    int a = VM_Alloc(4), b = VM_Alloc(4);
    for (int k = 0; k < 3; ++k)
        VM_IncBankRef(b);
    EXPECT_EQ((VM_FreeALLBanks(), VM_BankExist(a)), 0);
    EXPECT_EQ(VM_BankRef(b), 2);
    EXPECT_EQ(VM_UsedBankQuantity(), 1);
}

TEST_F(Banks, ResizeKeepsBytesAndZeroesBeyond) {
    open(8);
    int h = VM_Alloc(10);
    auto* p = static_cast<unsigned char*>(VM_BankPtr(h));
    std::memcpy(p, "\1\2\3\4\5\6\7\10\11\12", 10);
    VM_IncBankRef(h);
    EXPECT_EQ((VM_Resize(h, 4), VM_BankSize(h)), 4);
    EXPECT_EQ(std::memcmp(VM_BankPtr(h), "\1\2\3\4", 4), 0);
    EXPECT_EQ(zeros(h, 4, 12), 8); // eight zero bytes past the size
    EXPECT_EQ((VM_Resize(h, 10), VM_BankSize(h)), 10);
    EXPECT_EQ(zeros(h, 4, 18), 14);
    EXPECT_EQ(VM_BankRef(h), 1); // kept
    void* same = VM_BankPtr(h);
    VM_Resize(h, 10); // same size: nothing happens
    EXPECT_EQ(VM_BankPtr(h), same);
    EXPECT_EQ((VM_Resize(h, -5), VM_BankSize(h)), 10); // refused
}

TEST_F(Banks, InvalidHandlesAreRefusedEverywhere) {
    open(4);
    int h = VM_Alloc(4);
    for (int bad : {-1, 4, 1000, 0, 2}) { // outside the table, handle 0, an empty entry
        EXPECT_EQ(info(bad), std::tuple(0, 0, 0, 0, static_cast<void*>(nullptr)));
        EXPECT_EQ(VM_BankExist(bad), 0);
        VM_Free(bad);
        VM_Resize(bad, 10);
        VM_IncBankRef(bad);
        VM_DecBankRef(bad);
        VM_SwapBankPtrs(h, bad);
    }
    EXPECT_EQ(VM_UsedBankQuantity(), 1);
    EXPECT_EQ(info(h), std::tuple(4, 0, 0, 0, VM_BankPtr(h)));
}

TEST_F(Banks, SwapExchangesEverythingButCounts) {
    open(8);
    int a = VM_Alloc(10);
    int b = VM_TypedAlloc(20, VM_BANK_STRING, 3);
    VM_IncBankRef(a);
    void* pa = VM_BankPtr(a);
    void* pb = VM_BankPtr(b);
    VM_SwapBankPtrs(a, b);
    EXPECT_EQ(info(a), std::tuple(20, 1, 3, 1, pb));
    EXPECT_EQ(info(b), std::tuple(10, 0, 0, 0, pa));
}

TEST_F(Banks, FreeFromPtrMatchesAddresses) {
    open(6);
    int a = VM_Alloc(4), b = VM_Alloc(4), c = VM_Alloc(4);
    EXPECT_EQ(VM_FreeFromPtr(VM_BankPtr(c)), 1);
    EXPECT_EQ(VM_BankExist(c), 0);
    EXPECT_EQ(VM_BankExist(a) + VM_BankExist(b), 2);
    // Address 0 matches every empty entry: handle 0, c's and the two never used.
    EXPECT_EQ(VM_FreeFromPtr(nullptr), 4);
    EXPECT_EQ(VM_UsedBankQuantity(), 2);
    int stranger = 0;
    EXPECT_EQ(VM_FreeFromPtr(&stranger), 0);
}

TEST_F(Banks, ClosedFullAndFailedAllocationsAreRefused) {
    open(4);
    EXPECT_EQ(VM_Alloc(0xFFFFFFF0u), -1); // out of memory: the handle is put back
    EXPECT_EQ(VM_UsedBankQuantity(), 0);
    EXPECT_EQ(VM_Alloc(4), 1);
    VM_Free(1);
    VM_CloseMemoryManager();
    EXPECT_EQ(VM_MMCacheSize(), 0);
    EXPECT_EQ(VM_Alloc(4), -1);
    EXPECT_EQ(VM_TypedAlloc(4, 1, 0), -1);
    EXPECT_EQ(VM_BankExist(1), 0);
    open(0); // no table can hold handle 0
    EXPECT_EQ(VM_Alloc(4), -1);
    open(2); // reopening replaces the table
    EXPECT_EQ(VM_Alloc(4), 1);
    EXPECT_EQ(VM_Alloc(4), -1);
}

TEST_F(Banks, ManyBanksAccountExactly) {
    open(10001);
    for (int k = 1; k <= 10000; ++k)
        ASSERT_EQ(VM_Alloc(static_cast<uint32_t>(k % 97)), k);
    for (int k = 2; k <= 10000; k += 2)
        VM_Free(k);
    EXPECT_EQ(VM_UsedBankQuantity(), 5000);
    EXPECT_EQ(VM_Alloc(1), 10000); // the last one released
}

} // namespace
