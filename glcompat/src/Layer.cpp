// The GL 1.1 and GLU entry points the demo calls, over the state of State.h and the ES drawing of
// Renderer.h. Immediate mode gathers vertices until glEnd and draws them as one batch.
#include "Es.h"
#include "Renderer.h"
#include "Shaders.h"
#include "State.h"
#include "moriqgl/moriqgl.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <cstring>
#include <iostream>
#include <memory>

namespace moriqgl {

EsTable es;

namespace {

const size_t STACK_DEPTH = 32;  // GL's minimum model-view stack; more than the demo uses anywhere

struct Context {
    bool ready = false;
    ServerState state;
    ClientState client;
    std::vector<std::pair<GLbitfield, ServerState>> attribStack;
    std::vector<std::pair<GLbitfield, ClientState>> clientStack;
    std::vector<Mat4> modelview{identity()};
    std::vector<Mat4> projection{identity()};
    std::unordered_map<GLuint, TextureObject> textures;
    GLuint nextTexture = 1;
    bool inBegin = false;
    GLenum mode = 0;
    std::vector<Vertex> batch;
    Renderer renderer;
};

Context* context() {
    static Context* instance = new Context();
    return instance;
}

std::vector<Mat4>& currentStack() {
    Context& c = *context();
    return c.state.matrixMode == GL_PROJECTION ? c.projection : c.modelview;
}

void multiplyCurrent(const Mat4& m) {
    Mat4& top = currentStack().back();
    top = multiply(top, m);
}

// The texture a draw is modulated by: the 2D target before the 1D one, each only when it is enabled
// and its object complete (an incomplete one counts as not enabled, as Mesa decides).
void chooseTexture(const Context& c, GLuint* esTexture, int* texMode) {
    *esTexture = 0;
    *texMode = TEX_NONE;
    const struct {
        bool enabled;
        GLuint name;
        int mode;
    } targets[2] = {{c.state.texture2D, c.state.bound2D, TEX_2D}, {c.state.texture1D, c.state.bound1D, TEX_1D}};
    for (const auto& target : targets) {
        if (!target.enabled || target.name == 0) continue;
        const auto found = c.textures.find(target.name);
        if (found == c.textures.end()) continue;
        const TextureObject& t = found->second;
        const bool mipmapFilter = t.minFilter != GL_NEAREST && t.minFilter != GL_LINEAR;
        if (!t.hasImage || (mipmapFilter && !t.mipmapped)) continue;
        *esTexture = t.es;
        *texMode = target.mode;
        return;
    }
}

void drawBatch(GLenum mode, Vertex* vertices, uint32_t count) {
    Context& c = *context();
    if (!c.ready) return;
    DrawInputs in;
    in.state = &c.state;
    in.modelview = c.modelview.back();
    in.projection = c.projection.back();
    chooseTexture(c, &in.esTexture, &in.texMode);
    c.renderer.draw(mode, vertices, count, in);
}

void emitVertex(float x, float y, float z) {
    Context& c = *context();
    if (!c.inBegin) return;
    const ServerState& s = c.state;
    Vertex v;
    v.x = x;
    v.y = y;
    v.z = z;
    for (int i = 0; i < 4; ++i) v.rgba[i] = toByte(s.color[i]);
    v.s = s.texCoord[0];
    v.t = s.texCoord[1];
    v.nx = s.normal[0];
    v.ny = s.normal[1];
    v.nz = s.normal[2];
    v.facing = 2.0f;
    c.batch.push_back(v);
}

void setColor(float r, float g, float b, float a) {
    ServerState& s = context()->state;
    s.color[0] = r;
    s.color[1] = g;
    s.color[2] = b;
    s.color[3] = a;
    // Colour material copies the colour into the front and back ambient and diffuse materials.
    if (s.colorMaterial)
        for (Material& m : s.material) {
            std::memcpy(m.ambient, s.color, sizeof s.color);
            std::memcpy(m.diffuse, s.color, sizeof s.color);
        }
}

bool* capability(ServerState& s, GLenum cap) {
    switch (cap) {
    case GL_BLEND: return &s.blend;
    case GL_DEPTH_TEST: return &s.depthTest;
    case GL_CULL_FACE: return &s.cullFace;
    case GL_LIGHTING: return &s.lighting;
    case GL_LIGHT0: return &s.light0;
    case GL_NORMALIZE: return &s.normalize;
    case GL_COLOR_MATERIAL: return &s.colorMaterial;
    case GL_LINE_SMOOTH: return &s.lineSmooth;
    case GL_TEXTURE_1D: return &s.texture1D;
    case GL_TEXTURE_2D: return &s.texture2D;
    case GL_TEXTURE_GEN_S: return &s.texGenS;
    case GL_TEXTURE_GEN_T: return &s.texGenT;
    case GL_SCISSOR_TEST: return &s.scissorTest;
    default: return nullptr;
    }
}

// The viewport and the scissor box: GL refuses a negative size and keeps the rectangle it had.
void setRectangle(GLint* rectangle, GLint x, GLint y, GLsizei width, GLsizei height) {
    if (width < 0 || height < 0) return;
    rectangle[0] = x;
    rectangle[1] = y;
    rectangle[2] = width;
    rectangle[3] = height;
}

ClientArray* clientArray(ClientState& s, GLenum array) {
    switch (array) {
    case GL_VERTEX_ARRAY: return &s.vertex;
    case GL_NORMAL_ARRAY: return &s.normal;
    case GL_COLOR_ARRAY: return &s.color;
    case GL_TEXTURE_COORD_ARRAY: return &s.texCoord;
    default: return nullptr;
    }
}

// Reads one pixel of client data as RGBA in 0..1.
void readPixel(const unsigned char* p, GLenum format, GLenum type, float out[4]) {
    const int components = format == GL_RGBA ? 4 : format == GL_RGB ? 3 : format == GL_LUMINANCE_ALPHA ? 2 : 1;
    float v[4] = {0, 0, 0, 1};
    for (int i = 0; i < components; ++i) {
        if (type == GL_FLOAT) {
            float f;
            std::memcpy(&f, p + i * 4, 4);
            v[i] = f;
        } else {
            v[i] = p[i] / 255.0f;
        }
    }
    switch (format) {
    case GL_LUMINANCE: out[0] = out[1] = out[2] = v[0]; out[3] = 1.0f; break;
    case GL_LUMINANCE_ALPHA: out[0] = out[1] = out[2] = v[0]; out[3] = v[1]; break;
    case GL_ALPHA: out[0] = out[1] = out[2] = 0.0f; out[3] = v[0]; break;
    default: std::memcpy(out, v, sizeof v); break;
    }
}

int pixelBytes(GLenum format, GLenum type) {
    const int components = format == GL_RGBA ? 4 : format == GL_RGB ? 3 : format == GL_LUMINANCE_ALPHA ? 2 : 1;
    return components * (type == GL_FLOAT ? 4 : 1);
}

// The picture as RGBA bytes the way GL stores it in internalFormat: components the format lacks are
// dropped (alpha 1, luminance from red).
std::vector<unsigned char> convertImage(GLint internalFormat, int width, int height, GLenum format, GLenum type,
                                        const void* data, int alignment) {
    std::vector<unsigned char> rgba(static_cast<size_t>(width) * height * 4, 0);
    if (!data) return rgba;
    const int bpp = pixelBytes(format, type);
    size_t rowBytes = static_cast<size_t>(width) * bpp;
    if (alignment > 1) rowBytes = (rowBytes + alignment - 1) / alignment * alignment;
    const bool luminance = internalFormat == GL_LUMINANCE || internalFormat == 1 ||
                           internalFormat == GL_LUMINANCE_ALPHA || internalFormat == 2;
    const bool alpha = internalFormat == GL_RGBA || internalFormat == 4 || internalFormat == GL_LUMINANCE_ALPHA ||
                       internalFormat == 2 || internalFormat == GL_ALPHA;
    for (int y = 0; y < height; ++y) {
        const unsigned char* row = static_cast<const unsigned char*>(data) + y * rowBytes;
        for (int x = 0; x < width; ++x) {
            float v[4];
            readPixel(row + x * bpp, format, type, v);
            if (luminance) v[1] = v[2] = v[0];
            if (!alpha) v[3] = 1.0f;
            unsigned char* out = &rgba[(static_cast<size_t>(y) * width + x) * 4];
            for (int i = 0; i < 4; ++i) out[i] = toByte(v[i]);
        }
    }
    return rgba;
}

TextureObject* boundTexture(GLenum target) {
    Context& c = *context();
    const GLuint name = target == GL_TEXTURE_1D ? c.state.bound1D : target == GL_TEXTURE_2D ? c.state.bound2D : 0;
    if (name == 0 || !c.ready) return nullptr;
    TextureObject& t = c.textures[name];
    if (t.es == 0) t.es = c.renderer.createTexture();
    return &t;
}

void uploadImage(GLenum target, GLint internalFormat, int width, int height, GLenum format, GLenum type,
                 const void* data, bool mipmaps) {
    Context& c = *context();
    TextureObject* t = boundTexture(target);
    if (!t || width <= 0 || height <= 0) return;
    const std::vector<unsigned char> rgba =
        convertImage(internalFormat, width, height, format, type, data, c.client.unpackAlignment);
    c.renderer.uploadTexture(t->es, width, height, rgba.data(), mipmaps);
    t->hasImage = true;
    t->mipmapped = mipmaps;
}

}  // namespace

bool load(GetProc getProc) {
    Context& c = *context();
    if (c.ready) unload();
    bool complete = true;
#define MORIQGL_FETCH(name, ret, params)                                                         \
    es.name = reinterpret_cast<ret(*) params>(getProc("gl" #name));                             \
    if (!es.name) {                                                                              \
        std::cerr << "moriq-gl: no OpenGL ES function gl" #name << std::endl;                   \
        complete = false;                                                                        \
    }
    MORIQGL_ES_FUNCTIONS(MORIQGL_FETCH)
#undef MORIQGL_FETCH
    if (!complete || !c.renderer.init()) {
        es = EsTable();
        return false;
    }
    // GL starts with the viewport over the whole drawable, which the context now knows.
    es.GetIntegerv(GL_VIEWPORT, c.state.viewport);
    std::memcpy(c.state.scissor, c.state.viewport, sizeof c.state.scissor);
    c.ready = true;
    return true;
}

void unload() {
    Context& c = *context();
    if (c.ready) {
        for (auto& entry : c.textures)
            if (entry.second.es) c.renderer.deleteTexture(entry.second.es);
        c.renderer.release();
    }
    *context() = Context();
    es = EsTable();
}

void readRgb(int x, int y, int width, int height, unsigned char* out) {
    if (!context()->ready) return;
    // ES reads RGBA only; the alpha is dropped here.
    std::vector<unsigned char> rgba(static_cast<size_t>(width) * height * 4);
    es.PixelStorei(GL_PACK_ALIGNMENT, 4);
    es.ReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) std::memcpy(out + i * 3, &rgba[i * 4], 3);
}

}  // namespace moriqgl

using namespace moriqgl;

// ---- State ----

void glEnable(GLenum cap) {
    ServerState& s = context()->state;
    if (bool* flag = capability(s, cap)) *flag = true;
    if (cap == GL_COLOR_MATERIAL) setColor(s.color[0], s.color[1], s.color[2], s.color[3]);
}

void glDisable(GLenum cap) {
    if (bool* flag = capability(context()->state, cap)) *flag = false;
}

void glEnableClientState(GLenum array) {
    if (ClientArray* a = clientArray(context()->client, array)) a->enabled = true;
}

void glDisableClientState(GLenum array) {
    if (ClientArray* a = clientArray(context()->client, array)) a->enabled = false;
}

void glHint(GLenum, GLenum) {}

void glShadeModel(GLenum mode) {
    context()->state.shadeModel = mode;
}

void glPixelStorei(GLenum name, GLint value) {
    ClientState& s = context()->client;
    if (value != 1 && value != 2 && value != 4 && value != 8) return;
    if (name == GL_UNPACK_ALIGNMENT) s.unpackAlignment = value;
    if (name == GL_PACK_ALIGNMENT) s.packAlignment = value;
}

void glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a) {
    float* c = context()->state.clearColor;
    c[0] = std::min(std::max(r, 0.0f), 1.0f);
    c[1] = std::min(std::max(g, 0.0f), 1.0f);
    c[2] = std::min(std::max(b, 0.0f), 1.0f);
    c[3] = std::min(std::max(a, 0.0f), 1.0f);
}

