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

// Mesa's depths, which the demo's native runs have: 32 matrices a stack, 16 attribute groups.
const size_t MATRIX_STACK_DEPTH = 32;
const size_t ATTRIB_STACK_DEPTH = 16;

struct Context {
    bool ready = false;
    GLenum error = GL_NO_ERROR;  // the first error since glGetError last read it
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

bool toldUnloaded = false;  // a call before load has been reported since the last load

// GL keeps the first error until glGetError reads it.
void fail(Context& c, GLenum error) {
    if (c.error == GL_NO_ERROR) c.error = error;
}

// The context a GL call acts on, or null when the call must do nothing: before load (said once on
// standard error) and, for a call GL forbids between glBegin and glEnd, inside them (GL_INVALID_OPERATION).
Context* enter(const char* call, bool allowedInBegin = false) {
    Context& c = *context();
    if (!c.ready) {
        if (!toldUnloaded)
            std::cerr << "moriq-gl: " << call << " called before moriqgl::load; GL calls do nothing until then"
                      << std::endl;
        toldUnloaded = true;
        return nullptr;
    }
    if (c.inBegin && !allowedInBegin) {
        fail(c, GL_INVALID_OPERATION);
        return nullptr;
    }
    return &c;
}

// The calls that may stand between glBegin and glEnd: vertices and their attributes, materials.
Context* enterInBegin(const char* call) {
    return enter(call, true);
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
    Context* entered = enterInBegin("glVertex");
    if (!entered || !entered->inBegin) return;
    Context& c = *entered;
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
    Context* c = enterInBegin("glColor");
    if (!c) return;
    ServerState& s = c->state;
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
void setRectangle(Context& c, GLint* rectangle, GLint x, GLint y, GLsizei width, GLsizei height) {
    if (width < 0 || height < 0) return fail(c, GL_INVALID_VALUE);
    rectangle[0] = x;
    rectangle[1] = y;
    rectangle[2] = width;
    rectangle[3] = height;
}

// The array's enabled flag; the arrays the layer never draws from (it has no pointer calls for them)
// share a flag nothing reads, so that switching them is no error.
bool* clientArrayEnabled(ClientState& s, GLenum array) {
    static bool unused = false;
    switch (array) {
    case GL_VERTEX_ARRAY: return &s.vertex.enabled;
    case GL_NORMAL_ARRAY: return &s.normal.enabled;
    case GL_COLOR_ARRAY:
    case GL_TEXTURE_COORD_ARRAY:
    case GL_INDEX_ARRAY:
    case GL_EDGE_FLAG_ARRAY: return &unused;
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

// The formats and types the layer converts from client memory.
bool knownPixels(GLenum format, GLenum type) {
    const bool formatKnown = format == GL_RGBA || format == GL_RGB || format == GL_LUMINANCE ||
                             format == GL_LUMINANCE_ALPHA || format == GL_ALPHA;
    return formatKnown && (type == GL_UNSIGNED_BYTE || type == GL_FLOAT);
}

void uploadImage(GLenum target, GLint internalFormat, int width, int height, GLenum format, GLenum type,
                 const void* data, bool mipmaps) {
    Context& c = *context();
    TextureObject* t = boundTexture(target);
    if (!t || width <= 0 || height <= 0) return;
    t->rgba = convertImage(internalFormat, width, height, format, type, data, c.client.unpackAlignment);
    t->internalFormat = internalFormat;
    t->width = width;
    t->height = height;
    c.renderer.uploadTexture(t->es, width, height, t->rgba.data(), mipmaps);
    t->hasImage = true;
    t->mipmapped = mipmaps;
}

// Sends a parameter to the texture's ES object and remembers it for a new context.
void setParameter(Context& c, TextureObject& t, GLenum name, GLint value) {
    c.renderer.textureParameter(t.es, name, value);
    for (auto& p : t.parameters)
        if (p.first == name) {
            p.second = value;
            return;
        }
    t.parameters.emplace_back(name, value);
}

}  // namespace

bool load(GetProc getProc, const std::vector<Variant>& upFront) {
    Context& c = *context();
    if (c.ready) unload();
    c.renderer.upFront.clear();
    for (const Variant& v : upFront) c.renderer.upFront.push_back(variantKey(v));
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
    toldUnloaded = false;
    return true;
}

bool reload() {
    Context& c = *context();
    if (!c.ready) {
        std::cerr << "moriq-gl: reload before load" << std::endl;
        return false;
    }
    // The old context's objects are gone with it: they are forgotten, not deleted (in another
    // context the same names may be someone else's).
    c.renderer.forget();
    if (!c.renderer.init()) {
        c.ready = false;
        return false;
    }
    for (auto& entry : c.textures) {
        TextureObject& t = entry.second;
        if (!t.es) continue;
        t.es = c.renderer.createTexture();
        if (t.hasImage) c.renderer.uploadTexture(t.es, t.width, t.height, t.rgba.data(), t.mipmapped);
        for (const auto& p : t.parameters) c.renderer.textureParameter(t.es, p.first, p.second);
    }
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

int compiledVariants() {
    return context()->ready ? context()->renderer.compiledVariants() : 0;
}

void discard(bool on) {
    context()->renderer.discarding = on;
}

}  // namespace moriqgl

using namespace moriqgl;

namespace {

bool isFace(GLenum face) {
    return face == GL_FRONT || face == GL_BACK || face == GL_FRONT_AND_BACK;
}

// Begin/end modes, GL_POINTS to GL_POLYGON (points are accepted and not drawn).
bool isMode(GLenum mode) {
    return mode <= GL_POLYGON;
}

bool isBlendFactor(GLenum factor) {
    return factor == GL_ZERO || factor == GL_ONE || (factor >= GL_SRC_COLOR && factor <= GL_SRC_ALPHA_SATURATE);
}

// The begin/end pair's own work, shared with glDrawArrays.
void begin(Context& c, GLenum mode) {
    c.inBegin = true;
    c.mode = mode;
    c.batch.clear();
}

void end(Context& c) {
    c.inBegin = false;
    drawBatch(c.mode, c.batch.data(), static_cast<uint32_t>(c.batch.size()));
}

}  // namespace

// ---- Errors ----

GLenum glGetError() {
    Context* c = enter("glGetError");
    if (!c) return GL_NO_ERROR;
    const GLenum error = c->error;
    c->error = GL_NO_ERROR;
    return error;
}

// ---- State ----

void glEnable(GLenum cap) {
    Context* c = enter("glEnable");
    if (!c) return;
    ServerState& s = c->state;
    bool* flag = capability(s, cap);
    if (!flag) return fail(*c, GL_INVALID_ENUM);
    *flag = true;
    if (cap == GL_COLOR_MATERIAL) setColor(s.color[0], s.color[1], s.color[2], s.color[3]);
}

void glDisable(GLenum cap) {
    Context* c = enter("glDisable");
    if (!c) return;
    bool* flag = capability(c->state, cap);
    if (!flag) return fail(*c, GL_INVALID_ENUM);
    *flag = false;
}

void glEnableClientState(GLenum array) {
    Context* c = enter("glEnableClientState");
    if (!c) return;
    bool* flag = clientArrayEnabled(c->client, array);
    if (!flag) return fail(*c, GL_INVALID_ENUM);
    *flag = true;
}

void glDisableClientState(GLenum array) {
    Context* c = enter("glDisableClientState");
    if (!c) return;
    bool* flag = clientArrayEnabled(c->client, array);
    if (!flag) return fail(*c, GL_INVALID_ENUM);
    *flag = false;
}

void glHint(GLenum target, GLenum mode) {
    Context* c = enter("glHint");
    if (!c) return;
    const bool targetKnown = target >= GL_PERSPECTIVE_CORRECTION_HINT && target <= GL_FOG_HINT;
    if (!targetKnown || (mode != GL_DONT_CARE && mode != GL_FASTEST && mode != GL_NICEST))
        fail(*c, GL_INVALID_ENUM);
}

// Only smooth shading is drawn (all the demo asks for): flat shading is refused as not provided.
void glShadeModel(GLenum mode) {
    Context* c = enter("glShadeModel");
    if (c && mode != GL_SMOOTH) fail(*c, GL_INVALID_ENUM);
}

void glPixelStorei(GLenum name, GLint value) {
    Context* c = enter("glPixelStorei");
    if (!c) return;
    if (name != GL_UNPACK_ALIGNMENT && name != GL_PACK_ALIGNMENT) return fail(*c, GL_INVALID_ENUM);
    if (value != 1 && value != 2 && value != 4 && value != 8) return fail(*c, GL_INVALID_VALUE);
    (name == GL_UNPACK_ALIGNMENT ? c->client.unpackAlignment : c->client.packAlignment) = value;
}

void glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a) {
    Context* ctx = enter("glClearColor");
    if (!ctx) return;
    float* c = ctx->state.clearColor;
    c[0] = std::min(std::max(r, 0.0f), 1.0f);
    c[1] = std::min(std::max(g, 0.0f), 1.0f);
    c[2] = std::min(std::max(b, 0.0f), 1.0f);
    c[3] = std::min(std::max(a, 0.0f), 1.0f);
}

void glClearDepth(GLclampd depth) {
    Context* c = enter("glClearDepth");
    if (c) c->state.clearDepth = static_cast<float>(std::min(std::max(depth, 0.0), 1.0));
}

void glClear(GLbitfield mask) {
    Context* c = enter("glClear");
    if (!c) return;
    if (mask & ~(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT | GL_ACCUM_BUFFER_BIT))
        return fail(*c, GL_INVALID_VALUE);
    c->renderer.clear(c->state, mask);
}

void glViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
    Context* c = enter("glViewport");
    if (c) setRectangle(*c, c->state.viewport, x, y, width, height);
}

void glScissor(GLint x, GLint y, GLsizei width, GLsizei height) {
    Context* c = enter("glScissor");
    if (c) setRectangle(*c, c->state.scissor, x, y, width, height);
}

void glColorMask(GLboolean r, GLboolean g, GLboolean b, GLboolean a) {
    Context* c = enter("glColorMask");
    if (!c) return;
    bool* mask = c->state.colorMask;
    mask[0] = r != GL_FALSE;
    mask[1] = g != GL_FALSE;
    mask[2] = b != GL_FALSE;
    mask[3] = a != GL_FALSE;
}

void glLineWidth(GLfloat width) {
    Context* c = enter("glLineWidth");
    if (!c) return;
    if (!(width > 0.0f)) return fail(*c, GL_INVALID_VALUE);
    c->state.lineWidth = width;
}

void glPolygonMode(GLenum face, GLenum mode) {
    Context* c = enter("glPolygonMode");
    if (!c) return;
    if (!isFace(face) || (mode != GL_POINT && mode != GL_LINE && mode != GL_FILL)) return fail(*c, GL_INVALID_ENUM);
    ServerState& s = c->state;
    if (face == GL_FRONT || face == GL_FRONT_AND_BACK) s.polygonFront = mode;
    if (face == GL_BACK || face == GL_FRONT_AND_BACK) s.polygonBack = mode;
}

void glCullFace(GLenum mode) {
    Context* c = enter("glCullFace");
    if (!c) return;
    if (!isFace(mode)) return fail(*c, GL_INVALID_ENUM);
    c->state.cullMode = mode;
}

void glDepthFunc(GLenum func) {
    Context* c = enter("glDepthFunc");
    if (!c) return;
    if (func < GL_NEVER || func > GL_ALWAYS) return fail(*c, GL_INVALID_ENUM);
    c->state.depthFunc = func;
}

void glDepthMask(GLboolean flag) {
    Context* c = enter("glDepthMask");
    if (c) c->state.depthMask = flag != GL_FALSE;
}

void glBlendFunc(GLenum src, GLenum dst) {
    Context* c = enter("glBlendFunc");
    if (!c) return;
    if (!isBlendFactor(src) || !isBlendFactor(dst) || dst == GL_SRC_ALPHA_SATURATE) return fail(*c, GL_INVALID_ENUM);
    c->state.blendSrc = src;
    c->state.blendDst = dst;
}

namespace {

// glPushAttrib and glPushClientAttrib: the groups in mask saved, up to GL's depth.
template <typename State>
void pushGroups(const char* call, std::vector<std::pair<GLbitfield, State>> Context::*stack, State Context::*state,
                GLbitfield mask) {
    Context* c = enter(call);
    if (!c) return;
    if ((c->*stack).size() >= ATTRIB_STACK_DEPTH) return fail(*c, GL_STACK_OVERFLOW);
    (c->*stack).emplace_back(mask, c->*state);
}

}  // namespace

void glPushAttrib(GLbitfield mask) {
    pushGroups("glPushAttrib", &Context::attribStack, &Context::state, mask);
}

void glPopAttrib() {
    Context* c = enter("glPopAttrib");
    if (!c) return;
    if (c->attribStack.empty()) return fail(*c, GL_STACK_UNDERFLOW);
    restoreGroups(c->state, c->attribStack.back().second, c->attribStack.back().first);
    c->attribStack.pop_back();
}

void glPushClientAttrib(GLbitfield mask) {
    pushGroups("glPushClientAttrib", &Context::clientStack, &Context::client, mask);
}

void glPopClientAttrib() {
    Context* c = enter("glPopClientAttrib");
    if (!c) return;
    if (c->clientStack.empty()) return fail(*c, GL_STACK_UNDERFLOW);
    const GLbitfield mask = c->clientStack.back().first;
    const ClientState& saved = c->clientStack.back().second;
    if (mask & GL_CLIENT_VERTEX_ARRAY_BIT) {
        c->client.vertex = saved.vertex;
        c->client.normal = saved.normal;
    }
    if (mask & GL_CLIENT_PIXEL_STORE_BIT) {
        c->client.unpackAlignment = saved.unpackAlignment;
        c->client.packAlignment = saved.packAlignment;
    }
    c->clientStack.pop_back();
}

void glGetIntegerv(GLenum name, GLint* out) {
    Context* ctx = enter("glGetIntegerv");
    if (!ctx) return;
    Context& c = *ctx;
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
    default: fail(c, GL_INVALID_ENUM); break;
    }
}

