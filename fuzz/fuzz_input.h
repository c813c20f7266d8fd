// The fuzzer's bytes read as a stream of small decisions and numbers. Past the
// end every read gives 0, so any input is a complete sequence of operations.
#pragma once

#include <dlfcn.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace kx::fuzz {

class Input {
  public:
    Input(const std::uint8_t* data, std::size_t size) : p_(data), end_(data + size) {}

    bool more() const { return p_ < end_; }
    std::uint8_t byte() { return p_ < end_ ? *p_++ : 0; }
    std::uint32_t u32() {
        std::uint32_t v = 0;
        for (int k = 0; k < 4; ++k)
            v |= std::uint32_t(byte()) << (8 * k);
        return v;
    }
    // A number that is often small, sometimes at the edges of the 32-bit range.
    std::int32_t number() {
        switch (byte() % 8) {
        case 0: return static_cast<std::int32_t>(u32());
        case 1: {
            static const std::int32_t edges[] = {INT32_MIN,      INT32_MIN + 1, -65536,   -17, -1,
                                                 INT32_MAX - 16, INT32_MAX - 5, INT32_MAX};
            return edges[byte() % 8];
        }
        case 2: return -static_cast<std::int32_t>(byte());
        default: return byte();
        }
    }
    // Up to `max` bytes, as a string.
    std::string text(std::size_t max = 64) {
        std::size_t n = byte() % (max + 1);
        std::string s;
        for (std::size_t k = 0; k < n && more(); ++k)
            s.push_back(static_cast<char>(byte()));
        return s;
    }
    // One of n choices.
    std::size_t pick(std::size_t n) { return n ? byte() % n : 0; }

  private:
    const std::uint8_t* p_;
    const std::uint8_t* end_;
};

// The runtime loads the raster library when its memory manager opens and
// unloads it when it closes; the fuzzer's coverage counters of an unloaded
// library would dangle. Loading it once more, never to be unloaded, keeps it
// in place (the runtime's own load then finds it already there).
inline void keep_raster_library() {
    static const bool kept = [] {
        char exe[4096];
        ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
        if (n <= 0) return false;
        std::string path(exe, static_cast<std::size_t>(n));
        path = path.substr(0, path.rfind('/') + 1) + "KX_VGFX.so";
        return dlopen(path.c_str(), RTLD_NOW | RTLD_NODELETE) != nullptr;
    }();
    (void)kept;
}

} // namespace kx::fuzz