void glClearDepth(GLclampd depth) {
    context()->state.clearDepth = static_cast<float>(std::min(std::max(depth, 0.0), 1.0));
}

void glClear(GLbitfield mask) {
    Context& c = *context();
    if (c.ready) c.renderer.clear(c.state, mask);
}

void glViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
    setRectangle(context()->state.viewport, x, y, width, height);
}

void glScissor(GLint x, GLint y, GLsizei width, GLsizei height) {
    setRectangle(context()->state.scissor, x, y, width, height);
}

void glColorMask(GLboolean r, GLboolean g, GLboolean b, GLboolean a) {
    bool* mask = context()->state.colorMask;
    mask[0] = r != GL_FALSE;
    mask[1] = g != GL_FALSE;
    mask[2] = b != GL_FALSE;
    mask[3] = a != GL_FALSE;
}

void glLineWidth(GLfloat width) {
    if (width > 0.0f) context()->state.lineWidth = width;
}

void glPolygonMode(GLenum face, GLenum mode) {
    ServerState& s = context()->state;
    if (face == GL_FRONT || face == GL_FRONT_AND_BACK) s.polygonFront = mode;
    if (face == GL_BACK || face == GL_FRONT_AND_BACK) s.polygonBack = mode;
}

void glCullFace(GLenum mode) {
    context()->state.cullMode = mode;
}

