// Drawing batches through ES (see Renderer.h).
#include "Renderer.h"

#include "Es.h"
#include "Shaders.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iostream>

namespace moriqgl {

namespace {

GLuint compile(GLenum type, const char* source) {
    const GLuint shader = es.CreateShader(type);
    es.ShaderSource(shader, 1, &source, nullptr);
    es.CompileShader(shader);
    GLint ok = 0;
    es.GetShaderiv(shader, esenum::COMPILE_STATUS, &ok);
    if (!ok) {
        char log[2048] = {};
        es.GetShaderInfoLog(shader, sizeof log, nullptr, log);
        std::cerr << "moriq-gl: shader does not compile: " << log << std::endl;
        es.DeleteShader(shader);
        return 0;
    }
    return shader;
}

const char* const ATTRIBUTE_NAMES[ATTRIBUTE_COUNT] = {"aPos", "aColor", "aTex", "aNormal", "bPos", "aCorner"};

// Points the vertex's four attributes into the bound buffer, at offset 0 of records stride bytes apart.
void pointVertex(GLsizei stride) {
    // ES takes offsets into the bound buffer in pointer form.
    auto at = [](size_t field) { return reinterpret_cast<const void*>(field); };
    es.VertexAttribPointer(A_POS, 3, GL_FLOAT, GL_FALSE, stride, at(offsetof(Vertex, x)));
    es.VertexAttribPointer(A_COLOR, 4, GL_UNSIGNED_BYTE, GL_TRUE, stride, at(offsetof(Vertex, rgba)));
    es.VertexAttribPointer(A_TEX, 2, GL_FLOAT, GL_FALSE, stride, at(offsetof(Vertex, s)));
    es.VertexAttribPointer(A_NORMAL, 4, GL_FLOAT, GL_FALSE, stride, at(offsetof(Vertex, nx)));
    for (GLuint i = A_POS; i <= A_NORMAL; ++i) es.EnableVertexAttribArray(i);
}

template <typename T>
bool changed(T& cached, const T& value) {
    if (std::memcmp(&cached, &value, sizeof(T)) == 0) return false;
    std::memcpy(&cached, &value, sizeof(T));
    return true;
}

bool changedInt(int& cached, int value) {
    if (cached == value) return false;
    cached = value;
    return true;
}

}  // namespace

Renderer::Program* Renderer::variant(unsigned key) {
    for (Program& p : programs)
        if (p.key == key) return p.id ? &p : nullptr;
    // A variant that fails is remembered with id 0, so that it is not compiled again every draw.
    programs.emplace_back();
    Program& p = programs.back();
    p.key = key;
    const std::string vsSource = vertexSource(key);
    const std::string fsSource = fragmentSource(key);
    const GLuint vs = compile(esenum::VERTEX_SHADER, vsSource.c_str());
    const GLuint fs = compile(esenum::FRAGMENT_SHADER, fsSource.c_str());
    if (!vs || !fs) {
        if (vs) es.DeleteShader(vs);
        if (fs) es.DeleteShader(fs);
        return nullptr;
    }
    const GLuint id = es.CreateProgram();
    es.AttachShader(id, vs);
    es.AttachShader(id, fs);
    for (GLuint i = 0; i < ATTRIBUTE_COUNT; ++i) es.BindAttribLocation(id, i, ATTRIBUTE_NAMES[i]);
    es.LinkProgram(id);
    es.DeleteShader(vs);
    es.DeleteShader(fs);
    GLint ok = 0;
    es.GetProgramiv(id, esenum::LINK_STATUS, &ok);
    if (!ok) {
        char log[2048] = {};
        es.GetProgramInfoLog(id, sizeof log, nullptr, log);
        std::cerr << "moriq-gl: shaders do not link: " << log << std::endl;
        es.DeleteProgram(id);
        return nullptr;
    }
    p.id = id;
    for (int u = 0; u < UNIFORM_COUNT; ++u) p.location[u] = es.GetUniformLocation(id, UNIFORMS[u].name);
    // The sampler reads unit 0, a program's default; the program in use is set again before drawing.
    current = -1;
    return &p;
}

bool Renderer::init() {
    programs.clear();
    current = -1;
    // The variants the program said it draws with are compiled now, behind its loading, so that no frame
    // waits for a compile; the plain one always, so a driver that cannot compile the shaders says so here.
    if (!variant(0)) {
        release();
        return false;
    }
    for (unsigned key : upFront)
        if (!variant(key)) {
            release();
            return false;
        }
    ready = true;
    es.ActiveTexture(esenum::TEXTURE0);

    es.GenBuffers(1, &buffer);
    es.BindBuffer(esenum::ARRAY_BUFFER, buffer);
    es.GenVertexArrays(1, &plainVao);
    es.BindVertexArray(plainVao);
    pointVertex(sizeof(Vertex));
    es.GenVertexArrays(1, &segmentVao);
    es.BindVertexArray(segmentVao);
    pointVertex(sizeof(CornerVertex));
    es.VertexAttribPointer(B_POS, 3, GL_FLOAT, GL_FALSE, sizeof(CornerVertex),
                           reinterpret_cast<const void*>(offsetof(CornerVertex, otherX)));
    es.VertexAttribPointer(CORNER, 1, GL_FLOAT, GL_FALSE, sizeof(CornerVertex),
                           reinterpret_cast<const void*>(offsetof(CornerVertex, corner)));
    es.EnableVertexAttribArray(B_POS);
    es.EnableVertexAttribArray(CORNER);
    es.GenBuffers(1, &indexBuffer);
    es.BindBuffer(esenum::ELEMENT_ARRAY_BUFFER, indexBuffer);
    indexedQuads = 0;
    applied = Applied();
    return true;
}

int Renderer::compiledVariants() const {
    return static_cast<int>(programs.size());
}

void Renderer::release() {
    for (const Program& p : programs)
        if (p.id) es.DeleteProgram(p.id);
    if (buffer) es.DeleteBuffers(1, &buffer);
    if (indexBuffer) es.DeleteBuffers(1, &indexBuffer);
    if (plainVao) es.DeleteVertexArrays(1, &plainVao);
    if (segmentVao) es.DeleteVertexArrays(1, &segmentVao);
    forget();
}

void Renderer::forget() {
    programs.clear();
    current = -1;
    ready = false;
    buffer = indexBuffer = plainVao = segmentVao = 0;
    indexedQuads = 0;
    applied = Applied();
}

void Renderer::applyCommon(const ServerState& s) {
    if (changedInt(applied.blend, s.blend)) (s.blend ? es.Enable : es.Disable)(GL_BLEND);
    if (s.blend && (applied.blendSrc != s.blendSrc || applied.blendDst != s.blendDst)) {
        es.BlendFunc(s.blendSrc, s.blendDst);
        applied.blendSrc = s.blendSrc;
        applied.blendDst = s.blendDst;
    }
    if (changedInt(applied.depthTest, s.depthTest)) (s.depthTest ? es.Enable : es.Disable)(GL_DEPTH_TEST);
    if (s.depthTest && applied.depthFunc != s.depthFunc) {
        es.DepthFunc(s.depthFunc);
        applied.depthFunc = s.depthFunc;
    }
    if (changedInt(applied.depthMask, s.depthMask)) es.DepthMask(s.depthMask ? GL_TRUE : GL_FALSE);
    if (changed(applied.viewport, s.viewport)) es.Viewport(s.viewport[0], s.viewport[1], s.viewport[2], s.viewport[3]);
    applyMasks(s);
}

void Renderer::applyMasks(const ServerState& s) {
    if (changedInt(applied.scissorTest, s.scissorTest)) (s.scissorTest ? es.Enable : es.Disable)(GL_SCISSOR_TEST);
    if (s.scissorTest && changed(applied.scissor, s.scissor)) es.Scissor(s.scissor[0], s.scissor[1], s.scissor[2], s.scissor[3]);
    const int mask = s.colorMask[0] | s.colorMask[1] << 1 | s.colorMask[2] << 2 | s.colorMask[3] << 3;
    if (changedInt(applied.colorMask, mask)) es.ColorMask(s.colorMask[0], s.colorMask[1], s.colorMask[2], s.colorMask[3]);
}

void Renderer::applyCulling(bool cull, GLenum mode) {
    if (changedInt(applied.cull, cull)) (cull ? es.Enable : es.Disable)(GL_CULL_FACE);
    if (cull && applied.cullMode != mode) {
        es.CullFace(mode);
        applied.cullMode = mode;
    }
}

void Renderer::applyTexture(GLuint esTexture) {
    if (esTexture == 0 || applied.texture == esTexture) return;
    es.BindTexture(GL_TEXTURE_2D, esTexture);
    applied.texture = esTexture;
}

// A clear honours the scissor box and the colour mask, as drawing does.
void Renderer::clear(const ServerState& s, GLbitfield mask) {
    if (discarding) return;
    applyMasks(s);
    if ((mask & GL_COLOR_BUFFER_BIT) && changed(applied.clearColor, s.clearColor))
        es.ClearColor(s.clearColor[0], s.clearColor[1], s.clearColor[2], s.clearColor[3]);
    if (mask & GL_DEPTH_BUFFER_BIT) {
        if (applied.clearDepth != s.clearDepth) {
            es.ClearDepthf(s.clearDepth);
            applied.clearDepth = s.clearDepth;
        }
        if (changedInt(applied.depthMask, s.depthMask)) es.DepthMask(s.depthMask ? GL_TRUE : GL_FALSE);
    }
    es.Clear(mask & (GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT));
}

bool Renderer::setUniforms(const DrawInputs& in, int lineMode, float lineWidth) {
    const ServerState& s = *in.state;
    VariantBits bits;
    bits.lighting = s.lighting;
    bits.light0 = s.light0;
    bits.twoSide = s.twoSide;
    bits.colorMaterial = s.colorMaterial;
    bits.normalize = s.normalize;
    bits.sphereS = s.texGenS && s.genModeS == GL_SPHERE_MAP && in.texMode != TEX_NONE;
    bits.sphereT = s.texGenT && s.genModeT == GL_SPHERE_MAP && in.texMode != TEX_NONE;
    bits.texMode = in.texMode;
    bits.lineMode = lineMode;
    const unsigned key = variantKey(bits);
    if (current < 0 || programs[static_cast<size_t>(current)].key != key) {
        Program* found = variant(key);
        if (!found) return false;
        es.UseProgram(found->id);
        current = static_cast<int>(found - programs.data());
    }
    Program& p = programs[static_cast<size_t>(current)];
    const GLint* at = p.location;
    if (changed(p.modelview, in.modelview)) es.UniformMatrix4fv(at[U_MODELVIEW], 1, GL_FALSE, in.modelview.data());
    if (changed(p.projection, in.projection)) es.UniformMatrix4fv(at[U_PROJECTION], 1, GL_FALSE, in.projection.data());
    if (s.lighting || bits.sphereS || bits.sphereT) {
        const Mat3 normals = normalMatrix(in.modelview);
        if (changed(p.normalMatrix, normals)) es.UniformMatrix3fv(at[U_NORMAL_MATRIX], 1, GL_FALSE, normals.data());
    }
    if (lineMode != LINES_NONE) {
        const float size[2] = {static_cast<float>(s.viewport[2]), static_cast<float>(s.viewport[3])};
        if (changed(p.viewportSize, size)) es.Uniform2f(at[U_VIEWPORT_SIZE], size[0], size[1]);
        if (p.lineWidth != lineWidth) {
            es.Uniform1f(at[U_LINE_WIDTH], lineWidth);
            p.lineWidth = lineWidth;
        }
    }
    if (!s.lighting) return true;
    float light[16];
    std::memcpy(light, s.light.ambient, 16);
    std::memcpy(light + 4, s.light.diffuse, 16);
    std::memcpy(light + 8, s.light.specular, 16);
    std::memcpy(light + 12, s.light.position, 16);
    if (changed(p.light, light)) es.Uniform4fv(at[U_LIGHT], 4, light);
    if (changed(p.modelAmbient, s.modelAmbient)) es.Uniform4fv(at[U_MODEL_AMBIENT], 1, s.modelAmbient);
    float material[32];
    float shininess[2];
    for (int side = 0; side < 2; ++side) {
        const Material& m = s.material[side];
        std::memcpy(material + side * 16, m.ambient, 16);
        std::memcpy(material + side * 16 + 4, m.diffuse, 16);
        std::memcpy(material + side * 16 + 8, m.specular, 16);
        std::memcpy(material + side * 16 + 12, m.emission, 16);
        shininess[side] = m.shininess;
    }
    if (changed(p.material, material)) es.Uniform4fv(at[U_MATERIAL], 8, material);
    if (changed(p.shininess, shininess)) es.Uniform2f(at[U_SHININESS], shininess[0], shininess[1]);
    return true;
}

void Renderer::upload(const void* data, size_t bytes) {
    // A fresh store each batch: ES need not wait for the previous batch's draw to finish reading.
    es.BufferData(esenum::ARRAY_BUFFER, static_cast<std::ptrdiff_t>(bytes), data, esenum::STREAM_DRAW);
}

void Renderer::bindVao(GLuint vao) {
    if (applied.vao == vao) return;
    es.BindVertexArray(vao);
    applied.vao = vao;
}

void Renderer::drawTriangles(const Vertex* vertices, uint32_t count, const DrawInputs& in, bool esCulls) {
    if (count < 3) return;
    const ServerState& s = *in.state;
    applyCulling(esCulls && s.cullFace, s.cullMode);
    applyTexture(in.esTexture);
    if (!setUniforms(in, LINES_NONE, s.lineWidth)) return;
    bindVao(plainVao);
    upload(vertices, count * sizeof(Vertex));
    es.DrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(count));
}

