// DirectInput-style input objects and keyboard and mouse devices.
//
// A keyboard device buffers key changes while it is acquired (oldest kept:
// when the buffer is full, new events are dropped and the next read reports
// DI_BUFFEROVERFLOW). A mouse device accumulates motion and wheel while it is
// acquired and reports the buttons as they are. Foreground devices acquire
// only while their window is active and are lost when it stops being active.
#include <algorithm>
#include <cstring>

#include "core/internal.h"

namespace kxp::detail {
namespace {

constexpr DWORD kDefaultBuffer = 16;
constexpr DWORD kMaxBuffer = 4096;

struct InputObject final : Object {};

struct Device final : Object {
    REFGUID kind = 0;
    HWND window = 0;
    DWORD cooperation = DISCL_NONEXCLUSIVE | DISCL_BACKGROUND;
    bool acquired = false;
    bool lost = false;
    DWORD buffer_size = kDefaultBuffer;
    std::deque<DIDEVICEOBJECTDATA> buffer;
    bool overflow = false;
    std::uint32_t dx = 0, dy = 0, dz = 0; // wrapping sums
};

InputState& storage() {
    static InputState s;
    return s;
}

template <class T> T* find(std::uint32_t id) {
    return find_object<T>(id);
}

std::uint32_t add(std::unique_ptr<Object> object) {
    return add_object(input_state().devices, std::move(object));
}

void reset(Device& d) {
    d.buffer.clear();
    d.overflow = false;
    d.dx = d.dy = d.dz = 0;
}

template <class F> void each_acquired(REFGUID kind, F f) {
    for (auto& [id, o] : input_state().devices)
        if (auto* d = dynamic_cast<Device*>(o.get()); d && d->kind == kind && d->acquired) f(*d);
}

} // namespace

InputState& input_state() {
    platform();
    return storage();
}

void reset_input() {
    storage() = InputState{};
}

void devices_key(UINT scan, bool down, DWORD time) {
    DWORD sequence = ++input_state().sequence;
    each_acquired(GUID_SysKeyboard, [&](Device& d) {
        if (d.buffer.size() >= d.buffer_size) {
            d.overflow = true;
            return;
        }
        d.buffer.push_back({scan, down ? 0x80u : 0u, time, sequence});
    });
}

void devices_motion(std::int32_t dx, std::int32_t dy, std::int32_t dz) {
    each_acquired(GUID_SysMouse, [&](Device& d) {
        d.dx += static_cast<std::uint32_t>(dx);
        d.dy += static_cast<std::uint32_t>(dy);
        d.dz += static_cast<std::uint32_t>(dz);
    });
}

void devices_focus_lost(HWND top) {
    for (auto& [id, o] : input_state().devices) {
        auto* d = dynamic_cast<Device*>(o.get());
        if (!d || !d->acquired || !(d->cooperation & DISCL_FOREGROUND) || d->window != top)
            continue;
        d->acquired = false;
        d->lost = true;
        reset(*d);
    }
}

} // namespace kxp::detail

