// Vector3d arithmetic: sums of products in double precision, rounded to float when stored.
#include "Vector3d.h"

#include <cmath>

Vector3d Vector3d::operator+(Vector3d op2) const {
    return Vector3d(x + op2.x, y + op2.y, z + op2.z);
}

Vector3d Vector3d::operator-(Vector3d op2) const {
    return Vector3d(x - op2.x, y - op2.y, z - op2.z);
}

Vector3d Vector3d::operator*(float op2) const {
    return Vector3d(x * op2, y * op2, z * op2);
}

float Vector3d::dotProduct(Vector3d op2) const {
    return static_cast<float>(double(x) * op2.x + double(y) * op2.y + double(z) * op2.z);
}

Vector3d Vector3d::crossProduct(Vector3d op2) const {
    return Vector3d(static_cast<float>(double(y) * op2.z - double(z) * op2.y),
                    static_cast<float>(double(z) * op2.x - double(x) * op2.z),
                    static_cast<float>(double(x) * op2.y - double(y) * op2.x));
}

float Vector3d::magnitude() const {
    return static_cast<float>(std::sqrt(double(x) * x + double(y) * y + double(z) * z));
}

void Vector3d::normalize() {
    const float m = magnitude();
    if (m > 0.0f) {
        const float inverse = static_cast<float>(1.0 / m);
        *this = *this * inverse;
    } else {
        *this = Vector3d();
    }
}

void Vector3d::rotate(const float* mat, Vector3d op2) {
    x = static_cast<float>(double(mat[0]) * op2.x + double(mat[4]) * op2.y + double(mat[8]) * op2.z);
    y = static_cast<float>(double(mat[1]) * op2.x + double(mat[5]) * op2.y + double(mat[9]) * op2.z);
    z = static_cast<float>(double(mat[2]) * op2.x + double(mat[6]) * op2.y + double(mat[10]) * op2.z);
}
