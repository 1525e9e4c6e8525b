// The layer's one pair of GLSL ES 3.00 shaders: GL 1.1's fixed-function vertex stage (transform, one
// light with two-sided materials and colour material, sphere-map texture coordinates), lines widened to
// quads with coverage for smooth ones, and texturing by modulation.
#pragma once

namespace moriqgl {

extern const char* const VERTEX_SHADER;
extern const char* const FRAGMENT_SHADER;

// Attribute locations: the vertex (or a segment's first end) and a segment's second end.
// CORNER numbers the four corners of a segment's quad; WebGL 2 draws instances only when some attribute
// advances per vertex, so the corner is such an attribute rather than gl_VertexID.
enum Attribute { A_POS, A_COLOR, A_TEX, A_NORMAL, B_POS, B_COLOR, B_TEX, B_NORMAL, CORNER, ATTRIBUTE_COUNT };

// uLineMode: how a draw's primitives are rasterised.
enum LineMode { LINES_NONE = 0, LINES_WIDE = 1, LINES_SMOOTH = 2 };
// uTexMode: which texture the fragments are modulated by.
enum TexMode { TEX_NONE = 0, TEX_2D = 1, TEX_1D = 2 };

}  // namespace moriqgl
