// The host kit's screen services: opening a screen on a window for a host,
// and reading back what a window shows.
#pragma once

#include <cstdint>

namespace kx::host {

std::int32_t open_screen(std::int32_t window, std::int32_t width, std::int32_t height,
                         std::int32_t depth, std::int32_t windowed) noexcept;
// The window's last presented frame as 0x00RRGGBB pixels; see KXH_ReadFrame.
std::int32_t read_frame(std::int32_t window, void* pixels, std::int32_t capacity,
                        std::int32_t* width, std::int32_t* height) noexcept;
std::int32_t save_frame_png(std::int32_t window, const char* path) noexcept;

} // namespace kx::host
