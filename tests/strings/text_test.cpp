// Text functions: slicing, trimming, case, repetition, padding, insertion,
// searching, replacing and splitting, with destinations that are also sources.
#include "string_fixture.h"

namespace kx::test {
namespace {

using TextFunctions = Strings;

TEST_F(TextFunctions, Slicing) {
    int h = S("hello"), d = VM_NewKXStr(0);
    auto left = [&](int n) {
        VM_StrLeft(h, d, n);
        return get(d);
    };
    auto right = [&](int n) {
        VM_StrRight(h, d, n);
        return get(d);
    };
    auto mid = [&](int s, int n) {
        VM_StrMid(h, d, s, n);
        return get(d);
    };
    auto cutl = [&](int p) {
        VM_StrCutLeft(h, d, p);
        return get(d);
    };
    auto cutr = [&](int p) {
        VM_StrCutRight(h, d, p);
        return get(d);
    };
    EXPECT_EQ(left(0), "");
    EXPECT_EQ(left(9), "hello");
    EXPECT_EQ(left(2), "he");
    EXPECT_EQ(right(2), "lo");
    EXPECT_EQ(right(-1), "");
    EXPECT_EQ(mid(0, 2), "he");
    EXPECT_EQ(mid(4, 10), "lo");
    EXPECT_EQ(mid(6, 1), "");
    EXPECT_EQ(mid(2, -3), "");
    EXPECT_EQ(mid(5, 1), "o");
    EXPECT_EQ(cutl(2), "llo");
    EXPECT_EQ(cutl(5), "");
    EXPECT_EQ(cutl(0), "hello");
    EXPECT_EQ(cutl(6), "hello");
    EXPECT_EQ(cutr(2), "h");
    EXPECT_EQ(cutr(1), "");
    EXPECT_EQ(cutr(6), "hello");
    EXPECT_TRUE(terminated(d));
    // The destination may be the source.
    VM_StrMid(h, h, 2, 3);
    EXPECT_EQ(get(h), "ell");
    VM_StrRight(h, h, 1);
    EXPECT_EQ(get(h), "l");
}

TEST_F(TextFunctions, Trimming) {
    int d = VM_NewKXStr(0), space = S(" ");
    VM_StrTrimLeft(S("  ab "), space, d);
    EXPECT_EQ(get(d), "ab ");
    VM_StrTrimRight(S("  ab "), space, d);
    EXPECT_EQ(get(d), "  ab");
    VM_StrTrim(S("  ab "), space, d);
    EXPECT_EQ(get(d), "ab");
    VM_StrTrim(S("   "), space, d);
    EXPECT_EQ(get(d), "");
    VM_StrTrim(S(" \t-x-\t "), S("\t -"), d);
    EXPECT_EQ(get(d), "x");
    VM_StrTrim(S(" a "), S(""), d); // empty set: a copy
    EXPECT_EQ(get(d), " a ");
    int self = S("..x..");
    VM_StrTrim(self, S("."), self);
    EXPECT_EQ(get(self), "x");
    int set = S("ab");
    VM_StrTrim(S("abcab"), set, set); // the set is also the destination
    EXPECT_EQ(get(set), "c");
}

TEST_F(TextFunctions, CaseAndOrder) {
    int d = VM_NewKXStr(0);
    VM_StrUpper(S("abc\xE9-z"), d);
    EXPECT_EQ(get(d), "ABC\xE9-Z");
    VM_StrLower(S("ABC\xC9-Z"), d);
    EXPECT_EQ(get(d), "abc\xC9-z");
    VM_StrAutoCaps(S("hELLO wORLD"), d);
    EXPECT_EQ(get(d), "Hello World");
    VM_StrAutoCaps(S("1abc hello-world  x\ty"), d);
    EXPECT_EQ(get(d), "1Abc Hello-world  X\ty");
    VM_StrAutoCaps(S("\tab cd"), d);
    EXPECT_EQ(get(d), "\tAb Cd"); // the tab is not a letter: the next letter starts the word
    VM_StrFlip(S("abc"), d);
    EXPECT_EQ(get(d), "cba");
    char raw[] = "mIxEd";
    VM_StrUpperPtr(raw, 3);
    EXPECT_STREQ(raw, "MIXEd");
    VM_StrFlipPtr(raw, 5);
    EXPECT_STREQ(raw, "dEXIM");
    VM_StrAutoCapsPtr(raw, 5);
    EXPECT_STREQ(raw, "Dexim");
    VM_StrLowerPtr(nullptr, 5);
    VM_StrFlipPtr(raw, -1);
    EXPECT_STREQ(raw, "Dexim");
}

TEST_F(TextFunctions, CharactersAndCodes) {
    int d = VM_NewKXStr(0);
    VM_StrCHR(65, d);
    EXPECT_EQ(get(d), "A");
    EXPECT_GE(VM_StrBufferSize(d), 16);
    VM_StrCHR(0, d);
    EXPECT_EQ(get(d), "");
    int a = S("A\xE9");
    EXPECT_EQ(VM_StrAsc(a, 1), 65);
    EXPECT_EQ(VM_StrAsc(a, 0), 65);
    EXPECT_EQ(VM_StrAsc(a, 2), 233);
    EXPECT_EQ(VM_StrAsc(a, 3), -1);
    EXPECT_EQ(VM_StrAsc(S(""), 1), -1);
    EXPECT_EQ(VM_StrAsc(VM_Alloc(4), 1), -1);
}

TEST_F(TextFunctions, RepetitionPaddingInsertion) {
    int d = VM_NewKXStr(0);
    VM_StrMake(S("ab"), 3, d);
    EXPECT_EQ(get(d), "ababab");
    VM_StrMake(S("ab"), 0, d);
    EXPECT_EQ(get(d), "");
    int self = S("xy");
    VM_StrMake(self, 3, self);
    EXPECT_EQ(get(self), "xyxyxy");
    int comma = S(",");
    VM_StrPad(S("abcdef"), comma, 0, 3, d);
    EXPECT_EQ(get(d), "abc,def,");
    VM_StrPad(S("abc"), comma, 0, 3, d);
    EXPECT_EQ(get(d), "abc");
    VM_StrPad(S("abcde"), comma, 1, 2, d);
    EXPECT_EQ(get(d), "a,bc,de,");
    VM_StrPad(S("abcd"), S("--"), 0, 0, d); // interval below 1 counts as 1
    EXPECT_EQ(get(d), "a--b--c--d--");
    int padself = S("1234567");
    VM_StrPad(padself, comma, 0, 3, padself);
    EXPECT_EQ(get(padself), "123,456,7");
    auto ins = [&](int at) {
        VM_StrInsert(S("abc"), S("XY"), at, d);
        return get(d);
    };
    EXPECT_EQ(ins(0), "XYabc");
    EXPECT_EQ(ins(2), "abXYc");
    EXPECT_EQ(ins(9), "abcXY");
    EXPECT_EQ(ins(-4), "XYabc");
    VM_StrInsert(S("abc"), S(""), 1, d);
    EXPECT_EQ(get(d), "abc");
    int s = S("abc");
    VM_StrInsert(s, s, 1, s);
    EXPECT_EQ(get(s), "aabcbc");
}

TEST_F(TextFunctions, Searching) {
    int t = S("ABCabc");
    EXPECT_EQ(VM_StrInstring(t, S("abc"), 1, 0), 4);
    EXPECT_EQ(VM_StrInstring(t, S("abc"), 1, 1), 1);
    EXPECT_EQ(VM_StrInstring(t, S("abc"), 5, 1), 0);
    EXPECT_EQ(VM_StrInstring(t, S("abc"), -3, 0), 4);
    EXPECT_EQ(VM_StrInstring(t, S("c"), 6, 0), 6);
    EXPECT_EQ(VM_StrInstring(t, S("abcabcx"), 1, 0), 0);
    EXPECT_EQ(VM_StrInstring(t, S(""), 1, 0), 0);
    EXPECT_EQ(VM_StrInstring(S(""), S("a"), 1, 0), 0);
    int ab = S("ab"), b = S("b");
    EXPECT_EQ(VM_StrInstring(ab, b, 2, 0), 2);
    EXPECT_EQ(VM_StrInstringOLD(ab, b, 2, 123), 0); // the earlier form stops at start = length
    EXPECT_EQ(VM_StrInstringOLD(ab, b, 1, 0), 2);
    // Folding is ASCII only; bytes above 127 match only themselves.
    EXPECT_EQ(VM_StrInstring(S("x\xE9Y"), S("\xC9y"), 1, 1), 0);
    EXPECT_EQ(VM_StrInstring(S("x\xE9Y"), S("\xE9y"), 1, 1), 2);
    // A long text exercises the vector scan and its tail.
    std::string big(1000, '.');
    big.replace(777, 3, "kEy");
    EXPECT_EQ(VM_StrInstring(S(big), S("KEY"), 1, 1), 778);
    EXPECT_EQ(VM_StrInstring(S(big), S("KEY"), 1, 0), 0);
    EXPECT_EQ(VM_StrInstring(S(big), S("kEy"), 779, 0), 0);
    EXPECT_EQ(VM_StrInstring(S(std::string(128, 'q') + "Zz"), S("zZ"), 1, 1), 129); // in the tail
    // Only letters fold: bytes 0x20 apart that are not letters stay distinct.
    EXPECT_EQ(VM_StrInstring(S("{x[X"), S("[x"), 1, 1), 3);
    EXPECT_EQ(VM_StrInstring(S(std::string(100, '`') + "@a"), S("@A"), 1, 1), 101);
    EXPECT_EQ(VM_StrInstring(S(std::string(100, '`') + "@a"), S("`A@"), 1, 1), 0);
    int set = S(",;");
    int src = S("a,b;c");
    EXPECT_EQ(VM_StrFindNextDelimiter(src, set, 0), 1);
    EXPECT_EQ(VM_StrFindNextDelimiter(src, set, 2), 3);
    EXPECT_EQ(VM_StrFindNextDelimiter(src, set, 4), -1);
    EXPECT_EQ(VM_StrFindNextDelimiter(src, set, 5), -1);
    EXPECT_EQ(VM_StrFindNextDelimiter(src, set, -2), 1);
    EXPECT_EQ(VM_StrFindNextDelimiter(src, S(""), 0), -1);
}

TEST_F(TextFunctions, Replacing) {
    int d = VM_NewKXStr(0), aaaa = S("aaaa"), aa = S("aa"), b = S("b");
    VM_StrReplace(aaaa, aa, b, 1, 0, 0, d);
    EXPECT_EQ(get(d), "bb");
    VM_StrReplace(aaaa, aa, b, 1, 0, 1, d);
    EXPECT_EQ(get(d), "baa");
    VM_StrReplace(aaaa, aa, b, 2, 0, 0, d);
    EXPECT_EQ(get(d), "aba");
    VM_StrReplace(aaaa, aa, b, 5, 0, 0, d);
    EXPECT_EQ(get(d), "");
    VM_StrReplace(aaaa, S("x"), b, 1, 0, 0, d);
    EXPECT_EQ(get(d), "aaaa");
    VM_StrReplace(aaaa, S("aaaaa"), b, 1, 0, 0, d);
    EXPECT_EQ(get(d), "aaaa");
    VM_StrReplace(S("Cat cAT cat"), S("cat"), S("dog"), 1, 1, 0, d);
    EXPECT_EQ(get(d), "dog dog dog");
    VM_StrReplace(S("a-b-c"), S("-"), 0, 1, 0, 0, d); // no replacement: matches deleted
    EXPECT_EQ(get(d), "abc");
    VM_StrReplace(S("a-b"), S("-"), S("--"), 1, 0, 2, d); // first-only must be exactly 1
    EXPECT_EQ(get(d), "a--b");
    int self = S("one two one");
    VM_StrReplace(self, S("one"), S("three"), 1, 0, 0, self);
    EXPECT_EQ(get(self), "three two three");
    int s2 = S("xx");
    VM_StrReplace(s2, S("x"), s2, 1, 0, 0, s2); // replacement is the destination too
    EXPECT_EQ(get(s2), "xxxx");
}

TEST_F(TextFunctions, ReplaceStopsAfter65536Matches) {
    int d = VM_NewKXStr(0);
    VM_StrReplace(S(std::string(70000, 'a')), S("a"), S("b"), 1, 0, 0, d);
    std::string r = get(d);
    ASSERT_EQ(r.size(), 70000u);
    EXPECT_EQ(r.find('a'), 65536u);
    EXPECT_EQ(r.substr(0, 3), "bbb");
}

TEST_F(TextFunctions, Splitting) {
    int d = VM_NewKXStr(0), comma = S(",");
    EXPECT_EQ(VM_StrSplit(S(",a,,b,"), comma), 2);
    VM_StrSplit_FragStr(0, d);
    EXPECT_EQ(get(d), "a");
    VM_StrSplit_FragStr(1, d);
    EXPECT_EQ(get(d), "b");
    VM_StrSplit_FragStr(2, d); // beyond the count: empty
    EXPECT_EQ(get(d), "");
    VM_StrSplit_FragStr(-1, d);
    EXPECT_EQ(get(d), "");
    EXPECT_EQ(VM_StrSplit(S("abc"), comma), 1);
    VM_StrSplit_FragStr(0, d);
    EXPECT_EQ(get(d), "abc");
    EXPECT_EQ(VM_StrSplit(S(""), comma), 0);
    EXPECT_EQ(VM_StrSplit(S("abc"), S("")), 0);
    EXPECT_EQ(VM_StrSplit(S("1;2,3"), S(",;")), 3);
    EXPECT_EQ(VM_StrSplit_FragValL(2), 3);
    // Many fragments: the tables grow.
    std::string csv;
    for (int k = 0; k < 5000; ++k)
        csv += std::to_string(k) + ",";
    EXPECT_EQ(VM_StrSplit(S(csv), comma), 5000);
    EXPECT_EQ(VM_StrSplit_FragValL(4321), 4321);
    // Fragments of a string that has since been freed read as empty.
    int gone = S("x,y");
    EXPECT_EQ(VM_StrSplit(gone, comma), 2);
    VM_Free(gone);
    VM_StrSplit_FragStr(1, d);
    EXPECT_EQ(get(d), "");
}

TEST_F(TextFunctions, SplitCapsTheDelimiters) {
    std::string many(70000, ',');
    many[0] = 'a';
    many.back() = 'z';
    // 65536 delimiters are recorded; everything after the last is one fragment.
    EXPECT_EQ(VM_StrSplit(S(many), S(",")), 2);
    int d = VM_NewKXStr(0);
    VM_StrSplit_FragStr(1, d);
    EXPECT_EQ(get(d), std::string(70000 - 65537 - 1, ',') + "z");
}

TEST_F(TextFunctions, CloneFileName) {
    int c = VM_CloneFileNameStr(S(" \t name.txt\t "));
    EXPECT_EQ(get(c), "name.txt");
    EXPECT_EQ(VM_CloneFileNameStr(0), 0);
    int used = VM_UsedBankQuantity();
    int again = VM_CloneFileNameStr(S("x "));
    EXPECT_EQ(get(again), "x");
    EXPECT_EQ(VM_UsedBankQuantity(), used + 2); // the source and the clone; the set is kept
}

} // namespace
} // namespace kx::test
