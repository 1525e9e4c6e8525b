// Vector maths the shading and metaball code lean on.
#include "Vector3d.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

void expectVector(const Vector3d& v, float x, float y, float z) {
    EXPECT_FLOAT_EQ(v.x, x);
    EXPECT_FLOAT_EQ(v.y, y);
    EXPECT_FLOAT_EQ(v.z, z);
}

}  // namespace

TEST(Vector3d, ArithmeticProductsAndNormalise) {
    const Vector3d a(1, 2, 3), b(4, -5, 6);
    expectVector(a + b, 5, -3, 9);
    expectVector(a - b, -3, 7, -3);
    expectVector(a * 2.0f, 2, 4, 6);
    EXPECT_FLOAT_EQ(a.dotProduct(b), 12);
    // The operand order decides the side a face normal points to.
    expectVector(Vector3d(1, 0, 0).crossProduct(Vector3d(0, 1, 0)), 0, 0, 1);
    expectVector(Vector3d(0, 1, 0).crossProduct(Vector3d(1, 0, 0)), 0, 0, -1);

    Vector3d v(3, 0, 4), zero, nan(std::numeric_limits<float>::quiet_NaN(), 1, 1);
    EXPECT_FLOAT_EQ(v.magnitude(), 5);
    v.normalize();
    expectVector(v, 0.6f, 0, 0.8f);
    zero.normalize();  // no division by zero: stays the zero vector
    expectVector(zero, 0, 0, 0);
    nan.normalize();
    expectVector(nan, 0, 0, 0);
}

TEST(Vector3d, RotateUsesOnlyTheUpperLeft3x3) {
    // Column-major, as glGetFloatv returns it: a quarter turn about z plus a translation of (5, 5, 5).
    const float turn[16] = {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 5, 5, 5, 1};
    Vector3d r(9, 9, 9);
    r.rotate(turn, Vector3d(1, 2, 3));
    expectVector(r, -2, 1, 3);
}
