// The ES side of the layer: the shader variants, the vertex and index buffers, and drawing one batch of
// GL 1.1 vertices with the state it was drawn in, touching ES state only where it differs from what ES has.
#pragma once

#include "moriqgl/Assembly.h"
#include "moriqgl/Mat4.h"
#include "Shaders.h"
#include "State.h"

#include <cstddef>
#include <vector>

namespace moriqgl {

// What a batch is drawn with, besides the server state.
struct DrawInputs {
    const ServerState* state;
    Mat4 modelview;
    Mat4 projection;
    GLuint esTexture;  // 0: untextured
    int texMode;       // TexMode
};

class Renderer {
public:
    // Compiles the plain variant and every key of upFront, then makes the buffers; false if it cannot.
    bool init();
    void release();
    // Drops the ES objects without deleting them, when their context is gone.
    void forget();
    void clear(const ServerState& state, GLbitfield mask);
    // Draws count vertices of a begin/end mode; the vertices' facing fields may be rewritten.
    void draw(GLenum mode, Vertex* vertices, uint32_t count, const DrawInputs& in);

    // ES textures of the layer's texture objects: rows of RGBA bytes, bottom row first.
    GLuint createTexture();
    void uploadTexture(GLuint esTexture, int width, int height, const unsigned char* rgba, bool mipmaps);
    // Replaces a rectangle of the picture (rgba: its rows, bottom first), the mipmaps too if it has them.
    void updateTexture(GLuint esTexture, int x, int y, int width, int height, const unsigned char* rgba,
                       bool mipmaps);
    void textureParameter(GLuint esTexture, GLenum name, GLint value);
    void deleteTexture(GLuint esTexture);

    int compiledVariants() const;

    // While set, nothing is drawn or cleared (see moriqgl::discard).
    bool discarding = false;
    // The variant keys compiled by init, in each new context too (see moriqgl::load).
    std::vector<unsigned> upFront;

private:
    void applyCommon(const ServerState& state);
    // The scissor test and box and the colour mask, which both drawing and clearing honour.
    void applyMasks(const ServerState& s);
    void applyCulling(bool cull, GLenum mode);
    void applyTexture(GLuint esTexture);
    // Puts the draw's variant in use and gives it the draw's uniforms; false if it cannot draw.
    bool setUniforms(const DrawInputs& in, int lineMode, float lineWidth);
    void drawTriangles(const Vertex* vertices, uint32_t count, const DrawInputs& in, bool esCulls);
    void drawSegments(const Vertex* pairs, uint32_t segmentCount, const DrawInputs& in);
    void upload(const void* data, size_t bytes);
    void bindVao(GLuint vao);

    // One compiled variant, its uniform locations and the uniform values it was last given.
    struct Program {
        unsigned key = 0;
        GLuint id = 0;
        GLint location[UNIFORM_COUNT] = {};  // by Uniform
        // A new program's uniforms are zero, as these start.
        Mat4 modelview{}, projection{};
        Mat3 normalMatrix{};
        float lineWidth = 0, viewportSize[2] = {0, 0};
        float light[16] = {}, modelAmbient[4] = {}, material[32] = {}, shininess[2] = {0, 0};
    };
    // The variant of a key, compiled on first use; null if it does not compile.
    Program* variant(unsigned key);

    bool ready = false;
    std::vector<Program> programs;
    int current = -1;  // index into programs of the program in use
    GLuint buffer = 0;
    GLuint indexBuffer = 0;  // two triangles for each segment's four corners
    size_t indexedQuads = 0;  // how many segments the index buffer holds
    GLuint plainVao = 0;    // one vertex a vertex
    GLuint segmentVao = 0;  // four corners a segment

    // What ES was last given, so that unchanged state is not sent again.
    struct Applied {
        int blend = -1, depthTest = -1, cull = -1, depthMask = -1;
        GLenum blendSrc = 0, blendDst = 0, depthFunc = 0, cullMode = 0;
        GLint viewport[4] = {-1, -1, -1, -1};
        int scissorTest = -1, colorMask = -1;
        GLint scissor[4] = {-1, -1, -1, -1};
        float clearColor[4] = {-1, -1, -1, -1};
        float clearDepth = -1;
        GLuint texture = ~0u;
        GLuint vao = ~0u;
    } applied;

    // Scratch space kept between batches, so that drawing does not allocate once it has grown.
    std::vector<Triangle> triangles;
    std::vector<Segment> segments;
    std::vector<Vertex> fills;
    std::vector<Vertex> pairs;
    std::vector<CornerVertex> corners;
    std::vector<uint32_t> indices;
    std::vector<float> clip;
};

}  // namespace moriqgl