void glGetFloatv(GLenum name, GLfloat* out) {
    Context* ctx = enter("glGetFloatv");
    if (!ctx) return;
    Context& c = *ctx;
    switch (name) {
    case GL_MODELVIEW_MATRIX: std::memcpy(out, c.modelview.back().data(), 16 * sizeof(float)); break;
    case GL_PROJECTION_MATRIX: std::memcpy(out, c.projection.back().data(), 16 * sizeof(float)); break;
    case GL_LINE_WIDTH: *out = c.state.lineWidth; break;
    case GL_CURRENT_COLOR: std::memcpy(out, c.state.color, 4 * sizeof(float)); break;
    default: fail(c, GL_INVALID_ENUM); break;
    }
}

// ---- Reading the framebuffer ----

// The layer reads what ES has bound for reading: a window's back buffer, or the caller's framebuffer.
void glReadBuffer(GLenum mode) {
    Context* c = enter("glReadBuffer");
    if (c && mode != GL_BACK && mode != GL_FRONT) fail(*c, GL_INVALID_ENUM);
}

void glReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type, GLvoid* pixels) {
    Context* c = enter("glReadPixels");
    if (!c) return;
    if ((format != GL_RGB && format != GL_RGBA) || type != GL_UNSIGNED_BYTE) return fail(*c, GL_INVALID_ENUM);
    if (width < 0 || height < 0) return fail(*c, GL_INVALID_VALUE);
    // ES reads RGBA only: its rows are repacked into GL's, with the components asked for and GL's alignment.
    const size_t count = static_cast<size_t>(width) * height;
    std::vector<unsigned char> rgba(count * 4);
    es.PixelStorei(GL_PACK_ALIGNMENT, 4);
    es.ReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    const size_t components = format == GL_RGBA ? 4 : 3;
    const size_t alignment = static_cast<size_t>(c->client.packAlignment);
    const size_t rowBytes = (width * components + alignment - 1) / alignment * alignment;
    for (GLsizei row = 0; row < height; ++row) {
        unsigned char* out = static_cast<unsigned char*>(pixels) + row * rowBytes;
        for (GLsizei i = 0; i < width; ++i)
            std::memcpy(out + i * components, &rgba[(static_cast<size_t>(row) * width + i) * 4], components);
    }
}

