// The reference host: export calls with their conversions, print, end, faults,
// the cycle limit, state across runs; kxrun and kxasm as programs.
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <regex>
#include <tuple>

#include "host.h"
#include "opcodes.h"
#include "tools_fixture.h"

namespace kx::test {
namespace {

using namespace std::string_literals;

std::string slurp(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

TEST(Host, CallsConvertArgumentsAndResults) {
    Ran r = run_source(R"(
        int bank, p, v, i = 3, size = 16
        float f = 2.75, g
        bank = call VM_Alloc(size)          ; a uint32_t parameter from an integer
        call VM_PokeFloat(bank, 0, i)       ; integer to a float parameter: 3.0
        g = call VM_PeekFloat(bank, 0)
        v = call VM_PeekFloat(bank, 0)      ; float result into an integer: truncated
        write g, " ", v
        call VM_PokeInt(bank, 4, f)         ; float to an integer parameter: 2
        v = call VM_PeekInt(bank, 4)
        g = call VM_PeekInt(bank, 4)        ; integer result into a float
        write " ", v, " ", g
        call VM_PokeFloat(bank, 8, -7.9)
        v = call VM_PeekFloat(bank, 8)
        write " ", v
        call VM_PokeInt(bank, 12, 3e9)      ; beyond 32 bits: the low 32 bits of the 64-bit value
        v = call VM_PeekInt(bank, 12)
        write " ", v
        v = call VM_BankSize(bank)
        write " ", v
        p = call KX_AllocMem(8)             ; an address kept in an integer
        call KX_PokeINT(p, -123456)
        v = call KX_PeekINT(p)
        write " ", v
        call KX_FreeMem(p)
        call VM_Free(bank)
        v = call VM_BankExist(bank)
        print " ", v
    )");
    ASSERT_TRUE(r.loaded) << joined(r.load_errors);
    EXPECT_TRUE(r.outcome.ended) << r.outcome.message;
    EXPECT_EQ(r.out, "3 3 2 2 -7 -1294967296 16 -123456 0\n");
    EXPECT_EQ(r.stats.calls, 18u);
}

// Loading gives each string variable its bank (none for "= 0"); values print in their
// shortest form; the clock does not go back.
TEST(Host, LoadMakesStringBanksAndPrintsEachKindOfValue) {
    Ran r = run_source(R"(
        string s = "a\0b", empty, none = 0
        float big = 1e10, small = 0.1, whole = 16777216.0, neg = -2.5
        int n, m, k
        print -2147483648, "|", 0, "|", big, "|", small, "|", whole, "|", neg, "|", 3.0
        write s, "|", empty, "|", none, "|"
        write
        print "done"
        n = call VM_StrLen(s)
        m = call VM_BankExist(empty)
        k = call VM_BankExist(none)
        write n, m, k
        n = call VM_StrLen("x\0y")
        m = call VM_StrCmpEqual(s, "a\0b")
        print n, m
        clock n
        clock m
        cmp_ge k, m, n
        print k
    )");
    ASSERT_TRUE(r.loaded) << joined(r.load_errors);
    EXPECT_EQ(r.out, "-2147483648|0|1e+10|0.1|16777216|-2.5|3\na\0b|||done\n31031\n1\n"s);
}

// How programs stop: their end with its status, faults named with the line (the program
// has not ended), and the cycle limit, which stops a program once it has used its cycles.
TEST(Host, EndFaultsAndTheCycleLimitGiveTheOutcome) {
    struct Case {
        const char* src;
        std::int64_t max_cycles;
        bool ended;
        std::int32_t status;
        const char* message;
    };
    const Case cases[] = {
        {"int a = 7\nend a\n", 0, true, 7, ""},
        {"float f = -2.9\nend f\n", 0, true, -2, ""},
        {"int a\nprint \"before\"\n  return\n", 0, false, 0,
         "t.kxa:3 (at position 6): return found no return address on the stack (0 entries)"},
        {"int a\npush a\nfunc_return a\n", 0, false, 0,
         "t.kxa:3 (at position 3): func_return found no return address on the stack (1 entries)"},
        {"int a\nL: inc a\ngoto L\n", 1000, false, 0,
         "t.kxa:2 (at position 0): stopped after 1000 counted instructions (the cycle limit)"},
        {"int a\ninc a\ninc a\ninc a\nend a\n", 3, false, 0,
         "t.kxa:5 (at position 9): stopped after 3 counted instructions (the cycle limit)"},
        {"int a\ninc a\ninc a\ninc a\nend a\n", 4, true, 3, ""},
    };
    for (const Case& c : cases) {
        run::Options opt;
        opt.max_cycles = c.max_cycles;
        opt.budget = 64;
        Ran r = run_source(c.src, opt);
        EXPECT_EQ(std::tuple(r.outcome.ended, r.outcome.status, r.outcome.message),
                  std::tuple(c.ended, c.status, std::string(c.message)))
            << c.src;
        if (c.max_cycles && !c.ended) {
            EXPECT_EQ(r.stats.cycles, std::uint64_t(c.max_cycles));
        }
    }
    EXPECT_EQ(run_source("int a\nprint \"before\"\nreturn\n").out, "before\n");
}

TEST(Host, ABudgetKeepsStateAcrossRuns) {
    // The same program under a budget of 1 (a hand-back after every counted
    // instruction) and a large one: same output, same count.
    // The functions example (recursion, lists, a jump table).
    const std::string src = slurp(std::string(KX_EXAMPLES_DIR) + "/functions.kxa");
    run::Options tiny;
    tiny.budget = 1;
    Ran one = run_source(src, tiny);
    Ran many = run_source(src);
    EXPECT_EQ(one.out, "0 1 1 2 3 5 8 13 21 34 55 89 144 233 377 610 \n"
                       "0: zero\n1: one\n2: two\n3: (none)\n");
    EXPECT_EQ(many.out, one.out);
    EXPECT_EQ(many.stats.cycles, one.stats.cycles);
    EXPECT_GT(one.stats.runs, one.stats.cycles);
    EXPECT_EQ(many.stats.runs, 22u); // 16 writes, 5 prints and the end
}

// Verified programs whose words the interpreter once read past what the
// verifier checked: each runs to a clean stop.
TEST(Host, VerifiedProgramsStayInsideTheirRecord) {
    constexpr std::int32_t kI = VM_TAG_INT;
    auto image = [](std::vector<std::int32_t> words, std::uint32_t code) {
        kxasm::Image im;
        im.words = std::move(words);
        im.code_words = code;
        im.ints = {0, 0};
        im.stack = 8;
        return im;
    };
    // A list whose count is the smallest integer is empty.
    Ran r = run_image(image({VM_OP_POP_LIST, 5, kxasm::HOST_END, kI, 0, INT32_MIN}, 5));
    ASSERT_TRUE(r.loaded) << joined(r.load_errors);
    EXPECT_TRUE(r.outcome.ended) << r.outcome.message;
    // Two GOSUBs leave return addresses where FUNC_RETURN takes its count: it
    // reads only the pairs after it, none here, and not the list behind them.
    r = run_image(image({VM_OP_GOSUB, 2, VM_OP_GOSUB, 4, VM_OP_FUNC_RETURN, 7, 0, kI, 1 << 30}, 5));
    ASSERT_TRUE(r.loaded) << joined(r.load_errors);
    EXPECT_FALSE(r.outcome.ended);
    // gosub, gosub, func_return to position 2, gosub; then one entry is left
    // and func_return stops.
    EXPECT_EQ(r.stats.cycles, 4u);
}

// ---- kxrun and kxasm as programs ------------------------------------------------

struct Process {
    int status = -1;
    std::string out, err;
};

std::string temp_path(const std::string& name) {
    return ::testing::TempDir() + "kx_tools_" + std::to_string(getpid()) + "_" + name;
}

Process run_command(const std::string& command) {
    Process p;
    std::string out = temp_path("stdout"), err = temp_path("stderr");
    int rc = std::system((command + " >" + out + " 2>" + err).c_str());
    p.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    p.out = slurp(out);
    p.err = slurp(err);
    std::remove(out.c_str());
    std::remove(err.c_str());
    return p;
}

std::string write_temp(const std::string& name, const std::string& text) {
    std::string path = temp_path(name);
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

const std::string kKxrun = KXRUN_PATH;
const std::string kKxasm = KXASM_PATH;

TEST(Kxrun, ExitStatusesMessagesAndBytecodeFiles) {
    std::string src = write_temp("status.kxa", "int a = 259\nprint \"hi\"\nend a\n");
    Process p = run_command(kKxrun + " --stats " + src);
    EXPECT_EQ(std::pair(p.status, p.out), std::pair(3, "hi\n"s)); // the low 8 bits of 259
    EXPECT_TRUE(std::regex_search(
        p.err, std::regex("kxrun: 0 counted instructions in 2 runs, 2 host instructions \\(0 "
                          "export calls\\), [0-9.]+ s\n")))
        << p.err;

    // Assembled to a file first, the program runs the same.
    std::string kxb = temp_path("status.kxb");
    p = run_command(kKxasm + " -o " + kxb + " " + src);
    EXPECT_EQ(p.status, 0) << p.err;
    p = run_command(kKxrun + " " + kxb);
    EXPECT_EQ(std::pair(p.status, p.out), std::pair(3, "hi\n"s));

    // A damaged bytecode file is refused before anything runs.
    std::string bytes = slurp(kxb);
    bytes[9 * 4 + 8 * 4] = 99; // the operand of "end" names integer 99
    std::string bad = write_temp("bad.kxb", bytes);
    p = run_command(kKxrun + " " + bad);
    EXPECT_EQ(std::pair(p.status, p.out), std::pair(125, ""s));
    EXPECT_NE(p.err.find("the program was refused"), std::string::npos) << p.err;

    // Assembly errors: every message, and no run.
    std::string wrong = write_temp("wrong.kxa", "print \"x\"\nfrob\ngoto nowhere\n");
    p = run_command(kKxrun + " " + wrong);
    EXPECT_EQ(std::pair(p.status, p.out), std::pair(125, ""s));
    EXPECT_EQ(p.err, wrong + ":2:1: error: unknown mnemonic 'frob'\n" + wrong +
                         ":3:6: error: undefined label 'nowhere'\n");
    p = run_command(kKxasm + " " + wrong);
    EXPECT_EQ(p.status, 1);

    // A fault at run time.
    std::string fault = write_temp("fault.kxa", "return\n");
    p = run_command(kKxrun + " " + fault);
    EXPECT_EQ(p.status, 124);
    EXPECT_NE(p.err.find(fault + ":1 (at position 0): return found no return address"),
              std::string::npos)
        << p.err;

    p = run_command(kKxrun + " " + temp_path("missing.kxa"));
    EXPECT_EQ(p.status, 125);
    EXPECT_NE(p.err.find("cannot open"), std::string::npos);
    p = run_command(kKxrun + " --budget 0 " + src);
    EXPECT_EQ(p.status, 125);
    for (const std::string& f : {src, kxb, bad, wrong, fault})
        std::remove(f.c_str());
}

} // namespace
} // namespace kx::test
