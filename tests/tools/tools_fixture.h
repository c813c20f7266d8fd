// Helpers for the assembler, verifier and host tests.
#pragma once

#include <gtest/gtest.h>

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

} // namespace kx::test