namespace kxp {

using namespace detail;

HRESULT DirectInputCreate(HINSTANCE instance, DWORD, LPDIRECTINPUT* input) {
    if (!input || instance == 0) return DIERR_INVALIDPARAM;
    *input = add(std::make_unique<InputObject>());
    return DI_OK;
}

HRESULT CreateDevice(LPDIRECTINPUT input, REFGUID guid, LPDIRECTINPUTDEVICE* device) {
    if (!device || !find<InputObject>(input)) return DIERR_INVALIDPARAM;
    if (guid != GUID_SysKeyboard && guid != GUID_SysMouse) return DIERR_DEVICENOTREG;
    auto d = std::make_unique<Device>();
    d->kind = guid;
    *device = add(std::move(d));
    return DI_OK;
}

HRESULT SetCooperativeLevel(LPDIRECTINPUTDEVICE device, HWND hwnd, DWORD flags) {
    if (is_display(device)) return set_display_level(device, hwnd, flags);
    Device* d = find<Device>(device);
    if (!d) return DIERR_INVALIDPARAM;
    bool exclusive = flags & DISCL_EXCLUSIVE, shared = flags & DISCL_NONEXCLUSIVE;
    bool foreground = flags & DISCL_FOREGROUND, background = flags & DISCL_BACKGROUND;
    if (exclusive == shared || foreground == background ||
        (flags &
         ~DWORD(DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE | DISCL_FOREGROUND | DISCL_BACKGROUND)))
        return DIERR_INVALIDPARAM;
    if (hwnd != 0 && top_level(hwnd) != hwnd) return E_HANDLE;
    if (hwnd == 0 && (foreground || exclusive)) return E_HANDLE;
    if (d->acquired) return DIERR_ACQUIRED;
    d->window = hwnd;
    d->cooperation = flags;
    return DI_OK;
}

HRESULT SetProperty(LPDIRECTINPUTDEVICE device, DWORD property, DWORD value) {
    Device* d = find<Device>(device);
    if (!d) return DIERR_INVALIDPARAM;
    if (property != DIPROP_BUFFERSIZE) return DIERR_UNSUPPORTED;
    if (value > kMaxBuffer) return DIERR_INVALIDPARAM;
    if (d->acquired) return DIERR_ACQUIRED;
    d->buffer_size = value;
    return DI_OK;
}

HRESULT Acquire(LPDIRECTINPUTDEVICE device) {
    Device* d = find<Device>(device);
    if (!d) return DIERR_INVALIDPARAM;
    if (d->acquired) return DI_NOEFFECT;
    if ((d->cooperation & DISCL_FOREGROUND) &&
        (!find_window(d->window) || window_state().active != d->window))
        return DIERR_OTHERAPPHASPRIO;
    d->acquired = true;
    d->lost = false;
    reset(*d);
    return DI_OK;
}

HRESULT Unacquire(LPDIRECTINPUTDEVICE device) {
    Device* d = find<Device>(device);
    if (!d) return DIERR_INVALIDPARAM;
    d->lost = false;
    if (!d->acquired) return DI_NOEFFECT;
    d->acquired = false;
    reset(*d);
    return DI_OK;
}

HRESULT GetDeviceState(LPDIRECTINPUTDEVICE device, DWORD size, void* data) {
    Device* d = find<Device>(device);
    if (!d || !data) return DIERR_INVALIDPARAM;
    bool keyboard = d->kind == GUID_SysKeyboard;
    if (keyboard ? size != 256 : (size != 16 && size != 20)) return DIERR_INVALIDPARAM;
    if (d->lost) return DIERR_INPUTLOST;
    if (!d->acquired) return DIERR_NOTACQUIRED;
    InputState& s = input_state();
    if (keyboard) {
        std::memcpy(data, s.keys_down, 256);
        return DI_OK;
    }
    BYTE out[20] = {};
    LONG motion[3] = {static_cast<LONG>(d->dx), static_cast<LONG>(d->dy), static_cast<LONG>(d->dz)};
    std::memcpy(out, motion, sizeof motion);
    std::memcpy(out + 12, s.buttons, 4);
    std::memcpy(data, out, size);
    d->dx = d->dy = d->dz = 0;
    return DI_OK;
}

HRESULT GetDeviceData(LPDIRECTINPUTDEVICE device, DWORD objectDataSize, DIDEVICEOBJECTDATA* data,
                      DWORD* inOut, DWORD flags) {
    Device* d = find<Device>(device);
    if (!d || !inOut || objectDataSize != sizeof(DIDEVICEOBJECTDATA)) return DIERR_INVALIDPARAM;
    if (d->lost) return DIERR_INPUTLOST;
    if (!d->acquired) return DIERR_NOTACQUIRED;
    if (d->kind != GUID_SysKeyboard || d->buffer_size == 0) return DIERR_NOTBUFFERED;
    std::size_t n = std::min<std::size_t>(*inOut, d->buffer.size());
    if (data) std::copy_n(d->buffer.begin(), n, data);
    HRESULT result = d->overflow ? DI_BUFFEROVERFLOW : DI_OK;
    if (!(flags & DIGDD_PEEK)) {
        d->buffer.erase(d->buffer.begin(), d->buffer.begin() + static_cast<std::ptrdiff_t>(n));
        d->overflow = false;
    }
    *inOut = static_cast<DWORD>(n);
    return result;
}

} // namespace kxp
