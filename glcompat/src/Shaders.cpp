// Shader sources (see Shaders.h).
#include "Shaders.h"

namespace moriqgl {

namespace {

enum KeyBit : unsigned {
    K_LIGHTING = 1, K_LIGHT0 = 2, K_TWO_SIDE = 4, K_COLOR_MATERIAL = 8, K_NORMALIZE = 16, K_SPHERE_S = 32,
    K_SPHERE_T = 64, K_TEX_SHIFT = 7, K_LINE_SHIFT = 9
};

extern const char* const VERTEX_SHADER;
extern const char* const FRAGMENT_SHADER;

// The variant's switches as defines, then the uniforms, then the stage's body.
std::string withDefines(unsigned key, const char* body) {
    std::string uniforms = "precision highp float;\nprecision highp int;\n";
    for (const UniformInfo& u : UNIFORMS) uniforms += std::string("uniform ") + u.declaration + ";\n";
    auto flag = [key](const char* name, unsigned bit) {
        return std::string("#define ") + name + ((key & bit) ? " 1\n" : " 0\n");
    };
    return "#version 300 es\n" + flag("LIGHTING", K_LIGHTING) + flag("LIGHT0", K_LIGHT0) +
           flag("TWO_SIDE", K_TWO_SIDE) + flag("COLOR_MATERIAL", K_COLOR_MATERIAL) +
           flag("NORMALIZE", K_NORMALIZE) + flag("SPHERE_S", K_SPHERE_S) + flag("SPHERE_T", K_SPHERE_T) +
           "#define TEX_MODE " + std::to_string((key >> K_TEX_SHIFT) & 3) + "\n#define LINE_MODE " +
           std::to_string((key >> K_LINE_SHIFT) & 3) + "\n" + uniforms + body;
}

}  // namespace

// light: ambient, diffuse, specular, eye-space position; material: ambient, diffuse, specular, emission
// for the front, then the back; shininess front and back.
const UniformInfo UNIFORMS[UNIFORM_COUNT] = {
    {"uModelview", "mat4 uModelview"},       {"uProjection", "mat4 uProjection"},
    {"uNormalMatrix", "mat3 uNormalMatrix"}, {"uViewportSize", "vec2 uViewportSize"},
    {"uLineWidth", "float uLineWidth"},      {"uLight", "vec4 uLight[4]"},
    {"uModelAmbient", "vec4 uModelAmbient"}, {"uMaterial", "vec4 uMaterial[8]"},
    {"uShininess", "vec2 uShininess"},
};

unsigned variantKey(const VariantBits& b) {
    unsigned key = 0;
    if (b.lighting) {
        key |= K_LIGHTING;
        if (b.light0) key |= K_LIGHT0;
        if (b.twoSide) key |= K_TWO_SIDE;
        if (b.colorMaterial) key |= K_COLOR_MATERIAL;
    }
    if (b.sphereS) key |= K_SPHERE_S;
    if (b.sphereT) key |= K_SPHERE_T;
    if (b.normalize && (b.lighting || b.sphereS || b.sphereT)) key |= K_NORMALIZE;
    key |= static_cast<unsigned>(b.texMode & 3) << K_TEX_SHIFT;
    key |= static_cast<unsigned>(b.lineMode & 3) << K_LINE_SHIFT;
    return key;
}

unsigned variantKey(const Variant& v) {
    VariantBits bits;
    bits.lighting = v.lighting;
    bits.light0 = v.light0;
    bits.twoSide = v.twoSide;
    bits.colorMaterial = v.colorMaterial;
    bits.normalize = v.normalize;
    // As the renderer sees the state: texture coordinates are generated only for a texture.
    bits.sphereS = v.sphereS && v.texture != Variant::NO_TEXTURE;
    bits.sphereT = v.sphereT && v.texture != Variant::NO_TEXTURE;
    bits.texMode = v.texture == Variant::TEXTURE_2D ? TEX_2D : v.texture == Variant::TEXTURE_1D ? TEX_1D : TEX_NONE;
    bits.lineMode = v.lines == Variant::WIDE_LINES ? LINES_WIDE : v.lines == Variant::SMOOTH_LINES ? LINES_SMOOTH
                                                                                              : LINES_NONE;
    return variantKey(bits);
}

std::string vertexSource(unsigned key) { return withDefines(key, VERTEX_SHADER); }
std::string fragmentSource(unsigned key) { return withDefines(key, FRAGMENT_SHADER); }

namespace {

const char* const VERTEX_SHADER = R"(in vec3 aPos;
in vec4 aColor;
in vec2 aTex;
in vec4 aNormal;
in vec3 bPos;
in float aCorner;

out vec4 vFront;
out vec4 vBack;
out vec2 vTex;
out vec2 vLine;
flat out float vFacing;
flat out float vLength;

#if LIGHTING
vec4 lit(vec3 n, vec3 eye, int side, vec4 color) {
#if COLOR_MATERIAL
    vec4 ambient = color;
    vec4 diffuse = color;
#else
    vec4 ambient = uMaterial[side * 4];
    vec4 diffuse = uMaterial[side * 4 + 1];
#endif
    vec3 c = uMaterial[side * 4 + 3].rgb + uModelAmbient.rgb * ambient.rgb;
#if LIGHT0
    {
        vec4 lp = uLight[3];
        vec3 l = lp.w != 0.0 ? normalize(lp.xyz / lp.w - eye) : normalize(lp.xyz);
        float nl = dot(n, l);
        c += uLight[0].rgb * ambient.rgb + max(nl, 0.0) * uLight[1].rgb * diffuse.rgb;
        if (nl > 0.0) {
            float nh = max(dot(n, normalize(l + vec3(0.0, 0.0, 1.0))), 0.0);
            float shininess = uShininess[side];
            float f = shininess == 0.0 ? 1.0 : pow(nh, shininess);
            c += f * uLight[2].rgb * uMaterial[side * 4 + 2].rgb;
        }
    }
#endif
    return clamp(vec4(c, diffuse.a), 0.0, 1.0);
}
#endif

void main() {
    vec3 pos = aPos;
    vec4 color = aColor;
    vec4 normal = aNormal;
    vec2 tex = aTex;

    vec4 eye = uModelview * vec4(pos, 1.0);
#if LIGHTING || SPHERE_S || SPHERE_T
    vec3 n = uNormalMatrix * normal.xyz;
#if NORMALIZE
    n = normalize(n);
#endif
#endif
#if LIGHTING
    vFront = lit(n, eye.xyz, 0, color);
#if TWO_SIDE
    vBack = lit(-n, eye.xyz, 1, color);
#endif
#else
    vFront = clamp(color, 0.0, 1.0);
#endif
#if SPHERE_S || SPHERE_T
    {
        vec3 u = normalize(eye.xyz);
        vec3 r = u - 2.0 * n * dot(n, u);
        float m = 2.0 * sqrt(r.x * r.x + r.y * r.y + (r.z + 1.0) * (r.z + 1.0));
#if SPHERE_S
        tex.x = r.x / m + 0.5;
#endif
#if SPHERE_T
        tex.y = r.y / m + 0.5;
#endif
    }
#endif
#if TEX_MODE != 0
    vTex = tex;
#endif
#if TWO_SIDE
    vFacing = normal.w;
#endif

#if LINE_MODE == 0
    gl_Position = uProjection * eye;
#else

    // A segment drawn as a quad: this corner's end (aPos) and the other end (bPos) are placed in window
    // space, the near plane cut first. Corners 0 and 1 lie at the segment's first end, 2 and 3 at its last.
    int corner = int(aCorner);
    bool second = corner >= 2;
    vec4 cOwn = uProjection * eye;
    vec4 cOther = uProjection * (uModelview * vec4(bPos, 1.0));
    vec4 ca = second ? cOther : cOwn;
    vec4 cb = second ? cOwn : cOther;
    float da = ca.z + ca.w;
    float db = cb.z + cb.w;
    if (da < 0.0 && db < 0.0) {
        gl_Position = vec4(0.0, 0.0, 2.0, 1.0);
        return;
    }
    if (da < 0.0) ca = mix(ca, cb, da / (da - db));
    if (db < 0.0) cb = mix(cb, ca, db / (db - da));
    vec2 sa = (ca.xy / ca.w * 0.5 + 0.5) * uViewportSize;
    vec2 sb = (cb.xy / cb.w * 0.5 + 0.5) * uViewportSize;
    vec2 d = sb - sa;
    float len = length(d);
    vec2 dir = len > 0.0 ? d / len : vec2(1.0, 0.0);
    float side = (corner % 2 == 0) ? -1.0 : 1.0;
    float halfWidth = 0.5 * uLineWidth;
    vec2 here = second ? sb : sa;
    float z = second ? cb.z / cb.w : ca.z / ca.w;
#if LINE_MODE == 1
    // Aliased wide lines grow across their minor axis, as GL rasterises them.
    vec2 offset = abs(d.x) >= abs(d.y) ? vec2(0.0, side * halfWidth) : vec2(side * halfWidth, 0.0);
#else
    float across = halfWidth + 0.5;
    vec2 offset = vec2(-dir.y, dir.x) * side * across + dir * (second ? 0.5 : -0.5);
    vLine = vec2(second ? len + 0.5 : -0.5, side * across);
    vLength = len;
#endif
    gl_Position = vec4((here + offset) / uViewportSize * 2.0 - 1.0, z, 1.0);
#endif
}
)";

const char* const FRAGMENT_SHADER = R"(in vec4 vFront;
in vec4 vBack;
in vec2 vTex;
in vec2 vLine;
flat in float vFacing;
flat in float vLength;
uniform sampler2D uTexture;
out vec4 fragColor;

void main() {
#if TWO_SIDE
    bool front = vFacing > 1.5 ? gl_FrontFacing : vFacing > 0.5;
    vec4 c = front ? vFront : vBack;
#else
    vec4 c = vFront;
#endif
#if TEX_MODE == 1
    c *= texture(uTexture, vTex);
#elif TEX_MODE == 2
    c *= texture(uTexture, vec2(vTex.x, 0.5));
#endif
#if LINE_MODE == 2
    {
        // Coverage of the pixel by a line of the set width: across its width and at its two ends.
        float across = clamp(0.5 * uLineWidth + 0.5 - abs(vLine.y), 0.0, 1.0);
        float along = clamp(min(vLine.x, vLength - vLine.x) + 0.5, 0.0, 1.0);
        c.a *= across * along;
    }
#endif
    fragColor = c;
}
)";

}  // namespace

}  // namespace moriqgl
