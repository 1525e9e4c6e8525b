// The flash limiter drawn with GL 1.1 (natively, and on the page through the GL layer); see FlashFilter.h.
#include "FlashFilter.h"

#include "Raster.h"

#include <algorithm>
#include <cstring>
#include <utility>

using Flashes::Box;
using Flashes::CELLS;

namespace {

bool contains(const Box& outer, const Box& inner) {
    return inner.empty() || (outer.left <= inner.left && outer.top <= inner.top && outer.right >= inner.right &&
                             outer.bottom >= inner.bottom);
}

}  // namespace

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
    textureWidth = textureHeight = 0;
    limits.cut();
}

FlashFilter::Placement FlashFilter::placedIn(int width, int height) const {
    return placed ? placement : Placement{width, height, 0, 0, width, height};
}

void FlashFilter::apply(long ms, bool cut) {
    const Raster::Layout layout = Raster::layout();
    const int width = layout.frameWidth, height = layout.frameHeight;
    const Placement p = placedIn(width, height);
    if (p.frameWidth < CELLS || p.frameHeight < CELLS) return;
    const size_t size = static_cast<size_t>(width) * height * 3;
    if (cut || shown.size() != size) limits.cut();

    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    measure(width, height, Box{0, 0, width, height}, Box{0, 0, CELLS, CELLS});
    limits.decide(ms, cells);
    Box uploaded{0, 0, 0, 0};
    for (int pass = 0; limits.holding() && pass < FlashLimiter::PASSES; ++pass) {
        // The frame's pixels under the touched cells' quads (a pixel more each way, for a picture scaled into
        // the frame), and the drawn picture's pixels they come from: all the blend samples and changes.
        const Box touched = limits.touched();
        const Box changed{std::max(p.x, touched.left * p.frameWidth / CELLS - 1),
                          std::max(p.y, touched.top * p.frameHeight / CELLS - 1),
                          std::min(p.x + p.width, touched.right * p.frameWidth / CELLS + 1),
                          std::min(p.y + p.height, touched.bottom * p.frameHeight / CELLS + 1)};
        Box part{0, 0, 0, 0};
        if (!changed.empty())
            part = Box{(changed.left - p.x) * width / p.width, (changed.top - p.y) * height / p.height,
                       ((changed.right - p.x) * width + p.width - 1) / p.width,
                       ((changed.bottom - p.y) * height + p.height - 1) / p.height};
        if (!contains(uploaded, part)) uploaded = upload(width, height, part);
        blendShown(width, height, touched);
        measure(width, height, part, Flashes::cellsMeeting(changed, p.frameWidth, p.frameHeight));
        if (!limits.recheck(cells)) break;
    }
    std::swap(drawn, shown);
    glPopClientAttrib();
    limits.shown(cells);
}

void FlashFilter::measure(int width, int height, const Box& part, const Box& only) {
    drawn.resize(static_cast<size_t>(width) * height * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    const int w = part.right - part.left, h = part.bottom - part.top;
    if (w == width && h == height) {
        glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, drawn.data());
    } else if (!part.empty()) {
        // Read apart, then into place among the rows GL numbers from the bottom.
        rows.resize(static_cast<size_t>(w) * h * 3);
        glReadPixels(part.left, height - part.bottom, w, h, GL_RGB, GL_UNSIGNED_BYTE, rows.data());
        for (int r = 0; r < h; ++r)
            std::memcpy(&drawn[(static_cast<size_t>(height - part.bottom + r) * width + part.left) * 3],
                        &rows[static_cast<size_t>(r) * w * 3], static_cast<size_t>(w) * 3);
    }
    if (!compose) return Flashes::cellColours(drawn.data(), width, height, only, cells, true);
    frame.resize(static_cast<size_t>(placement.frameWidth) * placement.frameHeight * 3);
    compose(drawn.data(), frame.data());
    Flashes::cellColours(frame.data(), placement.frameWidth, placement.frameHeight, only, cells);
}

Box FlashFilter::upload(int width, int height, const Box& part) {
    // The frame shown before, as read: rows bottom to top, as a texture wants them.
    glPushAttrib(GL_TEXTURE_BIT);
    if (!texture) glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    // The texture keeps its size from frame to frame; only the part the blend samples is replaced.
    if (textureWidth != width || textureHeight != height) {
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, width, height, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
        textureWidth = width;
        textureHeight = height;
    }
    // The part's rows, packed (the GL layer has no unpack row length or skips).
    const int w = part.right - part.left, h = part.bottom - part.top;
    rows.resize(static_cast<size_t>(w) * h * 3);
    for (int r = 0; r < h; ++r)
        std::memcpy(&rows[static_cast<size_t>(r) * w * 3],
                    &shown[(static_cast<size_t>(height - part.bottom + r) * width + part.left) * 3],
                    static_cast<size_t>(w) * 3);
    glTexSubImage2D(GL_TEXTURE_2D, 0, part.left, height - part.bottom, w, h, GL_RGB, GL_UNSIGNED_BYTE, rows.data());
    glPopAttrib();
    return part;
}

void FlashFilter::blendShown(int width, int height, const Box& touched) {
    const Placement p = placedIn(width, height);
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
    for (int cy = touched.top; cy < touched.bottom; ++cy)
        for (int cx = touched.left; cx < touched.right; ++cx) {
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
