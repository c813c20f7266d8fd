// Binding of the raster library when the memory manager opens. Each case runs
// in a child process that loads a copy of the runtime from a folder of its
// own, so that what lies beside KX_VM.so can be chosen per case.
#include <dlfcn.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "kx/kx_vgfx.h"

namespace fs = std::filesystem;

namespace {

fs::path bin_dir() {
    return fs::canonical("/proc/self/exe").parent_path();
}

// A fresh folder holding KX_VM.so and its platform library, plus the given
// raster library (an empty path: none).
fs::path runtime_folder(const std::string& name, const fs::path& raster) {
    fs::path dir =
        fs::temp_directory_path() / ("kx_binding_" + std::to_string(getpid()) + "_" + name);
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::copy_file(bin_dir() / "KX_VM.so", dir / "KX_VM.so");
    fs::copy_file(bin_dir() / "libkx_platform.so", dir / "libkx_platform.so");
    if (!raster.empty()) fs::copy_file(raster, dir / "KX_VGFX.so");
    return dir;
}

// Runs in the child: exits with the result of VM_OpenMemoryManager, or 100 +
// a code when something else goes wrong.
[[noreturn]] void open_manager(const fs::path& dir) {
    void* vm = dlopen((dir / "KX_VM.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!vm) _exit(101);
    using Open = int (*)(int);
    using Alloc = int (*)(unsigned);
    auto open = reinterpret_cast<Open>(dlsym(vm, "VM_OpenMemoryManager"));
    auto alloc = reinterpret_cast<Alloc>(dlsym(vm, "VM_Alloc"));
    if (!open || !alloc) _exit(102);
    int bound = open(16);
    if (alloc(8) != 1) _exit(103); // the bank table works whatever the binding gave
    _exit(bound);
}

TEST(RasterBindingDeathTest, ResultDependsOnTheLibraryBesideTheRuntime) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    fs::path none = runtime_folder("none", {});
    EXPECT_EXIT(open_manager(none), ::testing::ExitedWithCode(0), "");
    fs::path real = runtime_folder("real", bin_dir() / "KX_VGFX.so");
    EXPECT_EXIT(open_manager(real), ::testing::ExitedWithCode(1), "");
    // A library that exports "VGFX_Init_Lib" is not the expected one.
    fs::path init = runtime_folder("init", bin_dir() / "fakes" / "init" / "KX_VGFX.so");
    EXPECT_EXIT(open_manager(init), ::testing::ExitedWithCode(0), "");
    // Missing entry points stay unbound, but the library is bound.
    fs::path partial = runtime_folder("partial", bin_dir() / "fakes" / "partial" / "KX_VGFX.so");
    EXPECT_EXIT(open_manager(partial), ::testing::ExitedWithCode(1), "");
    for (const fs::path& d : {none, real, init, partial})
        fs::remove_all(d);
}

// The raster library built beside the runtime exports every entry point the
// runtime binds, under the same names.
TEST(RasterBinding, TheLibraryExportsEveryEntryPointTheRuntimeBinds) {
    void* lib = dlopen((bin_dir() / "KX_VGFX.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib, nullptr);
    int listed = 0;
#define KX_CHECK_ENTRY(name)                                                                       \
    ++listed;                                                                                      \
    EXPECT_NE(dlsym(lib, #name), nullptr) << #name;
    KX_VGFX_ENTRY_POINTS(KX_CHECK_ENTRY)
#undef KX_CHECK_ENTRY
    EXPECT_GT(listed, 40);
    EXPECT_EQ(dlsym(lib, "VGFX_Init_Lib"), nullptr);
    dlclose(lib);
}

} // namespace
