// Internal interface of the text subsystem: system and bitmap fonts, and text
// drawn onto the current surface.
#pragma once

#include <cstdint>
#include <string_view>

#include "kx/kx_records.h"

namespace kx::text {

// The font record of a handle (a live bank of type 11 large enough), or null.
KX_Font* font(std::int32_t handle) noexcept;

std::int32_t load(std::int32_t screen, std::int32_t name, std::int32_t size,
                  std::int32_t style) noexcept;
std::int32_t create_bitmap(std::int32_t screen, std::int32_t width, std::int32_t height,
                           std::int32_t image_flags) noexcept;
std::int32_t convert_bitmap(std::int32_t font, std::uint32_t colour,
                            std::int32_t image_flags) noexcept;
std::int32_t prepare_fx(std::int32_t font, std::uint32_t colour) noexcept;
void remove(std::int32_t font) noexcept;

// Draws the characters on the current surface; 1 when drawn, 0 when nothing was.
std::int32_t draw(std::int32_t font, std::string_view chars, std::int32_t x, std::int32_t y,
                  std::uint32_t colour, std::int32_t centre) noexcept;
std::int32_t draw_string(std::int32_t font, std::int32_t string, std::int32_t x, std::int32_t y,
                         std::uint32_t colour, std::int32_t centre) noexcept;
std::int32_t draw_char_set(std::int32_t font, std::int32_t x, std::int32_t y,
                           std::int32_t flag) noexcept;
void get_char_set(std::int32_t font, std::int32_t x, std::int32_t y) noexcept;
void get_char(std::int32_t font, std::int32_t code, std::int32_t x, std::int32_t y) noexcept;

void get_name(std::int32_t font, std::int32_t dest) noexcept;
void set_mask_colour(std::int32_t font, std::uint32_t colour) noexcept;
// mode 1: width (sum of advances); mode 0: height (largest height); else 0.
std::int32_t text_size(std::int32_t font, std::int32_t string, std::int32_t mode) noexcept;
void set_char_size(std::int32_t font, std::int32_t code, std::int32_t value,
                   std::int32_t mode) noexcept;
std::int32_t char_size(std::int32_t font, std::int32_t code, std::int32_t mode) noexcept;
std::int32_t char_hang(std::int32_t font, std::int32_t code, std::int32_t side) noexcept;

} // namespace kx::text
