// Primitive assembly of GL 1.1's begin/end modes into what ES draws: triangles that remember which of
// their edges are edges of the original polygon (for polygon mode GL_LINE), and line segments.
#pragma once

#include <cstdint>
#include <vector>

namespace moriqgl {

struct Triangle {
    uint32_t v[3];
    // Bit k set: the edge from v[k] to v[(k + 1) % 3] is an edge of the polygon, not a split diagonal.
    uint8_t edges;
};

struct Segment {
    uint32_t a, b;
};

// Whether mode draws polygons (else lines; points are not drawn by the layer).
bool isPolygonMode(unsigned int mode);
// Splits count vertices of a polygon mode into triangles, keeping GL's winding; incomplete primitives
// at the end are dropped, as GL drops them.
void assembleTriangles(unsigned int mode, uint32_t count, std::vector<Triangle>& out);
// Splits count vertices of a line mode into segments (a loop closes back to its first vertex).
void assembleSegments(unsigned int mode, uint32_t count, std::vector<Segment>& out);

// Whether a triangle given by its corners' clip coordinates (x, y, w) faces the viewer, with frontFace
// GL_CCW or GL_CW; right also for corners behind the eye, as GL decides after clipping.
bool isFrontFacing(const float a[3], const float b[3], const float c[3], unsigned int frontFace);

}  // namespace moriqgl