// ---- Matrices ----

void glMatrixMode(GLenum mode) {
    Context* c = enter("glMatrixMode");
    if (!c) return;
    if (mode != GL_MODELVIEW && mode != GL_PROJECTION) return fail(*c, GL_INVALID_ENUM);
    c->state.matrixMode = mode;
}

void glLoadIdentity() {
    if (enter("glLoadIdentity")) currentStack().back() = identity();
}

void glPushMatrix() {
    Context* c = enter("glPushMatrix");
    if (!c) return;
    std::vector<Mat4>& stack = currentStack();
    if (stack.size() >= MATRIX_STACK_DEPTH) return fail(*c, GL_STACK_OVERFLOW);
    stack.push_back(stack.back());
}

void glPopMatrix() {
    Context* c = enter("glPopMatrix");
    if (!c) return;
    std::vector<Mat4>& stack = currentStack();
    if (stack.size() <= 1) return fail(*c, GL_STACK_UNDERFLOW);
    stack.pop_back();
}

void glTranslatef(GLfloat x, GLfloat y, GLfloat z) {
    if (enter("glTranslatef")) multiplyCurrent(translation(x, y, z));
}

void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) {
    if (enter("glRotatef")) multiplyCurrent(rotation(angle, x, y, z));
}

void glScalef(GLfloat x, GLfloat y, GLfloat z) {
    if (enter("glScalef")) multiplyCurrent(scaling(x, y, z));
}