void Renderer::drawSegments(const Vertex* ends, uint32_t segmentCount, const DrawInputs& in) {
    if (segmentCount == 0) return;
    const ServerState& s = *in.state;
    // Aliased widths round to whole pixels; one pixel is what ES draws itself.
    const float aliased = std::max(1.0f, std::round(s.lineWidth));
    const int lineMode = s.lineSmooth ? LINES_SMOOTH : aliased != 1.0f ? LINES_WIDE : LINES_NONE;
    applyCulling(false, s.cullMode);
    applyTexture(in.esTexture);
    if (!setUniforms(in, lineMode, lineMode == LINES_WIDE ? aliased : s.lineWidth)) return;
    if (lineMode == LINES_NONE) {
        upload(ends, segmentCount * 2 * sizeof(Vertex));
        bindVao(plainVao);
        es.DrawArrays(GL_LINES, 0, static_cast<GLsizei>(segmentCount * 2));
        return;
    }
    // Four corners a segment, each with both ends' positions: software WebGL draws this far faster than
    // one instance a segment.
    corners.resize(static_cast<size_t>(segmentCount) * 4);
    for (uint32_t i = 0; i < segmentCount; ++i) {
        const Vertex& a = ends[i * 2];
        const Vertex& b = ends[i * 2 + 1];
        for (int c = 0; c < 4; ++c) {
            CornerVertex& out = corners[i * 4 + c];
            const Vertex& own = c < 2 ? a : b;
            const Vertex& other = c < 2 ? b : a;
            out.v = own;
            out.otherX = other.x;
            out.otherY = other.y;
            out.otherZ = other.z;
            out.corner = static_cast<float>(c);
        }
    }
    bindVao(segmentVao);
    if (indexedQuads < segmentCount) {
        // The index pattern only grows, so one upload serves every later batch of this size or less.
        indexedQuads = std::max<size_t>(segmentCount, indexedQuads * 2);
        indices.resize(indexedQuads * 6);
        for (size_t q = 0; q < indexedQuads; ++q) {
            const uint32_t base = static_cast<uint32_t>(q * 4);
            const uint32_t pattern[6] = {base, base + 1, base + 2, base + 2, base + 1, base + 3};
            std::copy(pattern, pattern + 6, &indices[q * 6]);
        }
        es.BufferData(esenum::ELEMENT_ARRAY_BUFFER, static_cast<std::ptrdiff_t>(indices.size() * sizeof(uint32_t)),
                      indices.data(), esenum::STATIC_DRAW);
    }
    upload(corners.data(), corners.size() * sizeof(CornerVertex));
    es.DrawElements(GL_TRIANGLES, static_cast<GLsizei>(segmentCount * 6), GL_UNSIGNED_INT, nullptr);
}

