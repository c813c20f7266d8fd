// Reading back what the X server shows in an SDL window (kept apart from the
// tests: the X headers define macros that clash with other headers).
#pragma once

#include <SDL.h>

#include <cstdint>
#include <vector>

namespace kxp::test {

// The window's pixels as 0x00RRGGBB rows, with its size; empty when the window
// is not on an X display or the server holds no 8-bit-per-channel picture.
std::vector<std::uint32_t> x11_screenshot(SDL_Window* window, int& width, int& height);

} // namespace kxp::test