void glDepthFunc(GLenum func) {
    context()->state.depthFunc = func;
}

void glDepthMask(GLboolean flag) {
    context()->state.depthMask = flag != GL_FALSE;
}

void glBlendFunc(GLenum src, GLenum dst) {
    ServerState& s = context()->state;
    s.blendSrc = src;
    s.blendDst = dst;
}

void glPushAttrib(GLbitfield mask) {
    Context& c = *context();
    c.attribStack.emplace_back(mask, c.state);
}

void glPopAttrib() {
    Context& c = *context();
    if (c.attribStack.empty()) return;
    restoreGroups(c.state, c.attribStack.back().second, c.attribStack.back().first);
    c.attribStack.pop_back();
}

void glPushClientAttrib(GLbitfield mask) {
    Context& c = *context();
    c.clientStack.emplace_back(mask, c.client);
}

void glPopClientAttrib() {
    Context& c = *context();
    if (c.clientStack.empty()) return;
    const GLbitfield mask = c.clientStack.back().first;
    const ClientState& saved = c.clientStack.back().second;
    if (mask & GL_CLIENT_VERTEX_ARRAY_BIT) {
        c.client.vertex = saved.vertex;
        c.client.normal = saved.normal;
        c.client.color = saved.color;
        c.client.texCoord = saved.texCoord;
        c.client.indexEnabled = saved.indexEnabled;
        c.client.edgeFlagEnabled = saved.edgeFlagEnabled;
    }
    if (mask & GL_CLIENT_PIXEL_STORE_BIT) {
        c.client.unpackAlignment = saved.unpackAlignment;
        c.client.packAlignment = saved.packAlignment;
    }
    c.clientStack.pop_back();
}