void glOrtho(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble zNear, GLdouble zFar) {
    Context* c = enter("glOrtho");
    if (!c) return;
    if (left == right || bottom == top || zNear == zFar) return fail(*c, GL_INVALID_VALUE);
    multiplyCurrent(ortho(left, right, bottom, top, zNear, zFar));
}

void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) {
    if (enter("gluPerspective")) multiplyCurrent(perspective(fovy, aspect, zNear, zFar));
}

// ---- Immediate mode and arrays ----

void glBegin(GLenum mode) {
    Context* c = enter("glBegin");
    if (!c) return;
    if (!isMode(mode)) return fail(*c, GL_INVALID_ENUM);
    begin(*c, mode);
}

void glEnd() {
    Context* c = enterInBegin("glEnd");
    if (!c) return;
    if (!c->inBegin) return fail(*c, GL_INVALID_OPERATION);
    end(*c);
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
    Context* c = enterInBegin("glNormal3f");
    if (!c) return;
    float* n = c->state.normal;
    n[0] = x;
    n[1] = y;
    n[2] = z;
}

void glTexCoord1f(GLfloat s) {
    glTexCoord2f(s, 0.0f);
}

void glTexCoord2f(GLfloat s, GLfloat t) {
    Context* c = enterInBegin("glTexCoord2f");
    if (!c) return;
    c->state.texCoord[0] = s;
    c->state.texCoord[1] = t;
}

