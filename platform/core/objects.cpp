// The tables of objects named by ids: reference-counted objects (input
// objects and devices, display objects, surfaces, Direct3D objects and
// devices) and GDI objects (fonts, device contexts).
#include "core/internal.h"

namespace kxp::detail {
namespace {

// Counters persist across UseBackend, so ids of discarded objects stay invalid.
std::uint32_t object_counter = 0;
std::uint32_t gdi_counter = 0;

} // namespace

std::uint32_t add_object(std::unique_ptr<Object> object) {
    State& s = state();
    std::uint32_t id =
        next_id(object_counter, [&s](std::uint32_t k) { return s.objects.count(k) != 0; });
    object->id = id;
    s.objects[id] = std::move(object);
    return id;
}

std::uint32_t add_gdi(std::unique_ptr<GdiObject> object) {
    State& s = state();
    std::uint32_t id = next_id(gdi_counter, [&s](std::uint32_t k) { return s.gdi.count(k) != 0; });
    s.gdi[id] = std::move(object);
    return id;
}

} // namespace kxp::detail

namespace kxp {

using namespace detail;

std::uint32_t AddRef(std::uint32_t object) {
    State& s = state();
    auto it = s.objects.find(object);
    return it == s.objects.end() ? 0 : ++it->second->refs;
}

std::uint32_t Release(std::uint32_t object) {
    State& s = state();
    auto it = s.objects.find(object);
    if (it == s.objects.end()) return 0;
    std::uint32_t left = --it->second->refs;
    if (left == 0) {
        std::unique_ptr<Object> gone = std::move(it->second);
        s.objects.erase(it);
        gone->released();
    }
    return left;
}

} // namespace kxp
