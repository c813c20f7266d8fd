// Opening a screen for the runtime, and reading back windows' frames.
#include <cstring>

#include "core/gfx.h"
#include "kxp/screen.h"
#include "kxp/system.h"

namespace kxp::detail {
namespace {

// The runtime's pixel-format code of a surface format.
std::int32_t format_code(const DDPIXELFORMAT& pf) {
    switch (pf.dwRGBBitCount) {
    case 16:
        return pf.dwGBitMask == 0x7E0 ? KX_FORMAT_565 : pf.dwGBitMask == 0x3E0 ? KX_FORMAT_555 : 0;
    case 24: return KX_FORMAT_24;
    case 32: return KX_FORMAT_32;
    default: return KX_FORMAT_OTHER;
    }
}

// The objects of a screen being opened; what is still held on destruction is
// released in the order the runtime closes a screen.
struct Made {
    std::uint32_t dd = 0, front = 0, back = 0, d3d = 0, device = 0, input = 0, keyboard = 0,
                  mouse = 0;
    ~Made() {
        for (std::uint32_t id : {mouse, keyboard, input, device, d3d, back, front, dd})
            if (id) Release(id);
    }
    void keep() { dd = front = back = d3d = device = input = keyboard = mouse = 0; }
};

} // namespace
} // namespace kxp::detail

