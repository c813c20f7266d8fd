// Clock, memory status, folders and the instance handle.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include "kxp/system.h"

namespace kxp {
namespace {

using Calls = std::vector<std::int64_t>; // results of calls in order, as one value

// The test clock's wrap is checked with the timers (window_test.cpp).
TEST(Clock, SystemClockRunsAndATestClockStartsFromIt) {
    UseSystemClock();
    DWORD a = GetTickCount();
    DWORD b = GetTickCount();
    EXPECT_LT(b - a, 60000u); // the system clock does not run backwards
    // Advancing without a test clock starts from the system value.
    AdvanceTestClock(100000);
    EXPECT_GE(GetTickCount() - b, 100000u);
    EXPECT_LT(GetTickCount() - b, 160000u);
    UseSystemClock();
}

TEST(MemoryStatus, ReportsPhysicalMemoryClampedForThe32BitRecord) {
    MEMORYSTATUSEX x{};
    EXPECT_EQ((Calls{GlobalMemoryStatusEx(&x), GlobalMemoryStatusEx(nullptr)}), (Calls{0, 0}));
    x.dwLength = sizeof x; // required
    ASSERT_EQ(GlobalMemoryStatusEx(&x), 1);
    EXPECT_GT(x.ullAvailPhys, 0u);
    EXPECT_LE(x.ullAvailPhys, x.ullTotalPhys);
    EXPECT_LE(x.dwMemoryLoad, 100u);
    EXPECT_GT(x.ullTotalVirtual, 0u);

    MEMORYSTATUS m{};
    GlobalMemoryStatus(&m);
    EXPECT_EQ(m.dwLength, sizeof m);
    EXPECT_EQ(m.dwTotalPhys, x.ullTotalPhys > 0x7FFFFFFFu ? 0x7FFFFFFFu : x.ullTotalPhys);
    EXPECT_GT(m.dwAvailPhys, 0u);
    EXPECT_LE(m.dwAvailPhys, m.dwTotalPhys); // so positive as a signed 32-bit value
    GlobalMemoryStatus(nullptr);
}

TEST(Folders, TempPathFollowsTmpdirWithTrailingSlashAndBufferRules) {
    const char* saved = std::getenv("TMPDIR");
    std::string keep = saved ? saved : "";
    char buf[64];
    setenv("TMPDIR", "/var/games", 1);
    EXPECT_EQ(GetTempPath(sizeof buf, buf), 11u);
    EXPECT_STREQ(buf, "/var/games/");
    setenv("TMPDIR", "/scratch/", 1);
    EXPECT_EQ(GetTempPath(sizeof buf, buf), 9u);
    EXPECT_STREQ(buf, "/scratch/");
    // Too small: the size needed with the terminator; the buffer is untouched.
    buf[0] = 'z';
    EXPECT_EQ((Calls{GetTempPath(9, buf), buf[0], GetTempPath(10, buf), GetTempPath(0, nullptr)}),
              (Calls{10, 'z', 9, 10}));
    unsetenv("TMPDIR");
    EXPECT_EQ(GetTempPath(sizeof buf, buf), 5u);
    EXPECT_STREQ(buf, "/tmp/");
    if (saved) setenv("TMPDIR", keep.c_str(), 1);
}

TEST(Folders, CurrentDirectoryChangesAndReads) {
    char original[PATH_MAX], buf[PATH_MAX];
    ASSERT_NE(getcwd(original, sizeof original), nullptr);
    ASSERT_EQ(SetCurrentDirectory("/"), 1);
    EXPECT_EQ(GetCurrentDirectory(sizeof buf, buf), 1u);
    EXPECT_STREQ(buf, "/");
    ASSERT_EQ(SetCurrentDirectory(original), 1);
    DWORD n = GetCurrentDirectory(sizeof buf, buf);
    EXPECT_STREQ(buf, original);
    // No room for the terminator; bad folders leave it unchanged.
    EXPECT_EQ(
        (Calls{n, GetCurrentDirectory(n, buf), SetCurrentDirectory("/no/such/folder/anywhere"),
               SetCurrentDirectory(nullptr), GetCurrentDirectory(sizeof buf, buf)}),
        (Calls{static_cast<std::int64_t>(std::string(original).size()), n + 1, 0, 0, n}));
}

TEST(Instance, TheExecutableHasTheClassicInstanceHandle) {
    EXPECT_EQ((Calls{GetModuleHandle(nullptr), GetModuleHandle("test_platform"),
                     GetModuleHandle("no_such_module.dll"), GetLastError()}),
              (Calls{EXECUTABLE_INSTANCE, EXECUTABLE_INSTANCE, 0, ERROR_MOD_NOT_FOUND}));
}

} // namespace
} // namespace kxp
