// Segment hit and intersection tests.
#include <gtest/gtest.h>

#include "kx/kx_vm.h"

namespace {

struct Seg {
    float v[4];
};

int hit(Seg a, Seg b) {
    return Math_LinesHit(a.v, b.v);
}

TEST(LineTests, CrossingSegments) {
    float at[2] = {-1, -1};
    Seg a{{0, 0, 10, 10}}, b{{0, 10, 10, 0}};
    EXPECT_EQ(hit(a, b), 1);
    EXPECT_EQ(Math_LinesIntersect(a.v, b.v, at), 1);
    EXPECT_FLOAT_EQ(at[0], 5.0f);
    EXPECT_FLOAT_EQ(at[1], 5.0f);
}

TEST(LineTests, TouchingAtAnEndPointCounts) {
    float at[2] = {};
    Seg a{{0, 0, 10, 0}}, b{{5, 0, 5, 5}};
    EXPECT_EQ(Math_LinesIntersect(a.v, b.v, at), 1);
    EXPECT_FLOAT_EQ(at[0], 5.0f);
    EXPECT_FLOAT_EQ(at[1], 0.0f);
    // End to end.
    Seg c{{10, 0, 20, 5}};
    EXPECT_EQ(hit(a, c), 1);
}

TEST(LineTests, MissesLeaveThePointAlone) {
    float at[2] = {123.0f, 456.0f};
    Seg a{{0, 0, 10, 0}};
    Seg beyond{{11, -1, 11, 1}}; // r = 1.1
    Seg parallel{{0, 1, 10, 1}};
    Seg collinear{{5, 0, 15, 0}};
    Seg point{{5, 0, 5, 0}};
    Seg short_of{{5, 1, 5, 3}}; // s out of range
    for (const Seg& b : {beyond, parallel, collinear, point, short_of}) {
        EXPECT_EQ(hit(a, b), 0);
        EXPECT_EQ(Math_LinesIntersect(a.v, b.v, at), 0);
    }
    EXPECT_EQ(at[0], 123.0f);
    EXPECT_EQ(at[1], 456.0f);
}

TEST(LineTests, PointTakesXFromTheFirstAndYFromTheSecond) {
    // x comes from segment a's parameter r, y from segment b's parameter s.
    Seg a{{0, 0, 3, 3}}, b{{0, 3, 3, 0}};
    float at[2];
    ASSERT_EQ(Math_LinesIntersect(a.v, b.v, at), 1);
    float r = 0.5f;
    EXPECT_EQ(at[0], static_cast<float>(3.0 * r + 0.0));
    EXPECT_EQ(at[1], static_cast<float>(-3.0 * r + 3.0));
    EXPECT_EQ(Math_LinesHit(nullptr, b.v), 0);
}

} // namespace