void glGetIntegerv(GLenum name, GLint* out) {
    Context& c = *context();
    switch (name) {
    case GL_UNPACK_ALIGNMENT: *out = c.client.unpackAlignment; break;
    case GL_PACK_ALIGNMENT: *out = c.client.packAlignment; break;
    case GL_VIEWPORT: std::memcpy(out, c.state.viewport, sizeof c.state.viewport); break;
    case GL_MATRIX_MODE: *out = static_cast<GLint>(c.state.matrixMode); break;
    case GL_MODELVIEW_STACK_DEPTH: *out = static_cast<GLint>(c.modelview.size()); break;
    case GL_PROJECTION_STACK_DEPTH: *out = static_cast<GLint>(c.projection.size()); break;
    case GL_ATTRIB_STACK_DEPTH: *out = static_cast<GLint>(c.attribStack.size()); break;
    case GL_CLIENT_ATTRIB_STACK_DEPTH: *out = static_cast<GLint>(c.clientStack.size()); break;
    case GL_TEXTURE_BINDING_2D: *out = static_cast<GLint>(c.state.bound2D); break;
    case GL_TEXTURE_BINDING_1D: *out = static_cast<GLint>(c.state.bound1D); break;
    default: break;
    }
}

void glGetFloatv(GLenum name, GLfloat* out) {
    Context& c = *context();
    switch (name) {
    case GL_MODELVIEW_MATRIX: std::memcpy(out, c.modelview.back().data(), 16 * sizeof(float)); break;
    case GL_PROJECTION_MATRIX: std::memcpy(out, c.projection.back().data(), 16 * sizeof(float)); break;
    case GL_LINE_WIDTH: *out = c.state.lineWidth; break;
    case GL_CURRENT_COLOR: std::memcpy(out, c.state.color, 4 * sizeof(float)); break;
    default: break;
    }
}

