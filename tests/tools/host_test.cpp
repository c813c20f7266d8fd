// The reference host: export calls with their conversions, print, end, faults,
// the cycle limit, state across runs; kxrun and kxasm as programs, with the
// examples and their expected output.
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>

#include "host.h"
#include "opcodes.h"
#include "tools_fixture.h"

namespace kx::test {
namespace {

using namespace std::string_literals;

struct Result {
    bool loaded = false;
    std::vector<std::string> load_errors;
    run::Outcome outcome;
    run::Stats stats;
    std::string out;
};

run::Runtime& runtime() {
    static run::Runtime rt;
    static bool loaded = [] {
        std::string error;
        bool ok = rt.load(run::runtime_beside_executable(), error);
        EXPECT_TRUE(ok) << error;
        return ok;
    }();
    (void)loaded;
    return rt;
}

Result run_image(const kxasm::Image& im, run::Options opt = {}) {
    Result r;
    char* buf = nullptr;
    std::size_t len = 0;
    std::FILE* f = open_memstream(&buf, &len);
    opt.out = f;
    {
        run::Host host(runtime(), opt);
        r.loaded = host.load(im, r.load_errors);
        if (r.loaded) r.outcome = host.run();
        r.stats = host.stats();
    }
    std::fclose(f);
    r.out.assign(buf, len);
    std::free(buf);
    return r;
}

Result run_source(const std::string& src, run::Options opt = {}) {
    return run_image(assembled(src), opt);
}

TEST(Host, CallsConvertArgumentsAndResults) {
    Result r = run_source(R"(
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

TEST(Host, PrintsIntegersFloatsAndStrings) {
    Result r = run_source(R"(
        string s = "a\0b", empty, none = 0
        float big = 1e10, small = 0.1, whole = 16777216.0, neg = -2.5
        print -2147483648, "|", 0, "|", big, "|", small, "|", whole, "|", neg, "|", 3.0
        write s, "|", empty, "|", none, "|"
        write
        print "done"
    )");
    ASSERT_TRUE(r.loaded) << joined(r.load_errors);
    EXPECT_EQ(r.out, "-2147483648|0|1e+10|0.1|16777216|-2.5|3\na\0b|||done\n"s);
}

TEST(Host, EndGivesTheStatusAndFaultsNameTheLine) {
    Result r = run_source("int a = 7\nend a\n");
    EXPECT_TRUE(r.outcome.ended);
    EXPECT_EQ(r.outcome.status, 7);
    r = run_source("float f = -2.9\nend f\n");
    EXPECT_TRUE(r.outcome.ended);
    EXPECT_EQ(r.outcome.status, -2);

    // A return without a return address: the interpreter refuses it; the host
    // reports it with the line, and the program has not ended.
    r = run_source("int a\nprint \"before\"\n  return\n");
    EXPECT_FALSE(r.outcome.ended);
    EXPECT_EQ(r.out, "before\n");
    EXPECT_EQ(r.outcome.message,
              "t.kxa:3 (at position 6): return found no return address on the stack (0 entries)");
    // func_return needs a return address and a count.
    r = run_source("int a\npush a\nfunc_return a\n");
    EXPECT_FALSE(r.outcome.ended);
    EXPECT_NE(
        r.outcome.message.find("func_return found no return address on the stack (1 entries)"),
        std::string::npos);
}

TEST(Host, CycleLimitAndBudgetKeepStateAcrossRuns) {
    run::Options opt;
    opt.max_cycles = 1000;
    opt.budget = 64;
    Result r = run_source("int a\nL: inc a\ngoto L\n", opt);
    EXPECT_FALSE(r.outcome.ended);
    EXPECT_EQ(r.outcome.message,
              "t.kxa:2 (at position 0): stopped after 1000 counted instructions (the cycle limit)");
    EXPECT_EQ(r.stats.cycles, 1000u);
    // The limit stops a program once it has used its cycles, even before an end.
    opt.max_cycles = 3;
    r = run_source("int a\ninc a\ninc a\ninc a\nend a\n", opt);
    EXPECT_FALSE(r.outcome.ended);
    EXPECT_EQ(r.outcome.message,
              "t.kxa:5 (at position 9): stopped after 3 counted instructions (the cycle limit)");
    opt.max_cycles = 4;
    r = run_source("int a\ninc a\ninc a\ninc a\nend a\n", opt);
    EXPECT_TRUE(r.outcome.ended);
    EXPECT_EQ(r.outcome.status, 3);

    // The same program under a budget of 1 (a hand-back after every counted
    // instruction) and a large one: same output, same count.
    const char* src = R"(
        int i, r, n, a, b, t
        list saved = n, a
        move i, 0
    show: func_call 1, i, fib
        pop_int r
        write r, " "
        next i, 12, show
        print
        end
    fib: pop_int n
        jump_lt n, 2, small
        push_list saved
        sub t, n, 1
        func_call 1, t, fib
        pop_int b
        pop_list saved
        move a, b
        push_list saved
        sub t, n, 2
        func_call 1, t, fib
        pop_int b
        pop_list saved
        add r, a, b
        func_return r
    small: func_return n
    )";
    run::Options tiny;
    tiny.budget = 1;
    Result one = run_source(src, tiny);
    Result many = run_source(src);
    EXPECT_EQ(one.out, "0 1 1 2 3 5 8 13 21 34 55 89 144 \n");
    EXPECT_EQ(many.out, one.out);
    EXPECT_EQ(many.stats.cycles, one.stats.cycles);
    EXPECT_GT(one.stats.runs, one.stats.cycles);
    EXPECT_EQ(many.stats.runs, 15u); // 13 writes, a print and the end
}

TEST(Host, LoadMakesStringBanksAndRefusesBadPrograms) {
    Result r = run_source(R"(
        string s = "abc", e, z = 0
        int n, m, k
        n = call VM_StrLen(s)
        m = call VM_BankExist(e)
        k = call VM_BankExist(z)
        write n, m, k
        n = call VM_StrLen("x\0y")
        m = call VM_StrCmpEqual(s, "abc")
        print n, m
        clock n
        clock m
        cmp_ge k, m, n
        print k
    )");
    ASSERT_TRUE(r.loaded) << joined(r.load_errors);
    EXPECT_EQ(r.out, "31031\n1\n");

    kxasm::Image im = assembled("int a\nL: inc a\ngoto L\n");
    im.words[4] = 1; // into the middle of "inc a"
    r = run_image(im);
    EXPECT_FALSE(r.loaded);
    ASSERT_EQ(r.load_errors.size(), 1u);
    EXPECT_EQ(r.load_errors[0], "at 3 (line 3), goto: target 1 is not the start of an instruction");
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
    Result r = run_image(image({VM_OP_POP_LIST, 5, kxasm::HOST_END, kI, 0, INT32_MIN}, 5));
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

std::string slurp(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

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
const std::string kExamples = KX_EXAMPLES_DIR;

TEST(Kxrun, RunsTheExamplesWithTheirExpectedOutput) {
    Process p = run_command(kKxrun + " " + kExamples + "/primes.kxa");
    EXPECT_EQ(p.status, 0) << p.err;
    EXPECT_TRUE(std::regex_match(p.out, std::regex("primes below 200000: 17984\n"
                                                   "largest: 199999\n"
                                                   "sieve time: [0-9]+ ms\n"
                                                   "fibonacci: 0 1 1 2 3 5 8 13 21 34 55 89 144 "
                                                   "233 377 610 987 1597 2584 4181\n")))
        << p.out;

    p = run_command(kKxrun + " " + kExamples + "/strings.kxa");
    EXPECT_EQ(p.status, 0) << p.err;
    EXPECT_EQ(p.out, "fields: 4\n"
                     "0: 'pear' -> PEAR\n"
                     "1: ' apple' -> APPLE\n"
                     "2: 'fig ' -> FIG\n"
                     "3: 'banana' -> BANANA\n"
                     "the cog sog on the mog\n"
                     "a cat sat on the mat\n"
                     "'on' at 13\n"
                     "integer: -2147483648\n"
                     "six digits: 000042\n"
                     "hexadecimal: $0000BEEF\n"
                     "float: 0.1234567\n"
                     "grouped: 123.456.7\n"
                     "parsed: -77\n"
                     "Hello, world (12 characters)\n");

    p = run_command(kKxrun + " " + kExamples + "/functions.kxa");
    EXPECT_EQ(p.status, 0) << p.err;
    EXPECT_EQ(p.out, "0 1 1 2 3 5 8 13 21 34 55 89 144 233 377 610 \n"
                     "0: zero\n1: one\n2: two\n3: (none)\n");

    p = run_command(kKxrun + " " + kExamples + "/files.kxa");
    EXPECT_EQ(p.status, 0) << p.err;
    EXPECT_EQ(p.out, "wrote 47 bytes\n"
                     "line: first line\n"
                     "integer: 123456789\n"
                     "float: 2.5\n"
                     "run: zero-terminated\n"
                     "line: last line (as written: 1)\n"
                     "at the end: 1\n"
                     "first byte: 102\n");
}

TEST(Kxrun, ExitStatusesMessagesAndBytecodeFiles) {
    std::string src = write_temp("status.kxa", "int a = 259\nprint \"hi\"\nend a\n");
    Process p = run_command(kKxrun + " --stats " + src);
    EXPECT_EQ(p.status, 3); // the low 8 bits of 259
    EXPECT_EQ(p.out, "hi\n");
    EXPECT_TRUE(std::regex_search(
        p.err, std::regex("kxrun: 0 counted instructions in 2 runs, 2 host instructions \\(0 "
                          "export calls\\), [0-9.]+ s\n")))
        << p.err;

    // Assembled to a file first, the program runs the same.
    std::string kxb = temp_path("status.kxb");
    p = run_command(kKxasm + " -o " + kxb + " " + src);
    EXPECT_EQ(p.status, 0) << p.err;
    p = run_command(kKxrun + " " + kxb);
    EXPECT_EQ(p.status, 3);
    EXPECT_EQ(p.out, "hi\n");

    // A damaged bytecode file is refused before anything runs.
    std::string bytes = slurp(kxb);
    bytes[9 * 4 + 8 * 4] = 99; // the operand of "end" names integer 99
    std::string bad = write_temp("bad.kxb", bytes);
    p = run_command(kKxrun + " " + bad);
    EXPECT_EQ(p.status, 125);
    EXPECT_EQ(p.out, "");
    EXPECT_NE(p.err.find("the program was refused"), std::string::npos) << p.err;
    EXPECT_NE(p.err.find("status: index 99 is outside the integer table (2)"), std::string::npos)
        << p.err;

    // Assembly errors: every message, and no run.
    std::string wrong = write_temp("wrong.kxa", "print \"x\"\nfrob\ngoto nowhere\n");
    p = run_command(kKxrun + " " + wrong);
    EXPECT_EQ(p.status, 125);
    EXPECT_EQ(p.out, "");
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
