// Exports of file channels and the host services beside them.
#include <bit>

#include "files/files.h"
#include "kx/kx_vm.h"
#include "kxp/system.h"
#include "kxp/window.h"

namespace fs = kx::files;

namespace {
inline std::uint32_t id(int32_t handle) {
    return static_cast<std::uint32_t>(handle);
}
inline float as_float(std::uint32_t bits) {
    return std::bit_cast<float>(bits);
}
inline std::uint32_t bits_of(float f) {
    return std::bit_cast<std::uint32_t>(f);
}
} // namespace

extern "C" {

KX_API int32_t KX_CALL VM_FileOpen(int32_t name) noexcept {
    return static_cast<int32_t>(fs::open(name, fs::Mode::ReadWrite));
}
KX_API int32_t KX_CALL VM_FileRead(int32_t name) noexcept {
    return static_cast<int32_t>(fs::open(name, fs::Mode::Read));
}
KX_API int32_t KX_CALL VM_FileWrite(int32_t name) noexcept {
    return static_cast<int32_t>(fs::open(name, fs::Mode::Write));
}
KX_API int32_t KX_CALL VM_FileClose(int32_t file) noexcept {
    return fs::close(id(file));
}
KX_API int32_t KX_CALL VM_FileEOF(int32_t file) noexcept {
    return fs::eof(id(file));
}
KX_API int32_t KX_CALL VM_FilePos(int32_t file) noexcept {
    return fs::position(id(file));
}
KX_API int32_t KX_CALL VM_FileSetPos(int32_t file, int32_t offset) noexcept {
    fs::set_position(id(file), offset);
    return 0;
}
KX_API int32_t KX_CALL VM_FileSize(int32_t name) noexcept {
    return fs::size_of(name);
}
KX_API int32_t KX_CALL VM_FileExist(int32_t name) noexcept {
    return fs::exists(name);
}

KX_API int32_t KX_CALL VM_FileReadB(int32_t file, int32_t position) noexcept {
    return static_cast<int32_t>(fs::read_value(id(file), position, 1));
}
KX_API int32_t KX_CALL VM_FileReadW(int32_t file, int32_t position) noexcept {
    return static_cast<int32_t>(fs::read_value(id(file), position, 2));
}
KX_API int32_t KX_CALL VM_FileReadL(int32_t file, int32_t position) noexcept {
    return static_cast<int32_t>(fs::read_value(id(file), position, 4));
}
KX_API float KX_CALL VM_FileReadF(int32_t file, int32_t position) noexcept {
    return as_float(fs::read_value(id(file), position, 4));
}
KX_API int32_t KX_CALL VM_FileWriteB(int32_t file, int32_t position, int32_t value) noexcept {
    fs::write_value(id(file), position, static_cast<std::uint32_t>(value), 1);
    return 0;
}
KX_API int32_t KX_CALL VM_FileWriteW(int32_t file, int32_t position, int32_t value) noexcept {
    fs::write_value(id(file), position, static_cast<std::uint32_t>(value), 2);
    return 0;
}
KX_API int32_t KX_CALL VM_FileWriteL(int32_t file, int32_t position, int32_t value) noexcept {
    fs::write_value(id(file), position, static_cast<std::uint32_t>(value), 4);
    return 0;
}
KX_API int32_t KX_CALL VM_FileWriteF(int32_t file, int32_t position, float value) noexcept {
    fs::write_value(id(file), position, bits_of(value), 4);
    return 0;
}

KX_API int32_t KX_CALL VM_FileReadStr(int32_t file, int32_t position, int32_t dest) noexcept {
    fs::read_line(id(file), position, dest);
    return 0;
}
KX_API int32_t KX_CALL VM_FileReadStr_OLD(int32_t file, int32_t position, int32_t dest) noexcept {
    fs::read_line_old(id(file), position, dest);
    return 0;
}
KX_API int32_t KX_CALL VM_FileWriteStr(int32_t file, int32_t position, int32_t string) noexcept {
    fs::write_line(id(file), position, string);
    return 0;
}
KX_API int32_t KX_CALL VM_FileReadCHR(int32_t file, int32_t position, int32_t dest,
                                      int32_t count) noexcept {
    fs::read_chars(id(file), position, dest, count);
    return 0;
}
KX_API int32_t KX_CALL VM_FileWriteCHR(int32_t file, int32_t position, int32_t string,
                                       int32_t count) noexcept {
    fs::write_chars(id(file), position, string, count);
    return 0;
}
KX_API int32_t KX_CALL VM_FileReadMem(int32_t file, int32_t position, void* address,
                                      int32_t count) noexcept {
    return fs::read_memory(id(file), position, address, count);
}
KX_API int32_t KX_CALL VM_FileWriteMem(int32_t file, int32_t position, const void* start,
                                       const void* end) noexcept {
    return fs::write_memory(id(file), position, start, end);
}
KX_API int32_t KX_CALL VM_FileReadValueL(int32_t file, int32_t position) noexcept {
    return fs::read_number_int(id(file), position);
}
KX_API float KX_CALL VM_FileReadValueF(int32_t file, int32_t position) noexcept {
    return fs::read_number_float(id(file), position);
}

KX_API int32_t KX_CALL VM_CHDIR(const void* path) noexcept {
    fs::change_directory(static_cast<const char*>(path));
    return 0;
}

KX_API int32_t KX_CALL VM_FileTempFolder(int32_t dest) noexcept {
    return dest == 0 ? 0 : fs::temp_folder(dest);
}

KX_API int32_t KX_CALL Timer(void) noexcept {
    return static_cast<int32_t>(kxp::GetTickCount());
}

KX_API int32_t KX_CALL VM_GethInstance(int32_t window) noexcept {
    return static_cast<int32_t>(
        kxp::GetWindowLong(static_cast<kxp::HWND>(window), kxp::GWL_HINSTANCE));
}

} // extern "C"