void glTexCoord2i(GLint s, GLint t) {
    glTexCoord2f(static_cast<float>(s), static_cast<float>(t));
}

namespace {

// glVertexPointer and glNormalPointer: float components only, which is what the layer reads.
void setArray(const char* call, ClientArray ClientState::*array, GLint size, GLenum type, GLsizei stride,
              const GLvoid* pointer) {
    Context* c = enter(call);
    if (!c) return;
    if (type != GL_FLOAT) return fail(*c, GL_INVALID_ENUM);
    if (size < 2 || size > 4 || stride < 0) return fail(*c, GL_INVALID_VALUE);
    ClientArray& a = c->client.*array;
    a.size = size;
    a.stride = stride;
    a.pointer = pointer;
}

}  // namespace

void glVertexPointer(GLint size, GLenum type, GLsizei stride, const GLvoid* pointer) {
    setArray("glVertexPointer", &ClientState::vertex, size, type, stride, pointer);
}

void glNormalPointer(GLenum type, GLsizei stride, const GLvoid* pointer) {
    setArray("glNormalPointer", &ClientState::normal, 3, type, stride, pointer);
}

void glDrawArrays(GLenum mode, GLint first, GLsizei count) {
    Context* ctx = enter("glDrawArrays");
    if (!ctx) return;
    Context& c = *ctx;
    if (!isMode(mode)) return fail(c, GL_INVALID_ENUM);
    if (count < 0 || first < 0) return fail(c, GL_INVALID_VALUE);
    const ClientArray& va = c.client.vertex;
    const ClientArray& na = c.client.normal;
    if (!va.enabled || !va.pointer || count == 0) return;
    const bool normals = na.enabled && na.pointer;
    const size_t vStride = va.stride ? va.stride : va.size * sizeof(float);
    const size_t nStride = na.stride ? na.stride : 3 * sizeof(float);
    // The arrays become one batch, as if each element were given between glBegin and glEnd.
    begin(c, mode);
    for (GLint i = first; i < first + count; ++i) {
        float p[4] = {0, 0, 0, 1};
        std::memcpy(p, static_cast<const char*>(va.pointer) + i * vStride, va.size * sizeof(float));
        if (normals) std::memcpy(c.state.normal, static_cast<const char*>(na.pointer) + i * nStride, 3 * sizeof(float));
        emitVertex(p[0], p[1], p[2]);
    }
    end(c);
}

