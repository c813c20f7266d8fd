// Memory manager benchmarks: bank allocation and release, and the quicksorts
// against std::sort on the same data.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <vector>

#include "kx/kx_vm.h"

namespace {

void BM_AllocFreeSmallBank(benchmark::State& state) {
    VM_OpenMemoryManager(1024);
    for (auto _ : state) {
        int h = VM_Alloc(32);
        benchmark::DoNotOptimize(h);
        VM_Free(h);
    }
    VM_CloseMemoryManager();
}
BENCHMARK(BM_AllocFreeSmallBank);

// Many live banks, released in a different order than taken.
void BM_AllocFreeInterleaved(benchmark::State& state) {
    VM_OpenMemoryManager(4096);
    std::vector<int> live(1000);
    for (auto _ : state) {
        for (int& h : live)
            h = VM_Alloc(24);
        for (std::size_t k = 0; k < live.size(); k += 2)
            VM_Free(live[k]);
        for (std::size_t k = 1; k < live.size(); k += 2)
            VM_Free(live[k]);
    }
    state.SetItemsProcessed(state.iterations() * 1000);
    VM_CloseMemoryManager();
}
BENCHMARK(BM_AllocFreeInterleaved);

template <class T> std::vector<T> data(bool equal) {
    std::mt19937 rng(42);
    std::vector<T> v(1000000);
    for (auto& x : v)
        x = equal ? T(7) : static_cast<T>(static_cast<std::int32_t>(rng()));
    return v;
}

template <class T, bool Equal, bool Reference> void BM_Sort(benchmark::State& state) {
    const std::vector<T> input = data<T>(Equal);
    std::vector<T> v;
    for (auto _ : state) {
        state.PauseTiming();
        v = input;
        state.ResumeTiming();
        if constexpr (Reference)
            std::sort(v.begin(), v.end());
        else if constexpr (std::is_same_v<T, float>)
            VM_SortArrayF(v.data(), 0, 999999);
        else
            VM_SortArrayI(v.data(), 0, 999999);
        benchmark::DoNotOptimize(v.data());
    }
}
BENCHMARK(BM_Sort<std::int32_t, false, false>)
    ->Name("SortArrayI/random")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Sort<std::int32_t, false, true>)
    ->Name("std::sort int/random")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Sort<std::int32_t, true, false>)
    ->Name("SortArrayI/equal")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Sort<std::int32_t, true, true>)
    ->Name("std::sort int/equal")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Sort<float, false, false>)->Name("SortArrayF/random")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Sort<float, false, true>)
    ->Name("std::sort float/random")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Sort<float, true, false>)->Name("SortArrayF/equal")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Sort<float, true, true>)->Name("std::sort float/equal")->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
