// The layer's one pair of GLSL ES 3.00 shaders: GL 1.1's fixed-function vertex stage (transform, one
// light with two-sided materials and colour material, sphere-map texture coordinates), lines widened to
// quads with coverage for smooth ones, and texturing by modulation.
#pragma once

namespace moriqgl {

extern const char* const VERTEX_SHADER;
extern const char* const FRAGMENT_SHADER;

// Attribute locations: the vertex (or a segment's first end) and a segment's second end.
// The vertex; for a corner of a segment's quad also the position of the segment's other end and which
// corner it is (0 and 1 at the first end, 2 and 3 at the last).
enum Attribute { A_POS, A_COLOR, A_TEX, A_NORMAL, B_POS, CORNER, ATTRIBUTE_COUNT };

// uLineMode: how a draw's primitives are rasterised.
enum LineMode { LINES_NONE = 0, LINES_WIDE = 1, LINES_SMOOTH = 2 };
// uTexMode: which texture the fragments are modulated by.
enum TexMode { TEX_NONE = 0, TEX_2D = 1, TEX_1D = 2 };

}  // namespace moriqgl
