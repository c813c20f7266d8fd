// The assembler: the words of every mnemonic, constants, lists, layout, and
// each class of error with its message.
#include <bit>
#include <sstream>

#include "exports.h"
#include "opcodes.h"
#include "tools_fixture.h"

namespace kx::test {
namespace {

using namespace std::string_literals;
using W = std::vector<std::int32_t>;
constexpr std::int32_t kI = VM_TAG_INT, kF = VM_TAG_FLOAT, kO = VM_TAG_OTHER;

// Declarations shared by the cases below: integers a, b, c (0-2), floats x, y
// (0-1); the first integer constant is integer 3, the first float constant float 2.
const char* kHeader = "int a, b, c\nfloat x, y\nL: ";

W first_instruction(const std::string& line, std::int32_t size) {
    kxasm::Image im = assembled(std::string(kHeader) + line + "\nend\n");
    if (im.words.size() < static_cast<std::size_t>(size)) return {};
    return W(im.words.begin(), im.words.begin() + size);
}

// One statement of each operand layout, and the statements with literals,
// optional operands or counts the assembler writes itself.
TEST(Assembler, EachLayoutProducesItsWords) {
    struct Case {
        const char* line;
        W words;
    } cases[] = {
        {"move a, x", {VM_OP_MOVE, kI, 0, kF, 0}},
        {"move y, 5", {VM_OP_MOVE, kF, 1, kI, 3}},
        {"goto L", {VM_OP_GOTO, 0}},
        {"return", {VM_OP_RETURN}},
        {"jump_if_zero_int a, L", {VM_OP_JUMP_IF_ZERO_INT, kI, 0, 0}},
        {"next a, b, L", {VM_OP_NEXT, kI, 0, kI, 1, 0}},
        {"inc a", {VM_OP_INC, kI, 0}},
        {"push b", {VM_OP_PUSH, kI, 1}},
        {"push other", {VM_OP_PUSH, kO, 0}},
        {"pop_int c", {VM_OP_POP_INT, kI, 2}},
        {"func_call 1, a, x, L", {VM_OP_CALL, 2, 1, kI, 0, kF, 0, 0}},
        {"func_call 0, L", {VM_OP_CALL, 0, 0, 0}},
        {"func_return a, y", {VM_OP_FUNC_RETURN, kI, 0, kF, 1}},
        {"on_goto a, L, L, L", {VM_OP_ON_GOTO, kI, 0, 3, 0, 0, 0}},
        {"on_goto x", {VM_OP_ON_GOTO, kF, 0, 0}},
        {"pop_n a, x, other", {VM_OP_POP_N, 3, kI, 0, kF, 0, kO, 0}},
        {"push_n a, 7", {VM_OP_PUSH_N, 2, kI, 0, kI, 3}},
        {"and a, b, c", {VM_OP_AND, kI, 0, kI, 1, kI, 2}},
        {"or x, a, 1.5", {VM_OP_OR, kF, 0, kI, 0, kF, 2}},
        {"not a, x", {VM_OP_NOT, kI, 0, kF, 0}},
        {"cmp_gt a, y, c", {VM_OP_CMP_GT, kI, 0, kF, 1, kI, 2}},
        {"jump_gt a, x, L", {VM_OP_JUMP_GT, kI, 0, kF, 0, 0}},
        {"jump_past_limit a, x, c, L", {VM_OP_JUMP_PAST_LIMIT, kI, 0, kF, 0, kI, 2, 0}},
        // Integer-only forms: A, B, D indexes in the documented order.
        {"add_int a, b, c", {VM_OP_ADD_INT, 0, 1, 2}},
        {"mul_int a, 9, b", {VM_OP_MUL_INT, 0, 3, 1}},
        {"div y, y, 4", {VM_OP_DIV, kF, 1, kF, 1, kI, 3}},
        // Host instructions.
        {"end", {kxasm::HOST_END, kI, 3}},
        {"end b", {kxasm::HOST_END, kI, 1}},
        {"clock x", {kxasm::HOST_CLOCK, kF, 0}},
        {"print a, x, \"hi\"",
         {kxasm::HOST_PRINT, kxasm::kPrintNewline, 3, kxasm::kPrintValue, kI, 0, kxasm::kPrintValue,
          kF, 0, kxasm::kPrintString, kI, 3}},
        {"write", {kxasm::HOST_PRINT, 0, 0}},
        {"call VM_StrLen(a)", {kxasm::HOST_CALL, 0, 1, kxasm::kNoResult, 0, kI, 0}},
        {"x = call VM_PeekFloat(a, 4)", {kxasm::HOST_CALL, 0, 2, kF, 0, kI, 0, kI, 3}},
        {"b = call VM_MMCacheSize()", {kxasm::HOST_CALL, 0, 0, kI, 1}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(first_instruction(c.line, static_cast<std::int32_t>(c.words.size())), c.words)
            << c.line;
}

TEST(Assembler, ListsAreLaidOutAfterTheCodeAndShared) {
    kxasm::Image im = assembled("int a, b\nfloat x\nlist keep = a, x\n"
                                "push_list keep\nclear_list [a, x]\npop_list [b]\nend\n");
    // push_list (2) clear_list (2) pop_list (2) end (3): the code is 9 words.
    ASSERT_EQ(im.code_words, 9u);
    EXPECT_EQ((W{im.words[0], im.words[1]}), (W{VM_OP_PUSH_LIST, 9}));
    // An inline list with the same pairs is the same list.
    EXPECT_EQ((W{im.words[2], im.words[3]}), (W{VM_OP_CLEAR_LIST, 9}));
    EXPECT_EQ((W{im.words[4], im.words[5]}), (W{VM_OP_POP_LIST, 14}));
    EXPECT_EQ(W(im.words.begin() + 9, im.words.end()), (W{2, kI, 0, kF, 0, 1, kI, 1}));
}

TEST(Assembler, ConstantsStringsAndInitialValues) {
    kxasm::Image im =
        assembled("int a = -5, h = 0xFFFFFFFF, lo = -2147483648\n"
                  "float f = 3, g = -0.5e1\nstring s = \"x\\ty\\0z\", none = 0, e\n"
                  "const K = 7\nconst NAME = \"x\\ty\\0z\"\n"
                  "add a, a, K\nadd a, a, 7\nadd f, f, 2.5\nprint NAME, \"x\\ty\\0z\"\n"
                  "print \"other\"\nend\n");
    // Declared: a, h, lo, s, none, e (integers 0-5); f, g (floats 0-1).
    ASSERT_GE(im.ints.size(), 6u);
    EXPECT_EQ((W{im.ints[0], im.ints[1], im.ints[2]}), (W{-5, -1, INT32_MIN}));
    EXPECT_EQ((std::vector{std::bit_cast<float>(im.float_bits[0]),
                           std::bit_cast<float>(im.float_bits[1])}),
              (std::vector{3.0f, -5.0f}));
    // K and the literal 7 share one constant; equal string literals share one bank.
    EXPECT_EQ(im.words[6], im.words[13]);
    EXPECT_EQ(im.ints[static_cast<std::size_t>(im.words[6])], 7);
    EXPECT_EQ(std::bit_cast<float>(im.float_bits[static_cast<std::size_t>(im.words[20])]), 2.5f);
    // Strings: s, e (own banks, none has no bank), the shared literal and "other".
    std::vector<std::pair<std::int32_t, std::string>> strings;
    for (const auto& b : im.strings)
        strings.emplace_back(b.variable, b.bytes);
    ASSERT_EQ(strings.size(), 4u);
    const std::string text("x\ty\0z", 5);
    EXPECT_EQ(strings[0], std::pair(3, text));
    EXPECT_EQ(strings[1], std::pair(5, std::string()));
    EXPECT_EQ((std::vector{strings[2].second, strings[3].second}), (std::vector{text, "other"s}));
    // print NAME, "..." : both items are the one string constant, printed as strings.
    std::size_t p = 21;
    ASSERT_EQ(im.words[p], kxasm::HOST_PRINT);
    EXPECT_EQ(im.words[p + 3], kxasm::kPrintString);
    EXPECT_EQ(im.words[p + 5], im.strings[2].variable);
    EXPECT_EQ(im.words[p + 8], im.strings[2].variable);
}

TEST(Assembler, LayoutOfLabelsLoopsAndReturns) {
    // A float loop variable resumes one word after NEXT's target: the assembler
    // writes the label's position minus one.
    kxasm::Image im = assembled("float f\nint i\nM: inc i\nN: next f, 10, N\nnext i, 10, N\nend\n");
    EXPECT_EQ(im.words[3 + 5], 2);
    EXPECT_EQ(im.words[9 + 5], 3);

    // func_return is padded with "other" pairs up to the largest result count.
    im = assembled("int a\nfunc_call 2, F\nend\nF: func_return a\n");
    EXPECT_EQ(W(im.words.begin() + 7, im.words.end()), (W{VM_OP_FUNC_RETURN, kI, 0, kO, 0}));

    // A program that can run past its end, or a label after the last
    // instruction, gets an implicit end (status 0).
    im = assembled("int a\ninc a\n");
    EXPECT_EQ(W(im.words.begin() + 3, im.words.end()), (W{kxasm::HOST_END, kI, 1}));
    im = assembled("int a\nL: goto L\ndone:\n");
    EXPECT_EQ(im.words.size(), 5u);
    im = assembled("int a\nL: goto L\n");
    EXPECT_EQ(im.words.size(), 2u);
    im = assembled("");
    EXPECT_EQ(im.words, (W{kxasm::HOST_END, kI, 0}));

    // Several labels on a line, case-insensitive mnemonics, comments.
    im = assembled("int a\nA: B: INC a ; count\n  Goto B\n");
    EXPECT_EQ(im.words, (W{VM_OP_INC, kI, 0, VM_OP_GOTO, 0}));
    // .stack sets the capacity.
    EXPECT_EQ(assembled(".stack 12\nend\n").stack, 12u);
    EXPECT_EQ(assembled("end\n").stack, 1024u);
    // Source lines of instruction starts.
    im = assembled("int a\n\ninc a\nend\n");
    EXPECT_EQ(im.lines[0], 3);
    EXPECT_EQ(im.lines[3], 4);
}

TEST(Assembler, CallsNameImportsOncePerExport) {
    kxasm::Image im = assembled("int s, n\nn = call VM_StrLen(s)\ncall VM_Free(s)\n"
                                "n = call VM_StrLen(n)\nend\n");
    EXPECT_EQ(im.imports, (std::vector<std::string>{"VM_StrLen", "VM_Free"}));
    EXPECT_EQ((W{im.words[1], im.words[8], im.words[15]}), (W{0, 1, 0}));
}

struct ErrorCase {
    const char* src;
    const char* message; // the whole first diagnostic
};

TEST(Assembler, EachErrorNamesFileLineColumnAndWhat) {
    const ErrorCase cases[] = {
        {"int a\n  frob a\n", "t.kxa:2:3: error: unknown mnemonic 'frob'"},
        {"int a\nadd a, a\n", "t.kxa:2:1: error: 'add' takes 3 operands, 2 given"},
        {"return 5\n", "t.kxa:1:1: error: 'return' takes 0 operands, 1 given"},
        {"int a\ninc a, a\n", "t.kxa:2:1: error: 'inc' takes 1 operand, 2 given"},
        {"goto nowhere\n", "t.kxa:1:6: error: undefined label 'nowhere'"},
        {"L: end\n L: end\n", "t.kxa:2:2: error: duplicate label 'L' (first defined on line 1)"},
        {"inc q\n", "t.kxa:1:5: error: undeclared variable 'q'"},
        {"call VM_Nope(1)\n", "t.kxa:1:6: error: unknown export 'VM_Nope'"},
        {"call VM_StrLen(1, 2)\n",
         "t.kxa:1:6: error: VM_StrLen takes 1 argument (string), 2 given"},
        {"int a = 2147483648\n",
         "t.kxa:1:9: error: value 2147483648 does not fit in a 32-bit integer"},
        {"int a = -2147483649\n",
         "t.kxa:1:9: error: value -2147483649 does not fit in a 32-bit integer"},
        {"int a = 0x100000000\n",
         "t.kxa:1:9: error: value 0x100000000 does not fit in a 32-bit integer"},
        {"float f\nmove f, 1e39\n", "t.kxa:2:9: error: value 1e39 does not fit in a 32-bit float"},
        {".stack 99999999\n",
         "t.kxa:1:8: error: value 99999999 does not fit: the stack holds 0 to 16777216 entries"},
        {"int a\nfloat a\n", "t.kxa:2:7: error: duplicate name 'a' (first declared on line 1)"},
        {"const K = 1\ninc K\n", "t.kxa:2:5: error: cannot write to the constant 'K'"},
        {"int a\nmove 3, a\n", "t.kxa:2:6: error: cannot write to a constant"},
        {"float f\ncall KX_PeekINT(f)\n",
         "t.kxa:2:17: error: argument 1 of KX_PeekINT is an address, which needs an integer "
         "variable"},
        {"float f\nf = call KX_AllocMem(4)\n",
         "t.kxa:2:1: error: KX_AllocMem returns an address, which needs an integer variable"},
        {"int r\nr = call VM_Free(1)\n", "t.kxa:2:1: error: VM_Free returns nothing"},
        {"int a\nfloat f\nadd_int a, f, a\n",
         "t.kxa:3:12: error: add_int takes integer variables only"},
        {"int a\nL: inc L\n", "t.kxa:2:8: error: 'L' is a label, not a variable"},
        {"int a\ngoto a\n", "t.kxa:2:6: error: 'a' is not a label"},
        {"int a\nmove a, other\n", "t.kxa:2:9: error: 'other' is only allowed in stack operands"},
        {"print \"abc\n", "t.kxa:1:7: error: unterminated string"},
        {"print \"a\\q\"\n", "t.kxa:1:9: error: unknown escape '\\q'"},
        {"int a = 12ab\n", "t.kxa:1:9: error: malformed number '12ab'"},
        {"int a\nmove a, $\n", "t.kxa:2:9: error: unexpected character '$'"},
        {"int a\ninc a b\n", "t.kxa:2:7: error: expected ','"},
        {"int a\npush_list a\n", "t.kxa:2:11: error: 'a' is not a list"},
        {"int a\nclear_list [a, 3]\n", "t.kxa:2:16: error: cannot write to a constant"},
        {"int a\na = VM_StrLen(a)\n",
         "t.kxa:2:5: error: expected 'call' after '=' (assignments are made with move)"},
        {"int move\n", "t.kxa:1:5: error: 'move' is reserved and cannot name a variable"},
        {"func_call a, L\nL: end\n",
         "t.kxa:1:11: error: func_call needs its result count first (an integer)"},
        {"int i = 1.5\n", "t.kxa:1:9: error: an integer variable needs an integer value"},
    };
    for (const ErrorCase& c : cases) {
        std::vector<std::string> errors = assembly_errors(c.src);
        ASSERT_FALSE(errors.empty()) << c.src;
        EXPECT_EQ(errors[0], c.message) << c.src;
    }
}

TEST(Assembler, ReportsEveryErrorUpToALimit) {
    std::vector<std::string> errors = assembly_errors("int a\nfrob\ninc b\ngoto x\nadd a\nend\n");
    std::vector<std::string> lines;
    for (const std::string& e : errors)
        lines.push_back(e.substr(0, 8));
    EXPECT_EQ(lines, (std::vector<std::string>{"t.kxa:2:", "t.kxa:3:", "t.kxa:4:", "t.kxa:5:"}));

    std::string many;
    for (int k = 0; k < 60; ++k)
        many += "frob\n";
    errors = assembly_errors(many);
    ASSERT_EQ(errors.size(), kxasm::kMaxErrors + 1);
    EXPECT_EQ(errors.back(), "t.kxa:60:1: error: 10 more errors not shown");
}

} // namespace
} // namespace kx::test
