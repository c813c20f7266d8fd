// Helpers for the assembler, verifier and host tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "assembler.h"
#include "host.h"
#include "verifier.h"

namespace kx::test {

// Assembles `src` as "t.kxa"; fails the test (with the messages) if it does not assemble.
inline kxasm::Image assembled(const std::string& src) {
    kxasm::AssemblyResult r = kxasm::assemble(src, "t.kxa");
    std::string all;
    for (const kxasm::Diagnostic& d : r.errors)
        all += d.text() + "\n";
    EXPECT_TRUE(r.ok) << src << "\n" << all;
    return r.image;
}

// The messages of a source that must not assemble.
inline std::vector<std::string> assembly_errors(const std::string& src) {
    kxasm::AssemblyResult r = kxasm::assemble(src, "t.kxa");
    EXPECT_FALSE(r.ok) << src;
    std::vector<std::string> out;
    for (const kxasm::Diagnostic& d : r.errors)
        out.push_back(d.text());
    return out;
}

// KX_VM.so beside the test, loaded once.
inline run::Runtime& runtime() {
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

inline std::string joined(const std::vector<std::string>& lines) {
    std::string s;
    for (const std::string& l : lines)
        s += l + "\n";
    return s;
}

// What a run of a program by the host gave: its output, how it stopped, its counts.
struct Ran {
    bool loaded = false;
    std::vector<std::string> load_errors;
    run::Outcome outcome;
    run::Stats stats;
    std::string out;
    std::int64_t frames = 0;
};

// Runs an image (graphics headless); on_frame, if given, is called at every sync.
inline Ran run_image(const kxasm::Image& im, run::Options opt = {},
                     void (*on_frame)(void*, std::int64_t, std::int32_t) = nullptr) {
    Ran r;
    char* buf = nullptr;
    std::size_t len = 0;
    std::FILE* f = open_memstream(&buf, &len);
    opt.out = f;
    opt.graphics.backend = "headless";
    {
        run::Host host(runtime(), opt);
        host.graphics().on_frame = on_frame;
        r.loaded = host.load(im, r.load_errors);
        if (r.loaded) r.outcome = host.run();
        r.stats = host.stats();
        r.frames = host.graphics().frames();
    }
    std::fclose(f);
    r.out.assign(buf, len);
    std::free(buf);
    return r;
}

inline Ran run_source(const std::string& src, run::Options opt = {},
                      void (*on_frame)(void*, std::int64_t, std::int32_t) = nullptr) {
    return run_image(assembled(src), opt, on_frame);
}

} // namespace kx::test
