// Every export that takes a string handle, given handles that name no string
// (0, negative, outside the table, a raw bank, a released bank) or odd string
// types: nothing is written outside a string, and only strings are ever written.
#include <algorithm>
#include <vector>

#include "string_fixture.h"

namespace kx::test {
namespace {

using Refusals = Strings;

TEST_F(Refusals, NonStringsAreNeverWrittenAndNothingBreaks) {
    int raw = VM_Alloc(16);
    std::memset(VM_BankPtr(raw), 'r', 16);
    int tiny = VM_TypedAlloc(2, 1, 0); // a counted string too small for its length word
    int zt = VM_TypedAlloc(6, 3, 0);
    std::memcpy(VM_BankPtr(zt), "zt\0\0\0\0", 6);
    int s = S("Some Text, 12");
    int released = VM_NewKXStr(4); // its handle is given to the next bank made
    VM_Free(released);
    const std::vector<int> handles = {0, -1, 1 << 30, raw, released, tiny, zt, s};
    for (int a : handles) {
        for (int b : handles) {
            for (int d : handles) {
                VM_StrLeft(a, d, 3);
                VM_StrRight(a, d, 3);
                VM_StrMid(a, d, 2, 3);
                VM_StrCutLeft(a, d, 2);
                VM_StrCutRight(a, d, 2);
                VM_StrTrim(a, b, d);
                VM_StrTrimLeft(a, b, d);
                VM_StrTrimRight(a, b, d);
                VM_StrLower(a, d);
                VM_StrUpper(a, d);
                VM_StrAutoCaps(a, d);
                VM_StrFlip(a, d);
                VM_StrMake(a, 2, d);
                VM_StrPad(a, b, 0, 2, d);
                VM_StrInsert(a, b, 1, d);
                VM_StrReplace(a, b, a, 1, 1, 0, d);
                VM_AddStrings(d, a, b);
                VM_CopyStrToStr(d, a);
                VM_StrCHR(66, d);
                VM_StrStringF(d, 1.5f);
                VM_StrDigitsL(d, 7, 3);
                VM_StrStringL(d, -12);
                VM_StrBinL(d, 5);
                VM_StrHexL(d, 5);
                VM_StrSplit_FragStr(0, d);
                VM_PeekMemToStr(d, "peeked", 0);
                // (count 0 reads up to a zero byte: only from a bank that holds one)
                if (VM_StrBufferSize(a) >= 0)
                    VM_PeekMemToStr(d, VM_StrFirstChrPtr(a), VM_StrLen(a));
            }
            VM_StrInstring(a, b, 1, 1);
            VM_StrInstringOLD(a, b, 1, 0);
            VM_StrFindNextDelimiter(a, b, 0);
            VM_StrSplit(a, b);
            for (auto cmp : {VM_StrCmpEqual, VM_StrCmpNotEqual, VM_StrCmpGrt, VM_StrCmpGrtE,
                             VM_StrCmpLow, VM_StrCmpLowE})
                EXPECT_GE(cmp(a, b), 0);
            if (int c = VM_CombineStrs(a, b); c > 0) VM_Free(c);
        }
        VM_StrValL(a);
        VM_StrValF(a);
        VM_StrAsc(a, 1);
        VM_StrSplit_FragValL(0);
        VM_StrSplit_FragValF(0);
        EXPECT_GE(VM_StrLen(a), 0);
        EXPECT_GE(VM_StrBufferSize(a), -5);
        EXPECT_EQ(VM_StrPtr(a) == nullptr, VM_StrFirstChrPtr(a) == nullptr);
        std::vector<char> out(static_cast<std::size_t>(VM_StrLen(a)) + 16, 0);
        VM_PokeStrToMem(a, out.data(), 0);
        EXPECT_EQ(std::strlen(out.data()), static_cast<std::size_t>(VM_StrLen(a)));
        VM_StrCopyChrsToPtr(a, 0, 8, out.data());
        VM_StrMoveChrsToPtr(a, 1, 8, out.data());
        VM_NullStr(a);
        VM_ResizeStr(a, 3);
        VM_StrRefreshLen(a, 99);
        if (int c = VM_CloneStr(a); c > 0) VM_Free(c);
        if (int c = VM_CloneFileNameStr(a); c > 0) VM_Free(c);
    }
    // The raw bank kept its bytes and size; the strings are still terminated.
    EXPECT_EQ(VM_BankSize(raw), 16);
    for (int k = 0; k < 16; ++k)
        ASSERT_EQ(static_cast<char*>(VM_BankPtr(raw))[k], 'r');
    EXPECT_TRUE(terminated(s));
    EXPECT_TRUE(terminated(zt));
}

// The runtime's own tables are no banks: a program that swaps, resizes and
// frees every bank it did not make (as it could any handle) leaves replace,
// split, the fragment values and the digit formatter working.
TEST_F(Refusals, ScratchStateIsOutOfAProgramsReach) {
    const int text = S("a,bb,,ccc"), comma = S(","), none = S(""), dest = S("");
    const int mine[] = {text, comma, none, dest};
    auto use = [&] {
        VM_StrReplace(text, comma, none, 1, 0, 0, dest);
        std::string replaced = get(dest);
        int n = VM_StrSplit(text, comma);
        VM_StrSplit_FragStr(2, dest);
        std::string third = get(dest);
        VM_StrDigitsL(dest, 42, 5);
        return replaced + "|" + std::to_string(n) + third + "|" + get(dest) + "|" +
               std::to_string(VM_StrSplit_FragValL(1));
    };
    EXPECT_EQ(use(), "abbccc|3ccc|00042|0");
    std::vector<int> foreign;
    for (int h = 1; h < 4096; ++h)
        if (VM_BankExist(h) && std::find(std::begin(mine), std::end(mine), h) == std::end(mine))
            foreign.push_back(h);
    for (int h : foreign)
        VM_SwapBankPtrs(h, VM_Alloc(1));
    EXPECT_EQ(use(), "abbccc|3ccc|00042|0");
    for (int h : foreign)
        VM_Free(h);
    EXPECT_EQ(use(), "abbccc|3ccc|00042|0");
}

// Sizes computed from a program's count: one that no string can hold is
// refused before anything is read, and the destination keeps its capacity.
TEST_F(Refusals, CountsNearTheLargestIntegerAreRefused) {
    const int d = S("keep"), capacity = VM_StrBufferSize(d);
    const char source[] = "xyz";
    for (int count : {INT32_MAX, INT32_MAX - 8}) {
        VM_PeekMemToStr(d, source, count);
        EXPECT_EQ(get(d), "keep");
        EXPECT_EQ(VM_StrBufferSize(d), capacity);
    }
}

} // namespace
} // namespace kx::test
