// File channels (see files.h), on the buffered streams of stream.h. The line
// reader reads blocks straight into the destination string and then seeks
// just past the line, which stays inside the stream's buffer.
#include "files/files.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <unordered_map>

#include "files/stream.h"
#include "kxp/system.h"
#include "memory/refusal.h"
#include "strings/strings.h"

namespace kx::files {
namespace {

namespace str = kx::strings;

struct Table {
    std::unordered_map<std::uint32_t, std::unique_ptr<Stream>> open;
    std::uint32_t next_id = 1;
};

Table& table() {
    static Table t;
    return t;
}

Stream* find(std::uint32_t id) {
    if (id == 0) return nullptr;
    auto it = table().open.find(id);
    return it == table().open.end() ? nullptr : it->second.get();
}

const char* name_of(std::int32_t name) {
    const std::uint8_t* p = str::first_char(name);
    return p && str::length(name) > 0 ? reinterpret_cast<const char*>(p) : nullptr;
}

// The position rule: a position >= 0 transfers there and leaves the current
// position where it was; a negative one transfers at the current position.
template <class Transfer> auto at(Stream& s, std::int32_t position, Transfer transfer) {
    if (position < 0) return transfer();
    const off_t saved = s.tell();
    s.seek(position);
    auto result = transfer();
    s.seek(saved);
    return result;
}

// Grows a destination that has no free place left: doubling, at least 16.
bool make_room(std::int32_t dest, std::int32_t used) {
    std::int32_t r = str::room(dest);
    if (used < r) return true;
    str::resize(dest, std::max(r * 2, r + 16));
    return used < str::room(dest);
}

// Appends bytes one at a time until `stop` (consumed, not stored) or end of
// file; with `skip_after_stop` one more byte is consumed after it (the LF
// after a CR). Returns the count appended.
std::int32_t read_bytewise(Stream& s, std::int32_t dest, int stop, bool skip_after_stop) {
    std::int32_t n = 0;
    for (int ch; (ch = s.get()) >= 0;) {
        if (ch == stop) {
            if (skip_after_stop) s.get();
            break;
        }
        if (!make_room(dest, n)) break;
        str::first_char(dest)[n++] = static_cast<std::uint8_t>(ch);
    }
    return n;
}

} // namespace

std::uint32_t open(std::int32_t name, Mode mode) noexcept try {
    const char* path = name_of(name);
    if (!path) return 0;
    auto access = mode == Mode::ReadWrite ? Stream::Access::ReadWrite
                  : mode == Mode::Read    ? Stream::Access::Read
                                          : Stream::Access::Write;
    std::unique_ptr<Stream> s = Stream::open(path, access);
    if (!s) return 0;
    Table& t = table();
    std::uint32_t id = t.next_id++;
    if (t.next_id == 0) t.next_id = 1; // after four billion opens
    t.open.emplace(id, std::move(s));
    return id;
} catch (...) {
    return 0; // no memory for the table entry: the stream is closed again
}

std::int32_t close(std::uint32_t id) noexcept {
    Stream* s = find(id);
    if (!s) return 0;
    std::int32_t r = s->close();
    table().open.erase(id);
    return r;
}

std::int32_t eof(std::uint32_t id) noexcept {
    Stream* s = find(id);
    return s && s->tell() >= s->size() ? 1 : 0;
}

std::int32_t position(std::uint32_t id) noexcept {
    Stream* s = find(id);
    return s ? static_cast<std::int32_t>(s->tell()) : 0;
}

void set_position(std::uint32_t id, std::int32_t offset) noexcept {
    if (Stream* s = find(id)) s->seek(offset);
}

std::int32_t size_of(std::int32_t name) noexcept {
    const char* path = name_of(name);
    std::unique_ptr<Stream> s = path ? Stream::open(path, Stream::Access::Read) : nullptr;
    return s ? static_cast<std::int32_t>(s->size()) : 0;
}

std::int32_t exists(std::int32_t name) noexcept {
    const char* path = name_of(name);
    return path && Stream::open(path, Stream::Access::Read) ? 1 : 0;
}

std::uint32_t read_value(std::uint32_t id, std::int32_t position, int bytes) noexcept {
    Stream* s = find(id);
    if (!s) return 0;
    return at(*s, position, [&] {
        unsigned char b[4] = {0, 0, 0, 0};
        s->read(b, static_cast<std::size_t>(bytes));
        return std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 |
               std::uint32_t(b[3]) << 24;
    });
}

void write_value(std::uint32_t id, std::int32_t position, std::uint32_t value, int bytes) noexcept {
    Stream* s = find(id);
    if (!s) return;
    at(*s, position, [&] {
        const unsigned char b[4] = {
            static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
            static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
        return s->write(b, static_cast<std::size_t>(bytes));
    });
}

void read_line(std::uint32_t id, std::int32_t position, std::int32_t dest) noexcept {
    Stream* s = find(id);
    if (!s || str::room(dest) < 0) return;
    const off_t saved = s->tell();
    if (position >= 0) s->seek(position);
    const off_t start = s->tell();
    std::int32_t kept = 0;
    for (;;) {
        // Read 48 bytes at a time straight into the characters, growing by 96
        // whenever fewer than 48 free places remain.
        if (kept + 48 >= str::room(dest)) {
            str::resize(dest, str::room(dest) + 96);
            if (kept + 48 > str::room(dest)) break; // the memory could not be had
        }
        std::uint8_t* chars = str::first_char(dest) + kept;
        std::size_t got = s->read(chars, 48);
        const void* cr = std::memchr(chars, 13, got);
        if (cr) {
            kept += static_cast<std::int32_t>(static_cast<const std::uint8_t*>(cr) - chars);
            break;
        }
        kept += static_cast<std::int32_t>(got);
        if (got < 48) break; // end of file
    }
    str::set_length(dest, kept);
    s->seek(position >= 0 ? saved : start + kept + 2);
}

void read_line_old(std::uint32_t id, std::int32_t position, std::int32_t dest) noexcept {
    Stream* s = find(id);
    if (!s || str::room(dest) < 0) return;
    at(*s, position, [&] { return str::set_length(dest, read_bytewise(*s, dest, 13, true)); });
}

void write_line(std::uint32_t id, std::int32_t position, std::int32_t string) noexcept {
    Stream* s = find(id);
    if (!s) return;
    at(*s, position, [&] {
        str::Text t = str::text(string);
        if (t.length > 0) s->write(t.chars, static_cast<std::size_t>(t.length));
        return s->write("\r\n", 2);
    });
}

void read_chars(std::uint32_t id, std::int32_t position, std::int32_t dest,
                std::int32_t count) noexcept {
    Stream* s = find(id);
    if (!s || str::room(dest) < 0) return;
    at(*s, position, [&] {
        if (count < 1) return str::set_length(dest, read_bytewise(*s, dest, 0, false));
        if (count >= str::reported_capacity(dest)) str::resize(dest, count + 16);
        if (str::room(dest) < count) return 0;
        std::size_t got = s->read(str::first_char(dest), static_cast<std::size_t>(count));
        return str::set_length(dest, static_cast<std::int32_t>(got));
    });
}

void write_chars(std::uint32_t id, std::int32_t position, std::int32_t string,
                 std::int32_t count) noexcept {
    Stream* s = find(id);
    if (!s) return;
    at(*s, position, [&] {
        str::Text t = str::text(string);
        std::int32_t n = count < 1 ? t.length : std::min(count, t.length);
        if (n > 0) s->write(t.chars, static_cast<std::size_t>(n));
        if (count < 1) s->write("", 1);
        return 0;
    });
}

std::int32_t read_memory(std::uint32_t id, std::int32_t position, void* address,
                         std::int32_t count) noexcept {
    Stream* s = find(id);
    if (!s || !address || count <= 0) return 0;
    return at(*s, position, [&] {
        return static_cast<std::int32_t>(s->read(address, static_cast<std::size_t>(count)));
    });
}

std::int32_t write_memory(std::uint32_t id, std::int32_t position, const void* start,
                          const void* end) noexcept {
    Stream* s = find(id);
    if (!s) return 0;
    if (!start || !end) return 1;
    const auto* b = static_cast<const std::uint8_t*>(start);
    const auto* e = static_cast<const std::uint8_t*>(end);
    if (e > b) at(*s, position, [&] { return s->write(b, static_cast<std::size_t>(e - b)); });
    return 1;
}

namespace {
str::Text scratch_line(std::uint32_t id, std::int32_t position) noexcept {
    std::int32_t scratch = str::scratch_string(1024);
    read_line(id, position, scratch);
    return str::text(scratch);
}
} // namespace

std::int32_t read_number_int(std::uint32_t id, std::int32_t position) noexcept {
    return find(id) ? str::parse_int(scratch_line(id, position)) : 0;
}

float read_number_float(std::uint32_t id, std::int32_t position) noexcept {
    return find(id) ? static_cast<float>(str::parse_float(scratch_line(id, position))) : 0.0f;
}

std::int32_t temp_folder(std::int32_t dest) noexcept {
    if (str::room(dest) < 0) return 0;
    if (str::room(dest) < 1024) str::resize(dest, 1024);
    if (str::room(dest) < 1024) return 0;
    char buffer[1001];
    kxp::DWORD n =
        kx::refusing(kxp::DWORD(0), [&] { return kxp::GetTempPath(sizeof buffer, buffer); });
    if (n == 0 || n >= sizeof buffer) return 0;
    std::memcpy(str::first_char(dest), buffer, n);
    return static_cast<std::int32_t>(n);
}

void change_directory(const char* path) noexcept {
    if (path) kx::refusing([&] { kxp::SetCurrentDirectory(path); });
}

} // namespace kx::files