namespace kxp {

using namespace detail;

HRESULT OpenScreen(HWND window, std::int32_t width, std::int32_t height, std::int32_t depth,
                   BOOL windowed, std::int32_t windowRecord, KX_Screen* screen) {
    if (!screen || !find_window(window) || top_level(window) != window || width < 1 || height < 1 ||
        width > kMaxSurfaceSide || height > kMaxSurfaceSide ||
        (depth != 16 && depth != 24 && depth != 32))
        return DDERR_INVALIDPARAMS;
    Made m;
    HRESULT r = DirectDrawCreateEx(0, &m.dd, IID_IDirectDraw7, 0);
    if (r != DD_OK) return r;
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    if (windowed) {
        // The desktop takes the screen's depth, so that the surfaces the runtime
        // makes without a format (video images) have the screen's format too.
        const Desktop& desk = platform().desktop;
        if ((r = SetCooperativeLevel(m.dd, window, DDSCL_NORMAL)) != DD_OK ||
            (r = SetDisplayMode(m.dd, static_cast<DWORD>(desk.width),
                                static_cast<DWORD>(desk.height), static_cast<DWORD>(depth), 0,
                                0)) != DD_OK)
            return r;
        desc.dwFlags = DDSD_CAPS;
        desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
        if ((r = CreateSurface(m.dd, &desc, &m.front, 0)) != DD_OK) return r;
        desc = {};
        desc.dwSize = sizeof desc;
        desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
        desc.dwWidth = static_cast<DWORD>(width);
        desc.dwHeight = static_cast<DWORD>(height);
        desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE | DDSCAPS_VIDEOMEMORY;
        if ((r = CreateSurface(m.dd, &desc, &m.back, 0)) != DD_OK) return r;
    } else {
        if ((r = SetCooperativeLevel(m.dd, window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN)) != DD_OK)
            return r;
        if ((r = SetDisplayMode(m.dd, static_cast<DWORD>(width), static_cast<DWORD>(height),
                                static_cast<DWORD>(depth), 0, 0)) != DD_OK)
            return r;
        desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
        desc.dwBackBufferCount = 1;
        desc.ddsCaps.dwCaps =
            DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX | DDSCAPS_3DDEVICE;
        if ((r = CreateSurface(m.dd, &desc, &m.front, 0)) != DD_OK) return r;
        DDSCAPS2 caps{DDSCAPS_BACKBUFFER, 0, 0, 0};
        if ((r = GetAttachedSurface(m.front, &caps, &m.back)) != DD_OK) return r;
    }
    if ((r = QueryInterface(m.dd, IID_IDirect3D7, &m.d3d)) != DD_OK) return r;
    if ((r = CreateDevice(m.d3d, IID_IDirect3DHALDevice, m.back, &m.device)) != D3D_OK) return r;

    if ((r = DirectInputCreate(GetModuleHandle(nullptr), DIRECTINPUT_VERSION, &m.input)) != DI_OK)
        return r;
    if ((r = CreateDevice(m.input, GUID_SysKeyboard, &m.keyboard)) != DI_OK ||
        (r = SetCooperativeLevel(m.keyboard, window, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND)) !=
            DI_OK ||
        (r = SetProperty(m.keyboard, DIPROP_BUFFERSIZE, 16)) != DI_OK)
        return r;
    DWORD mouse_level = (windowed ? DISCL_NONEXCLUSIVE : DISCL_EXCLUSIVE) | DISCL_FOREGROUND;
    if ((r = CreateDevice(m.input, GUID_SysMouse, &m.mouse)) != DI_OK ||
        (r = SetCooperativeLevel(m.mouse, window, mouse_level)) != DI_OK)
        return r;

    DDPIXELFORMAT pf{};
    pf.dwSize = sizeof pf;
    GetPixelFormat(m.back, &pf);
    KX_Screen rec{};
    rec.Open = 1;
    rec.Size = {width, height, depth};
    rec.Viewport = {0, 0, width, height};
    rec.Lock.Format = format_code(pf);
    rec.Type = {1, 1};
    rec.DirectDraw = m.dd;
    rec.FrontSurface = m.front;
    rec.BackSurface = m.back;
    rec.Direct3D = m.d3d;
    rec.Direct3DDevice = m.device;
    rec.DirectInput = m.input;
    rec.MouseDevice = m.mouse;
    rec.KeyboardDevice = m.keyboard;
    rec.RedMask = pf.dwRBitMask;
    rec.GreenMask = pf.dwGBitMask;
    rec.BlueMask = pf.dwBBitMask;
    rec.Window = windowRecord;
    rec.WindowHandle = window;
    rec.Windowed = windowed ? 1 : 0;
    rec.State3D = 1;
    if (!windowed) {
        rec.SavedStyle = static_cast<std::uint32_t>(GetWindowLong(window, GWL_STYLE));
        SetWindowLong(window, GWL_STYLE, static_cast<LONG>(WS_POPUP | WS_VISIBLE));
        SetWindowPos(window, HWND_TOP, 0, 0, width, height,
                     SWP_NOZORDER | SWP_FRAMECHANGED | SWP_SHOWWINDOW);
    }
    ShowCursor(0);
    m.keep(); // the record holds the objects now
    std::memcpy(screen, &rec, sizeof rec);
    return DD_OK;
}

BOOL GetWindowFrame(HWND window, FrameInfo* info, void* pixels, std::uint32_t size) {
    if (!info) return 0;
    *info = {};
    const Window* w = find_window(window);
    if (!w || w->presents == 0) return 0;
    info->width = w->frame_width;
    info->height = w->frame_height;
    info->pitch = 4 * w->frame_width;
    info->format = pixel_format(Format::xrgb8888).pf;
    info->presents = w->presents;
    FrameView f = frame_of(*w);
    std::size_t row = static_cast<std::size_t>(f.width) * 4;
    std::size_t bytes = row * static_cast<std::size_t>(f.height);
    if (!pixels || size < bytes) return 1;
    auto* out = static_cast<std::uint8_t*>(pixels);
    if (!w->frame_surface) {
        std::memcpy(out, f.pixels, bytes);
        return 1;
    }
    // Read in place from the primary: without the top bytes it may hold.
    RowConvert clear_top = frame_converter(pixel_format(Format::xrgb8888));
    for (std::int32_t y = 0; y < f.height; ++y)
        clear_top(out + static_cast<std::size_t>(y) * row,
                  reinterpret_cast<const std::uint8_t*>(
                      f.pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(f.stride)),
                  f.width);
    return 1;
}

} // namespace kxp
