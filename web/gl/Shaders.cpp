// Shader sources (see Shaders.h).
#include "Shaders.h"

namespace moriqgl {

const char* const VERTEX_SHADER = R"(#version 300 es
precision highp float;
precision highp int;
in vec3 aPos;
in vec4 aColor;
in vec2 aTex;
in vec4 aNormal;
in vec3 bPos;
in float aCorner;

uniform mat4 uModelview;
uniform mat4 uProjection;
uniform mat3 uNormalMatrix;
uniform int uLineMode;
uniform vec2 uViewportSize;
uniform float uLineWidth;
uniform bool uLighting;
uniform bool uLight0;
uniform bool uTwoSide;
uniform bool uNormalize;
uniform bool uColorMaterial;
uniform bvec2 uSphereMap;
// light: ambient, diffuse, specular, eye-space position; material: ambient, diffuse, specular,
// emission for the front, then the back; shininess front and back.
uniform vec4 uLight[4];
uniform vec4 uModelAmbient;
uniform vec4 uMaterial[8];
uniform vec2 uShininess;

out vec4 vFront;
out vec4 vBack;
out vec2 vTex;
out vec2 vLine;
flat out float vFacing;
flat out float vLength;

vec4 lit(vec3 n, vec3 eye, int side, vec4 color) {
    vec4 ambient = uColorMaterial ? color : uMaterial[side * 4];
    vec4 diffuse = uColorMaterial ? color : uMaterial[side * 4 + 1];
    vec3 c = uMaterial[side * 4 + 3].rgb + uModelAmbient.rgb * ambient.rgb;
    if (uLight0) {
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
    return clamp(vec4(c, diffuse.a), 0.0, 1.0);
}

void main() {
    vec3 pos = aPos;
    vec4 color = aColor;
    vec4 normal = aNormal;
    vec2 tex = aTex;

    vec4 eye = uModelview * vec4(pos, 1.0);
    vec3 n = uNormalMatrix * normal.xyz;
    if (uNormalize) n = normalize(n);
    if (uLighting) {
        vFront = lit(n, eye.xyz, 0, color);
        vBack = uTwoSide ? lit(-n, eye.xyz, 1, color) : vFront;
    } else {
        vFront = clamp(color, 0.0, 1.0);
        vBack = vFront;
    }
    if (uSphereMap.x || uSphereMap.y) {
        vec3 u = normalize(eye.xyz);
        vec3 r = u - 2.0 * n * dot(n, u);
        float m = 2.0 * sqrt(r.x * r.x + r.y * r.y + (r.z + 1.0) * (r.z + 1.0));
        if (uSphereMap.x) tex.x = r.x / m + 0.5;
        if (uSphereMap.y) tex.y = r.y / m + 0.5;
    }
    vTex = tex;
    vFacing = normal.w;
    vLine = vec2(0.0);
    vLength = 0.0;

    if (uLineMode == 0) {
        gl_Position = uProjection * eye;
        return;
    }

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
    vec2 offset;
    if (uLineMode == 1) {
        // Aliased wide lines grow across their minor axis, as GL rasterises them.
        offset = abs(d.x) >= abs(d.y) ? vec2(0.0, side * halfWidth) : vec2(side * halfWidth, 0.0);
    } else {
        float across = halfWidth + 0.5;
        offset = vec2(-dir.y, dir.x) * side * across + dir * (second ? 0.5 : -0.5);
        vLine = vec2(second ? len + 0.5 : -0.5, side * across);
        vLength = len;
    }
    gl_Position = vec4((here + offset) / uViewportSize * 2.0 - 1.0, z, 1.0);
}
)";

const char* const FRAGMENT_SHADER = R"(#version 300 es
precision highp float;
precision highp int;
in vec4 vFront;
in vec4 vBack;
in vec2 vTex;
in vec2 vLine;
flat in float vFacing;
flat in float vLength;
uniform int uTexMode;
uniform int uLineMode;
uniform float uLineWidth;
uniform sampler2D uTexture;
out vec4 fragColor;

void main() {
    bool front = vFacing > 1.5 ? gl_FrontFacing : vFacing > 0.5;
    vec4 c = front ? vFront : vBack;
    if (uTexMode == 1)
        c *= texture(uTexture, vTex);
    else if (uTexMode == 2)
        c *= texture(uTexture, vec2(vTex.x, 0.5));
    if (uLineMode == 2) {
        // Coverage of the pixel by a line of the set width: across its width and at its two ends.
        float across = clamp(0.5 * uLineWidth + 0.5 - abs(vLine.y), 0.0, 1.0);
        float along = clamp(min(vLine.x, vLength - vLine.x) + 0.5, 0.0, 1.0);
        c.a *= across * along;
    }
    fragColor = c;
}
)";

}  // namespace moriqgl
