// Keyboard and mouse: the key table, sampling of the screen's input devices,
// key reading with repeat, and the screen record's mouse fields.
#include <algorithm>
#include <array>

#include "kxp/input.h"
#include "kxp/system.h"
#include "strings/strings.h"
#include "window/window.h"

namespace kx::window {

namespace {

constexpr std::int32_t kKeyDown = 0;
constexpr std::int32_t kKeyUp = 1;
constexpr kxp::DWORD kEventsPerSample = 16;
constexpr kxp::DWORD kFirstRepeat = 500; // ms until a held key repeats
constexpr kxp::DWORD kRepeat = 10;       // ms between repeats
// A device that keeps answering a read with a remark is read at most this often per sample.
constexpr int kReadAttempts = 8;

struct Key {
    std::int32_t state = kKeyUp; // the table starts flushed
    std::uint32_t down_time = 0;
};
std::array<Key, 256> g_keys;

std::int32_t g_last_code = -1;
kxp::DWORD g_next_repeat = 0;
bool g_have_layout = false;
kxp::HKL g_layout = 0;

std::int32_t clamp_to(std::int64_t v, std::int32_t extent) {
    return static_cast<std::int32_t>(
        std::max<std::int64_t>(0, std::min<std::int64_t>(v, extent - 1LL)));
}

// The 16-bit value that the keyboard layout gives for a scan code.
std::int32_t translate(std::int32_t code) {
    if (!g_have_layout) {
        g_layout = kxp::GetKeyboardLayout(0);
        g_have_layout = true;
    }
    kxp::BYTE state[256] = {};
    if (!kxp::GetKeyboardState(state)) return 0;
    auto scan = static_cast<kxp::UINT>(code);
    kxp::UINT vk = kxp::MapVirtualKeyEx(scan, kxp::MAPVK_VSC_TO_VK, g_layout);
    kxp::WORD chars[2] = {0, 0};
    kxp::ToAsciiEx(vk, scan, state, chars, 0, g_layout);
    return chars[0];
}

} // namespace

std::int32_t keyboard_acquire(std::int32_t screen_handle) noexcept {
    KX_Screen* s = screen(screen_handle);
    if (!s || s->DirectInput == 0 || s->KeyboardAcquired != 0) return 0;
    kxp::Acquire(s->KeyboardDevice);
    s->KeyboardAcquired = 1;
    return 1;
}

std::int32_t mouse_acquire(std::int32_t screen_handle) noexcept {
    KX_Screen* s = screen(screen_handle);
    if (!s || s->DirectInput == 0 || s->MouseAcquired != 0) return 0;
    kxp::Acquire(s->MouseDevice);
    s->MouseAcquired = 1;
    return 1;
}

std::int32_t keyboard_sample(std::int32_t screen_handle) noexcept {
    KX_Screen* s = screen(screen_handle);
    if (!s || s->DirectInput == 0 || s->KeyboardDevice == 0) return 0;
    kxp::LPDIRECTINPUTDEVICE device = s->KeyboardDevice;
    kxp::DIDEVICEOBJECTDATA events[kEventsPerSample] = {};
    kxp::DWORD count = 0;
    for (int attempt = 0;; ++attempt) {
        count = kEventsPerSample;
        kxp::HRESULT r =
            kxp::GetDeviceData(device, sizeof(kxp::DIDEVICEOBJECTDATA), events, &count, 0);
        if (r == kxp::DI_OK) break;
        if (r < 0) count = 0; // a failed read reports no events
        kxp::HRESULT a = kxp::Acquire(device);
        if (a < 0) return -1;
        flush_keys();
        if (a == kxp::DI_OK) break; // go on with what the last read reported
        if (attempt + 1 == kReadAttempts) {
            count = 0;
            break;
        }
    }
    debug_count(kDebugKeyboardSamples);
    std::uint32_t t = kxp::GetTickCount();
    for (kxp::DWORD i = 0; i < std::min(count, kEventsPerSample); ++i) {
        Key& k = g_keys[events[i].dwOfs & 0xFF];
        if (events[i].dwData & 0x80)
            k = {kKeyDown, t};
        else
            k = {kKeyUp, 0};
    }
    return 0;
}

std::int32_t mouse_sample(std::int32_t screen_handle) noexcept {
    KX_Screen* s = screen(screen_handle);
    if (!s || s->DirectInput == 0) return 0;
    kxp::DIMOUSESTATE m{};
    kxp::HRESULT r = kxp::GetDeviceState(s->MouseDevice, sizeof m, &m);
    if (r == kxp::DIERR_NOTACQUIRED || r == kxp::DIERR_INPUTLOST) {
        s->MouseAcquired = 0;
        if (mouse_acquire(screen_handle) == 1) debug_count(kDebugMouseFailures);
        return 0;
    }
    if (r < 0) {
        debug_count(kDebugMouseFailures);
        return 0;
    }
    if (s->Windowed == 0) {
        s->MouseMoveX = m.lX;
        s->MouseMoveY = m.lY;
        s->MouseX = clamp_to(std::int64_t(s->MouseX) + m.lX, s->Size.Width);
        s->MouseY = clamp_to(std::int64_t(s->MouseY) + m.lY, s->Size.Height);
    }
    s->MouseMoveZ = m.lZ;
    std::int32_t buttons = 0;
    for (int i = 0; i < 4; ++i)
        if (m.rgbButtons[i] & 0x80) buttons |= 1 << i;
    s->MouseButtons = buttons;
    return 1;
}

std::int32_t key_state(std::int32_t scan_code) noexcept {
    return g_keys[static_cast<std::uint32_t>(scan_code) & 0xFF].state == kKeyDown ? 1 : 0;
}

void flush_keys() noexcept {
    g_keys.fill(Key{});
}

std::int32_t scan_code() noexcept {
    for (std::size_t i = 0; i < g_keys.size(); ++i)
        if (g_keys[i].state == kKeyDown) return static_cast<std::int32_t>(i);
    return 0;
}

void inkey(std::int32_t dest) noexcept {
    kxp::DWORD t = kxp::GetTickCount();
    std::int32_t code = scan_code();
    if (code == 0) {
        g_last_code = -1;
    } else if (code != g_last_code) {
        g_last_code = code;
        g_next_repeat = t + kFirstRepeat;
    } else if (static_cast<std::int32_t>(t - g_next_repeat) >= 0) {
        // Compared as a difference, so that the repeat survives the clock's wrap.
        g_next_repeat = t + kRepeat;
    } else {
        code = 0;
    }
    std::int32_t c = code ? translate(code) : 0;
    kx::strings::chr(c & 0xFF, dest);
}

std::int32_t inkey_ascii() noexcept {
    std::int32_t code = scan_code();
    return code ? translate(code) : 0;
}

std::int32_t function_key() noexcept {
    static constexpr std::uint8_t kCodes[12] = {59, 60, 61, 62, 63, 64, 65, 66, 67, 68, 87, 88};
    for (int i = 0; i < 12; ++i)
        if (g_keys[kCodes[i]].state == kKeyDown) return i + 1;
    return 0;
}

std::int32_t mouse_x(std::int32_t h) noexcept {
    const KX_Screen* s = screen(h);
    return s ? s->MouseX : 0;
}
std::int32_t mouse_y(std::int32_t h) noexcept {
    const KX_Screen* s = screen(h);
    return s ? s->MouseY : 0;
}
std::int32_t mouse_z(std::int32_t h) noexcept {
    KX_Screen* s = screen(h);
    if (!s) return 0;
    s->MouseZ = static_cast<std::int32_t>(static_cast<std::uint32_t>(s->MouseZ) +
                                          static_cast<std::uint32_t>(s->MouseMoveZ));
    return s->MouseZ;
}

namespace {
std::int32_t take(std::int32_t& field) {
    std::int32_t v = field;
    field = 0;
    return v;
}
} // namespace

std::int32_t take_mouse_move_x(std::int32_t h) noexcept {
    KX_Screen* s = screen(h);
    return s ? take(s->MouseMoveX) : 0;
}
std::int32_t take_mouse_move_y(std::int32_t h) noexcept {
    KX_Screen* s = screen(h);
    return s ? take(s->MouseMoveY) : 0;
}
std::int32_t take_mouse_move_z(std::int32_t h) noexcept {
    KX_Screen* s = screen(h);
    return s ? take(s->MouseMoveZ) : 0;
}
std::int32_t mouse_buttons(std::int32_t h) noexcept {
    const KX_Screen* s = screen(h);
    return s && s->MouseButtons >= 1 ? s->MouseButtons : 0;
}

} // namespace kx::window