// ---- Matrices ----

void glMatrixMode(GLenum mode) {
    if (mode == GL_MODELVIEW || mode == GL_PROJECTION) context()->state.matrixMode = mode;
}

void glLoadIdentity() {
    currentStack().back() = identity();
}

void glPushMatrix() {
    std::vector<Mat4>& stack = currentStack();
    if (stack.size() < STACK_DEPTH) stack.push_back(stack.back());
}

void glPopMatrix() {
    std::vector<Mat4>& stack = currentStack();
    if (stack.size() > 1) stack.pop_back();
}

void glTranslatef(GLfloat x, GLfloat y, GLfloat z) {
    multiplyCurrent(translation(x, y, z));
}

void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) {
    multiplyCurrent(rotation(angle, x, y, z));
}

void glScalef(GLfloat x, GLfloat y, GLfloat z) {
    multiplyCurrent(scaling(x, y, z));
}

void glOrtho(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble zNear, GLdouble zFar) {
    multiplyCurrent(ortho(left, right, bottom, top, zNear, zFar));
}

void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) {
    multiplyCurrent(perspective(fovy, aspect, zNear, zFar));
}

// ---- Immediate mode and arrays ----

void glBegin(GLenum mode) {
    Context& c = *context();
    c.inBegin = true;
    c.mode = mode;
    c.batch.clear();
}

void glEnd() {
    Context& c = *context();
    if (!c.inBegin) return;
    c.inBegin = false;
    drawBatch(c.mode, c.batch.data(), static_cast<uint32_t>(c.batch.size()));
}

void glVertex2f(GLfloat x, GLfloat y) {
    emitVertex(x, y, 0.0f);
}

void glVertex2i(GLint x, GLint y) {
    emitVertex(static_cast<float>(x), static_cast<float>(y), 0.0f);
}

void glVertex3f(GLfloat x, GLfloat y, GLfloat z) {
    emitVertex(x, y, z);
}

void glVertex3fv(const GLfloat* v) {
    emitVertex(v[0], v[1], v[2]);
}

void glColor3f(GLfloat r, GLfloat g, GLfloat b) {
    setColor(r, g, b, 1.0f);
}

