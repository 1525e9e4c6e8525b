// The GL 1.1 state the layer keeps for the demo: what glPushAttrib saves by group, the client arrays,
// the matrix stacks and the texture objects. The ES context only ever holds what a draw needs.
#pragma once

#include "moriqgl/Mat4.h"

#include <GL/gl.h>

#include <cstdint>
#include <unordered_map>
#include <vector>

namespace moriqgl {

struct Material {
    float ambient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
    float diffuse[4] = {0.8f, 0.8f, 0.8f, 1.0f};
    float specular[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    float emission[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    float shininess = 0.0f;
};

struct Light {
    float ambient[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    float diffuse[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    float specular[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    float position[4] = {0.0f, 0.0f, 1.0f, 0.0f};  // in eye space, as placed by the model-view of its call
};

// Everything glPushAttrib saves that the demo touches; pop restores it group by group (restoreGroups).
struct ServerState {
    // GL_ENABLE_BIT (and each also in its own group)
    bool blend = false, depthTest = false, cullFace = false, lighting = false, light0 = false;
    bool normalize = false, colorMaterial = false, lineSmooth = false;
    bool texture1D = false, texture2D = false, texGenS = false, texGenT = false;
    bool scissorTest = false;
    // GL_SCISSOR_BIT (with scissorTest)
    GLint scissor[4] = {0, 0, 0, 0};
    // GL_TEXTURE_BIT
    GLuint bound1D = 0, bound2D = 0;
    GLenum genModeS = GL_EYE_LINEAR, genModeT = GL_EYE_LINEAR;
    // GL_POLYGON_BIT
    GLenum polygonFront = GL_FILL, polygonBack = GL_FILL, cullMode = GL_BACK, frontFace = GL_CCW;
    // GL_LINE_BIT
    float lineWidth = 1.0f;
    // GL_COLOR_BUFFER_BIT
    GLenum blendSrc = GL_ONE, blendDst = GL_ZERO;
    float clearColor[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    bool colorMask[4] = {true, true, true, true};
    // GL_DEPTH_BUFFER_BIT
    float clearDepth = 1.0f;
    GLenum depthFunc = GL_LESS;
    bool depthMask = true;
    // GL_LIGHTING_BIT
    Light light;
    Material material[2];  // front, back
    float modelAmbient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
    bool twoSide = false;
    // GL_TRANSFORM_BIT
    GLenum matrixMode = GL_MODELVIEW;
    // GL_VIEWPORT_BIT
    GLint viewport[4] = {0, 0, 0, 0};
    // GL_CURRENT_BIT
    float color[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    float normal[3] = {0.0f, 0.0f, 1.0f};
    float texCoord[2] = {0.0f, 0.0f};
};

// Copies the groups named in mask (GL_*_BIT) from saved into state.
void restoreGroups(ServerState& state, const ServerState& saved, GLbitfield mask);

// An array of float components (the only type the layer reads).
struct ClientArray {
    bool enabled = false;
    GLint size = 3;
    GLsizei stride = 0;
    const void* pointer = nullptr;
};

// glPushClientAttrib's two groups: the arrays glDrawArrays reads and the pixel alignments.
struct ClientState {
    ClientArray vertex, normal;
    GLint unpackAlignment = 4, packAlignment = 4;
};

struct TextureObject {
    GLuint es = 0;  // the ES texture holding its pictures (2D; a 1D texture is one pixel high)
    bool hasImage = false;
    bool mipmapped = false;
    GLint internalFormat = GL_RGBA;  // which components it keeps (see convertImage)
    GLenum minFilter = GL_NEAREST_MIPMAP_LINEAR;
    // What was handed to ES, so that a new context gets the same texture: the picture as RGBA rows and
    // the parameters by ES name (GL's defaults, which ES shares, until set).
    int width = 0, height = 0;
    std::vector<unsigned char> rgba;
    std::vector<std::pair<GLenum, GLint>> parameters;
};

// The vertex the layer batches and ES reads: position, colour, texture coordinate, normal and facing
// (0 back, 1 front, 2 as the rasteriser finds it).
struct Vertex {
    float x, y, z;
    uint8_t rgba[4];
    float s, t;
    float nx, ny, nz, facing;
};
static_assert(sizeof(Vertex) == 40, "the vertex layout the shaders read");

// A corner of the quad a wide or smooth segment is drawn as: its end's vertex, the other end's position
// and the corner's number.
struct CornerVertex {
    Vertex v;
    float otherX, otherY, otherZ;
    float corner;
};
static_assert(sizeof(CornerVertex) == 56, "the corner layout the shaders read");

// Converts a colour component to the byte GL stores, clamped.
uint8_t toByte(float value);

}  // namespace moriqgl
