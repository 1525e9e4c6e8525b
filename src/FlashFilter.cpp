// The flash limiter drawn with GL 1.1 (natively, and on the page through the GL layer); see FlashFilter.h.
#include "FlashFilter.h"

#include "Raster.h"

#include <algorithm>
#include <utility>

using Flashes::CELLS;

FlashFilter::FlashFilter() : placed(false), placement{}, slot([this](bool cut) { apply(Clock::ticks(), cut); }) {}

FlashFilter::FlashFilter(const Placement& placement, Compose compose)
    : placed(true), placement(placement), compose(std::move(compose)),
      slot([this](bool cut) { apply(Clock::ticks(), cut); }) {}

FlashFilter::~FlashFilter() {
    if (texture) glDeleteTextures(1, &texture);
}

int FlashFilter::warmUpFrom(int ms) {
    return std::max(0, ms - 1000);
}

void FlashFilter::forget() {
    texture = 0;
    limits.cut();
}

void FlashFilter::apply(long ms, bool cut) {
    const Raster::Layout layout = Raster::layout();
    const int width = layout.frameWidth, height = layout.frameHeight;
    const Placement p = placed ? placement : Placement{width, height, 0, 0, width, height};
    if (p.frameWidth < CELLS || p.frameHeight < CELLS) return;
    const size_t size = static_cast<size_t>(width) * height * 3;
    if (cut || shown.size() != size) limits.cut();

    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    measure(width, height, drawn);
    limits.decide(ms, cells);
    if (limits.holding()) upload(width, height);
    for (int pass = 0; limits.holding() && pass < FlashLimiter::PASSES; ++pass) {
        blendShown(width, height);
        measure(width, height, drawn);
        if (!limits.recheck(cells)) break;
    }
    std::swap(drawn, shown);
    glPopClientAttrib();
    limits.shown(cells);
}

void FlashFilter::measure(int width, int height, std::vector<unsigned char>& into) {
    into.resize(static_cast<size_t>(width) * height * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, into.data());
    if (!compose) return Flashes::cellColours(into.data(), width, height, cells, true);
    frame.resize(static_cast<size_t>(placement.frameWidth) * placement.frameHeight * 3);
    compose(into.data(), frame.data());
    Flashes::cellColours(frame.data(), placement.frameWidth, placement.frameHeight, cells);
}

void FlashFilter::upload(int width, int height) {
    // The frame shown before, as read: rows bottom to top, as a texture wants them.
    glPushAttrib(GL_TEXTURE_BIT);
    if (!texture) glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, width, height, 0, GL_RGB, GL_UNSIGNED_BYTE, shown.data());
    glPopAttrib();
}

void FlashFilter::blendShown(int width, int height) {
    const Placement p = placed ? placement : Placement{width, height, 0, 0, width, height};
    glPushAttrib(GL_COLOR_BUFFER_BIT | GL_CURRENT_BIT | GL_ENABLE_BIT | GL_TEXTURE_BIT | GL_VIEWPORT_BIT |
                 GL_POLYGON_BIT | GL_DEPTH_BUFFER_BIT | GL_LIGHTING_BIT | GL_TRANSFORM_BIT);
    for (GLenum cap : {GL_DEPTH_TEST, GL_LIGHTING, GL_CULL_FACE, GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T, GL_TEXTURE_1D,
                       GL_SCISSOR_TEST, GL_COLOR_MATERIAL})
        glDisable(cap);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);

    glBindTexture(GL_TEXTURE_2D, texture);
    glViewport(0, 0, width, height);
    // The frame's pixels, top row up, over the drawn picture's rectangle: cells outside it are clipped.
    Raster::beginFlat(p.x, p.x + p.width, p.y + p.height, p.y);
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
    Raster::endFlat();
    glPopAttrib();
}