void glColor3fv(const GLfloat* v) {
    setColor(v[0], v[1], v[2], 1.0f);
}

void glColor3ub(GLubyte r, GLubyte g, GLubyte b) {
    setColor(r / 255.0f, g / 255.0f, b / 255.0f, 1.0f);
}

void glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a) {
    setColor(r, g, b, a);
}

void glNormal3f(GLfloat x, GLfloat y, GLfloat z) {
    float* n = context()->state.normal;
    n[0] = x;
    n[1] = y;
    n[2] = z;
}

void glTexCoord1f(GLfloat s) {
    float* t = context()->state.texCoord;
    t[0] = s;
    t[1] = 0.0f;
}

void glTexCoord2f(GLfloat s, GLfloat t) {
    float* c = context()->state.texCoord;
    c[0] = s;
    c[1] = t;
}

void glTexCoord2i(GLint s, GLint t) {
    glTexCoord2f(static_cast<float>(s), static_cast<float>(t));
}

void glVertexPointer(GLint size, GLenum type, GLsizei stride, const GLvoid* pointer) {
    ClientArray& a = context()->client.vertex;
    a.size = size;
    a.type = type;
    a.stride = stride;
    a.pointer = pointer;
}

void glNormalPointer(GLenum type, GLsizei stride, const GLvoid* pointer) {
    ClientArray& a = context()->client.normal;
    a.size = 3;
    a.type = type;
    a.stride = stride;
    a.pointer = pointer;
}

void glDrawArrays(GLenum mode, GLint first, GLsizei count) {
    Context& c = *context();
    const ClientArray& va = c.client.vertex;
    const ClientArray& na = c.client.normal;
    if (!va.enabled || !va.pointer || va.type != GL_FLOAT || count <= 0 || first < 0) return;
    const bool normals = na.enabled && na.pointer && na.type == GL_FLOAT;
    const size_t vStride = va.stride ? va.stride : va.size * sizeof(float);
    const size_t nStride = na.stride ? na.stride : 3 * sizeof(float);
    // The arrays become one batch, as if each element were given between glBegin and glEnd.
    glBegin(mode);
    for (GLint i = first; i < first + count; ++i) {
        float p[4] = {0, 0, 0, 1};
        std::memcpy(p, static_cast<const char*>(va.pointer) + i * vStride, va.size * sizeof(float));
        if (normals) std::memcpy(c.state.normal, static_cast<const char*>(na.pointer) + i * nStride, 3 * sizeof(float));
        emitVertex(p[0], p[1], p[2]);
    }
    glEnd();
}

// ---- Lighting ----

void glLightfv(GLenum light, GLenum name, const GLfloat* v) {
    if (light != GL_LIGHT0) return;
    Context& c = *context();
    Light& l = c.state.light;
    switch (name) {
    case GL_AMBIENT: std::memcpy(l.ambient, v, 16); break;
    case GL_DIFFUSE: std::memcpy(l.diffuse, v, 16); break;
    case GL_SPECULAR: std::memcpy(l.specular, v, 16); break;
    case GL_POSITION: {
        // Placed in eye space by the model-view of this call, as GL does.
        const std::array<float, 4> p = transform(c.modelview.back(), v[0], v[1], v[2], v[3]);
        std::memcpy(l.position, p.data(), 16);
        break;
    }
    default: break;
    }
}

void glLightModelf(GLenum name, GLfloat value) {
    if (name == GL_LIGHT_MODEL_TWO_SIDE) context()->state.twoSide = value != 0.0f;
}

