// The cursor: system cursors and icons, the current cursor and its show count.
#include "core/internal.h"

namespace kxp {

using namespace detail;

namespace {
// System cursors and icons; their handles are their positions plus one.
constexpr std::uint32_t kCursors[] = {IDC_ARROW,   IDC_IBEAM, IDC_WAIT, IDC_CROSS,
                                      IDC_SIZEALL, IDC_NO,    IDC_HAND};
constexpr std::uint32_t kIcons[] = {IDI_APPLICATION, IDI_HAND,     IDI_QUESTION,
                                    IDI_EXCLAMATION, IDI_ASTERISK, IDI_WINLOGO};
constexpr HCURSOR kCursorCount = sizeof kCursors / sizeof kCursors[0];

template <std::size_t N>
std::uint32_t load_system(HINSTANCE instance, std::uint32_t name, const std::uint32_t (&table)[N]) {
    if (instance == 0)
        for (std::size_t k = 0; k < N; ++k)
            if (table[k] == name) return static_cast<std::uint32_t>(k + 1);
    set_error(ERROR_RESOURCE_NAME_NOT_FOUND);
    return 0;
}

void cursor_changed(const WindowState& s) {
    platform().backend->cursor_changed(s.cursor != 0 && s.cursor_count >= 0, s.cursor);
}
} // namespace

HCURSOR LoadCursor(HINSTANCE instance, std::uint32_t cursorName) {
    return load_system(instance, cursorName, kCursors);
}

HICON LoadIcon(HINSTANCE instance, std::uint32_t iconName) {
    return load_system(instance, iconName, kIcons);
}

HCURSOR SetCursor(HCURSOR cursor) {
    if (cursor > kCursorCount) {
        set_error(ERROR_INVALID_CURSOR_HANDLE);
        return 0;
    }
    WindowState& s = window_state();
    HCURSOR previous = s.cursor;
    s.cursor = cursor;
    if (previous != cursor) cursor_changed(s);
    return previous;
}

HCURSOR GetCursor() {
    return window_state().cursor;
}

std::int32_t ShowCursor(BOOL show) {
    WindowState& s = window_state();
    s.cursor_count += show ? 1 : -1;
    cursor_changed(s);
    return s.cursor_count;
}

} // namespace kxp
