// File channels: buffered streams handed to programs as non-zero 32-bit ids.
// An id that names no open stream is refused like 0, so closing twice or
// using a stale id does nothing; ids are never reused.
#pragma once

#include <cstdint>

namespace kx::files {

enum class Mode { ReadWrite, Read, Write };

std::uint32_t open(std::int32_t name, Mode mode) noexcept;
std::int32_t close(std::uint32_t id) noexcept;
std::int32_t eof(std::uint32_t id) noexcept;
std::int32_t position(std::uint32_t id) noexcept;
void set_position(std::uint32_t id, std::int32_t offset) noexcept;
std::int32_t size_of(std::int32_t name) noexcept;
std::int32_t exists(std::int32_t name) noexcept;

// Binary values: `bytes` of 1, 2 or 4, little-endian; missing bytes read as 0.
std::uint32_t read_value(std::uint32_t id, std::int32_t position, int bytes) noexcept;
void write_value(std::uint32_t id, std::int32_t position, std::uint32_t value, int bytes) noexcept;

void read_line(std::uint32_t id, std::int32_t position, std::int32_t dest) noexcept;
void read_line_old(std::uint32_t id, std::int32_t position, std::int32_t dest) noexcept;
void write_line(std::uint32_t id, std::int32_t position, std::int32_t string) noexcept;
void read_chars(std::uint32_t id, std::int32_t position, std::int32_t dest,
                std::int32_t count) noexcept;
void write_chars(std::uint32_t id, std::int32_t position, std::int32_t string,
                 std::int32_t count) noexcept;
std::int32_t read_memory(std::uint32_t id, std::int32_t position, void* address,
                         std::int32_t count) noexcept;
std::int32_t write_memory(std::uint32_t id, std::int32_t position, const void* start,
                          const void* end) noexcept;

// The number on the next text line.
std::int32_t read_number_int(std::uint32_t id, std::int32_t position) noexcept;
float read_number_float(std::uint32_t id, std::int32_t position) noexcept;

// The temporary folder with its trailing separator, written into the
// characters of dest after growing it to at least 1024 characters (its length
// is left alone); gives the folder's length, 0 when it cannot be written.
std::int32_t temp_folder(std::int32_t dest) noexcept;
// Makes a zero-terminated path the current folder; nothing when that fails.
void change_directory(const char* path) noexcept;

} // namespace kx::files
