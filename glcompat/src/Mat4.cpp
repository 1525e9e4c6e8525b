// Matrix arithmetic of the layer's matrix stacks.
#include "moriqgl/Mat4.h"

#include <cmath>

namespace moriqgl {

Mat4 identity() {
    return Mat4{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
}

Mat4 multiply(const Mat4& a, const Mat4& b) {
    Mat4 r{};
    for (int c = 0; c < 4; ++c)
        for (int row = 0; row < 4; ++row) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) sum += a[k * 4 + row] * b[c * 4 + k];
            r[c * 4 + row] = sum;
        }
    return r;
}

Mat4 translation(float x, float y, float z) {
    Mat4 m = identity();
    m[12] = x;
    m[13] = y;
    m[14] = z;
    return m;
}

Mat4 scaling(float x, float y, float z) {
    Mat4 m = identity();
    m[0] = x;
    m[5] = y;
    m[10] = z;
    return m;
}

Mat4 rotation(float degrees, float x, float y, float z) {
    const float length = std::sqrt(x * x + y * y + z * z);
    if (length == 0.0f) return identity();
    x /= length;
    y /= length;
    z /= length;
    const float radians = degrees * static_cast<float>(M_PI / 180.0);
    const float s = std::sin(radians);
    const float c = std::cos(radians);
    const float t = 1.0f - c;
    Mat4 m = identity();
    m[0] = x * x * t + c;
    m[1] = y * x * t + z * s;
    m[2] = z * x * t - y * s;
    m[4] = x * y * t - z * s;
    m[5] = y * y * t + c;
    m[6] = z * y * t + x * s;
    m[8] = x * z * t + y * s;
    m[9] = y * z * t - x * s;
    m[10] = z * z * t + c;
    return m;
}

Mat4 ortho(double left, double right, double bottom, double top, double zNear, double zFar) {
    Mat4 m = identity();
    m[0] = static_cast<float>(2.0 / (right - left));
    m[5] = static_cast<float>(2.0 / (top - bottom));
    m[10] = static_cast<float>(-2.0 / (zFar - zNear));
    m[12] = static_cast<float>(-(right + left) / (right - left));
    m[13] = static_cast<float>(-(top + bottom) / (top - bottom));
    m[14] = static_cast<float>(-(zFar + zNear) / (zFar - zNear));
    return m;
}

Mat4 perspective(double fovy, double aspect, double zNear, double zFar) {
    const double radians = fovy / 2.0 * M_PI / 180.0;
    const double f = std::cos(radians) / std::sin(radians);
    Mat4 m{};
    m[0] = static_cast<float>(f / aspect);
    m[5] = static_cast<float>(f);
    m[10] = static_cast<float>((zFar + zNear) / (zNear - zFar));
    m[11] = -1.0f;
    m[14] = static_cast<float>(2.0 * zFar * zNear / (zNear - zFar));
    return m;
}

Mat3 normalMatrix(const Mat4& m) {
    const float a = m[0], b = m[4], c = m[8];
    const float d = m[1], e = m[5], f = m[9];
    const float g = m[2], h = m[6], i = m[10];
    const float A = e * i - f * h, B = -(d * i - f * g), C = d * h - e * g;
    const float det = a * A + b * B + c * C;
    if (det == 0.0f) return Mat3{};
    const float k = 1.0f / det;
    // The inverse's transpose is the cofactor matrix over the determinant.
    Mat3 r;
    r[0] = A * k;
    r[1] = -(b * i - c * h) * k;
    r[2] = (b * f - c * e) * k;
    r[3] = B * k;
    r[4] = (a * i - c * g) * k;
    r[5] = -(a * f - c * d) * k;
    r[6] = C * k;
    r[7] = -(a * h - b * g) * k;
    r[8] = (a * e - b * d) * k;
    return r;
}

std::array<float, 4> transform(const Mat4& m, float x, float y, float z, float w) {
    std::array<float, 4> r;
    for (int row = 0; row < 4; ++row) r[row] = m[row] * x + m[4 + row] * y + m[8 + row] * z + m[12 + row] * w;
    return r;
}

}  // namespace moriqgl
