// Exports of the line tests.
#include <cstring>

#include "geometry/lines.h"
#include "kx/kx_vm.h"

using kx::geometry::Point;
using kx::geometry::Segment;

namespace {
// Segments and points may sit at any address the host gives, aligned or not.
Segment load(const void* p) {
    Segment s;
    std::memcpy(&s, p, sizeof s);
    return s;
}
} // namespace

extern "C" {

KX_API int32_t KX_CALL Math_LinesHit(const void* segment_a, const void* segment_b) noexcept {
    if (!segment_a || !segment_b) return 0;
    return kx::geometry::lines_cross(load(segment_a), load(segment_b), nullptr) ? 1 : 0;
}

KX_API int32_t KX_CALL Math_LinesIntersect(const void* segment_a, const void* segment_b,
                                           void* point) noexcept {
    if (!segment_a || !segment_b) return 0;
    Point p;
    if (!kx::geometry::lines_cross(load(segment_a), load(segment_b), &p)) return 0;
    if (point) std::memcpy(point, &p, sizeof p);
    return 1;
}

} // extern "C"
