// Internal interface of the window and input subsystem: the game window and
// its window procedure, keyboard and mouse sampling, and the library-wide
// debug counters.
#pragma once

#include <cstdint>

#include "kx/kx_records.h"

namespace kx::window {

// ---- Debug counters --------------------------------------------------------------

// Words with a meaning (others read 0).
enum DebugWord : std::int32_t {
    kDebugScreenSeen = 4,       // screen handle last seen by the window procedure
    kDebugMoves = 10,           // handled move messages
    kDebugPresents = 13,        // successful presentations
    kDebugTimers = 99,          // timer messages
    kDebugSamplingTimers = 100, // timer messages that sampled input
    kDebugMouseFailures = 111,  // failed mouse samples and re-acquisitions
    kDebugKeyboardSamples = 120 // keyboard samples
};
std::int32_t debug_word(std::int32_t index) noexcept; // 0 outside the block
void debug_count(DebugWord word) noexcept;            // adds 1
void debug_set(DebugWord word, std::int32_t value) noexcept;

// ---- Records ---------------------------------------------------------------------

// The window record of a bank handle (a live bank of type 7, large enough), or null.
KX_Window* record(std::int32_t handle) noexcept;
// The screen record of a bank handle (a live bank of type 8, large enough), or null.
KX_Screen* screen(std::int32_t handle) noexcept;

// ---- Window ----------------------------------------------------------------------

std::int32_t open(std::int32_t client_width, std::int32_t client_height) noexcept;
void close(std::int32_t window) noexcept;
std::int32_t position(std::int32_t window, std::int32_t x, std::int32_t y) noexcept;
std::int32_t size(std::int32_t window, std::int32_t width, std::int32_t height) noexcept;
std::int32_t center(std::int32_t window) noexcept;
std::int32_t full_screen(std::int32_t window) noexcept;
// The placement's normal rectangle (all zero for an invalid handle).
KX_Rect normal_rect(std::int32_t window) noexcept;
// Stores the outer rectangle and the client area (in client and in screen
// coordinates) of the window's current placement in its record.
void refresh_rectangles(std::int32_t window) noexcept;
std::int32_t take_close_request(std::int32_t window) noexcept;
void get_title(std::int32_t window, std::int32_t dest) noexcept;
std::int32_t set_title(std::int32_t window, std::int32_t source) noexcept;
std::uint32_t get_instance(std::uint32_t hwnd) noexcept;
std::uint32_t instance() noexcept;

// The host's message pump: delivers every pending message; returns how many
// reached the window procedure, or -1 when a quit message was taken.
std::int32_t pump() noexcept;

// ---- Keyboard and mouse ------------------------------------------------------------

std::int32_t keyboard_acquire(std::int32_t screen) noexcept;
std::int32_t mouse_acquire(std::int32_t screen) noexcept;
std::int32_t keyboard_sample(std::int32_t screen) noexcept;
std::int32_t mouse_sample(std::int32_t screen) noexcept;

std::int32_t key_state(std::int32_t scan_code) noexcept;
void flush_keys() noexcept;
std::int32_t scan_code() noexcept;
void inkey(std::int32_t dest) noexcept;
std::int32_t inkey_ascii() noexcept;
std::int32_t function_key() noexcept;

// Mouse fields of a screen record; 0 for an invalid screen handle.
std::int32_t mouse_x(std::int32_t screen) noexcept;
std::int32_t mouse_y(std::int32_t screen) noexcept;
std::int32_t mouse_z(std::int32_t screen) noexcept;
std::int32_t take_mouse_move_x(std::int32_t screen) noexcept;
std::int32_t take_mouse_move_y(std::int32_t screen) noexcept;
std::int32_t take_mouse_move_z(std::int32_t screen) noexcept;
std::int32_t mouse_buttons(std::int32_t screen) noexcept;

} // namespace kx::window
