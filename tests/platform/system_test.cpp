// Clock, memory status, folders and the instance handle.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "kxp/system.h"

namespace kxp {
namespace {

TEST(Clock, TestClockSetsAdvancesAndWrapsAt32Bits) {
    SetTestClock(0xFFFFFFF0u);
    EXPECT_EQ(GetTickCount(), 0xFFFFFFF0u);
    AdvanceTestClock(0x0F);
    EXPECT_EQ(GetTickCount(), 0xFFFFFFFFu);
    AdvanceTestClock(2);
    EXPECT_EQ(GetTickCount(), 1u);
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
    EXPECT_EQ(GlobalMemoryStatusEx(&x), 0); // length not set
    EXPECT_EQ(GlobalMemoryStatusEx(nullptr), 0);
    x.dwLength = sizeof x;
    ASSERT_EQ(GlobalMemoryStatusEx(&x), 1);
    EXPECT_GT(x.ullTotalPhys, 0u);
    EXPECT_GT(x.ullAvailPhys, 0u);
    EXPECT_LE(x.ullAvailPhys, x.ullTotalPhys);
    EXPECT_LE(x.dwMemoryLoad, 100u);
    EXPECT_GT(x.ullTotalVirtual, 0u);

    MEMORYSTATUS m{};
    GlobalMemoryStatus(&m);
    EXPECT_EQ(m.dwLength, sizeof m);
    EXPECT_EQ(m.dwTotalPhys, x.ullTotalPhys > 0x7FFFFFFFu ? 0x7FFFFFFFu : x.ullTotalPhys);
    EXPECT_GT(m.dwAvailPhys, 0u);
    EXPECT_LE(m.dwAvailPhys, 0x7FFFFFFFu); // positive as a signed 32-bit value
    EXPECT_LE(m.dwAvailPhys, m.dwTotalPhys);
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
    EXPECT_EQ(GetTempPath(9, buf), 10u);
    EXPECT_EQ(buf[0], 'z');
    EXPECT_EQ(GetTempPath(10, buf), 9u);
    EXPECT_EQ(GetTempPath(0, nullptr), 10u);
    unsetenv("TMPDIR");
    EXPECT_EQ(GetTempPath(sizeof buf, buf), 5u);
    EXPECT_STREQ(buf, "/tmp/");
    if (saved) setenv("TMPDIR", keep.c_str(), 1);
}

TEST(Folders, CurrentDirectoryChangesAndReads) {
    char original[PATH_MAX];
    ASSERT_NE(getcwd(original, sizeof original), nullptr);
    ASSERT_EQ(SetCurrentDirectory("/"), 1);
    char buf[PATH_MAX];
    EXPECT_EQ(GetCurrentDirectory(sizeof buf, buf), 1u);
    EXPECT_STREQ(buf, "/");
    ASSERT_EQ(SetCurrentDirectory(original), 1);
    DWORD n = GetCurrentDirectory(sizeof buf, buf);
    EXPECT_EQ(n, std::string(original).size());
    EXPECT_STREQ(buf, original);
    EXPECT_EQ(GetCurrentDirectory(n, buf), n + 1); // no room for the terminator
    EXPECT_EQ(SetCurrentDirectory("/no/such/folder/anywhere"), 0);
    EXPECT_EQ(SetCurrentDirectory(nullptr), 0);
    EXPECT_EQ(GetCurrentDirectory(sizeof buf, buf), n); // unchanged
}

TEST(Instance, TheExecutableHasTheClassicInstanceHandle) {
    EXPECT_EQ(GetModuleHandle(nullptr), EXECUTABLE_INSTANCE);
    EXPECT_EQ(GetModuleHandle("test_platform"), EXECUTABLE_INSTANCE);
    EXPECT_EQ(GetModuleHandle("no_such_module.dll"), 0u);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
}

} // namespace
} // namespace kxp