void glMaterialfv(GLenum face, GLenum name, const GLfloat* v) {
    ServerState& s = context()->state;
    for (int side = 0; side < 2; ++side) {
        if (side == 0 && face == GL_BACK) continue;
        if (side == 1 && face == GL_FRONT) continue;
        Material& m = s.material[side];
        switch (name) {
        case GL_AMBIENT: std::memcpy(m.ambient, v, 16); break;
        case GL_DIFFUSE: std::memcpy(m.diffuse, v, 16); break;
        case GL_SPECULAR: std::memcpy(m.specular, v, 16); break;
        case GL_EMISSION: std::memcpy(m.emission, v, 16); break;
        case GL_SHININESS: m.shininess = v[0]; break;
        case GL_AMBIENT_AND_DIFFUSE:
            std::memcpy(m.ambient, v, 16);
            std::memcpy(m.diffuse, v, 16);
            break;
        default: break;
        }
    }
}

// ---- Textures ----

void glGenTextures(GLsizei n, GLuint* names) {
    Context& c = *context();
    for (GLsizei i = 0; i < n; ++i) {
        while (c.textures.count(c.nextTexture)) ++c.nextTexture;
        names[i] = c.nextTexture++;
        c.textures[names[i]] = TextureObject();
    }
}

void glDeleteTextures(GLsizei n, const GLuint* names) {
    Context& c = *context();
    for (GLsizei i = 0; i < n; ++i) {
        const GLuint name = names[i];
        if (name == 0) continue;
        const auto found = c.textures.find(name);
        if (found == c.textures.end()) continue;
        if (found->second.es && c.ready) c.renderer.deleteTexture(found->second.es);
        c.textures.erase(found);
        if (c.state.bound1D == name) c.state.bound1D = 0;
        if (c.state.bound2D == name) c.state.bound2D = 0;
    }
}

void glBindTexture(GLenum target, GLuint name) {
    Context& c = *context();
    if (name != 0 && !c.textures.count(name)) c.textures[name] = TextureObject();
    if (target == GL_TEXTURE_1D) c.state.bound1D = name;
    if (target == GL_TEXTURE_2D) c.state.bound2D = name;
}

void glTexParameteri(GLenum target, GLenum name, GLint value) {
    TextureObject* t = boundTexture(target);
    if (!t) return;
    if (name == GL_TEXTURE_MIN_FILTER) t->minFilter = static_cast<GLenum>(value);
    // A 1D texture is one row: its t coordinate always samples that row.
    if (target == GL_TEXTURE_1D && name == GL_TEXTURE_WRAP_T) return;
    if (name == GL_TEXTURE_WRAP_S || name == GL_TEXTURE_WRAP_T) {
        if (value == GL_CLAMP) value = esenum::CLAMP_TO_EDGE;
    }
    context()->renderer.textureParameter(t->es, name, value);
}

void glTexEnvi(GLenum target, GLenum name, GLint value) {
    if (target == GL_TEXTURE_ENV && name == GL_TEXTURE_ENV_MODE) context()->state.envMode = static_cast<GLenum>(value);
}

void glTexGeni(GLenum coord, GLenum name, GLint value) {
    if (name != GL_TEXTURE_GEN_MODE) return;
    ServerState& s = context()->state;
    if (coord == GL_S) s.genModeS = static_cast<GLenum>(value);
    if (coord == GL_T) s.genModeT = static_cast<GLenum>(value);
}

void glTexImage1D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLint, GLenum format, GLenum type,
                  const GLvoid* pixels) {
    if (target != GL_TEXTURE_1D || level != 0) return;
    uploadImage(GL_TEXTURE_1D, internalFormat, width, 1, format, type, pixels, false);
}

void glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height, GLint,
                  GLenum format, GLenum type, const GLvoid* pixels) {
    if (target != GL_TEXTURE_2D || level != 0) return;
    uploadImage(GL_TEXTURE_2D, internalFormat, width, height, format, type, pixels, false);
}

GLint gluBuild2DMipmaps(GLenum target, GLint internalFormat, GLsizei width, GLsizei height, GLenum format,
                        GLenum type, const void* data) {
    if (target != GL_TEXTURE_2D) return GLU_INVALID_ENUM;
    if (width <= 0 || height <= 0) return GLU_INVALID_VALUE;
    uploadImage(GL_TEXTURE_2D, internalFormat, width, height, format, type, data, true);
    return 0;
}
