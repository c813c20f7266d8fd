// Kernel services: the millisecond clock (with a test clock), memory status,
// the temporary and current folders, the executable's instance handle and the
// last error code.
#pragma once

#include "kxp/types.h"

namespace kxp {

// --- Clock ------------------------------------------------------------------
// Milliseconds since the system started, wrapping at 32 bits; or the test
// clock's value while the test clock is in use.
KXP_API DWORD GetTickCount();
// Switches to the test clock and sets it.
KXP_API void SetTestClock(DWORD ms);
// Advances the test clock (wrapping at 32 bits); switches to it first, starting
// from the current system value, if it is not in use.
KXP_API void AdvanceTestClock(DWORD ms);
// Back to the system clock.
KXP_API void UseSystemClock();

// --- Memory status ----------------------------------------------------------
struct MEMORYSTATUS {
    DWORD dwLength; // set to sizeof(MEMORYSTATUS) by the call
    DWORD dwMemoryLoad;
    DWORD dwTotalPhys; // byte counts are clamped to 0x7FFFFFFF
    DWORD dwAvailPhys;
    DWORD dwTotalPageFile;
    DWORD dwAvailPageFile;
    DWORD dwTotalVirtual; // the low-memory heap's region
    DWORD dwAvailVirtual;
};
static_assert(sizeof(MEMORYSTATUS) == 32);

struct MEMORYSTATUSEX {
    DWORD dwLength; // must be sizeof(MEMORYSTATUSEX) (64)
    DWORD dwMemoryLoad;
    std::uint64_t ullTotalPhys;
    std::uint64_t ullAvailPhys;
    std::uint64_t ullTotalPageFile;
    std::uint64_t ullAvailPageFile;
    std::uint64_t ullTotalVirtual;
    std::uint64_t ullAvailVirtual;
    std::uint64_t ullAvailExtendedVirtual;
};
static_assert(sizeof(MEMORYSTATUSEX) == 64);

KXP_API void GlobalMemoryStatus(MEMORYSTATUS* status);
KXP_API BOOL GlobalMemoryStatusEx(MEMORYSTATUSEX* status);

// --- Folders ----------------------------------------------------------------
// Both return the path length without the terminator, or, when the buffer is
// too small, the size it needs with the terminator (the buffer is untouched);
// 0 on failure. The temporary folder ($TMPDIR, else /tmp) ends with '/'.
KXP_API DWORD GetTempPath(DWORD bufferLength, char* buffer);
KXP_API DWORD GetCurrentDirectory(DWORD bufferLength, char* buffer);
KXP_API BOOL SetCurrentDirectory(const char* path);

// --- Instance ---------------------------------------------------------------
// The executable's instance handle (0x00400000) for a null name or the
// executable's own file name; 0 for any other name.
inline constexpr HINSTANCE EXECUTABLE_INSTANCE = 0x00400000;
KXP_API HINSTANCE GetModuleHandle(const char* moduleName);

// --- Last error (per thread) -------------------------------------------------
inline constexpr DWORD ERROR_SUCCESS = 0;
inline constexpr DWORD ERROR_INVALID_HANDLE = 6;
inline constexpr DWORD ERROR_INVALID_PARAMETER = 87;
inline constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
inline constexpr DWORD ERROR_MOD_NOT_FOUND = 126;
inline constexpr DWORD ERROR_INVALID_WINDOW_HANDLE = 1400;
inline constexpr DWORD ERROR_TLW_WITH_WSCHILD = 1406;
inline constexpr DWORD ERROR_CANNOT_FIND_WND_CLASS = 1407;
inline constexpr DWORD ERROR_CLASS_ALREADY_EXISTS = 1410;
inline constexpr DWORD ERROR_CLASS_DOES_NOT_EXIST = 1411;
inline constexpr DWORD ERROR_CLASS_HAS_WINDOWS = 1412;
inline constexpr DWORD ERROR_INVALID_INDEX = 1413;
inline constexpr DWORD ERROR_INVALID_CURSOR_HANDLE = 1402;
inline constexpr DWORD ERROR_INVALID_SHOWWIN_COMMAND = 1449;
inline constexpr DWORD ERROR_RESOURCE_NAME_NOT_FOUND = 1814;

KXP_API DWORD GetLastError();
KXP_API void SetLastError(DWORD code);

} // namespace kxp
