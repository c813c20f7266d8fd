// The text service's state (internal to kx_platform): GDI objects (fonts and
// device contexts) named by ids, and the stock font. It lives in gdi.cpp.
#pragma once

#include <map>
#include <memory>

#include "core/internal.h"

namespace kxp::detail {

// GDI objects named by ids (fonts, device contexts); not reference-counted.
struct GdiObject {
    virtual ~GdiObject() = default;
};

struct TextState {
    std::map<std::uint32_t, std::unique_ptr<GdiObject>> gdi;
    std::uint32_t stock_font = 0; // the default font of device contexts, made on first use
};
TextState& text_state();

std::uint32_t add_gdi(std::unique_ptr<GdiObject> object);
template <class T> T* find_gdi(std::uint32_t id) {
    TextState& s = text_state();
    auto it = s.gdi.find(id);
    return it == s.gdi.end() ? nullptr : dynamic_cast<T*>(it->second.get());
}

} // namespace kxp::detail
