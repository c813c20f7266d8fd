// Segment crossing: the parametric solution, with the denominator and the two
// parameters rounded to 32-bit floats before they are tested and used.
#include "geometry/lines.h"

namespace kx::geometry {

bool lines_cross(const Segment& a, const Segment& b, Point* at) noexcept {
    const double dax = double(a.x2) - a.x1, day = double(a.y2) - a.y1;
    const double dbx = double(b.x2) - b.x1, dby = double(b.y2) - b.y1;
    const double dx0 = double(a.x1) - b.x1, dy0 = double(a.y1) - b.y1;

    const float den = static_cast<float>(dax * dby - dbx * day);
    if (den == 0.0f) return false; // parallel, collinear or a point
    const float r = static_cast<float>((dy0 * dbx - dx0 * dby) / den);
    if (!(r >= 0.0f && r <= 1.0f)) return false;
    const float s = static_cast<float>((dy0 * dax - dx0 * day) / den);
    if (!(s >= 0.0f && s <= 1.0f)) return false;
    if (at) {
        at->x = static_cast<float>(dax * r + a.x1);
        at->y = static_cast<float>(dby * s + b.y1);
    }
    return true;
}

} // namespace kx::geometry
