// Interpreter benchmarks: nanoseconds per executed instruction on three
// programs, side by side with the same programs in Lua 5.4 and in LuaJIT's
// interpreter (luajit -joff), run as child processes in the same run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <limits>
#include <map>
#include <string>

#include "bytecode_builder.h"
#include "kx/kx_vm.h"

using namespace kx::tools;

namespace {

constexpr std::int32_t kEnd = 2000;

struct Program {
    const char* name;
    Bytecode code;
    double instructions; // executed per run, counted and uncounted alike
    const char* lua;     // the same work in Lua
};

// for i = 1 to n: sum = sum + i   (ADD + NEXT per iteration)
Program summing_loop(std::int32_t n) {
    Bytecode c;
    c.ins(VM_OP_MOVE, {I(0), I(10)}).ins(VM_OP_MOVE, {I(1), I(11)}); // i = 1, sum = 0
    std::int32_t body = c.here();
    c.ins(VM_OP_ADD, {I(1), I(1), I(0)});
    c.ins(VM_OP_NEXT, {I(0), I(2)}, {body}).word(kEnd);
    return {"sum loop", c, 2.0 + 2.0 * n, "local s = 0 for i = 1, N do s = s + i end return s"};
}

// for i = 1 to n: for j = 1 to n: if j < i then count = count + 1
Program nested_loops(std::int32_t n) {
    Bytecode c;
    c.ins(VM_OP_MOVE, {I(0), I(10)});
    std::int32_t outer = c.here();
    c.ins(VM_OP_MOVE, {I(1), I(10)});
    std::int32_t inner = c.here();
    c.ins(VM_OP_CMP_LT, {I(4), I(1), I(0)});
    c.ins(VM_OP_JUMP_IF_ZERO_INT, {I(4)}, {0});
    std::int32_t skip = c.last();
    c.ins(VM_OP_INC, {I(3)});
    c.patch(skip, c.here());
    c.ins(VM_OP_NEXT, {I(1), I(2)}, {inner});
    c.ins(VM_OP_NEXT, {I(0), I(2)}, {outer}).word(kEnd);
    double nn = double(n) * n;
    double taken = double(n) * (n - 1) / 2; // pairs with j < i
    return {"nested loops", c, 1 + n * 2.0 + nn * 3 + taken,
            "local c = 0 for i = 1, N do for j = 1, N do if j < i then c = c + 1 end end end "
            "return c"};
}

// for i = 1 to n: r = add(i, k): sum = sum + r   with add(a, b) = a + b
Program calls(std::int32_t n) {
    Bytecode c;
    c.ins(VM_OP_MOVE, {I(0), I(10)});
    std::int32_t body = c.here();
    c.word(VM_OP_CALL).word(2).word(1).operand(I(0)).operand(I(5)).word(0);
    std::int32_t target = c.last();
    c.ins(VM_OP_POP_INT, {I(6)});
    c.ins(VM_OP_ADD, {I(1), I(1), I(6)});
    c.ins(VM_OP_NEXT, {I(0), I(2)}, {body}).word(kEnd);
    c.patch(target, c.here());
    c.word(VM_OP_POP_N).word(2).operand(I(21)).operand(I(20));
    c.ins(VM_OP_ADD, {I(22), I(20), I(21)});
    c.word(VM_OP_FUNC_RETURN).operand(I(22));
    return {"call/return", c, 1 + 7.0 * n,
            "local function add(a, b) return a + b end local s = 0 "
            "for i = 1, N do s = s + add(i, 3) end return s"};
}

struct Case {
    Program program;
    std::int32_t n;
};

std::map<std::string, Case>& cases() {
    static std::map<std::string, Case> c = {
        {"sum loop", {summing_loop(10000000), 10000000}},
        {"nested loops", {nested_loops(2000), 2000}},
        {"call/return", {calls(3000000), 3000000}},
    };
    return c;
}

void run_program(benchmark::State& state, const std::string& name) {
    Case& k = cases().at(name);
    VM_Program* p =
        VM_AllocProgram(static_cast<std::uint32_t>(k.program.code.words.size()), 64, 32, 4);
    k.program.code.load(p);
    for (auto _ : state) {
        VM_PokeIntVariable(p, 10, 1);
        VM_PokeIntVariable(p, 11, 0);
        VM_PokeIntVariable(p, 2, k.n);
        VM_PokeIntVariable(p, 5, 3);
        VM_PokeIntVariable(p, 3, 0);
        std::int32_t pc = VM_Execute(p, 0, std::numeric_limits<std::int32_t>::max());
        benchmark::DoNotOptimize(pc);
        if (VM_PeekProgramMemory(p, pc) != kEnd) state.SkipWithError("did not reach the end");
    }
    state.counters["ns/instr"] =
        benchmark::Counter(k.program.instructions * double(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    VM_DeleteProgram(p);
}

// Seconds of the best of three runs of a Lua program, or a negative value if
// the interpreter is not installed.
double lua_seconds(const char* interpreter, const char* flags, const std::string& body,
                   std::int32_t n) {
    std::string script = "local N = " + std::to_string(n) +
                         " local best = math.huge for r = 1, 3 do local t = os.clock() "
                         "local function work() " +
                         body +
                         " end work() "
                         "local d = os.clock() - t if d < best then best = d end end print(best)";
    std::string cmd = std::string(interpreter) + " " + flags + " -e '" + script + "' 2>/dev/null";
    FILE* f = popen(cmd.c_str(), "r");
    if (!f) return -1;
    double seconds = -1;
    if (std::fscanf(f, "%lf", &seconds) != 1) seconds = -1;
    if (pclose(f) != 0) return -1;
    return seconds;
}

class Capture : public benchmark::ConsoleReporter {
  public:
    std::map<std::string, double> seconds_per_run;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs)
            seconds_per_run[r.run_name.function_name] =
                r.real_accumulated_time / double(r.iterations);
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

int main(int argc, char** argv) {
    for (auto& [name, k] : cases())
        benchmark::RegisterBenchmark(("vm/" + name).c_str(), run_program, name)
            ->Unit(benchmark::kMillisecond)
            ->MinTime(0.5);
    benchmark::Initialize(&argc, argv);
    Capture reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    std::printf("\n%-14s %12s %12s %12s %12s %10s %10s\n", "program", "instructions", "VM ns/ins",
                "Lua ns/ins", "LuaJIT ns/ins", "Lua/VM", "LuaJIT/VM");
    for (auto& [name, k] : cases()) {
        auto it = reporter.seconds_per_run.find("vm/" + name);
        if (it == reporter.seconds_per_run.end()) continue;
        double vm = it->second;
        double lua = lua_seconds("lua5.4", "", k.program.lua, k.n);
        double jit = lua_seconds("luajit", "-joff", k.program.lua, k.n);
        double per = 1e9 / k.program.instructions;
        auto cell = [](double v) {
            return v > 0 ? std::to_string(v).substr(0, 6) : std::string("n/a");
        };
        std::printf("%-14s %12.0f %12.3f %12s %12s %10s %10s\n", name.c_str(),
                    k.program.instructions, vm * per, cell(lua * per).c_str(),
                    cell(jit * per).c_str(), lua > 0 ? cell(lua / vm).c_str() : "n/a",
                    jit > 0 ? cell(jit / vm).c_str() : "n/a");
    }
    std::printf(
        "(ratios above 1: the VM is faster; Lua times are the same work per VM instruction)\n");
    benchmark::Shutdown();
    return 0;
}