void Renderer::draw(GLenum mode, Vertex* vertices, uint32_t count, const DrawInputs& in) {
    if (!ready || count == 0 || discarding) return;
    const ServerState& s = *in.state;
    applyCommon(s);
    if (!isPolygonMode(mode)) {
        segments.clear();
        assembleSegments(mode, count, segments);
        pairs.clear();
        for (const Segment& seg : segments) {
            pairs.push_back(vertices[seg.a]);
            pairs.push_back(vertices[seg.b]);
            pairs[pairs.size() - 2].facing = 1.0f;
            pairs.back().facing = 1.0f;
        }
        drawSegments(pairs.data(), static_cast<uint32_t>(segments.size()), in);
        return;
    }
    const bool filled = s.polygonFront == GL_FILL && s.polygonBack == GL_FILL;
    if (filled && mode == GL_TRIANGLES) {
        drawTriangles(vertices, count - count % 3, in, true);
        return;
    }
    triangles.clear();
    assembleTriangles(mode, count, triangles);
    fills.clear();
    if (filled) {
        for (const Triangle& t : triangles)
            for (uint32_t k : t.v) fills.push_back(vertices[k]);
        drawTriangles(fills.data(), static_cast<uint32_t>(fills.size()), in, true);
        return;
    }
    // Some face draws as lines: each polygon's facing decides its mode and whether it is culled.
    const Mat4 mvp = multiply(in.projection, in.modelview);
    clip.resize(count * 3);
    for (uint32_t i = 0; i < count; ++i) {
        const std::array<float, 4> c = transform(mvp, vertices[i].x, vertices[i].y, vertices[i].z, 1.0f);
        clip[i * 3] = c[0];
        clip[i * 3 + 1] = c[1];
        clip[i * 3 + 2] = c[3];
    }
    pairs.clear();
    uint32_t segmentCount = 0;
    for (const Triangle& t : triangles) {
        const bool front = isFrontFacing(&clip[t.v[0] * 3], &clip[t.v[1] * 3], &clip[t.v[2] * 3], s.frontFace);
        if (s.cullFace && (s.cullMode == GL_FRONT_AND_BACK || (s.cullMode == GL_FRONT) == front)) continue;
        const GLenum polygonMode = front ? s.polygonFront : s.polygonBack;
        if (polygonMode == GL_FILL) {
            for (uint32_t k : t.v) fills.push_back(vertices[k]);
        } else if (polygonMode == GL_LINE) {
            for (int e = 0; e < 3; ++e) {
                if (!(t.edges & (1 << e))) continue;
                pairs.push_back(vertices[t.v[e]]);
                pairs.push_back(vertices[t.v[(e + 1) % 3]]);
                pairs[pairs.size() - 2].facing = front ? 1.0f : 0.0f;
                pairs.back().facing = front ? 1.0f : 0.0f;
                ++segmentCount;
            }
        }
    }
    drawTriangles(fills.data(), static_cast<uint32_t>(fills.size()), in, true);
    drawSegments(pairs.data(), segmentCount, in);
}

