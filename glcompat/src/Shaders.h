// The layer's GLSL ES 3.00 shaders: GL 1.1's fixed-function vertex stage (transform, one light with
// two-sided materials and colour material, sphere-map texture coordinates), lines widened to quads with
// coverage for smooth ones, and texturing by modulation. One variant is compiled per combination of the
// state that changes which of these run: software WebGL pays for every branch of a shader that tests
// uniforms, taken or not.
#pragma once

#include "moriqgl/moriqgl.h"

#include <string>

namespace moriqgl {

// The state a shader variant is specialised on, packed into a key.
struct VariantBits {
    bool lighting = false;
    bool light0 = false;         // only with lighting
    bool twoSide = false;        // only with lighting
    bool colorMaterial = false;  // only with lighting
    bool normalize = false;      // only with lighting or a sphere map
    bool sphereS = false, sphereT = false;
    int texMode = 0;   // TexMode
    int lineMode = 0;  // LineMode
};

// Drops the bits that do not change what the variant computes, so equal work shares one program.
unsigned variantKey(const VariantBits& bits);
unsigned variantKey(const Variant& variant);
// The vertex and fragment sources of a variant key.
std::string vertexSource(unsigned key);
std::string fragmentSource(unsigned key);

// Attribute locations: the vertex; for a corner of a segment's quad also the position of the segment's
// other end and which corner it is (0 and 1 at the first end, 2 and 3 at the last).
enum Attribute { A_POS, A_COLOR, A_TEX, A_NORMAL, B_POS, CORNER, ATTRIBUTE_COUNT };

// The uniforms a variant is given; UNIFORMS holds their names and GLSL types, which both stages declare.
enum Uniform {
    U_MODELVIEW, U_PROJECTION, U_NORMAL_MATRIX, U_VIEWPORT_SIZE, U_LINE_WIDTH, U_LIGHT, U_MODEL_AMBIENT,
    U_MATERIAL, U_SHININESS, UNIFORM_COUNT
};
struct UniformInfo {
    const char* name;
    const char* declaration;  // type, name and array size as GLSL declares it
};
extern const UniformInfo UNIFORMS[UNIFORM_COUNT];

// LINE_MODE of a variant: how its primitives are rasterised.
enum LineMode { LINES_NONE = 0, LINES_WIDE = 1, LINES_SMOOTH = 2 };
// TEX_MODE of a variant: which texture the fragments are modulated by.
enum TexMode { TEX_NONE = 0, TEX_2D = 1, TEX_1D = 2 };

}  // namespace moriqgl
