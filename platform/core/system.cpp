// Kernel services: the millisecond clock and the test clock, memory status,
// folders and the executable's instance handle.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <unistd.h>

#include "core/backend.h"
#include "kxp/heap.h"
#include "kxp/system.h"

namespace kxp {
namespace {

bool test_clock = false;
DWORD test_ms = 0;

DWORD system_ms() {
    timespec ts{};
    clock_gettime(CLOCK_BOOTTIME, &ts);
    std::uint64_t ms = static_cast<std::uint64_t>(ts.tv_sec) * 1000u +
                       static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
    return static_cast<DWORD>(ms);
}

DWORD (*tick_source)() = nullptr; // a backend's clock, see set_tick_source
DWORD tick_offset = 0;

DWORD clock_ms() {
    return tick_source ? tick_source() + tick_offset : system_ms();
}

struct MemInfo {
    std::uint64_t total = 0, available = 0, swap_total = 0, swap_free = 0;
};

MemInfo read_meminfo() {
    MemInfo m;
    std::FILE* f = std::fopen("/proc/meminfo", "r");
    if (!f) return m;
    char name[64];
    unsigned long long kb;
    while (std::fscanf(f, "%63s %llu kB", name, &kb) == 2) {
        std::uint64_t bytes = static_cast<std::uint64_t>(kb) * 1024u;
        if (!std::strcmp(name, "MemTotal:"))
            m.total = bytes;
        else if (!std::strcmp(name, "MemAvailable:"))
            m.available = bytes;
        else if (!std::strcmp(name, "SwapTotal:"))
            m.swap_total = bytes;
        else if (!std::strcmp(name, "SwapFree:"))
            m.swap_free = bytes;
    }
    std::fclose(f);
    return m;
}

DWORD clamp32(std::uint64_t v) {
    return static_cast<DWORD>(std::min<std::uint64_t>(v, 0x7FFFFFFFu));
}

// Copies a path with the classic buffer protocol.
DWORD copy_out(const std::string& path, DWORD size, char* buffer) {
    if (!buffer || size < path.size() + 1) return static_cast<DWORD>(path.size() + 1);
    std::memcpy(buffer, path.c_str(), path.size() + 1);
    return static_cast<DWORD>(path.size());
}

} // namespace

DWORD GetTickCount() {
    return test_clock ? test_ms : clock_ms();
}

void SetTestClock(DWORD ms) {
    test_clock = true;
    test_ms = ms;
}

void AdvanceTestClock(DWORD ms) {
    if (!test_clock) SetTestClock(clock_ms());
    test_ms += ms;
}

void UseSystemClock() {
    test_clock = false;
}

BOOL GlobalMemoryStatusEx(MEMORYSTATUSEX* status) {
    if (!status || status->dwLength != sizeof(MEMORYSTATUSEX)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    MemInfo m = read_meminfo();
    if (m.total == 0) return 0;
    heap::Region r = heap::region();
    status->dwMemoryLoad = static_cast<DWORD>(100 - m.available * 100 / m.total);
    status->ullTotalPhys = m.total;
    status->ullAvailPhys = m.available;
    status->ullTotalPageFile = m.total + m.swap_total;
    status->ullAvailPageFile = m.available + m.swap_free;
    status->ullTotalVirtual = r.size;
    status->ullAvailVirtual = r.size;
    status->ullAvailExtendedVirtual = 0;
    return 1;
}

void GlobalMemoryStatus(MEMORYSTATUS* status) {
    if (!status) return;
    MEMORYSTATUSEX x{};
    x.dwLength = sizeof x;
    *status = {};
    status->dwLength = sizeof(MEMORYSTATUS);
    if (!GlobalMemoryStatusEx(&x)) return;
    status->dwMemoryLoad = x.dwMemoryLoad;
    status->dwTotalPhys = clamp32(x.ullTotalPhys);
    status->dwAvailPhys = clamp32(x.ullAvailPhys);
    status->dwTotalPageFile = clamp32(x.ullTotalPageFile);
    status->dwAvailPageFile = clamp32(x.ullAvailPageFile);
    status->dwTotalVirtual = clamp32(x.ullTotalVirtual);
    status->dwAvailVirtual = clamp32(x.ullAvailVirtual);
}

DWORD GetTempPath(DWORD bufferLength, char* buffer) {
    const char* env = std::getenv("TMPDIR");
    std::string path = env && *env ? env : "/tmp";
    if (path.back() != '/') path += '/';
    return copy_out(path, bufferLength, buffer);
}

DWORD GetCurrentDirectory(DWORD bufferLength, char* buffer) {
    std::string path(256, '\0');
    while (!getcwd(path.data(), path.size())) {
        if (errno != ERANGE || path.size() > (1u << 20)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        path.resize(path.size() * 2);
    }
    path.resize(std::strlen(path.c_str()));
    return copy_out(path, bufferLength, buffer);
}

BOOL SetCurrentDirectory(const char* path) {
    if (!path || chdir(path) != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return 1;
}

HINSTANCE GetModuleHandle(const char* moduleName) {
    if (!moduleName) return EXECUTABLE_INSTANCE;
    char exe[4096];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n > 0) {
        exe[n] = 0;
        const char* base = std::strrchr(exe, '/');
        base = base ? base + 1 : exe;
        if (std::strcmp(moduleName, base) == 0 || std::strcmp(moduleName, exe) == 0)
            return EXECUTABLE_INSTANCE;
    }
    SetLastError(ERROR_MOD_NOT_FOUND);
    return 0;
}

} // namespace kxp

namespace kxp::detail {

void set_tick_source(DWORD (*milliseconds)()) {
    DWORD now = clock_ms();
    tick_source = milliseconds;
    tick_offset = milliseconds ? now - milliseconds() : 0;
}

} // namespace kxp::detail
