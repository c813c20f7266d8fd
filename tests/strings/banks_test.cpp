// String banks: layout, sizing, copies in and out, concatenation, comparisons.
#include "string_fixture.h"

namespace kx::test {
namespace {

using StringBanks = Strings;

TEST_F(StringBanks, LayoutAndSizing) {
    int h = VM_NewKXStr(-3);
    EXPECT_EQ(VM_BankType(h), 1);
    EXPECT_EQ(VM_BankSize(h), 5);
    EXPECT_EQ(VM_StrBufferSize(h) | VM_StrLen(h), 0);
    EXPECT_TRUE(terminated(h));
    EXPECT_EQ(VM_BankSize(VM_NewKXStr(10)), 15);
    EXPECT_EQ(static_cast<char*>(VM_StrFirstChrPtr(h)) - static_cast<char*>(VM_StrPtr(h)), 4);
    h = S("hello");
    EXPECT_EQ((VM_ResizeStr(h, 20), VM_BankSize(h)), 25);
    EXPECT_EQ(VM_StrLen(h), 20);
    EXPECT_TRUE(terminated(h));
    EXPECT_EQ(get(h).substr(0, 5), "hello");
    EXPECT_EQ(VM_StrRefreshLen(h, 3), 3);
    EXPECT_EQ(get(h), "hel");
    EXPECT_TRUE(terminated(h));
    // Beyond the capacity: clamped, nothing written outside.
    EXPECT_EQ((VM_StrRefreshLen(h, 1000), VM_StrLen(h)), 20);
    EXPECT_EQ((VM_NullStr(h), VM_StrLen(h)), 0);
}

TEST_F(StringBanks, OtherBankTypes) {
    // Type 3: zero-terminated characters without a length word.
    int z = VM_TypedAlloc(8, 3, 0);
    std::memcpy(VM_BankPtr(z), "abc", 4);
    EXPECT_EQ(VM_StrLen(z), 3);
    EXPECT_EQ(VM_StrBufferSize(z), 8);
    EXPECT_EQ(VM_StrFirstChrPtr(z), VM_BankPtr(z));
    EXPECT_EQ((VM_ResizeStr(z, 10), VM_BankSize(z)), 11);
    EXPECT_EQ(VM_StrLen(z), 3); // counted up to the first zero: the new bytes are zero
    // Type 2: the same layout as type 1, read everywhere.
    int two = VM_TypedAlloc(9, 2, 0);
    std::memcpy(VM_BankPtr(two), "\x03\0\0\0xyz", 8);
    int d = S("");
    EXPECT_EQ((VM_CopyStrToStr(d, two), get(d)), "xyz"); // a string is a string, whatever its type
    EXPECT_EQ((VM_CopyStrToStr(d, z), get(d)), "abc");
    // Anything else reads as empty (that it is never written: refusal_test.cpp).
    int raw = VM_Alloc(16);
    EXPECT_EQ(VM_StrLen(raw) | VM_StrLen(0) | VM_StrLen(-7), 0);
    EXPECT_EQ(VM_StrPtr(raw), nullptr);
    EXPECT_EQ(VM_StrFirstChrPtr(raw), nullptr);
    EXPECT_EQ(VM_StrBufferSize(raw), 16);
}

TEST_F(StringBanks, MemoryTransfers) {
    EXPECT_EQ(VM_NewStrFromPtr(""), 0);
    int h = VM_NewStrFromPtr("hello");
    EXPECT_EQ(VM_BankSize(h), 10);
    EXPECT_EQ(get(h), "hello");
    EXPECT_EQ(VM_StrLenNullTerm("hello\0world"), 5);
    auto poke = [&](int count) {
        std::string out(8, '#');
        VM_PokeStrToMem(h, out.data(), count);
        return out;
    };
    EXPECT_EQ(poke(0), std::string("hello\0##", 8)); // five characters and a zero
    EXPECT_EQ(poke(3), "hel#####");                  // no terminator
    EXPECT_EQ(poke(99), "hello###");
    EXPECT_EQ(poke(-1), "########");
    VM_PokeStrToMem(h, nullptr, 0);
    // Peek with count 0 reads up to the first zero; a short destination grows by 16.
    int d = VM_NewKXStr(2);
    EXPECT_EQ((VM_PeekMemToStr(d, "abc\0def", 0), get(d)), "abc");
    EXPECT_EQ(VM_StrBufferSize(d), 19);
    // Zero bytes are characters.
    EXPECT_EQ((VM_PeekMemToStr(d, "a\0b", 3), get(d)), std::string("a\0b", 3));
    EXPECT_TRUE(terminated(d));
    // Reading the destination's own characters while it grows (and moves).
    int self = S("0123456789");
    EXPECT_EQ((VM_PeekMemToStr(self, VM_StrFirstChrPtr(self), 10), get(self)), "0123456789");
    EXPECT_EQ(VM_StrBufferSize(self), 26);
    // Character copies out return the count copied.
    h = S("abcdef");
    char out[8] = "#######";
    EXPECT_EQ(VM_StrMoveChrsToPtr(h, 2, 3, out), 3);
    EXPECT_EQ(std::string(out, 4), "cde#");
    const int moves[][3] = {{4, 10, 2}, {6, 1, 0}, {8, 1, -2}, {1, -5, 0}}; // start, count, copied
    for (const auto& m : moves)
        EXPECT_EQ(VM_StrMoveChrsToPtr(h, m[0], m[1], out), m[2]) << m[0] << " " << m[1];
    VM_StrCopyChrsToPtr(h, 0, 2, out);
    EXPECT_EQ(std::string(out, 4), "abe#");
}

TEST_F(StringBanks, CopiesClonesAndConcatenation) {
    int a = S("hello"), d = VM_NewKXStr(2);
    EXPECT_EQ((VM_CopyStrToStr(d, a), get(d)), "hello");
    EXPECT_EQ(VM_StrBufferSize(d), 21); // length + 16
    EXPECT_EQ((VM_CopyStrToStr(d, d), get(d)), "hello");
    int c = VM_CloneStr(a);
    EXPECT_NE(c, a);
    EXPECT_EQ(get(c), "hello");
    EXPECT_EQ(VM_StrBufferSize(c), 5);
    EXPECT_EQ(VM_CloneStr(0), 0);
    EXPECT_EQ(VM_CombineStrs(S(""), S("")), 0);
    int ab = VM_CombineStrs(a, S(" you"));
    EXPECT_EQ(get(ab), "hello you");
    EXPECT_EQ(VM_StrBufferSize(ab), 9 + 16);
}

TEST_F(StringBanks, AddStringsAliasing) {
    int s = S("ab");
    EXPECT_EQ((VM_AddStrings(s, s, s), get(s)), "abab");
    int x = S("x"), yz = S("yz");
    EXPECT_EQ((VM_AddStrings(yz, x, yz), get(yz)), "xyz");
    EXPECT_EQ(get(x), "x");
    int a = S("a"), b = S("bc");
    EXPECT_EQ((VM_AddStrings(a, a, b), get(a)), "abc");
    int d = S("zzzz");
    EXPECT_EQ((VM_AddStrings(d, S(""), b), get(d)), "bc");
    EXPECT_EQ((VM_AddStrings(d, b, S("")), get(d)), "bc");
    EXPECT_EQ((VM_AddStrings(d, S(""), S("")), get(d)), "");
    int e = S("q");
    EXPECT_EQ((VM_AddStrings(e, S(""), e), get(e)), "q"); // empty a, destination b: in place
    EXPECT_TRUE(terminated(e));
}

TEST_F(StringBanks, AddStringsGrowsGeometrically) {
    int d = VM_NewKXStr(0);
    int piece = S("12345678");
    VM_AddStrings(d, d, piece);
    EXPECT_EQ(VM_StrBufferSize(d), 8 + 32); // at least 32 extra
    int resizes = 0;
    for (int k = 0, capacity = VM_StrBufferSize(d); k < 20000; ++k) {
        VM_AddStrings(d, d, piece);
        resizes += VM_StrBufferSize(d) != capacity;
        capacity = VM_StrBufferSize(d);
    }
    EXPECT_EQ(VM_StrLen(d), 8 * 20001);
    EXPECT_LT(resizes, 30);
    EXPECT_EQ(get(d).substr(8 * 20000), "12345678");
    // Capacity equal to the total still grows (not only when smaller).
    int exact = VM_NewKXStr(4);
    EXPECT_EQ((VM_AddStrings(exact, S("ab"), S("cd")), VM_StrBufferSize(exact)), 4 + 32);
}

TEST_F(StringBanks, Comparisons) {
    auto cmp = [&](const std::string& a, const std::string& b) {
        int x = S(a), y = S(b);
        return std::string{char('0' + VM_StrCmpEqual(x, y)), char('0' + VM_StrCmpNotEqual(x, y)),
                           char('0' + VM_StrCmpGrt(x, y)),   char('0' + VM_StrCmpGrtE(x, y)),
                           char('0' + VM_StrCmpLow(x, y)),   char('0' + VM_StrCmpLowE(x, y))};
    };
    //                          =   <>  >   >=  <   <=
    EXPECT_EQ(cmp("ABC", "ABD"), "010011");
    EXPECT_EQ(cmp("abc", "abc"), "100101");
    EXPECT_EQ(cmp("abc", "ab"), "010000"); // a prefix is neither less nor greater
    EXPECT_EQ(cmp("ab", "abc"), "010000");
    EXPECT_EQ(cmp("", ""), "100101");
    EXPECT_EQ(cmp("", "a"), "010000");
    // Low compares signed bytes; the others unsigned.
    EXPECT_EQ(cmp("\xE9", "A"), "011110");
    EXPECT_EQ(cmp("A", "\xE9"), "010001");
    // Equality sees every byte, zero bytes included, and long runs.
    std::string long_a(1000, 'x'), long_b = long_a;
    long_b[997] = 'y';
    EXPECT_EQ(cmp(long_a, long_b), "010011");
    EXPECT_EQ(cmp(std::string("a\0b", 3), std::string("a\0c", 3)), "010011");
}

} // namespace
} // namespace kx::test
