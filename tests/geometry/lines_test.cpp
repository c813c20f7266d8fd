// Segment hit and intersection tests.
#include <gtest/gtest.h>

#include "kx/kx_vm.h"

namespace {

TEST(LineTests, HitsReportThePointAndMissesLeaveItAlone) {
    const struct {
        float a[4], b[4];
        int hit;
        float x, y;
    } cases[] = {
        {{0, 0, 10, 10}, {0, 10, 10, 0}, 1, 5, 5},           // crossing
        {{0, 0, 10, 0}, {5, 0, 5, 5}, 1, 5, 0},              // touching at an end point counts
        {{0, 0, 10, 0}, {10, 0, 20, 5}, 1, 10, 0},           // end to end
        {{0, 0, 10, 0}, {11, -1, 11, 1}, 0, 0, 0},           // beyond the end of a (r = 1.1)
        {{0, 0, 10, 0}, {0, 1, 10, 1}, 0, 0, 0},             // parallel
        {{0, 0, 10, 0}, {5, 0, 15, 0}, 0, 0, 0},             // collinear overlap
        {{0, 0, 10, 0}, {5, 0, 5, 0}, 0, 0, 0},              // a point
        {{0, 0, 10, 0}, {5, 1, 5, 3}, 0, 0, 0},              // short of a (s out of range)
        {{0, 0, 6, 3}, {4, 0, 0, 4}, 1, 8 / 3.0f, 4 / 3.0f}, // away from both midpoints
    };
    for (const auto& c : cases) {
        float at[2] = {123.0f, 456.0f};
        EXPECT_EQ(Math_LinesHit(c.a, c.b), c.hit);
        EXPECT_EQ(Math_LinesIntersect(c.a, c.b, at), c.hit);
        EXPECT_FLOAT_EQ(at[0], c.hit ? c.x : 123.0f) << c.b[0];
        EXPECT_FLOAT_EQ(at[1], c.hit ? c.y : 456.0f) << c.b[0];
    }
    EXPECT_EQ(Math_LinesHit(nullptr, cases[0].b), 0);
}

} // namespace
