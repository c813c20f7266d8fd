// The library-wide debug counters that KX_WindowDebug reads.
#include <array>

#include "window/window.h"

namespace kx::window {

namespace {
std::array<std::uint32_t, 128> g_words{}; // zero at load
}

std::int32_t debug_word(std::int32_t index) noexcept {
    if (index < 0 || static_cast<std::size_t>(index) >= g_words.size()) return 0;
    return static_cast<std::int32_t>(g_words[static_cast<std::size_t>(index)]);
}

void debug_count(DebugWord word) noexcept {
    g_words[word]++; // wraps as a 32-bit counter
}

void debug_set(DebugWord word, std::int32_t value) noexcept {
    g_words[word] = static_cast<std::uint32_t>(value);
}

} // namespace kx::window
