// File channels (see files.h), on the buffered streams of stream.h. The line
// reader reads blocks straight into the destination string and then seeks
// just past the line, which stays inside the stream's buffer.
#include "files/files.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
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

// A file name as the system gets it: the string's characters up to its first
// zero byte, never past its length or its bank's end (a host or program may
// have overwritten the terminator); empty for a non-string or an empty name.
std::string name_of(std::int32_t name) {
    std::string_view v = str::text(name).view();
    return std::string(v.substr(0, std::min(v.find('\0'), v.size())));
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
    str::resize(dest, std::max(str::grown(r, r), str::grown(r, 16)));
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

// The characters from the current position up to the next CR (or the end of
// the file), read in 48-byte blocks as the line reader does; the stream is left
// after the last block read.
void line_from(Stream& s, std::string& line) {
    for (;;) {
        char block[48];
        std::size_t got = s.read(block, sizeof block);
        const void* cr = std::memchr(block, 13, got);
        line.append(block,
                    cr ? static_cast<std::size_t>(static_cast<const char*>(cr) - block) : got);
        if (cr || got < sizeof block || line.size() > std::size_t(str::kMaxChars) - 64) break;
    }
}

// Past this many characters the line reader stops growing its string by 96 at a
// time (a move of the whole string each time, so time quadratic in the line).
constexpr std::int32_t kLongLine = 1 << 16;

// The rest of a long line, `kept` characters of which are in dest: read aside,
// then dest is grown once to the capacity that growing by 96 before every
// 48-byte block would have given, and the rest copied in. Gives the characters
// kept; when the memory cannot be had, the whole blocks that fit.
std::int32_t read_long_line_rest(Stream& s, std::int32_t dest, std::int32_t kept) {
    std::string rest;
    if (!kx::refusing(false, [&] { return line_from(s, rest), true; })) return kept;
    const std::int64_t n = std::min<std::int64_t>(kept + std::int64_t(rest.size()), str::kMaxChars);
    std::int64_t room = str::room(dest);
    for (std::int64_t k = kept; k <= n; k += 48)
        if (k + 48 >= room) room = std::min<std::int64_t>(room + 96, INT32_MAX);
    str::resize(dest, static_cast<std::int32_t>(room));
    std::int64_t end = n;
    if (str::room(dest) < n)
        end = std::max<std::int64_t>(str::room(dest) - 48 - kept, 0) / 48 * 48 + kept;
    if (end > kept && str::room(dest) >= end)
        std::memcpy(str::first_char(dest) + kept, rest.data(),
                    static_cast<std::size_t>(end - kept));
    return static_cast<std::int32_t>(std::min<std::int64_t>(end, str::room(dest)));
}

} // namespace

std::uint32_t open(std::int32_t name, Mode mode) noexcept try {
    const std::string path = name_of(name);
    if (path.empty()) return 0;
    auto access = mode == Mode::ReadWrite ? Stream::Access::ReadWrite
                  : mode == Mode::Read    ? Stream::Access::Read
                                          : Stream::Access::Write;
    std::unique_ptr<Stream> s = Stream::open(path.c_str(), access);
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

std::int32_t size_of(std::int32_t name) noexcept try {
    const std::string path = name_of(name);
    std::unique_ptr<Stream> s =
        path.empty() ? nullptr : Stream::open(path.c_str(), Stream::Access::Read);
    return s ? static_cast<std::int32_t>(s->size()) : 0;
} catch (...) {
    return 0; // no memory for the name
}

std::int32_t exists(std::int32_t name) noexcept try {
    const std::string path = name_of(name);
    return !path.empty() && Stream::open(path.c_str(), Stream::Access::Read) ? 1 : 0;
} catch (...) {
    return 0;
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
        if (std::int64_t(kept) + 48 >= str::room(dest)) {
            if (kept >= kLongLine) {
                kept = read_long_line_rest(*s, dest, kept);
                break;
            }
            str::resize(dest, str::grown(str::room(dest), 96));
            if (std::int64_t(kept) + 48 > str::room(dest)) break; // the memory could not be had
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
        if (count > str::kMaxChars - 16) return 0; // no string holds it: nothing read
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
// The next text line as read_line reads it, into the runtime's own memory
// (never a bank that a program could reach).
std::string private_line(Stream& s, std::int32_t position) {
    std::string line;
    const off_t saved = s.tell();
    if (position >= 0) s.seek(position);
    const off_t start = s.tell();
    line_from(s, line);
    s.seek(position >= 0 ? saved : start + static_cast<off_t>(line.size()) + 2);
    return line;
}

str::Text as_text(const std::string& line) {
    return {reinterpret_cast<const std::uint8_t*>(line.data()),
            static_cast<std::int32_t>(line.size())};
}
} // namespace

std::int32_t read_number_int(std::uint32_t id, std::int32_t position) noexcept try {
    Stream* s = find(id);
    return s ? str::parse_int(as_text(private_line(*s, position))) : 0;
} catch (...) {
    return 0; // no memory for the line
}

float read_number_float(std::uint32_t id, std::int32_t position) noexcept try {
    Stream* s = find(id);
    return s ? static_cast<float>(str::parse_float(as_text(private_line(*s, position)))) : 0.0f;
} catch (...) {
    return 0.0f;
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
