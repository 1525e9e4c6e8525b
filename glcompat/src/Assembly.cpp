// Begin/end modes to triangles and segments.
#include "moriqgl/Assembly.h"

#include <GL/gl.h>

namespace moriqgl {

bool isPolygonMode(unsigned int mode) {
    return mode == GL_TRIANGLES || mode == GL_TRIANGLE_STRIP || mode == GL_TRIANGLE_FAN || mode == GL_QUADS ||
           mode == GL_QUAD_STRIP || mode == GL_POLYGON;
}

void assembleTriangles(unsigned int mode, uint32_t count, std::vector<Triangle>& out) {
    const uint8_t all = 7;
    switch (mode) {
    case GL_TRIANGLES:
        for (uint32_t i = 0; i + 2 < count; i += 3) out.push_back({{i, i + 1, i + 2}, all});
        break;
    case GL_TRIANGLE_STRIP:
        // Every other triangle is turned around so that all keep the first one's winding.
        for (uint32_t i = 0; i + 2 < count; ++i) {
            if (i % 2 == 0)
                out.push_back({{i, i + 1, i + 2}, all});
            else
                out.push_back({{i + 1, i, i + 2}, all});
        }
        break;
    case GL_TRIANGLE_FAN:
        for (uint32_t i = 1; i + 1 < count; ++i) out.push_back({{0, i, i + 1}, all});
        break;
    case GL_QUADS:
        // Split along the second-to-fourth diagonal, as Mesa splits them: a quad that is not flat, or
        // not a parallelogram on the screen, shades and textures differently across the other one.
        // The diagonal is no edge of the quad.
        for (uint32_t i = 0; i + 3 < count; i += 4) {
            out.push_back({{i, i + 1, i + 3}, 0x5});
            out.push_back({{i + 1, i + 2, i + 3}, 0x3});
        }
        break;
    case GL_QUAD_STRIP:
        for (uint32_t i = 0; i + 3 < count; i += 2) {
            out.push_back({{i, i + 1, i + 3}, 0x3});
            out.push_back({{i, i + 3, i + 2}, 0x6});
        }
        break;
    case GL_POLYGON:
        for (uint32_t i = 1; i + 1 < count; ++i) {
            uint8_t edges = 0x2;
            if (i == 1) edges |= 0x1;
            if (i + 2 == count) edges |= 0x4;
            out.push_back({{0, i, i + 1}, edges});
        }
        break;
    default:
        break;
    }
}

void assembleSegments(unsigned int mode, uint32_t count, std::vector<Segment>& out) {
    switch (mode) {
    case GL_LINES:
        for (uint32_t i = 0; i + 1 < count; i += 2) out.push_back({i, i + 1});
        break;
    case GL_LINE_STRIP:
    case GL_LINE_LOOP:
        for (uint32_t i = 0; i + 1 < count; ++i) out.push_back({i, i + 1});
        if (mode == GL_LINE_LOOP && count > 1) out.push_back({count - 1, 0});
        break;
    default:
        break;
    }
}

bool isFrontFacing(const float a[3], const float b[3], const float c[3], unsigned int frontFace) {
    // The determinant of the homogeneous corners has the sign of the window-space area.
    const double det = a[0] * (double(b[1]) * c[2] - double(b[2]) * c[1]) -
                       a[1] * (double(b[0]) * c[2] - double(b[2]) * c[0]) +
                       a[2] * (double(b[0]) * c[1] - double(b[1]) * c[0]);
    return (det > 0) == (frontFace == GL_CCW);
}

}  // namespace moriqgl
