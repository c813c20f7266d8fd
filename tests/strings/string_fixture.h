// A memory manager opened for each test, and helpers to make and read strings.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "kx/kx_vm.h"

namespace kx::test {

class Strings : public ::testing::Test {
  protected:
    void SetUp() override { VM_OpenMemoryManager(4096); }
    void TearDown() override {
        VM_FreeALLBanks();
        VM_CloseMemoryManager();
    }
    // A new type-1 string holding s (which may contain zero bytes).
    static int S(const std::string& s) {
        int h = VM_NewKXStr(static_cast<int>(s.size()));
        VM_PeekMemToStr(h, s.data(), static_cast<int>(s.size()));
        if (s.empty()) VM_NullStr(h);
        return h;
    }
    static std::string get(int h) {
        const char* p = static_cast<const char*>(VM_StrFirstChrPtr(h));
        return p ? std::string(p, static_cast<std::size_t>(VM_StrLen(h))) : std::string();
    }
    // Tests write (call(..., d), get(d)) to run a call that writes string d and
    // read what it wrote.
    // The terminator after the characters is always present.
    static bool terminated(int h) {
        const char* p = static_cast<const char*>(VM_StrFirstChrPtr(h));
        return p && p[VM_StrLen(h)] == 0;
    }
};

} // namespace kx::test
