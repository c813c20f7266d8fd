// File channels: buffered streams handed to programs as non-zero 32-bit ids.
// An id that names no open stream is refused like 0, so closing twice or
// using a stale id does nothing; ids are never reused.
#pragma once

#include <cstdint>

namespace kx::files {

enum class Mode { ReadWrite, Read, Write };

std::uint32_t open(std::int32_t name, Mode mode);
std::int32_t close(std::uint32_t id);
std::int32_t eof(std::uint32_t id);
std::int32_t position(std::uint32_t id);
void set_position(std::uint32_t id, std::int32_t offset);
std::int32_t size_of(std::int32_t name);
std::int32_t exists(std::int32_t name);

// Binary values: `bytes` of 1, 2 or 4, little-endian; missing bytes read as 0.
std::uint32_t read_value(std::uint32_t id, std::int32_t position, int bytes);
void write_value(std::uint32_t id, std::int32_t position, std::uint32_t value, int bytes);

void read_line(std::uint32_t id, std::int32_t position, std::int32_t dest);
void read_line_old(std::uint32_t id, std::int32_t position, std::int32_t dest);
void write_line(std::uint32_t id, std::int32_t position, std::int32_t string);
void read_chars(std::uint32_t id, std::int32_t position, std::int32_t dest, std::int32_t count);
void write_chars(std::uint32_t id, std::int32_t position, std::int32_t string, std::int32_t count);
std::int32_t read_memory(std::uint32_t id, std::int32_t position, void* address,
                         std::int32_t count);
std::int32_t write_memory(std::uint32_t id, std::int32_t position, const void* start,
                          const void* end);

} // namespace kx::files
