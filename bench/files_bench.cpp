// File channel benchmarks: reading and writing a 50 MB text of 1,000,000
// lines with the line functions, beside an fgets / fputs loop on the same file.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include "kx/kx_vm.h"

namespace {

struct Fixture {
    std::string path;
    int name = 0;
    Fixture() {
        VM_OpenMemoryManager(1024);
        path = (std::filesystem::temp_directory_path() /
                ("kx_files_bench_" + std::to_string(getpid())))
                   .string();
        std::FILE* f = std::fopen(path.c_str(), "wb");
        std::mt19937 rng(5);
        std::string line;
        for (int k = 0; k < 1'000'000; ++k) {
            line.assign(20 + rng() % 57, 'x'); // 48 characters on average, 50 with CR LF
            for (char& c : line)
                c = static_cast<char>('a' + rng() % 26);
            line += "\r\n";
            std::fwrite(line.data(), 1, line.size(), f);
        }
        std::fclose(f);
        name = VM_NewKXStr(static_cast<int>(path.size()));
        VM_PeekMemToStr(name, path.data(), static_cast<int>(path.size()));
    }
    ~Fixture() {
        std::filesystem::remove(path);
        VM_FreeALLBanks();
        VM_CloseMemoryManager();
    }
};

Fixture& data() {
    static Fixture f;
    return f;
}

void BM_FileReadStr(benchmark::State& state) {
    Fixture& d = data();
    int dest = VM_NewKXStr(0);
    for (auto _ : state) {
        int f = VM_FileRead(d.name);
        for (int k = 0; k < 1'000'000; ++k)
            VM_FileReadStr(f, -1, dest);
        VM_FileClose(f);
    }
    state.SetBytesProcessed(state.iterations() * std::filesystem::file_size(d.path));
}
BENCHMARK(BM_FileReadStr)->Unit(benchmark::kMillisecond);

void BM_Fgets(benchmark::State& state) {
    Fixture& d = data();
    char line[256];
    for (auto _ : state) {
        std::FILE* f = std::fopen(d.path.c_str(), "rb");
        std::size_t total = 0;
        while (std::fgets(line, sizeof line, f))
            total += std::strlen(line);
        std::fclose(f);
        benchmark::DoNotOptimize(total);
    }
    state.SetBytesProcessed(state.iterations() * std::filesystem::file_size(d.path));
}
BENCHMARK(BM_Fgets)->Unit(benchmark::kMillisecond);

void BM_FileWriteStr(benchmark::State& state) {
    Fixture& d = data();
    int line = VM_NewKXStr(48);
    VM_PeekMemToStr(line, "abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuv", 48);
    std::string out = d.path + ".out";
    int name = VM_NewKXStr(static_cast<int>(out.size()));
    VM_PeekMemToStr(name, out.data(), static_cast<int>(out.size()));
    for (auto _ : state) {
        int f = VM_FileWrite(name);
        for (int k = 0; k < 1'000'000; ++k)
            VM_FileWriteStr(f, -1, line);
        VM_FileClose(f);
    }
    std::filesystem::remove(out);
    state.SetBytesProcessed(state.iterations() * 50'000'000);
}
BENCHMARK(BM_FileWriteStr)->Unit(benchmark::kMillisecond);

void BM_Fputs(benchmark::State& state) {
    Fixture& d = data();
    std::string out = d.path + ".out";
    for (auto _ : state) {
        std::FILE* f = std::fopen(out.c_str(), "wb");
        for (int k = 0; k < 1'000'000; ++k)
            std::fputs("abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuv\r\n", f);
        std::fclose(f);
    }
    std::filesystem::remove(out);
    state.SetBytesProcessed(state.iterations() * 50'000'000);
}
BENCHMARK(BM_Fputs)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
