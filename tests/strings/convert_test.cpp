// Number parsing and number text.
#include <cmath>
#include <limits>
#include <utility>

#include "string_fixture.h"

namespace kx::test {
namespace {

using Conversion = Strings;

TEST_F(Conversion, ParsingIntegers) {
    struct Case {
        const char* text;
        int value;
    } cases[] = {{"  $1f", 31},     {"%101", 5},
                 {"%", 0},          {"-17", -17},
                 {" +8x", 8},       {"12abc", 12},
                 {"3.9", 3},        {"abc", 0},
                 {"$FFFFFFFF", -1}, {"$fffffffff", -1},
                 {"%102", 2},       {"\t \t", 0},
                 {"4294967297", 1}, {"-2147483648", std::numeric_limits<int>::min()},
                 {" \t\n 5", 5},    {"  \n5", 5},
                 {"$", 0},          {"$g1", 0}};
    for (const Case& c : cases)
        EXPECT_EQ(VM_StrValL(S(c.text)), c.value) << c.text;
    EXPECT_EQ(VM_StrValL(0), 0);
    EXPECT_EQ(VM_StrValL(VM_Alloc(4)), 0);
    EXPECT_EQ(VM_StrValL(S(std::string{'1', '2', '\0', '3', '4'})), 12); // stops at a zero byte
}

TEST_F(Conversion, ParsingFloats) {
    const std::pair<const char*, float> cases[] = {
        {"2.5e3", 2500.0f}, {"$10", 16.0f},           {"$FFFFFFFF", -1.0f},
        {"", 0.0f},         {"  -0.125xyz", -0.125f}, {"+.5", 0.5f},
        {"1e", 1.0f},       {"junk", 0.0f},           {"1e-400", 0.0f}};
    for (auto [text, value] : cases)
        EXPECT_EQ(VM_StrValF(S(text)), value) << text;
    EXPECT_TRUE(std::isinf(VM_StrValF(S("1e60")))); // beyond a float
    ASSERT_EQ(VM_StrSplit(S("10, -2.5 ,$ff"), S(",")), 3);
    EXPECT_EQ(VM_StrSplit_FragValL(0), 10);
    EXPECT_EQ(VM_StrSplit_FragValF(1), -2.5f);
    EXPECT_EQ(VM_StrSplit_FragValL(2), 255);
    EXPECT_EQ(VM_StrSplit_FragValL(7), 0);
}

TEST_F(Conversion, IntegerText) {
    int d = VM_NewKXStr(0);
    EXPECT_EQ((VM_StrStringL(d, -2147483647 - 1), get(d)), "-2147483648");
    EXPECT_GE(VM_StrBufferSize(d), 32);
    EXPECT_EQ((VM_StrStringL(d, 0), get(d)), "0");
    EXPECT_EQ((VM_StrHexL(d, -1), get(d)), "$FFFFFFFF");
    EXPECT_EQ((VM_StrHexL(d, 0xAB), get(d)), "$000000AB");
    EXPECT_EQ((VM_StrBinL(d, 5), get(d)), "%" + std::string(29, '0') + "101");
    EXPECT_GE(VM_StrBufferSize(d), 40);
    char hex[12];
    std::memset(hex, '#', sizeof hex);
    VM_StrHexPtrL(hex, 0x1234ABCD);
    EXPECT_EQ(std::string(hex, 11), std::string("$1234ABCD\0#", 11));
    char bin[36];
    std::memset(bin, '#', sizeof bin);
    VM_StrBinPtrL(bin, std::numeric_limits<int>::min());
    EXPECT_EQ(std::string(bin, 35), "%1" + std::string(31, '0') + std::string("\0#", 2));
    VM_StrHexPtrL(nullptr, 1);
    // Round trips through the parser.
    for (int v : {0, 1, -1, 123456789, std::numeric_limits<int>::min()})
        for (auto text : {VM_StrHexL, VM_StrBinL, VM_StrStringL})
            EXPECT_EQ((text(d, v), VM_StrValL(d)), v);
    EXPECT_EQ((VM_StrDigitsL(d, 42, 5), get(d)), "00042");
    EXPECT_EQ((VM_StrDigitsL(d, 987, 2), get(d)), "87");
    EXPECT_EQ((VM_StrDigitsL(d, -5, 3), get(d)), "0-5");
    EXPECT_EQ((VM_StrDigitsL(d, 7, 200), get(d)), std::string(127, '0') + "7");
    EXPECT_EQ((VM_StrDigitsL(d, 7, 0), get(d)), "");
}

TEST_F(Conversion, FloatText) {
    struct Case {
        float value;
        const char* text;
    } cases[] = {{1.0f, "1.0"},
                 {0.0f, "0.0"},
                 {0.5f, "0.5"},
                 {123.456f, "123.456"},
                 {-2.25f, "-2.25"},
                 {2000000.0f, "2000000"},
                 {20000000.0f, "2.e+007"},
                 {15000000.0f, "1.5e+007"},
                 {0.05f, "5.e-002"},
                 {0.1f, "0.1"},
                 {1234567.0f, "1234567"},
                 {9999999.0f, "9999999"},
                 {12345678.0f, "1.234568e+007"},
                 {0.123456789f, "0.1234568"},
                 {1e-10f, "1.e-010"},
                 {-3e38f, "-3.e+038"},
                 {100.0f, "100.0"},
                 {0.25f, "0.25"}};
    int d = VM_NewKXStr(0);
    for (const Case& c : cases)
        EXPECT_EQ((VM_StrStringF(d, c.value), get(d)), c.text) << c.value;
    EXPECT_GE(VM_StrBufferSize(d), 64);
}

} // namespace
} // namespace kx::test
