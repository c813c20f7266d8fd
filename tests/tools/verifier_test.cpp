// The bytecode file format and the verifier: round trips, truncated and
// malformed files and each kind of malformed program refused (random input is
// the fuzz harnesses' work: fuzz/fuzz_kxasm.cpp, fuzz/fuzz_bytecode.cpp).
#include <tuple>

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
    auto fields = [](const kxasm::Image& i) {
        std::vector<std::string> strings;
        for (const auto& s : i.strings)
            strings.push_back(std::to_string(s.variable) + ":" + s.bytes);
        return std::tuple(i.words, i.code_words, i.ints, i.float_bits, i.stack, strings, i.imports);
    };
    EXPECT_EQ(fields(back), fields(im));
    EXPECT_EQ(back.stack, 77u);
    // Header: magic, version, words, code words, integers, floats, stack, strings, imports.
    EXPECT_EQ((std::vector<std::size_t>{bytes[0], bytes[3], bytes[8], bytes[24]}),
              (std::vector<std::size_t>{'K', 'C', im.words.size(), 77}));

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
    // Code followed by an end, with one import when named.
    struct Case {
        W code;
        const char* message;
        const char* import = nullptr;
    };
    // clang-format off
    const Case cases[] = {
        {{VM_OP_INC, kI, 4}, "at 0, inc: operand: index 4 is outside the integer table (4)"},
        {{VM_OP_INC, kI, -1}, "at 0, inc: operand: index -1 is outside the integer table (4)"},
        {{VM_OP_ADD, kF, 0, kF, 2, kI, 0}, "at 0, add: A: index 2 is outside the float table (2)"},
        // An "other" tag read as a float.
        {{VM_OP_ADD, kI, 0, kO, 7, kI, 0}, "at 0, add: A: index 7 is outside the float table (2)"},
        {{VM_OP_PUSH, 5, 0},
         "at 0, push: operand: tag 5 where a variable tag (1069, 1070 or 1071) is needed"},
        {{VM_OP_MOVE, kI, 0, kO, 0},
         "at 0, move: source: tag 1071 where an integer or float variable is needed"},
        {{VM_OP_ADD_INT, 0, 1, 9},
         "at 0, add_int: destination: index 9 is outside the integer table (4)"},
        {{VM_OP_GOTO, 99}, "at 0, goto: target 99 is outside the code"},
        {{VM_OP_GOSUB, 3}, "at 0, gosub: target 3 is not the start of an instruction"},
        {{VM_OP_CALL, 0, 0, -4}, "at 0, func_call: target -4 is outside the code"},
        {{VM_OP_ON_GOTO, kI, 0, 2, 0, 1}, "at 0, on_goto: target 1 is not the start of an instruction"},
        // A float next resumes at its target + 1.
        {{VM_OP_NEXT, kF, 0, kF, 1, 0},
         "at 0, next: target 0 (+1) is not the start of an instruction"},
        {{VM_OP_PUSH_LIST, 5}, "at 0, push_list: list at 5 is outside program memory (5 words)"},
        {{1004}, "at 0, opcode: unknown opcode 1004"},
        {{2107}, "at 0, opcode: 2107 is reserved for further screen, window and frame instructions, "
                 "which this host does not carry out"},
        {{VM_OP_PUSH_N, -1}, "at 0, push_n: count -1 is negative"},
        {{VM_OP_ON_GOTO, kI, 0, -2}, "at 0, on_goto: table size -2 is negative"},
        {{VM_OP_CALL, 0, -1, 0}, "at 0, func_call: result count -1 is negative"},
        // A count that could pass for a return address (program memory lies above 64 MiB).
        {{VM_OP_CALL, 0, 0x10000, 0}, "at 0, func_call: result count 65536 is above 65535"},
        {{kxasm::HOST_CALL, 0, 0, 0, 0}, "import 0: unknown export 'VM_NoSuchExport'",
         "VM_NoSuchExport"},
        {{kxasm::HOST_CALL, 1, 0, 0, 0}, "at 0, call: import 1 is outside the import table (0)"},
        {{kxasm::HOST_CALL, 0, 0, 0, 0}, "at 0, call: VM_StrLen takes 1 argument, 0 given",
         "VM_StrLen"},
        {{kxasm::HOST_CALL, 0, 1, kI, 0, kI, 0},
         "at 0, call: VM_Free returns nothing, but a result variable is given", "VM_Free"},
        {{kxasm::HOST_CALL, 0, 1, 0, 0, kF, 0},
         "at 0, call: argument: tag 1070 where an integer variable is needed", "KX_FreeMem"},
        {{kxasm::HOST_CALL, 0, 1, kF, 0, kI, 0},
         "at 0, call: result: tag 1070 where an integer variable is needed", "KX_AllocMem"},
        {{kxasm::HOST_CALL, 0, 1, kI, 8, kI, 0},
         "at 0, call: result: index 8 is outside the integer table (4)", "VM_StrLen"},
        {{kxasm::HOST_CALL, 0, 1, 0, 3, kI, 0}, "at 0, call: no result, but a result index 3",
         "VM_StrLen"},
        {{kxasm::HOST_PRINT, 1, 1, 7, kI, 0}, "at 0, print: unknown item form 7"},
        {{kxasm::HOST_PRINT, 2, 0}, "at 0, print: unknown flags 2"},
        {{kxasm::HOST_PRINT, 1, 1, 1, kF, 0},
         "at 0, print: string item: tag 1070 where an integer variable is needed"},
    };
    // clang-format on
    for (const Case& c : cases) {
        kxasm::Image im = image_of(with_end(c.code));
        if (c.import) im.imports = {c.import};
        EXPECT_EQ(refusal(im), c.message);
    }

    // Images that are wrong as a whole, and code without the end.
    kxasm::Image big_code = image_of(kEnd), bad_string = image_of(kEnd);
    big_code.code_words = 4;
    bad_string.strings.push_back({4, "x"});
    const std::pair<kxasm::Image, const char*> images[] = {
        {image_of({}), "the program has no instructions"},
        {big_code, "code size 4 exceeds the program size 3"},
        {bad_string, "string 0: integer variable 4 is outside the integer table (4)"},
        {image_of(with_end({VM_OP_POP_LIST, 5}), {3, kI, 0}),
         "at 0, pop_list: list at 5: its 3 pairs run past program memory"},
        {image_of(with_end({VM_OP_CLEAR_LIST, 5}), {1, kF, 2}),
         "at 0, clear_list: list pair: index 2 is outside the float table (2)"},
        {image_of({VM_OP_FUNC_RETURN}, {kI, 0, kF, 5}),
         "at 0, func_return: result (in the lists after the code): index 5 is outside the float "
         "table (2)"},
        {image_of({kxasm::HOST_END, kI}),
         "at 0, end: the instruction runs past the end of the code (2 words)"},
        {image_of({VM_OP_INC, kI, 0}),
         "the code ends with an instruction that can continue past it, into the lists or beyond "
         "program memory (end with goto, return, func_return or end)"},
        {image_of({VM_OP_CALL, 0, 2, 4, VM_OP_FUNC_RETURN, kI, 0}),
         "at 4, func_return: 1 result pairs, but the func_call at 0 expects 2 (a return reads as "
         "many pairs as its caller asked for)"},
        {image_of({kxasm::HOST_END, kO, 0}),
         "at 0, end: status: tag 1071 where an integer or float variable is needed"},
    };
    for (const auto& [image, message] : images)
        EXPECT_EQ(refusal(image), message);
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

} // namespace
} // namespace kx::test
