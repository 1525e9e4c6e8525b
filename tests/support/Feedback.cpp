// Test support: GL feedback buffer capture and parsing of its tokens.
#include "Feedback.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdio>

namespace moriqtest {

namespace {

const int VERTEX_FLOATS = 11;  // GL_3D_COLOR_TEXTURE in RGBA mode: x y z, r g b a, s t r q
const size_t BUFFER_FLOATS = 4u << 20;

FeedbackVertex readVertex(const float* p) {
    return FeedbackVertex{p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7], p[8]};
}

}  // namespace

std::vector<FeedbackPrimitive> captureFeedback(const std::function<void()>& draw) {
    std::vector<float> buffer(BUFFER_FLOATS);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR_TEXTURE, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint used = glRenderMode(GL_RENDER);
    std::vector<FeedbackPrimitive> primitives;
    if (used < 0) {
        fprintf(stderr, "feedback buffer overflowed\n");
        return primitives;
    }
    for (GLint i = 0; i < used;) {
        const GLint token = static_cast<GLint>(buffer[i++]);
        FeedbackPrimitive primitive;
        int count = 0;
        switch (token) {
        case GL_POINT_TOKEN:
        case GL_BITMAP_TOKEN:
        case GL_DRAW_PIXEL_TOKEN:
        case GL_COPY_PIXEL_TOKEN:
            primitive.kind = FeedbackPrimitive::Point;
            count = 1;
            break;
        case GL_LINE_TOKEN:
        case GL_LINE_RESET_TOKEN:
            primitive.kind = FeedbackPrimitive::Line;
            count = 2;
            break;
        case GL_POLYGON_TOKEN:
            primitive.kind = FeedbackPrimitive::Polygon;
            count = static_cast<int>(buffer[i++]);
            break;
        case GL_PASS_THROUGH_TOKEN:
            ++i;
            continue;
        default:
            fprintf(stderr, "unknown feedback token %d\n", token);
            return {};
        }
        for (int v = 0; v < count; ++v, i += VERTEX_FLOATS) primitive.vertices.push_back(readVertex(&buffer[i]));
        if (token != GL_BITMAP_TOKEN && token != GL_DRAW_PIXEL_TOKEN && token != GL_COPY_PIXEL_TOKEN)
            primitives.push_back(primitive);
    }
    return primitives;
}

float windowArea(const FeedbackPrimitive& primitive) {
    if (primitive.kind != FeedbackPrimitive::Polygon) return 0.0f;
    double twice = 0.0;
    const std::vector<FeedbackVertex>& v = primitive.vertices;
    for (size_t i = 0; i < v.size(); ++i) {
        const FeedbackVertex& a = v[i];
        const FeedbackVertex& b = v[(i + 1) % v.size()];
        twice += static_cast<double>(a.x) * b.y - static_cast<double>(b.x) * a.y;
    }
    return static_cast<float>(std::fabs(twice) * 0.5);
}

}  // namespace moriqtest
