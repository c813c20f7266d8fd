// Exports of file channels and the host services beside them.
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "files/files.h"
#include "kx/kx_vm.h"
#include "kxp/system.h"
#include "kxp/window.h"
#include "strings/strings.h"

namespace fs = kx::files;
namespace str = kx::strings;

namespace {
inline std::uint32_t id(int32_t handle) {
    return static_cast<std::uint32_t>(handle);
}
inline float as_float(std::uint32_t bits) {
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}
inline std::uint32_t bits_of(float f) {
    std::uint32_t b;
    std::memcpy(&b, &f, 4);
    return b;
}
// A text line read into the shared scratch string.
str::Text scratch_line(int32_t file, int32_t position) {
    std::int32_t scratch = str::scratch_string(1024);
    fs::read_line(id(file), position, scratch);
    return str::text(scratch);
}
} // namespace

extern "C" {

KX_API int32_t KX_CALL VM_FileOpen(int32_t name) {
    return static_cast<int32_t>(fs::open(name, fs::Mode::ReadWrite));
}
KX_API int32_t KX_CALL VM_FileRead(int32_t name) {
    return static_cast<int32_t>(fs::open(name, fs::Mode::Read));
}
KX_API int32_t KX_CALL VM_FileWrite(int32_t name) {
    return static_cast<int32_t>(fs::open(name, fs::Mode::Write));
}
KX_API int32_t KX_CALL VM_FileClose(int32_t file) {
    return fs::close(id(file));
}
KX_API int32_t KX_CALL VM_FileEOF(int32_t file) {
    return fs::eof(id(file));
}
KX_API int32_t KX_CALL VM_FilePos(int32_t file) {
    return fs::position(id(file));
}
KX_API int32_t KX_CALL VM_FileSetPos(int32_t file, int32_t offset) {
    fs::set_position(id(file), offset);
    return 0;
}
KX_API int32_t KX_CALL VM_FileSize(int32_t name) {
    return fs::size_of(name);
}
KX_API int32_t KX_CALL VM_FileExist(int32_t name) {
    return fs::exists(name);
}

KX_API int32_t KX_CALL VM_FileReadB(int32_t file, int32_t position) {
    return static_cast<int32_t>(fs::read_value(id(file), position, 1));
}
KX_API int32_t KX_CALL VM_FileReadW(int32_t file, int32_t position) {
    return static_cast<int32_t>(fs::read_value(id(file), position, 2));
}
KX_API int32_t KX_CALL VM_FileReadL(int32_t file, int32_t position) {
    return static_cast<int32_t>(fs::read_value(id(file), position, 4));
}
KX_API float KX_CALL VM_FileReadF(int32_t file, int32_t position) {
    return as_float(fs::read_value(id(file), position, 4));
}
KX_API int32_t KX_CALL VM_FileWriteB(int32_t file, int32_t position, int32_t value) {
    fs::write_value(id(file), position, static_cast<std::uint32_t>(value), 1);
    return 0;
}
KX_API int32_t KX_CALL VM_FileWriteW(int32_t file, int32_t position, int32_t value) {
    fs::write_value(id(file), position, static_cast<std::uint32_t>(value), 2);
    return 0;
}
KX_API int32_t KX_CALL VM_FileWriteL(int32_t file, int32_t position, int32_t value) {
    fs::write_value(id(file), position, static_cast<std::uint32_t>(value), 4);
    return 0;
}
KX_API int32_t KX_CALL VM_FileWriteF(int32_t file, int32_t position, float value) {
    fs::write_value(id(file), position, bits_of(value), 4);
    return 0;
}

KX_API int32_t KX_CALL VM_FileReadStr(int32_t file, int32_t position, int32_t dest) {
    fs::read_line(id(file), position, dest);
    return 0;
}
KX_API int32_t KX_CALL VM_FileReadStr_OLD(int32_t file, int32_t position, int32_t dest) {
    fs::read_line_old(id(file), position, dest);
    return 0;
}
KX_API int32_t KX_CALL VM_FileWriteStr(int32_t file, int32_t position, int32_t string) {
    fs::write_line(id(file), position, string);
    return 0;
}
KX_API int32_t KX_CALL VM_FileReadCHR(int32_t file, int32_t position, int32_t dest, int32_t count) {
    fs::read_chars(id(file), position, dest, count);
    return 0;
}
KX_API int32_t KX_CALL VM_FileWriteCHR(int32_t file, int32_t position, int32_t string,
                                       int32_t count) {
    fs::write_chars(id(file), position, string, count);
    return 0;
}
KX_API int32_t KX_CALL VM_FileReadMem(int32_t file, int32_t position, void* address,
                                      int32_t count) {
    return fs::read_memory(id(file), position, address, count);
}
KX_API int32_t KX_CALL VM_FileWriteMem(int32_t file, int32_t position, const void* start,
                                       const void* end) {
    return fs::write_memory(id(file), position, start, end);
}
KX_API int32_t KX_CALL VM_FileReadValueL(int32_t file, int32_t position) {
    if (file == 0) return 0;
    return str::parse_int(scratch_line(file, position));
}
KX_API float KX_CALL VM_FileReadValueF(int32_t file, int32_t position) {
    if (file == 0) return 0.0f;
    return static_cast<float>(str::parse_float(scratch_line(file, position)));
}

KX_API int32_t KX_CALL VM_CHDIR(const void* path) {
    if (path) kxp::SetCurrentDirectory(static_cast<const char*>(path));
    return 0;
}

// The temporary folder with its trailing separator, into the characters of a
// string of at least 1024 characters; the length word is the caller's to set.
KX_API int32_t KX_CALL VM_FileTempFolder(int32_t dest) {
    if (dest == 0 || str::room(dest) < 0) return 0;
    if (str::room(dest) < 1024) str::resize(dest, 1024);
    if (str::room(dest) < 1024) return 0;
    char buffer[1001];
    kxp::DWORD n = kxp::GetTempPath(sizeof buffer, buffer);
    if (n == 0 || n >= sizeof buffer) return 0;
    std::memcpy(str::first_char(dest), buffer, n);
    return static_cast<int32_t>(n);
}

KX_API int32_t KX_CALL Timer(void) {
    return static_cast<int32_t>(kxp::GetTickCount());
}

KX_API int32_t KX_CALL VM_GethInstance(int32_t window) {
    return static_cast<int32_t>(
        kxp::GetWindowLong(static_cast<kxp::HWND>(window), kxp::GWL_HINSTANCE));
}

} // extern "C"
