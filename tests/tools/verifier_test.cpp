// The bytecode file format and the verifier: round trips, truncated and
// malformed files, each kind of malformed program refused, and random input.
#include <random>

#include "image.h"
#include "opcodes.h"
#include "tools_fixture.h"

namespace kx::test {
namespace {

using W = std::vector<std::int32_t>;
constexpr std::int32_t kI = VM_TAG_INT, kF = VM_TAG_FLOAT, kO = VM_TAG_OTHER;

// A program of hand-written words with 4 integers, 2 floats and no lists.
kxasm::Image image_of(W code, W lists = {}) {
    kxasm::Image im;
    im.words = code;
    im.code_words = static_cast<std::uint32_t>(code.size());
    im.words.insert(im.words.end(), lists.begin(), lists.end());
    im.ints = {0, 0, 0, 0};
    im.float_bits = {0, 0};
    return im;
}

const W kEnd = {kxasm::HOST_END, kI, 0};

W with_end(W code) {
    code.insert(code.end(), kEnd.begin(), kEnd.end());
    return code;
}

// The first verifier message, or "" when the image passes.
std::string refusal(const kxasm::Image& im) {
    kxasm::Verification v = kxasm::verify(im);
    return v.ok ? "" : v.errors.at(0);
}

TEST(BytecodeFile, RoundTripAndRefusalOfDamagedFiles) {
    kxasm::Image im = assembled("int a = 3\nfloat f = -1.5\nstring s = \"text\"\n.stack 77\n"
                                "n: push_list [a, f]\ncall VM_StrLen(s)\nnext a, 9, n\nend a\n");
    std::vector<std::uint8_t> bytes = kxasm::encode(im);
    ASSERT_TRUE(kxasm::has_magic(bytes.data(), bytes.size()));
    kxasm::Image back;
    std::string error;
    ASSERT_TRUE(kxasm::decode(bytes.data(), bytes.size(), back, error)) << error;
    EXPECT_EQ(back.words, im.words);
    EXPECT_EQ(back.code_words, im.code_words);
    EXPECT_EQ(back.ints, im.ints);
    EXPECT_EQ(back.float_bits, im.float_bits);
    EXPECT_EQ(back.stack, 77u);
    ASSERT_EQ(back.strings.size(), 1u);
    EXPECT_EQ(back.strings[0].bytes, "text");
    EXPECT_EQ(back.strings[0].variable, im.strings[0].variable);
    EXPECT_EQ(back.imports, im.imports);
    // Header: magic, version, words, code words, integers, floats, stack, strings, imports.
    EXPECT_EQ(bytes[0], 'K');
    EXPECT_EQ(bytes[3], 'C');
    EXPECT_EQ(bytes[8], im.words.size());
    EXPECT_EQ(bytes[24], 77);

    // Every truncation is refused, as is trailing data.
    for (std::size_t n = 0; n < bytes.size(); ++n)
        EXPECT_FALSE(kxasm::decode(bytes.data(), n, back, error)) << n;
    std::vector<std::uint8_t> longer = bytes;
    longer.push_back(0);
    EXPECT_FALSE(kxasm::decode(longer.data(), longer.size(), back, error));

    auto damaged = [&](std::size_t at, std::uint8_t value) {
        std::vector<std::uint8_t> b = bytes;
        b[at] = value;
        return kxasm::decode(b.data(), b.size(), back, error) ? std::string() : error;
    };
    EXPECT_EQ(damaged(0, 'X'), "not a bytecode file (bad magic)");
    EXPECT_EQ(damaged(4, 2), "bytecode version 2 is not supported (expected 1)");
    EXPECT_EQ(damaged(11, 0xFF),
              "header sizes exceed the limits (program words, variables or stack)");
    EXPECT_NE(damaged(12, 0xFF).find("code size 255 exceeds"), std::string::npos);
    EXPECT_NE(damaged(16, 0x7F).find("truncated"), std::string::npos);
    EXPECT_NE(damaged(28, 0x40).find("truncated"), std::string::npos);
}

TEST(Verifier, AcceptsWhatTheAssemblerMakes) {
    kxasm::Image im = assembled(
        "int i, n, a\nfloat f\nlist l = i, f\n"
        "move i, 0\nloop: func_call 1, i, fn\npop_int n\npush_list l\npop_list l\nclear_list l\n"
        "on_goto i, loop, done\nnext i, 3, loop\nfl: next f, 2.0, fl\ndone: end\n"
        "fn: pop_n a\nfunc_return a\n");
    kxasm::Verification v = kxasm::verify(im);
    EXPECT_TRUE(v.ok) << joined(v.errors);
    EXPECT_EQ(v.host_positions.size(), 1u);
}

TEST(Verifier, RefusesEachKindOfMalformedProgram) {
    struct Case {
        const char* what;
        kxasm::Image image;
        const char* message;
    };
    kxasm::Image no_code = image_of({});
    kxasm::Image big_code = image_of(kEnd);
    big_code.code_words = 4;
    kxasm::Image bad_string = image_of(kEnd);
    bad_string.strings.push_back({4, "x"});
    kxasm::Image bad_import = image_of(with_end({kxasm::HOST_CALL, 0, 0, 0, 0}));
    bad_import.imports = {"VM_NoSuchExport"};
    auto with_import = [](W code, const char* name) {
        kxasm::Image im = image_of(with_end(code));
        im.imports = {name};
        return im;
    };
    Case cases[] = {
        {"empty code", no_code, "the program has no instructions"},
        {"code larger than the program", big_code, "code size 4 exceeds the program size 3"},
        {"string variable", bad_string,
         "string 0: integer variable 4 is outside the integer table (4)"},
        {"integer index", image_of(with_end({VM_OP_INC, kI, 4})),
         "at 0, inc: operand: index 4 is outside the integer table (4)"},
        {"negative index", image_of(with_end({VM_OP_INC, kI, -1})),
         "at 0, inc: operand: index -1 is outside the integer table (4)"},
        {"float index", image_of(with_end({VM_OP_ADD, kF, 0, kF, 2, kI, 0})),
         "at 0, add: A: index 2 is outside the float table (2)"},
        {"other tag read as a float", image_of(with_end({VM_OP_ADD, kI, 0, kO, 7, kI, 0})),
         "at 0, add: A: index 7 is outside the float table (2)"},
        {"unknown tag", image_of(with_end({VM_OP_PUSH, 5, 0})),
         "at 0, push: operand: tag 5 where a variable tag (1069, 1070 or 1071) is needed"},
        {"move from other", image_of(with_end({VM_OP_MOVE, kI, 0, kO, 0})),
         "at 0, move: source: tag 1071 where an integer or float variable is needed"},
        {"integer-only index", image_of(with_end({VM_OP_ADD_INT, 0, 1, 9})),
         "at 0, add_int: destination: index 9 is outside the integer table (4)"},
        {"jump outside the code", image_of(with_end({VM_OP_GOTO, 99})),
         "at 0, goto: target 99 is outside the code"},
        {"jump into an instruction", image_of(with_end({VM_OP_GOSUB, 3})),
         "at 0, gosub: target 3 is not the start of an instruction"},
        {"call target", image_of(with_end({VM_OP_CALL, 0, 0, -4})),
         "at 0, func_call: target -4 is outside the code"},
        {"on_goto table entry", image_of(with_end({VM_OP_ON_GOTO, kI, 0, 2, 0, 1})),
         "at 0, on_goto: target 1 is not the start of an instruction"},
        {"float next resumes at target + 1", image_of(with_end({VM_OP_NEXT, kF, 0, kF, 1, 0})),
         "at 0, next: target 0 (+1) is not the start of an instruction"},
        {"list outside memory", image_of(with_end({VM_OP_PUSH_LIST, 5})),
         "at 0, push_list: list at 5 is outside program memory (5 words)"},
        {"list pairs past memory", image_of(with_end({VM_OP_POP_LIST, 5}), {3, kI, 0}),
         "at 0, pop_list: list at 5: its 3 pairs run past program memory"},
        {"list pair index", image_of(with_end({VM_OP_CLEAR_LIST, 5}), {1, kF, 2}),
         "at 0, clear_list: list pair: index 2 is outside the float table (2)"},
        {"unknown opcode", image_of(with_end({1004})), "at 0, opcode: unknown opcode 1004"},
        {"reserved opcode", image_of(with_end({2100})),
         "at 0, opcode: 2100 is reserved for the screen, window and frame instructions, which "
         "this host does not carry out yet"},
        {"negative count", image_of(with_end({VM_OP_PUSH_N, -1})),
         "at 0, push_n: count -1 is negative"},
        {"negative table size", image_of(with_end({VM_OP_ON_GOTO, kI, 0, -2})),
         "at 0, on_goto: table size -2 is negative"},
        {"negative result count", image_of(with_end({VM_OP_CALL, 0, -1, 0})),
         "at 0, func_call: result count -1 is negative"},
        {"result count that could pass for an address",
         image_of(with_end({VM_OP_CALL, 0, 0x10000, 4})),
         "at 0, func_call: result count 65536 is above 65535"},
        {"return whose pairs read on into the lists", image_of({VM_OP_FUNC_RETURN}, {kI, 0, kF, 5}),
         "at 0, func_return: result (in the lists after the code): index 5 is outside the float "
         "table (2)"},
        {"instruction cut by the end of the code", image_of({kxasm::HOST_END, kI}),
         "at 0, end: the instruction runs past the end of the code (2 words)"},
        {"code that runs on", image_of({VM_OP_INC, kI, 0}),
         "the code ends with an instruction that can continue past it, into the lists or beyond "
         "program memory (end with goto, return, func_return or end)"},
        {"short func_return", image_of({VM_OP_CALL, 0, 2, 4, VM_OP_FUNC_RETURN, kI, 0}),
         "at 4, func_return: 1 result pairs, but the func_call at 0 expects 2 (a return reads as "
         "many pairs as its caller asked for)"},
        {"unknown import", bad_import, "import 0: unknown export 'VM_NoSuchExport'"},
        {"import index", image_of(with_end({kxasm::HOST_CALL, 1, 0, 0, 0})),
         "at 0, call: import 1 is outside the import table (0)"},
        {"argument count", with_import({kxasm::HOST_CALL, 0, 0, 0, 0}, "VM_StrLen"),
         "at 0, call: VM_StrLen takes 1 argument, 0 given"},
        {"result of a void export", with_import({kxasm::HOST_CALL, 0, 1, kI, 0, kI, 0}, "VM_Free"),
         "at 0, call: VM_Free returns nothing, but a result variable is given"},
        {"address from a float", with_import({kxasm::HOST_CALL, 0, 1, 0, 0, kF, 0}, "KX_FreeMem"),
         "at 0, call: argument: tag 1070 where an integer variable is needed"},
        {"address into a float", with_import({kxasm::HOST_CALL, 0, 1, kF, 0, kI, 0}, "KX_AllocMem"),
         "at 0, call: result: tag 1070 where an integer variable is needed"},
        {"result index", with_import({kxasm::HOST_CALL, 0, 1, kI, 8, kI, 0}, "VM_StrLen"),
         "at 0, call: result: index 8 is outside the integer table (4)"},
        {"no result but an index", with_import({kxasm::HOST_CALL, 0, 1, 0, 3, kI, 0}, "VM_StrLen"),
         "at 0, call: no result, but a result index 3"},
        {"print form", image_of(with_end({kxasm::HOST_PRINT, 1, 1, 7, kI, 0})),
         "at 0, print: unknown item form 7"},
        {"print flags", image_of(with_end({kxasm::HOST_PRINT, 2, 0})),
         "at 0, print: unknown flags 2"},
        {"string item from a float", image_of(with_end({kxasm::HOST_PRINT, 1, 1, 1, kF, 0})),
         "at 0, print: string item: tag 1070 where an integer variable is needed"},
        {"end status", image_of({kxasm::HOST_END, kO, 0}),
         "at 0, end: status: tag 1071 where an integer or float variable is needed"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(refusal(c.image), c.message) << c.what;
}

TEST(Verifier, ReportsSourceLinesAndCapsItsMessages) {
    kxasm::Image im = assembled("int a\n\ninc a\ngoto done\ndone: end\n");
    im.words[4] = 2; // goto into the middle of "inc a"
    EXPECT_EQ(refusal(im), "at 3 (line 4), goto: target 2 is not the start of an instruction");

    W code;
    for (int k = 0; k < 40; ++k)
        code.insert(code.end(), {VM_OP_INC, kI, 100 + k});
    kxasm::Verification v = kxasm::verify(image_of(with_end(code)));
    ASSERT_EQ(v.errors.size(), kxasm::kMaxVerifyErrors + 1);
    EXPECT_EQ(v.errors.back(), "20 more errors not shown");
}

// Random words, random headers and random damage to valid programs: the
// decoder and the verifier never crash (the sanitizer build checks every
// access), and a damaged file is either refused or verified as a whole.
TEST(Verifier, RandomWordsNeverCrashIt) {
    std::mt19937 rng(777);
    // clang-format off
    const W interesting = {VM_OP_MOVE, VM_OP_CALL, VM_OP_FUNC_RETURN, VM_OP_ON_GOTO, VM_OP_NEXT,
                           VM_OP_PUSH_N, VM_OP_POP_LIST, kxasm::HOST_CALL, kxasm::HOST_PRINT,
                           kxasm::HOST_END, kI, kF, kO, 0, 1, 2, 3, -1, INT32_MAX, INT32_MIN};
    // clang-format on
    auto random_word = [&]() -> std::int32_t {
        switch (rng() % 3) {
        case 0: return interesting[rng() % interesting.size()];
        case 1: return static_cast<std::int32_t>(rng() % 16);
        default: return static_cast<std::int32_t>(rng());
        }
    };
    int passed = 0;
    for (int round = 0; round < 20000; ++round) {
        W words(1 + rng() % 40);
        for (std::int32_t& w : words)
            w = random_word();
        kxasm::Image im = image_of(words);
        im.code_words = static_cast<std::uint32_t>(rng() % (words.size() + 1));
        im.ints.resize(rng() % 5);
        im.float_bits.resize(rng() % 3);
        if (rng() % 4 == 0) im.imports = {"VM_StrLen", "KX_AllocMem", "VM_Bogus"};
        kxasm::Verification v = kxasm::verify(im);
        passed += v.ok;
        EXPECT_EQ(v.ok, v.errors.empty());
    }
    // Damaged files of a real program.
    kxasm::Image base = assembled("int a, b\nfloat f\nstring s = \"abc\"\n"
                                  "L: func_call 1, a, F\npop_int b\nprint s, b, f\n"
                                  "on_goto a, L, M\nM: push_list [a, f]\npop_list [a, f]\n"
                                  "b = call VM_StrLen(s)\nnext a, 3, L\nend\nF: pop_int a\n"
                                  "func_return a\n");
    std::vector<std::uint8_t> bytes = kxasm::encode(base);
    for (int round = 0; round < 20000; ++round) {
        std::vector<std::uint8_t> b = bytes;
        for (int k = 1 + static_cast<int>(rng() % 4); k > 0; --k)
            b[rng() % b.size()] = static_cast<std::uint8_t>(rng());
        if (rng() % 8 == 0) b.resize(rng() % b.size());
        kxasm::Image im;
        std::string error;
        if (!kxasm::decode(b.data(), b.size(), im, error)) {
            EXPECT_FALSE(error.empty());
            continue;
        }
        kxasm::Verification v = kxasm::verify(im);
        EXPECT_EQ(v.ok, v.errors.empty());
    }
    EXPECT_GT(passed, 0);
}

} // namespace
} // namespace kx::test
