// Reference-counted objects named by ids (input objects and devices in the
// input state's table; display objects, surfaces, Direct3D objects and devices
// in the display state's), and GDI objects (fonts, device contexts).
#include "core/gfx.h"

namespace kxp::detail {
namespace {

// Counters persist across UseBackend, so ids of discarded objects stay invalid.
// One counter serves both reference-counted tables, so their ids never meet.
std::uint32_t object_counter = 0;
std::uint32_t gdi_counter = 0;

// The table holding an object, or null.
ObjectTable* table_of(std::uint32_t id) {
    if (ObjectTable& t = input_state().devices; t.count(id)) return &t;
    if (ObjectTable& t = display_state().objects; t.count(id)) return &t;
    return nullptr;
}

} // namespace

std::uint32_t add_object(ObjectTable& table, std::unique_ptr<Object> object) {
    std::uint32_t id =
        next_id(object_counter, [](std::uint32_t k) { return table_of(k) != nullptr; });
    object->id = id;
    table[id] = std::move(object);
    return id;
}

Object* find_any_object(std::uint32_t id) {
    ObjectTable* t = table_of(id);
    return t ? t->at(id).get() : nullptr;
}

std::uint32_t add_gdi(std::unique_ptr<GdiObject> object) {
    TextState& s = text_state();
    std::uint32_t id = next_id(gdi_counter, [&s](std::uint32_t k) { return s.gdi.count(k) != 0; });
    s.gdi[id] = std::move(object);
    return id;
}

} // namespace kxp::detail

namespace kxp {

using namespace detail;

std::uint32_t AddRef(std::uint32_t object) {
    Object* o = find_any_object(object);
    return o ? ++o->refs : 0;
}

std::uint32_t Release(std::uint32_t object) {
    ObjectTable* t = table_of(object);
    if (!t) return 0;
    auto it = t->find(object);
    std::uint32_t left = --it->second->refs;
    if (left == 0) {
        std::unique_ptr<Object> gone = std::move(it->second);
        t->erase(it);
        gone->released();
    }
    return left;
}

} // namespace kxp