// ---- Lighting ----

void glLightfv(GLenum light, GLenum name, const GLfloat* v) {
    Context* ctx = enter("glLightfv");
    if (!ctx) return;
    Context& c = *ctx;
    // One light is drawn; the others are refused as not provided.
    if (light != GL_LIGHT0) return fail(c, GL_INVALID_ENUM);
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
    default: fail(c, GL_INVALID_ENUM); break;
    }
}

void glLightModelf(GLenum name, GLfloat value) {
    Context* c = enter("glLightModelf");
    if (!c) return;
    if (name != GL_LIGHT_MODEL_TWO_SIDE) return fail(*c, GL_INVALID_ENUM);
    c->state.twoSide = value != 0.0f;
}

void glMaterialfv(GLenum face, GLenum name, const GLfloat* v) {
    Context* c = enterInBegin("glMaterialfv");
    if (!c) return;
    const bool nameKnown = name == GL_AMBIENT || name == GL_DIFFUSE || name == GL_SPECULAR || name == GL_EMISSION ||
                           name == GL_SHININESS || name == GL_AMBIENT_AND_DIFFUSE;
    if (!isFace(face) || !nameKnown) return fail(*c, GL_INVALID_ENUM);
    if (name == GL_SHININESS && (v[0] < 0.0f || v[0] > 128.0f)) return fail(*c, GL_INVALID_VALUE);
    for (int side = 0; side < 2; ++side) {
        if (side == 0 && face == GL_BACK) continue;
        if (side == 1 && face == GL_FRONT) continue;
        Material& m = c->state.material[side];
        switch (name) {
        case GL_AMBIENT: std::memcpy(m.ambient, v, 16); break;
        case GL_DIFFUSE: std::memcpy(m.diffuse, v, 16); break;
        case GL_SPECULAR: std::memcpy(m.specular, v, 16); break;
        case GL_EMISSION: std::memcpy(m.emission, v, 16); break;
        case GL_SHININESS: m.shininess = v[0]; break;
        default:
            std::memcpy(m.ambient, v, 16);
            std::memcpy(m.diffuse, v, 16);
            break;
        }
    }
}

