// What the platform services share (internal to kx_platform): the backend and
// its desktop, reference-counted objects, ids and the error code.
//
// One desktop per process. Each service keeps its own state in its own file:
// windows and messages (core/windows.h), input (core/input_state.h), display
// and 3D objects (core/gfx.h) and text (core/text.h); UseBackend resets them
// all together. The services are called from one thread at a time, like the
// runtime; nothing here is locked.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/backend.h"
#include "kxp/host.h"
#include "kxp/input.h"
#include "kxp/system.h"
#include "kxp/window.h"

namespace kxp::detail {

// Reference-counted objects named by ids (input objects and devices, display
// objects, surfaces, Direct3D objects and 3D devices).
struct Object {
    virtual ~Object() = default;
    // Called once the count reached 0 and the object left the table: release
    // the objects it holds. (Destructors only free memory: they also run when
    // UseBackend discards the whole table.)
    virtual void released() {}
    std::uint32_t id = 0;
    std::uint32_t refs = 1;
};

using ObjectTable = std::map<std::uint32_t, std::unique_ptr<Object>>;

// The backend in use and its desktop (starting the default backend on first use).
struct Platform {
    std::unique_ptr<Backend> backend;
    Desktop desktop{};
};
Platform& platform();

// Per-service resets (each in the service's own file), called together by
// UseBackend once the new backend has started.
void reset_windows(const Desktop& desktop); // window.cpp
void reset_input();                         // dinput.cpp
void reset_display();                       // ddraw.cpp
void reset_text();                          // gdi.cpp

// Next id of a family (never 0, never one still in use per the predicate);
// counters persist across resets so stale ids stay invalid.
template <class InUse> std::uint32_t next_id(std::uint32_t& counter, InUse in_use) {
    do {
        ++counter;
    } while (counter == 0 || in_use(counter));
    return counter;
}

void set_error(DWORD code);

// --- reference-counted objects (objects.cpp) ---
// Input objects and devices live in the input state's table, display
// objects, surfaces and 3D objects in the display state's; ids are unique
// across both, and AddRef / Release / QueryInterface take either.
// Adds an object with one reference to a table; returns its id.
std::uint32_t add_object(ObjectTable& table, std::unique_ptr<Object> object);
Object* find_any_object(std::uint32_t id);
template <class T> T* find_object(std::uint32_t id) {
    return dynamic_cast<T*>(find_any_object(id));
}

// --- display objects (ddraw.cpp), for the shared SetCooperativeLevel ---
bool is_display(std::uint32_t id);
HRESULT set_display_level(std::uint32_t id, HWND hwnd, DWORD flags);

} // namespace kxp::detail

#include "core/input_state.h"
#include "core/windows.h"
