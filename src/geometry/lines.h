// Segment crossing tests.
#pragma once

#include <cstdint>

namespace kx::geometry {

struct Segment {
    float x1, y1, x2, y2;
};
struct Point {
    float x, y;
};

// Whether segments a and b cross (both ends inclusive); when they do and `at`
// is given, the crossing point is written there.
bool lines_cross(const Segment& a, const Segment& b, Point* at) noexcept;

} // namespace kx::geometry
