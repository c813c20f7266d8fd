#include "platform/sdl_helpers.h"

#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace kxp::test {

std::vector<std::uint32_t> x11_screenshot(SDL_Window* window, int& width, int& height) {
    std::vector<std::uint32_t> px;
    width = height = 0;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return px;
    Display* d = info.info.x11.display;
    Window w = info.info.x11.window;
    XSync(d, False);
    XWindowAttributes a{};
    if (!XGetWindowAttributes(d, w, &a)) return px;
    XImage* img = XGetImage(d, w, 0, 0, static_cast<unsigned>(a.width),
                            static_cast<unsigned>(a.height), AllPlanes, ZPixmap);
    if (!img) return px;
    if (img->red_mask == 0xFF0000u && img->green_mask == 0xFF00u && img->blue_mask == 0xFFu) {
        width = a.width;
        height = a.height;
        px.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                px.push_back(static_cast<std::uint32_t>(XGetPixel(img, x, y)) & 0xFFFFFFu);
    }
    XDestroyImage(img);
    return px;
}

} // namespace kxp::test
