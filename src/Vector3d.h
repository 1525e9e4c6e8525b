// Vector3d: the three-float vector of positions, normals and light directions.
#pragma once

class Vector3d {
public:
    float x, y, z;

    Vector3d() : x(0.0f), y(0.0f), z(0.0f) {}
    Vector3d(float ix, float iy, float iz) : x(ix), y(iy), z(iz) {}

    Vector3d operator+(Vector3d op2) const;
    Vector3d operator-(Vector3d op2) const;
    Vector3d operator*(float op2) const;
    float dotProduct(Vector3d op2) const;
    Vector3d crossProduct(Vector3d op2) const;  // this x op2, right-handed
    float magnitude() const;
    // Scales to unit length; a zero (or NaN) vector becomes (0, 0, 0) instead of infinities.
    void normalize();
    // Overwrites this with op2 turned by the upper-left 3x3 of a column-major GL matrix.
    void rotate(const float* mat, Vector3d op2);
};
