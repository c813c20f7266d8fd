// Text functions: slicing, trimming, case, repetition, padding, insertion,
// searching, replacing and splitting, with destinations that are also sources.
#include <tuple>

#include "string_fixture.h"

namespace kx::test {
namespace {

using TextFunctions = Strings;

TEST_F(TextFunctions, Slicing) {
    int h = S("hello"), d = VM_NewKXStr(0);
    const std::tuple<decltype(&VM_StrLeft), int, const char*> cuts[] = {
        {VM_StrLeft, 0, ""},      {VM_StrLeft, 9, "hello"},    {VM_StrLeft, 2, "he"},
        {VM_StrRight, 2, "lo"},   {VM_StrRight, -1, ""},       {VM_StrCutLeft, 2, "llo"},
        {VM_StrCutLeft, 5, ""},   {VM_StrCutLeft, 0, "hello"}, {VM_StrCutLeft, 6, "hello"},
        {VM_StrCutRight, 2, "h"}, {VM_StrCutRight, 1, ""},     {VM_StrCutRight, 6, "hello"}};
    for (const auto& [cut, n, want] : cuts)
        EXPECT_EQ((cut(h, d, n), get(d)), want) << n;
    const std::tuple<int, int, const char*> mids[] = {
        {0, 2, "he"}, {4, 10, "lo"}, {6, 1, ""}, {2, -3, ""}, {5, 1, "o"}}; // start, count
    for (const auto& [start, count, want] : mids)
        EXPECT_EQ((VM_StrMid(h, d, start, count), get(d)), want) << start << " " << count;
    EXPECT_TRUE(terminated(d));
    // The destination may be the source.
    EXPECT_EQ((VM_StrMid(h, h, 2, 3), get(h)), "ell");
    EXPECT_EQ((VM_StrRight(h, h, 1), get(h)), "l");
}

TEST_F(TextFunctions, Trimming) {
    int d = VM_NewKXStr(0), space = S(" ");
    EXPECT_EQ((VM_StrTrimLeft(S("  ab "), space, d), get(d)), "ab ");
    EXPECT_EQ((VM_StrTrimRight(S("  ab "), space, d), get(d)), "  ab");
    EXPECT_EQ((VM_StrTrim(S("  ab "), space, d), get(d)), "ab");
    EXPECT_EQ((VM_StrTrim(S("   "), space, d), get(d)), "");
    EXPECT_EQ((VM_StrTrim(S(" \t-x-\t "), S("\t -"), d), get(d)), "x");
    EXPECT_EQ((VM_StrTrim(S(" a "), S(""), d), get(d)), " a "); // empty set: a copy
    int self = S("..x..");
    EXPECT_EQ((VM_StrTrim(self, S("."), self), get(self)), "x");
    int set = S("ab");
    EXPECT_EQ((VM_StrTrim(S("abcab"), set, set), get(set)), "c"); // the set is the destination
}

TEST_F(TextFunctions, CaseOrderAndCharacters) {
    int d = VM_NewKXStr(0);
    EXPECT_EQ((VM_StrUpper(S("abc\xE9-z"), d), get(d)), "ABC\xE9-Z");
    EXPECT_EQ((VM_StrLower(S("ABC\xC9-Z"), d), get(d)), "abc\xC9-z");
    EXPECT_EQ((VM_StrAutoCaps(S("hELLO wORLD"), d), get(d)), "Hello World");
    EXPECT_EQ((VM_StrAutoCaps(S("1abc hello-world  x\ty"), d), get(d)), "1Abc Hello-world  X\ty");
    // The tab is not a letter: the next letter starts the word.
    EXPECT_EQ((VM_StrAutoCaps(S("\tab cd"), d), get(d)), "\tAb Cd");
    EXPECT_EQ((VM_StrFlip(S("abc"), d), get(d)), "cba");
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

    EXPECT_EQ((VM_StrCHR(65, d), get(d)), "A");
    EXPECT_GE(VM_StrBufferSize(d), 16);
    EXPECT_EQ((VM_StrCHR(0, d), get(d)), "");
    int a = S("A\xE9");
    EXPECT_EQ(VM_StrAsc(a, 1), 65);
    EXPECT_EQ(VM_StrAsc(a, 0), 65);
    EXPECT_EQ(VM_StrAsc(a, 2), 233);
    EXPECT_EQ(VM_StrAsc(a, 3), -1);
    EXPECT_EQ(VM_StrAsc(S(""), 1), -1);
    EXPECT_EQ(VM_StrAsc(VM_Alloc(4), 1), -1);
}

TEST_F(TextFunctions, RepetitionPaddingInsertion) {
    int d = VM_NewKXStr(0), ab = S("ab");
    EXPECT_EQ((VM_StrMake(ab, 3, d), get(d)), "ababab");
    EXPECT_EQ((VM_StrMake(ab, 0, d), get(d)), "");
    int self = S("xy");
    EXPECT_EQ((VM_StrMake(self, 3, self), get(self)), "xyxyxy");
    int comma = S(",");
    EXPECT_EQ((VM_StrPad(S("abcdef"), comma, 0, 3, d), get(d)), "abc,def,");
    EXPECT_EQ((VM_StrPad(S("abc"), comma, 0, 3, d), get(d)), "abc");
    EXPECT_EQ((VM_StrPad(S("abcde"), comma, 1, 2, d), get(d)), "a,bc,de,");
    // An interval below 1 counts as 1.
    EXPECT_EQ((VM_StrPad(S("abcd"), S("--"), 0, 0, d), get(d)), "a--b--c--d--");
    int padself = S("1234567");
    EXPECT_EQ((VM_StrPad(padself, comma, 0, 3, padself), get(padself)), "123,456,7");
    int abc = S("abc"), xy = S("XY");
    EXPECT_EQ((VM_StrInsert(abc, xy, 0, d), get(d)), "XYabc");
    EXPECT_EQ((VM_StrInsert(abc, xy, 2, d), get(d)), "abXYc");
    EXPECT_EQ((VM_StrInsert(abc, xy, 9, d), get(d)), "abcXY");
    EXPECT_EQ((VM_StrInsert(abc, xy, -4, d), get(d)), "XYabc");
    EXPECT_EQ((VM_StrInsert(abc, S(""), 1, d), get(d)), "abc");
    EXPECT_EQ((VM_StrInsert(abc, abc, 1, abc), get(abc)), "aabcbc");
}

TEST_F(TextFunctions, Searching) {
    int t = S("ABCabc"), abc = S("abc");
    EXPECT_EQ(VM_StrInstring(t, abc, 1, 0), 4);
    EXPECT_EQ(VM_StrInstring(t, abc, 1, 1), 1);
    EXPECT_EQ(VM_StrInstring(t, abc, 5, 1), 0);
    EXPECT_EQ(VM_StrInstring(t, abc, -3, 0), 4);
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
    int set = S(",;"), src = S("a,b;c");
    const int delimiters[][2] = {{0, 1}, {2, 3}, {4, -1}, {5, -1}, {-2, 1}}; // from, found
    for (const auto& c : delimiters)
        EXPECT_EQ(VM_StrFindNextDelimiter(src, set, c[0]), c[1]) << c[0];
    EXPECT_EQ(VM_StrFindNextDelimiter(src, S(""), 0), -1);
}

TEST_F(TextFunctions, Replacing) {
    int d = VM_NewKXStr(0), aaaa = S("aaaa"), aa = S("aa"), b = S("b");
    EXPECT_EQ((VM_StrReplace(aaaa, aa, b, 1, 0, 0, d), get(d)), "bb");
    EXPECT_EQ((VM_StrReplace(aaaa, aa, b, 1, 0, 1, d), get(d)), "baa");
    EXPECT_EQ((VM_StrReplace(aaaa, aa, b, 2, 0, 0, d), get(d)), "aba");
    EXPECT_EQ((VM_StrReplace(aaaa, aa, b, 5, 0, 0, d), get(d)), "");
    EXPECT_EQ((VM_StrReplace(aaaa, S("x"), b, 1, 0, 0, d), get(d)), "aaaa");
    EXPECT_EQ((VM_StrReplace(aaaa, S("aaaaa"), b, 1, 0, 0, d), get(d)), "aaaa");
    EXPECT_EQ((VM_StrReplace(S("Cat cAT cat"), S("cat"), S("dog"), 1, 1, 0, d), get(d)),
              "dog dog dog");
    // No replacement: matches are deleted.
    EXPECT_EQ((VM_StrReplace(S("a-b-c"), S("-"), 0, 1, 0, 0, d), get(d)), "abc");
    // First-only must be exactly 1.
    EXPECT_EQ((VM_StrReplace(S("a-b"), S("-"), S("--"), 1, 0, 2, d), get(d)), "a--b");
    int self = S("one two one");
    EXPECT_EQ((VM_StrReplace(self, S("one"), S("three"), 1, 0, 0, self), get(self)),
              "three two three");
    int s2 = S("xx"); // the replacement is the destination too
    EXPECT_EQ((VM_StrReplace(s2, S("x"), s2, 1, 0, 0, s2), get(s2)), "xxxx");
    // At most 65536 matches are replaced.
    std::string r = (VM_StrReplace(S(std::string(70000, 'a')), S("a"), b, 1, 0, 0, d), get(d));
    ASSERT_EQ(r.size(), 70000u);
    EXPECT_EQ(r.find('a'), 65536u);
    EXPECT_EQ(r.substr(0, 3), "bbb");
}

TEST_F(TextFunctions, Splitting) {
    int d = VM_NewKXStr(0), comma = S(",");
    EXPECT_EQ(VM_StrSplit(S(",a,,b,"), comma), 2);
    EXPECT_EQ((VM_StrSplit_FragStr(0, d), get(d)), "a");
    EXPECT_EQ((VM_StrSplit_FragStr(1, d), get(d)), "b");
    EXPECT_EQ((VM_StrSplit_FragStr(2, d), get(d)), ""); // beyond the count: empty
    EXPECT_EQ((VM_StrSplit_FragStr(-1, d), get(d)), "");
    EXPECT_EQ(VM_StrSplit(S("abc"), comma), 1);
    EXPECT_EQ((VM_StrSplit_FragStr(0, d), get(d)), "abc");
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
    // 65536 delimiters are recorded; everything after the last is one fragment.
    std::string many(70000, ',');
    many[0] = 'a';
    many.back() = 'z';
    EXPECT_EQ(VM_StrSplit(S(many), comma), 2);
    EXPECT_EQ((VM_StrSplit_FragStr(1, d), get(d)), std::string(70000 - 65537 - 1, ',') + "z");
    // Fragments of a string that has since been freed read as empty.
    int gone = S("x,y");
    EXPECT_EQ(VM_StrSplit(gone, comma), 2);
    VM_Free(gone);
    EXPECT_EQ((VM_StrSplit_FragStr(1, d), get(d)), "");
}

TEST_F(TextFunctions, CloneFileName) {
    EXPECT_EQ(get(VM_CloneFileNameStr(S(" \t name.txt\t "))), "name.txt");
    EXPECT_EQ(VM_CloneFileNameStr(0), 0);
    int used = VM_UsedBankQuantity();
    EXPECT_EQ(get(VM_CloneFileNameStr(S("x "))), "x");
    EXPECT_EQ(VM_UsedBankQuantity(), used + 2); // the source and the clone; the set is kept
}

} // namespace
} // namespace kx::test
