// Column-major 4x4 float matrices as GL 1.1 keeps them, and the transforms its matrix calls multiply in.
// Plain functions, so the tests check them without a GL context.
#pragma once

#include <array>

namespace moriqgl {

using Mat4 = std::array<float, 16>;  // element (row r, column c) at [c * 4 + r]
using Mat3 = std::array<float, 9>;   // column-major too

Mat4 identity();
// a * b: b's transform happens first, as glMultMatrix(b) on a current matrix a.
Mat4 multiply(const Mat4& a, const Mat4& b);
Mat4 translation(float x, float y, float z);
Mat4 scaling(float x, float y, float z);
// Degrees about the axis (x, y, z), which need not be unit length; a zero axis gives the identity.
Mat4 rotation(float degrees, float x, float y, float z);
Mat4 ortho(double left, double right, double bottom, double top, double zNear, double zFar);
// gluPerspective: fovy in degrees.
Mat4 perspective(double fovy, double aspect, double zNear, double zFar);
// The inverse transpose of the upper 3x3, which carries normals into eye space; zero if singular.
Mat3 normalMatrix(const Mat4& m);
// m * (x, y, z, w).
std::array<float, 4> transform(const Mat4& m, float x, float y, float z, float w);

}  // namespace moriqgl
