// The flash limiter drawn with GL 1.1 (natively, and on the page through the GL layer); see FlashFilter.h.
#include "FlashFilter.h"

#include "Raster.h"

#include <algorithm>

namespace {

using Flashes::CELLS;

const int SIDE = CELLS * FlashFilter::SAMPLES;  // the small picture the cells are read from

GLuint newTexture() {
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    // Nearest texels: the corner drawn back over the samples must be the frame's exact pixels.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    return name;
}

// The whole texture over the rectangle (x0, y0)-(x1, y1) of the current projection, bottom row at y0.
void drawTexture(GLuint texture, float x0, float y0, float x1, float y1) {
    glBindTexture(GL_TEXTURE_2D, texture);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2f(x0, y0);
    glTexCoord2f(1, 0);
    glVertex2f(x1, y0);
    glTexCoord2f(1, 1);
    glVertex2f(x1, y1);
    glTexCoord2f(0, 1);
    glVertex2f(x0, y1);
    glEnd();
}

void project(double left, double right, double bottom, double top) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(left, right, bottom, top, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

}  // namespace

FlashFilter::FlashFilter() : placed(false), placement{}, slot([this](bool cut) { apply(Clock::ticks(), cut); }) {}

FlashFilter::FlashFilter(const Placement& placement)
    : placed(true), placement(placement), slot([this](bool cut) { apply(Clock::ticks(), cut); }) {}

FlashFilter::~FlashFilter() {
    if (drawn) glDeleteTextures(1, &drawn);
    if (shown) glDeleteTextures(1, &shown);
}

void FlashFilter::apply(long ms, bool cut) {
    const Raster::Layout layout = Raster::layout();
    const int width = layout.frameWidth, height = layout.frameHeight;
    if (width < SIDE || height < SIDE) return;
    if (cut || width != lastWidth || height != lastHeight) limits.cut();
    lastWidth = width;
    lastHeight = height;

    glPushAttrib(GL_COLOR_BUFFER_BIT | GL_CURRENT_BIT | GL_ENABLE_BIT | GL_TEXTURE_BIT | GL_VIEWPORT_BIT |
                 GL_SCISSOR_BIT | GL_POLYGON_BIT | GL_DEPTH_BUFFER_BIT | GL_LIGHTING_BIT | GL_TRANSFORM_BIT);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    for (GLenum cap : {GL_DEPTH_TEST, GL_LIGHTING, GL_CULL_FACE, GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T, GL_TEXTURE_1D,
                       GL_BLEND, GL_SCISSOR_TEST, GL_COLOR_MATERIAL})
        glDisable(cap);
    glEnable(GL_TEXTURE_2D);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glColor4f(1, 1, 1, 1);

    if (!drawn) drawn = newTexture();
    if (!shown) shown = newTexture();
    glBindTexture(GL_TEXTURE_2D, drawn);
    glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 0, 0, width, height, 0);
    measure(drawn, width, height);
    limits.decide(ms, cells);
    if (limits.holding()) {
        blendShown(width, height);
        glBindTexture(GL_TEXTURE_2D, shown);
        glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 0, 0, width, height, 0);
        measure(shown, width, height);
    } else {
        std::swap(drawn, shown);
    }
    limits.shown(cells);

    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glPopAttrib();
}

void FlashFilter::measure(GLuint texture, int width, int height) {
    const Placement p = placed ? placement : Placement{width, height, 0, 0, width, height};
    glDisable(GL_BLEND);
    glColor4f(1, 1, 1, 1);
    glViewport(0, 0, SIDE, SIDE);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, SIDE, SIDE);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    // The frame in its own pixels, top row up; the drawn picture's bottom row is at its rectangle's bottom.
    project(0, p.frameWidth, p.frameHeight, 0);
    drawTexture(texture, p.x, p.y + p.height, p.x + p.width, p.y);
    samples.resize(SIDE * SIDE * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, SIDE, SIDE, GL_RGBA, GL_UNSIGNED_BYTE, samples.data());

    glViewport(0, 0, width, height);
    project(0, width, 0, height);
    drawTexture(texture, 0, 0, width, height);
    glDisable(GL_SCISSOR_TEST);

    const float* lin = Flashes::linearTable();
    const float count = SAMPLES * SAMPLES;
    cells.assign(CELLS * CELLS, Flashes::Colour{0, 0, 0});
    for (int row = 0; row < SIDE; ++row) {
        const int cy = CELLS - 1 - row / SAMPLES;  // rows come bottom to top
        const unsigned char* s = &samples[static_cast<size_t>(row) * SIDE * 4];
        for (int x = 0; x < SIDE; ++x, s += 4) {
            Flashes::Colour& c = cells[cy * CELLS + x / SAMPLES];
            c.r += lin[s[0]] / count;
            c.g += lin[s[1]] / count;
            c.b += lin[s[2]] / count;
        }
    }
}

void FlashFilter::blendShown(int width, int height) {
    const Placement p = placed ? placement : Placement{width, height, 0, 0, width, height};
    glViewport(0, 0, width, height);
    // The frame's pixels, top row up, over the drawn picture's rectangle: cells outside it are clipped.
    project(p.x, p.x + p.width, p.y + p.height, p.y);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glBindTexture(GL_TEXTURE_2D, shown);
    const std::vector<float>& share = limits.corners();
    const int V = FlashLimiter::VERTICES;
    auto corner = [&](int vx, int vy) {
        const float x = static_cast<float>(vx * p.frameWidth / CELLS), y = static_cast<float>(vy * p.frameHeight / CELLS);
        glColor4f(1, 1, 1, share[vy * V + vx]);
        glTexCoord2f((x - p.x) / p.width, 1 - (y - p.y) / p.height);
        glVertex2f(x, y);
    };
    glBegin(GL_QUADS);
    for (int cy = 0; cy < CELLS; ++cy)
        for (int cx = 0; cx < CELLS; ++cx) {
            if (share[cy * V + cx] == 0 && share[cy * V + cx + 1] == 0 && share[(cy + 1) * V + cx] == 0 &&
                share[(cy + 1) * V + cx + 1] == 0)
                continue;
            corner(cx, cy);
            corner(cx + 1, cy);
            corner(cx + 1, cy + 1);
            corner(cx, cy + 1);
        }
    glEnd();
}
