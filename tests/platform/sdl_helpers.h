// What the sdl tests share: finding the SDL window that shows a window, pushing
// events into SDL's queue, and reading back what the X server shows (that part
// lives in x11_screenshot.cpp: the X headers define macros that clash with
// other headers).
#pragma once

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace kxp::test {

// The SDL window showing a window of the platform, found by its title.
inline SDL_Window* sdl_window(const char* title) {
    for (Uint32 id = 1; id < 4096; ++id)
        if (SDL_Window* w = SDL_GetWindowFromID(id))
            if (std::string(SDL_GetWindowTitle(w)) == title) return w;
    return nullptr;
}

inline void push(SDL_Event e) {
    e.common.timestamp = SDL_GetTicks();
    ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError();
}

// The window's pixels as 0x00RRGGBB rows, with its size; empty when the window
// is not on an X display or the server holds no 8-bit-per-channel picture.
std::vector<std::uint32_t> x11_screenshot(SDL_Window* window, int& width, int& height);

} // namespace kxp::test
