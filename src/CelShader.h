// CelShader: cel (toon) shading of a static triangle mesh with the fixed-function pipeline. The shade
// of each face corner is computed on the CPU and looked up in a 32-texel, three-band grey ramp;
// a thick back-face line pass draws the silhouette and a thin front-face pass the wireframe.
// The scenes own the shading state; this class holds only the procedure they share.
#pragma once

#include "Vector3d.h"

#include <GL/gl.h>

class Scene;

class CelShader {
public:
    static const int RAMP_SIZE = 32;

    // A mesh as five constant arrays; the face count is read through the reference on every pass.
    struct Mesh {
        const int& numberFaces;
        const float (*vertices)[3];
        const float (*normals)[3];
        const int (*faces)[3];
    };

    // The points where the scenes using the procedure differ.
    struct Style {
        bool translate;                // translate by (0, 0, -2) inside the call
        bool setFillColour;            // otherwise the caller's current colour fills the mesh
        GLfloat fillColour[3];
        bool setSilhouetteColour;      // otherwise the silhouette keeps the fill colour
        GLfloat silhouetteColour[3];
        GLfloat wireframeAlpha;        // the wireframe is black with this alpha...
        int wireframeFadeFrom;         // ...or fades in over 2000 ms from this time; negative: no fade
        bool keepBlending;             // true: unbind the ramp, blending stays on; false: blending off, ramp bound
    };

    // Grey level of ramp texel i: 0.2 for 0-4, 0.5 for 5-14, 1.0 for 15-31.
    static float rampLevel(int texel);
    static void fillRamp(float shaderData[RAMP_SIZE][3]);
    // Fills the ramp and uploads it as a nearest-filtered 1D texture, left bound to GL_TEXTURE_1D.
    static void createRamp(float shaderData[RAMP_SIZE][3], GLuint shaderTexture[1]);
    // The rest of what the passes need, set by a scene's init: smooth shading, depth test (less, cleared
    // to 1), back faces culled, no lighting, 1D texturing on and smoothing off until the outline asks.
    static void prepare();

    // The ramp coordinate of one corner: the normal turned into eye space by the 3x3 part of the
    // column-major model-view matrix, normalised, dotted with the light; negative shades become 0.
    static float shade(const float* modelview, const float normal[3], Vector3d lightAngle);

    // Draws the mesh for the scene's current time (read from the scene's clock at each use), turned by
    // spin degrees a second of it. Leaves a rotation and a scale on the model-view matrix.
    static void draw(Scene& scene, const Mesh& mesh, const Style& style, bool outlineSmooth,
                     float outlineWidth, Vector3d lightAngle, const GLuint shaderTexture[1], float spin);
};
