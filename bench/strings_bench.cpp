// String benchmarks, each beside what a C++ programmer would write with the
// standard library.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "kx/kx_vm.h"

namespace {

struct Manager {
    Manager() { VM_OpenMemoryManager(1 << 16); }
    ~Manager() {
        VM_FreeALLBanks();
        VM_CloseMemoryManager();
    }
};

int make(const std::string& s) {
    int h = VM_NewKXStr(static_cast<int>(s.size()));
    VM_PeekMemToStr(h, s.data(), static_cast<int>(s.size()));
    return h;
}

// 10 MB of words; "cat" every 100 bytes (100,000 matches).
const std::string& text() {
    static const std::string t = [] {
        std::string s;
        std::mt19937 rng(1);
        while (s.size() < 10'000'000) {
            std::string line;
            while (line.size() < 96) line += static_cast<char>('d' + rng() % 20);
            s += line.substr(0, 96) + " cat";
        }
        s.resize(10'000'000);
        return s;
    }();
    return t;
}

const std::string& csv() {
    static const std::string t = [] {
        std::string s;
        for (int k = 0; s.size() < 10'000'000; ++k) s += std::to_string(k * 7919 % 100000) + ",";
        return s;
    }();
    return t;
}

void BM_AddStrings_Append8(benchmark::State& state) {
    Manager m;
    int piece = make("12345678");
    for (auto _ : state) {
        int d = VM_NewKXStr(0);
        for (int k = 0; k < 1'000'000; ++k) VM_AddStrings(d, d, piece);
        benchmark::DoNotOptimize(VM_StrLen(d));
        VM_Free(d);
    }
    state.counters["ns/append"] = benchmark::Counter(1e6 * double(state.iterations()),
                                                     benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_AddStrings_Append8)->Unit(benchmark::kMillisecond);

void BM_StdString_Append8(benchmark::State& state) {
    for (auto _ : state) {
        std::string d;
        for (int k = 0; k < 1'000'000; ++k) d += "12345678";
        benchmark::DoNotOptimize(d.data());
    }
    state.counters["ns/append"] = benchmark::Counter(1e6 * double(state.iterations()),
                                                     benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_StdString_Append8)->Unit(benchmark::kMillisecond);

// The needle sits at the very end, so the whole text is scanned.
void BM_Instring(benchmark::State& state) {
    Manager m;
    int t = make(text() + "ZQXJ");
    int needle = make(state.range(0) ? "zqxj" : "ZQXJ");
    for (auto _ : state) benchmark::DoNotOptimize(VM_StrInstring(t, needle, 1, static_cast<int>(state.range(0))));
    state.SetBytesProcessed(state.iterations() * 10'000'000);
}
BENCHMARK(BM_Instring)->Arg(0)->Arg(1)->ArgNames({"fold"})->Unit(benchmark::kMillisecond);

void BM_StdFind(benchmark::State& state) {
    std::string t = text() + "ZQXJ";
    for (auto _ : state) benchmark::DoNotOptimize(t.find("ZQXJ"));
    state.SetBytesProcessed(state.iterations() * 10'000'000);
}
BENCHMARK(BM_StdFind)->Unit(benchmark::kMillisecond);

void BM_Memmem(benchmark::State& state) {
    std::string t = text() + "ZQXJ";
    for (auto _ : state) benchmark::DoNotOptimize(memmem(t.data(), t.size(), "ZQXJ", 4));
    state.SetBytesProcessed(state.iterations() * 10'000'000);
}
BENCHMARK(BM_Memmem)->Unit(benchmark::kMillisecond);

void BM_Replace(benchmark::State& state) {
    Manager m;
    int t = make(text()), cat = make("cat"), horse = make("horse"), d = VM_NewKXStr(0);
    for (auto _ : state) {
        VM_StrReplace(t, cat, horse, 1, 0, 0, d);
        benchmark::DoNotOptimize(VM_StrLen(d));
    }
    state.SetBytesProcessed(state.iterations() * 10'000'000);
}
BENCHMARK(BM_Replace)->Unit(benchmark::kMillisecond);

void BM_StdReplace(benchmark::State& state) {
    const std::string& t = text();
    for (auto _ : state) {
        std::string out;
        std::size_t from = 0;
        for (std::size_t at; (at = t.find("cat", from)) != std::string::npos; from = at + 3) {
            out.append(t, from, at - from);
            out += "horse";
        }
        out.append(t, from);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(state.iterations() * 10'000'000);
}
BENCHMARK(BM_StdReplace)->Unit(benchmark::kMillisecond);

void BM_Split(benchmark::State& state) {
    Manager m;
    int t = make(csv()), comma = make(",");
    for (auto _ : state) benchmark::DoNotOptimize(VM_StrSplit(t, comma));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(csv().size()));
}
BENCHMARK(BM_Split)->Unit(benchmark::kMillisecond);

// A text split by its own characters (65,536 of them, every one a delimiter):
// the cost stays linear in the text and the delimiter set.
void BM_SplitBySelf(benchmark::State& state) {
    Manager m;
    std::string s(65536, ' ');
    for (std::size_t k = 0; k < s.size(); ++k)
        s[k] = static_cast<char>(1 + k % 255);
    int t = make(s);
    for (auto _ : state) benchmark::DoNotOptimize(VM_StrSplit(t, t));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(s.size()));
}
BENCHMARK(BM_SplitBySelf)->Unit(benchmark::kMillisecond);

// The same work as the split: every delimiter found, the non-empty pieces
// (at most 65,537, as the split keeps) recorded as views.
void BM_StdSplit(benchmark::State& state) {
    const std::string& t = csv();
    std::vector<std::string_view> parts;
    for (auto _ : state) {
        parts.clear();
        std::size_t from = 0, delimiters = 0;
        for (std::size_t at; (at = t.find(',', from)) != std::string::npos && delimiters < 65536; from = at + 1) {
            ++delimiters;
            if (at > from) parts.emplace_back(t.data() + from, at - from);
        }
        if (from < t.size()) parts.emplace_back(t.data() + from, t.size() - from);
        benchmark::DoNotOptimize(parts.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(t.size()));
}
BENCHMARK(BM_StdSplit)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