// ---- Textures ----

void glGenTextures(GLsizei n, GLuint* names) {
    Context* ctx = enter("glGenTextures");
    if (!ctx) return;
    Context& c = *ctx;
    if (n < 0) return fail(c, GL_INVALID_VALUE);
    for (GLsizei i = 0; i < n; ++i) {
        while (c.textures.count(c.nextTexture)) ++c.nextTexture;
        names[i] = c.nextTexture++;
        c.textures[names[i]] = TextureObject();
    }
}

void glDeleteTextures(GLsizei n, const GLuint* names) {
    Context* ctx = enter("glDeleteTextures");
    if (!ctx) return;
    Context& c = *ctx;
    if (n < 0) return fail(c, GL_INVALID_VALUE);
    for (GLsizei i = 0; i < n; ++i) {
        const GLuint name = names[i];
        if (name == 0) continue;
        const auto found = c.textures.find(name);
        if (found == c.textures.end()) continue;
        if (found->second.es) c.renderer.deleteTexture(found->second.es);
        c.textures.erase(found);
        if (c.state.bound1D == name) c.state.bound1D = 0;
        if (c.state.bound2D == name) c.state.bound2D = 0;
    }
}

void glBindTexture(GLenum target, GLuint name) {
    Context* ctx = enter("glBindTexture");
    if (!ctx) return;
    Context& c = *ctx;
    if (target != GL_TEXTURE_1D && target != GL_TEXTURE_2D) return fail(c, GL_INVALID_ENUM);
    if (name != 0 && !c.textures.count(name)) c.textures[name] = TextureObject();
    (target == GL_TEXTURE_1D ? c.state.bound1D : c.state.bound2D) = name;
}

void glTexParameteri(GLenum target, GLenum name, GLint value) {
    Context* c = enter("glTexParameteri");
    if (!c) return;
    const GLenum v = static_cast<GLenum>(value);
    bool valid = false;
    switch (name) {
    case GL_TEXTURE_MIN_FILTER:
        valid = v == GL_NEAREST || v == GL_LINEAR || (v >= GL_NEAREST_MIPMAP_NEAREST && v <= GL_LINEAR_MIPMAP_LINEAR);
        break;
    case GL_TEXTURE_MAG_FILTER: valid = v == GL_NEAREST || v == GL_LINEAR; break;
    case GL_TEXTURE_WRAP_S:
    case GL_TEXTURE_WRAP_T: valid = v == GL_CLAMP || v == GL_REPEAT; break;
    default: break;
    }
    if ((target != GL_TEXTURE_1D && target != GL_TEXTURE_2D) || !valid) return fail(*c, GL_INVALID_ENUM);
    TextureObject* t = boundTexture(target);
    if (!t) return;
    if (name == GL_TEXTURE_MIN_FILTER) t->minFilter = v;
    // A 1D texture is one row: its t coordinate always samples that row.
    if (target == GL_TEXTURE_1D && name == GL_TEXTURE_WRAP_T) return;
    if (v == GL_CLAMP) value = esenum::CLAMP_TO_EDGE;
    setParameter(*c, *t, name, value);
}

// Textures modulate the colour, GL's default environment; the other modes are refused as not provided.
void glTexEnvi(GLenum target, GLenum name, GLint value) {
    Context* c = enter("glTexEnvi");
    if (c && (target != GL_TEXTURE_ENV || name != GL_TEXTURE_ENV_MODE || value != GL_MODULATE))
        fail(*c, GL_INVALID_ENUM);
}

