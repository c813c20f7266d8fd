// The headless backend: a simulated desktop of 1024 x 768 pixels whose work
// area is the whole screen. Windows live only in the services' tables, and
// input comes only through the feed (kxp/host.h), from the host or a test.
// Presented frames are kept by the services, where hosts read them back.
#include "core/backend.h"

namespace kxp::detail {
namespace {

class Headless final : public Backend {
  public:
    const char* name() const override { return "headless"; }
    Desktop desktop() const override { return {1024, 768, {0, 0, 1024, 768}}; }
    bool window_created(const WindowView&) override { return true; }
    void window_changed(const WindowView&, unsigned) override {}
    void window_destroyed(HWND) override {}
    void cursor_changed(bool, HCURSOR) override {}
    void present(const WindowView&, const FrameView&) override {} // frames stay readable
    void poll() override {}
};

} // namespace

std::unique_ptr<Backend> make_headless_backend() {
    return std::make_unique<Headless>();
}

} // namespace kxp::detail
