// Backend selection, the reset of every service's state, and the last error code.
#include <cstdlib>
#include <cstring>

#include "core/internal.h"

namespace kxp::detail {
namespace {

bool always() {
    return true;
}

// In order of preference when $KX_BACKEND does not choose: the first that can
// run here and starts is used. Headless can always run, so it stays last.
const BackendEntry kBackends[] = {
    {"sdl", &sdl_can_run, &make_sdl_backend},
    {"headless", &always, &make_headless_backend},
};

const BackendEntry* find_entry(const char* name) {
    for (const BackendEntry& e : kBackends)
        if (std::strcmp(e.name, name) == 0) return &e;
    return nullptr;
}

Platform& storage() {
    static Platform p;
    return p;
}

void start(Platform& p, std::unique_ptr<Backend> backend) {
    if (p.backend) discard_windows();
    Desktop desktop = backend->desktop();
    reset_windows(desktop);
    reset_input();
    reset_display();
    reset_text();
    p.backend = std::move(backend);
    p.desktop = desktop;
}

std::unique_ptr<Backend> make_default() {
    if (const char* env = std::getenv("KX_BACKEND")) {
        if (const BackendEntry* e = find_entry(env))
            if (auto b = e->make()) return b;
    }
    for (const BackendEntry& e : kBackends)
        if (e.can_run())
            if (auto b = e.make()) return b;
    return make_headless_backend();
}

thread_local DWORD last_error = 0;

} // namespace

Platform& platform() {
    Platform& p = storage();
    if (!p.backend) start(p, make_default());
    return p;
}

void set_error(DWORD code) {
    last_error = code;
}

} // namespace kxp::detail

namespace kxp {

using namespace detail;

std::int32_t UseBackend(const char* name) {
    std::unique_ptr<Backend> b;
    if (!name) {
        b = make_default();
    } else {
        const BackendEntry* e = find_entry(name);
        if (!e) return 0;
        b = e->make();
        if (!b) return 0;
    }
    start(storage(), std::move(b));
    return 1;
}

const char* BackendName() {
    return platform().backend->name();
}

DWORD GetLastError() {
    return last_error;
}
void SetLastError(DWORD code) {
    last_error = code;
}

} // namespace kxp