void glTexGeni(GLenum coord, GLenum name, GLint value) {
    Context* c = enter("glTexGeni");
    if (!c) return;
    const GLenum mode = static_cast<GLenum>(value);
    const bool modeKnown = mode == GL_EYE_LINEAR || mode == GL_OBJECT_LINEAR || mode == GL_SPHERE_MAP;
    if ((coord != GL_S && coord != GL_T) || name != GL_TEXTURE_GEN_MODE || !modeKnown) return fail(*c, GL_INVALID_ENUM);
    (coord == GL_S ? c->state.genModeS : c->state.genModeT) = mode;
}

namespace {

// glTexImage1D and glTexImage2D: GL's checks, then the picture as the bound object's level 0 (other
// levels are left to gluBuild2DMipmaps).
void texImage(const char* call, GLenum target, GLenum expected, GLint level, GLint internalFormat, GLsizei width,
              GLsizei height, GLint border, GLenum format, GLenum type, const GLvoid* pixels) {
    Context* c = enter(call);
    if (!c) return;
    if (target != expected || !knownPixels(format, type)) return fail(*c, GL_INVALID_ENUM);
    if (level < 0 || width < 0 || height < 0 || border != 0) return fail(*c, GL_INVALID_VALUE);
    if (level == 0) uploadImage(target, internalFormat, width, height, format, type, pixels, false);
}

}  // namespace

void glTexImage1D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLint border, GLenum format,
                  GLenum type, const GLvoid* pixels) {
    texImage("glTexImage1D", target, GL_TEXTURE_1D, level, internalFormat, width, 1, border, format, type, pixels);
}

void glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height, GLint border,
                  GLenum format, GLenum type, const GLvoid* pixels) {
    texImage("glTexImage2D", target, GL_TEXTURE_2D, level, internalFormat, width, height, border, format, type,
             pixels);
}

void glTexSubImage2D(GLenum target, GLint level, GLint xoffset, GLint yoffset, GLsizei width, GLsizei height,
                     GLenum format, GLenum type, const GLvoid* pixels) {
    Context* c = enter("glTexSubImage2D");
    if (!c) return;
    if (target != GL_TEXTURE_2D || !knownPixels(format, type)) return fail(*c, GL_INVALID_ENUM);
    TextureObject* t = boundTexture(GL_TEXTURE_2D);
    if (!t || !t->hasImage) return fail(*c, GL_INVALID_OPERATION);
    if (level < 0 || xoffset < 0 || yoffset < 0 || width < 0 || height < 0 || xoffset > t->width - width ||
        yoffset > t->height - height)
        return fail(*c, GL_INVALID_VALUE);
    // Only the base level is kept, as glTexImage2D keeps it.
    if (level != 0 || width == 0 || height == 0) return;
    const std::vector<unsigned char> part =
        convertImage(t->internalFormat, width, height, format, type, pixels, c->client.unpackAlignment);
    const size_t rowBytes = static_cast<size_t>(width) * 4;
    for (int row = 0; row < height; ++row)
        std::memcpy(&t->rgba[(static_cast<size_t>(yoffset + row) * t->width + xoffset) * 4], &part[row * rowBytes],
                    rowBytes);
    c->renderer.updateTexture(t->es, xoffset, yoffset, width, height, part.data(), t->mipmapped);
}

GLint gluBuild2DMipmaps(GLenum target, GLint internalFormat, GLsizei width, GLsizei height, GLenum format,
                        GLenum type, const void* data) {
    if (!enter("gluBuild2DMipmaps")) return GLU_INVALID_OPERATION;
    if (target != GL_TEXTURE_2D || !knownPixels(format, type)) return GLU_INVALID_ENUM;
    if (width <= 0 || height <= 0) return GLU_INVALID_VALUE;
    uploadImage(GL_TEXTURE_2D, internalFormat, width, height, format, type, data, true);
    return 0;
}
