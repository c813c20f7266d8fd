// Opening a screen for a host, and reading frames back.
#include <png.h>

#include <cstdio>
#include <memory>
#include <new>
#include <vector>

#include "graphics/graphics.h"
#include "host/host.h"
#include "kxp/screen.h"
#include "memory/banks.h"
#include "window/window.h"

namespace kx::host {

namespace {

kxp::HWND window_id(std::int32_t window) {
    const KX_Window* w = window::record(window);
    return w ? w->hWnd : 0;
}

// Writes rows of 0x00RRGGBB pixels as an 8-bit RGB PNG file.
bool write_png(const char* path, const std::uint32_t* pixels, std::int32_t width,
               std::int32_t height) {
    std::FILE* f = std::fopen(path, "wb");
    if (!f) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    bool ok = false;
    std::vector<png_byte> row;
    try {
        row.resize(std::size_t(width) * 3);
    } catch (const std::bad_alloc&) {
        png = nullptr;
    }
    if (png && info && !setjmp(png_jmpbuf(png))) {
        png_init_io(png, f);
        png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height),
                     8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (std::int32_t y = 0; y < height; ++y) {
            const std::uint32_t* in = pixels + std::size_t(y) * std::size_t(width);
            for (std::int32_t x = 0; x < width; ++x) {
                row[std::size_t(x) * 3] = static_cast<png_byte>(in[x] >> 16);
                row[std::size_t(x) * 3 + 1] = static_cast<png_byte>(in[x] >> 8);
                row[std::size_t(x) * 3 + 2] = static_cast<png_byte>(in[x]);
            }
            png_write_row(png, row.data());
        }
        png_write_end(png, nullptr);
        ok = true;
    }
    png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
    return std::fclose(f) == 0 && ok;
}

} // namespace

std::int32_t open_screen(std::int32_t window, std::int32_t width, std::int32_t height,
                         std::int32_t depth, std::int32_t windowed) noexcept {
    kxp::HWND hwnd = window_id(window);
    if (!hwnd || width < 1 || height < 1 || (depth != 16 && depth != 24 && depth != 32)) return 0;
    std::int32_t screen = graphics::open_graphics();
    if (screen < 1) return 0;
    if (kxp::OpenScreen(hwnd, width, height, depth, windowed != 0, window,
                        graphics::screen_record(screen)) != kxp::DD_OK) {
        memory::free(screen);
        return 0;
    }
    window::record(window)->ScreenHandle = screen;
    window::refresh_rectangles(window);
    graphics::set_current(screen);
    return screen;
}

std::int32_t read_frame(std::int32_t window, void* pixels, std::int32_t capacity,
                        std::int32_t* width, std::int32_t* height) noexcept {
    kxp::FrameInfo info{};
    kxp::HWND hwnd = window_id(window);
    if (!hwnd || !kxp::GetWindowFrame(hwnd, &info, nullptr, 0) || info.presents == 0) return 0;
    if (width) *width = info.width;
    if (height) *height = info.height;
    std::int64_t bytes = std::int64_t(info.pitch) * info.height;
    if (pixels && capacity >= 0 && std::int64_t(capacity) >= bytes)
        kxp::GetWindowFrame(hwnd, &info, pixels, static_cast<std::uint32_t>(bytes));
    return static_cast<std::int32_t>(info.presents);
}

std::int32_t save_frame_png(std::int32_t window, const char* path) noexcept {
    if (!path) return 0;
    std::int32_t w = 0, h = 0;
    if (read_frame(window, nullptr, 0, &w, &h) == 0 || w < 1 || h < 1) return 0;
    std::vector<std::uint32_t> frame;
    try {
        frame.resize(std::size_t(w) * std::size_t(h));
    } catch (const std::bad_alloc&) {
        return 0;
    }
    std::int64_t bytes = std::int64_t(w) * h * 4;
    if (bytes > INT32_MAX) return 0;
    read_frame(window, frame.data(), static_cast<std::int32_t>(bytes), nullptr, nullptr);
    return write_png(path, frame.data(), w, h) ? 1 : 0;
}

} // namespace kx::host
