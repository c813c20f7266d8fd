// Host benchmarks: what kxrun adds to a program.
// - The cost of one `call` of a trivial export through the host (hand-back,
//   decoded instruction, argument conversion, typed thunk, resume), against a
//   direct call of the same export through a function pointer.
// - An interpreter loop run by the host (Host::run with its cycle budget)
//   against the bare interpreter (one VM_Execute over the same record).
// The summary uses CPU time, as the machine may be shared.
#include <benchmark/benchmark.h>

#include <climits>
#include <cstdio>
#include <map>
#include <string>

#include "assembler.h"
#include "exports.h"
#include "host.h"

namespace {

using kx::run::Host;
using kx::run::Runtime;

Runtime& runtime() {
    static Runtime rt;
    static bool ok = [] {
        std::string error;
        if (!rt.load(kx::run::runtime_beside_executable(), error))
            std::fprintf(stderr, "host_bench: %s\n", error.c_str());
        return true;
    }();
    (void)ok;
    return rt;
}

std::FILE* null_out() {
    static std::FILE* f = std::fopen("/dev/null", "w");
    return f;
}

kx::kxasm::Image image(const std::string& src) {
    kx::kxasm::AssemblyResult r = kx::kxasm::assemble(src, "bench.kxa");
    if (!r.ok)
        for (auto& d : r.errors)
            std::fprintf(stderr, "%s\n", d.text().c_str());
    return r.image;
}

constexpr int kCalls = 1000000;

// A loop of N iterations whose body is `body`.
std::string loop(const std::string& body) {
    return "int i = 1, r, n = " + std::to_string(kCalls) + "\nL: " + body + "\nnext i, n, L\nend\n";
}

const std::map<std::string, std::string>& call_programs() {
    static const std::map<std::string, std::string> p = {
        {"empty loop", loop("inc r")},
        {"call VM_MMCacheSize()", loop("r = call VM_MMCacheSize()")},
        {"call VM_BankExist(i)", loop("r = call VM_BankExist(i)")},
        {"call VM_FillBank(0,0,0,0)", loop("call VM_FillBank(0, 0, 0, 0)")},
    };
    return p;
}

void host_loop(benchmark::State& state, const std::string& name) {
    kx::kxasm::Image im = image(call_programs().at(name));
    kx::run::Options opt;
    opt.out = null_out();
    for (auto _ : state) {
        Host host(runtime(), opt);
        std::vector<std::string> errors;
        if (!host.load(im, errors)) {
            state.SkipWithError("load failed");
            return;
        }
        kx::run::Outcome o = host.run();
        if (!o.ended) state.SkipWithError(o.message.c_str());
    }
    state.counters["ns/iteration"] =
        benchmark::Counter(double(kCalls) * double(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// The same export called directly through its address, as a lower bound.
void direct_call(benchmark::State& state) {
    Runtime& rt = runtime();
    const kx::kxasm::ExportInfo* e = kx::kxasm::find_export("VM_BankExist");
    auto fn = reinterpret_cast<decltype(&::VM_BankExist)>(rt.address(kx::kxasm::export_id(e)));
    rt.VM_OpenMemoryManager(1024);
    for (auto _ : state)
        for (int k = 0; k < kCalls; ++k)
            benchmark::DoNotOptimize(fn(k & 7));
    rt.VM_CloseMemoryManager();
    state.counters["ns/iteration"] =
        benchmark::Counter(double(kCalls) * double(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// ---- The interpreter loop: host against bare ------------------------------------

constexpr int kLoop = 20000000;
// for i = 1 to n: sum = sum + i   (ADD and NEXT: 2 instructions per iteration)
const char* kSumLoop = "int i = 1, sum, n\nL: add sum, sum, i\nnext i, n, L\nend\n";

kx::kxasm::Image sum_image() {
    kx::kxasm::Image im = image(kSumLoop);
    im.ints[2] = kLoop;
    return im;
}

void sum_in_host(benchmark::State& state) {
    kx::kxasm::Image im = sum_image();
    kx::run::Options opt;
    opt.out = null_out();
    opt.budget = static_cast<std::int32_t>(state.range(0));
    for (auto _ : state) {
        Host host(runtime(), opt);
        std::vector<std::string> errors;
        if (!host.load(im, errors)) {
            state.SkipWithError("load failed");
            return;
        }
        if (!host.run().ended) state.SkipWithError("did not end");
    }
    state.counters["ns/instr"] =
        benchmark::Counter(2.0 * kLoop * double(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void sum_bare(benchmark::State& state) {
    kx::kxasm::Image im = sum_image();
    kx::run::Options opt;
    opt.out = null_out();
    Host host(runtime(), opt);
    std::vector<std::string> errors;
    if (!host.load(im, errors)) {
        state.SkipWithError("load failed");
        return;
    }
    VM_Program* p = host.program();
    auto* ints = reinterpret_cast<std::int32_t*>(static_cast<std::uintptr_t>(p->IntVariables));
    for (auto _ : state) {
        ints[0] = 1;
        ints[1] = 0;
        std::int32_t pc = runtime().VM_Execute(p, 0, INT_MAX);
        benchmark::DoNotOptimize(pc);
        if (p->LastExecutionState != VM_STATE_HOST) state.SkipWithError("did not stop at end");
    }
    state.counters["ns/instr"] =
        benchmark::Counter(2.0 * kLoop * double(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

class Capture : public benchmark::ConsoleReporter {
  public:
    std::map<std::string, double> seconds;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs)
            seconds[r.benchmark_name()] = r.cpu_accumulated_time / double(r.iterations);
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

int main(int argc, char** argv) {
    for (auto& [name, src] : call_programs())
        benchmark::RegisterBenchmark(("host/" + name).c_str(), host_loop, name)
            ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("direct/VM_BankExist", direct_call)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("sum loop/bare interpreter", sum_bare)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("sum loop/host", sum_in_host)
        ->Arg(1000000)
        ->Arg(10000)
        ->Arg(100)
        ->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    Capture reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    auto per = [&](const std::string& name, double n) {
        auto it = reporter.seconds.find(name);
        return it == reporter.seconds.end() ? -1.0 : it->second * 1e9 / n;
    };
    double empty = per("host/empty loop", kCalls);
    std::printf("\nhost cost of one call (loop iteration minus the empty loop's):\n");
    for (auto& [name, src] : call_programs()) {
        if (name == "empty loop") continue;
        double t = per("host/" + name, kCalls);
        if (t > 0 && empty > 0) std::printf("  %-28s %8.2f ns\n", name.c_str(), t - empty);
    }
    double direct = per("direct/VM_BankExist", kCalls);
    if (direct > 0)
        std::printf("  %-28s %8.2f ns (direct call, for scale)\n", "VM_BankExist", direct);
    double bare = per("sum loop/bare interpreter", 2.0 * kLoop);
    std::printf("\ninterpreter loop, ns per instruction (ratio to the bare interpreter):\n");
    std::printf("  %-28s %8.3f\n", "bare VM_Execute", bare);
    for (const char* b : {"1000000", "10000", "100"}) {
        double h = per(std::string("sum loop/host/") + b, 2.0 * kLoop);
        if (h > 0 && bare > 0) std::printf("  host, budget %-14s %8.3f  (%.3f)\n", b, h, h / bare);
    }
    benchmark::Shutdown();
    return 0;
}
