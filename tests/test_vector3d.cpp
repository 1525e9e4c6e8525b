// Vector maths the shading and metaball code lean on.
#include "Vector3d.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(Vector3d, ArithmeticAndProducts) {
    const Vector3d a(1, 2, 3), b(4, -5, 6);
    const Vector3d sum = a + b, diff = a - b, scaled = a * 2.0f;
    EXPECT_EQ(sum.x, 5);
    EXPECT_EQ(sum.y, -3);
    EXPECT_EQ(sum.z, 9);
    EXPECT_EQ(diff.x, -3);
    EXPECT_EQ(diff.y, 7);
    EXPECT_EQ(diff.z, -3);
    EXPECT_EQ(scaled.z, 6);
    EXPECT_FLOAT_EQ(a.dotProduct(b), 12);

    const Vector3d z = Vector3d(1, 0, 0).crossProduct(Vector3d(0, 1, 0));
    EXPECT_EQ(z.x, 0);
    EXPECT_EQ(z.y, 0);
    EXPECT_EQ(z.z, 1);
    // Anti-commutative: the order of the operands decides the side.
    EXPECT_EQ(Vector3d(0, 1, 0).crossProduct(Vector3d(1, 0, 0)).z, -1);
}

TEST(Vector3d, NormalizeKeepsZeroAndNaNFinite) {
    Vector3d v(3, 0, 4);
    EXPECT_FLOAT_EQ(v.magnitude(), 5);
    v.normalize();
    EXPECT_NEAR(v.x, 0.6f, 1e-7);
    EXPECT_EQ(v.y, 0);
    EXPECT_NEAR(v.z, 0.8f, 1e-7);

    Vector3d zero;
    zero.normalize();
    EXPECT_EQ(zero.x, 0);
    EXPECT_EQ(zero.y, 0);
    EXPECT_EQ(zero.z, 0);

    Vector3d nan(std::numeric_limits<float>::quiet_NaN(), 1, 1);
    nan.normalize();
    EXPECT_EQ(nan.x, 0);
    EXPECT_EQ(nan.z, 0);
}

TEST(Vector3d, RotateUsesOnlyTheUpperLeft3x3) {
    // Column-major, as glGetFloatv returns it: a quarter turn about z plus a translation of (5, 5, 5).
    const float turn[16] = {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 5, 5, 5, 1};
    Vector3d r(9, 9, 9);
    r.rotate(turn, Vector3d(1, 2, 3));
    EXPECT_EQ(r.x, -2);
    EXPECT_EQ(r.y, 1);
    EXPECT_EQ(r.z, 3);
}
