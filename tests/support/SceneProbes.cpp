// Test support: stand-in picture, colour comparison and feedback-buffer parsing.
#include "SceneProbes.h"

#include "PngFiles.h"

#include <GL/gl.h>
#include <png.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace moriqtest {

const RGB RED{230, 40, 40}, GREEN{40, 210, 40}, CYAN{40, 200, 220}, YELLOW{230, 220, 40};

Texture* quadrantTexture() {
    PngSpec png;
    png.width = 2;
    png.height = 2;
    png.colorType = PNG_COLOR_TYPE_RGB;
    for (const RGB& c : {RED, GREEN, CYAN, YELLOW}) png.rows.insert(png.rows.end(), {c.r, c.g, c.b});
    const std::string path = tempPath("quadrants.png");
    writePng(path, png);
    Texture* texture = new Texture(path.c_str());
    std::remove(path.c_str());
    return texture;
}

bool near(RGB c, RGB expected, int tolerance, float scale) {
    return std::abs(c.r - int(expected.r * scale)) <= tolerance && std::abs(c.g - int(expected.g * scale)) <= tolerance &&
           std::abs(c.b - int(expected.b * scale)) <= tolerance;
}

std::vector<FeedbackPolygon> capturePolygons(const std::function<void()>& draw) {
    const int vertexFloats = 11;  // GL_3D_COLOR_TEXTURE in RGBA mode: x y z, r g b a, s t r q
    std::vector<float> buffer(4u << 20);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR_TEXTURE, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint used = glRenderMode(GL_RENDER);
    std::vector<FeedbackPolygon> polygons;
    for (GLint i = 0; i < used;) {
        const GLint token = static_cast<GLint>(buffer[i++]);
        if (token == GL_PASS_THROUGH_TOKEN) {
            ++i;
            continue;
        }
        const bool line = token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN;
        const int count = token == GL_POLYGON_TOKEN ? static_cast<int>(buffer[i++]) : line ? 2 : 1;
        FeedbackPolygon polygon;
        for (int v = 0; v < count; ++v, i += vertexFloats) {
            const float* p = &buffer[i];
            polygon.push_back(FeedbackVertex{p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7], p[8]});
        }
        if (token == GL_POLYGON_TOKEN) polygons.push_back(polygon);
    }
    if (used < 0) fprintf(stderr, "feedback buffer overflowed\n");
    return polygons;
}

float windowArea(const FeedbackPolygon& polygon) {
    double twice = 0.0;
    for (size_t i = 0; i < polygon.size(); ++i) {
        const FeedbackVertex& a = polygon[i];
        const FeedbackVertex& b = polygon[(i + 1) % polygon.size()];
        twice += double(a.x) * b.y - double(b.x) * a.y;
    }
    return static_cast<float>(std::fabs(twice) * 0.5);
}

}  // namespace moriqtest