GLuint Renderer::createTexture() {
    GLuint name = 0;
    es.GenTextures(1, &name);
    return name;
}

void Renderer::uploadTexture(GLuint esTexture, int width, int height, const unsigned char* rgba, bool mipmaps) {
    es.BindTexture(GL_TEXTURE_2D, esTexture);
    applied.texture = esTexture;
    es.PixelStorei(GL_UNPACK_ALIGNMENT, 4);
    es.TexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    if (mipmaps) es.GenerateMipmap(GL_TEXTURE_2D);
}

void Renderer::updateTexture(GLuint esTexture, int x, int y, int width, int height, const unsigned char* rgba,
                             bool mipmaps) {
    es.BindTexture(GL_TEXTURE_2D, esTexture);
    applied.texture = esTexture;
    es.PixelStorei(GL_UNPACK_ALIGNMENT, 4);
    es.TexSubImage2D(GL_TEXTURE_2D, 0, x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    if (mipmaps) es.GenerateMipmap(GL_TEXTURE_2D);
}

void Renderer::textureParameter(GLuint esTexture, GLenum name, GLint value) {
    es.BindTexture(GL_TEXTURE_2D, esTexture);
    applied.texture = esTexture;
    es.TexParameteri(GL_TEXTURE_2D, name, value);
}

void Renderer::deleteTexture(GLuint esTexture) {
    es.DeleteTextures(1, &esTexture);
    if (applied.texture == esTexture) applied.texture = ~0u;
}

}  // namespace moriqgl
