// Where and how much to hold a frame back so that no area flashes more than three times a second; see
// FlashLimiter.h.
#include "FlashLimiter.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

using Flashes::CELLS;
using Flashes::Colour;
using Flashes::FIELD;

const int CELL_COUNT = CELLS * CELLS;
const int FIELDS = CELLS - FIELD + 1;  // field positions across and down
// Share added to the least that keeps a held cell's change from counting: the shown picture's cell is
// mixed per pixel, which the mix of the cells' means only approximates.
const float MARGIN = 0.1f;

// A colour's sRGB values, 0 to 255 unrounded: what GL blends.
struct Encoded {
    double r, g, b;
};

Encoded encode(const Colour& c) {
    return Encoded{Flashes::encoded(c.r), Flashes::encoded(c.g), Flashes::encoded(c.b)};
}

// The linear colour of `share` of before mixed with the rest of drawn in sRGB values, as GL blends.
Colour mixed(const Encoded& before, const Encoded& drawn, float share) {
    auto mix = [share](double b, double d) {
        const double value = d + (b - d) * share;
        return Flashes::linearTable()[std::min(255, std::max(0, static_cast<int>(std::lround(value))))];
    };
    return Colour{mix(before.r, drawn.r), mix(before.g, drawn.g), mix(before.b, drawn.b)};
}

// The pixels blend() mixes by the cells of `cells`: each pixel by the cell its centre lies in.
Flashes::Box blendedPixels(const Flashes::Box& cells, int width, int height) {
    using Flashes::firstPixel;
    return Flashes::Box{firstPixel(cells.left, width), firstPixel(cells.top, height), firstPixel(cells.right, width),
                        firstPixel(cells.bottom, height)};
}

// blend() over the box of pixels `pixels` only.
void blendWithin(const unsigned char* before, const unsigned char* drawn, int width, int height,
                 const std::vector<float>& corners, const Flashes::Box& pixels, unsigned char* out) {
    const int V = FlashLimiter::VERTICES;
    for (int y = pixels.top; y < pixels.bottom; ++y) {
        const int cy = y * CELLS / height, y0 = cy * height / CELLS, y1 = (cy + 1) * height / CELLS;
        const float fy = (y + 0.5f - y0) / (y1 - y0);
        for (int x = pixels.left; x < pixels.right; ++x) {
            const int cx = x * CELLS / width, x0 = cx * width / CELLS, x1 = (cx + 1) * width / CELLS;
            const float fx = (x + 0.5f - x0) / (x1 - x0);
            const float* top = &corners[cy * V + cx];
            const float* bottom = top + V;
            const float a = (top[0] * (1 - fx) + top[1] * fx) * (1 - fy) + (bottom[0] * (1 - fx) + bottom[1] * fx) * fy;
            const size_t p = (static_cast<size_t>(y) * width + x) * 3;
            for (int c = 0; c < 3; ++c)
                out[p + c] = static_cast<unsigned char>(std::lround(drawn[p + c] + (before[p + c] - drawn[p + c]) * a));
        }
    }
}

// For each cell, whether some field holding it has more than a quarter of its cells marked.
std::vector<bool> inCrowdedField(const std::vector<bool>& marked) {
    const int side = CELLS + 1;
    std::vector<int> sum(side * side, 0);
    for (int y = 0; y < CELLS; ++y)
        for (int x = 0; x < CELLS; ++x)
            sum[(y + 1) * side + x + 1] =
                marked[y * CELLS + x] + sum[y * side + x + 1] + sum[(y + 1) * side + x] - sum[y * side + x];
    // Crowded fields by their top-left cell, then each cell's count of crowded fields over it.
    std::vector<int> crowded((FIELDS + 1) * (FIELDS + 1), 0);
    const int fside = FIELDS + 1;
    for (int y = 0; y < FIELDS; ++y)
        for (int x = 0; x < FIELDS; ++x) {
            const int count = sum[(y + FIELD) * side + x + FIELD] - sum[y * side + x + FIELD] -
                              sum[(y + FIELD) * side + x] + sum[y * side + x];
            crowded[(y + 1) * fside + x + 1] = (count * 4 > FIELD * FIELD) + crowded[y * fside + x + 1] +
                                               crowded[(y + 1) * fside + x] - crowded[y * fside + x];
        }
    std::vector<bool> result(CELL_COUNT);
    for (int y = 0; y < CELLS; ++y)
        for (int x = 0; x < CELLS; ++x) {
            // Fields whose top-left cell lies within FIELD - 1 cells up and left of this one hold it.
            const int x0 = std::max(0, x - FIELD + 1), y0 = std::max(0, y - FIELD + 1);
            const int x1 = std::min(FIELDS, x + 1), y1 = std::min(FIELDS, y + 1);
            result[y * CELLS + x] = crowded[y1 * fside + x1] - crowded[y0 * fside + x1] - crowded[y1 * fside + x0] +
                                        crowded[y0 * fside + x0] >
                                    0;
        }
    return result;
}

// Calls visit with each cell next to cell i, across, down or diagonally.
template <class Visit>
void forNeighbours(int i, Visit visit) {
    const int x = i % CELLS, y = i / CELLS;
    for (int ny = std::max(0, y - 1); ny <= std::min(CELLS - 1, y + 1); ++ny)
        for (int nx = std::max(0, x - 1); nx <= std::min(CELLS - 1, x + 1); ++nx)
            if (nx != x || ny != y) visit(ny * CELLS + nx);
}

}  // namespace

FlashLimiter::FlashLimiter()
    : counter(1000), share(CELL_COUNT, 0.0f), vertexShare(VERTICES * VERTICES, 0.0f) {}

void FlashLimiter::cut() {
    counter.reset();
    started = false;
    held = false;
    previous.clear();
}

const std::vector<float>& FlashLimiter::decide(long ms, const std::vector<Colour>& drawn) {
    // Frames at one moment (a pause) still count apart: the second is the viewer's.
    time = started ? std::max(ms, time + 1) : ms;
    std::fill(share.begin(), share.end(), 0.0f);
    held = false;
    if (!started) {
        std::fill(vertexShare.begin(), vertexShare.end(), 0.0f);
        return share;
    }
    counter.expire(time);

    // Cells a fourth flash would come to if shown as drawn, by general and red transitions.
    std::vector<int> would(CELL_COUNT);
    std::vector<bool> generalOver(CELL_COUNT), redOver(CELL_COUNT);
    for (int i = 0; i < CELL_COUNT; ++i) {
        would[i] = counter.wouldCount(i, drawn[i]);
        generalOver[i] = counter.general()[i] + (would[i] & 1) > ALLOWED;
        redOver[i] = counter.red()[i] + (would[i] >> 1) > ALLOWED;
    }
    const std::vector<bool> generalCrowded = inCrowdedField(generalOver), redCrowded = inCrowdedField(redOver);
    for (int i = 0; i < CELL_COUNT; ++i) {
        const bool hold = ((would[i] & 1) && generalOver[i] && generalCrowded[i]) ||
                          ((would[i] & 2) && redOver[i] && redCrowded[i]);
        if (!hold) continue;
        share[i] = safeShare(i, last[i], drawn[i]);
        held = true;
    }
    if (held) {
        // The flashing areas: the cells of every field crowded with cells over the limit.
        std::vector<bool> area(CELL_COUNT);
        for (int i = 0; i < CELL_COUNT; ++i) area[i] = generalCrowded[i] || redCrowded[i];
        holdTogether(area);
    }
    spreadToCorners();
    return share;
}

void FlashLimiter::holdTogether(const std::vector<bool>& area) {
    // Each connected flashing area takes the most any of its cells needs, and the cells around it half of
    // that: the area lags as one picture and fades out over two cells, instead of coming apart into cells
    // held by different amounts from different frames.
    std::vector<bool> seen(CELL_COUNT, false);
    for (int start = 0; start < CELL_COUNT; ++start) {
        if (!area[start] || seen[start]) continue;
        std::vector<int> members{start};
        seen[start] = true;
        float most = 0.0f;
        for (size_t next = 0; next < members.size(); ++next) {
            const int i = members[next];
            most = std::max(most, share[i]);
            forNeighbours(i, [&](int n) {
                if (area[n] && !seen[n]) {
                    seen[n] = true;
                    members.push_back(n);
                }
            });
        }
        // The ring around touches only cells outside every area, so areas met later cannot undo it.
        for (int i : members) {
            share[i] = most;
            forNeighbours(i, [&, half = most / 2](int n) {
                if (!area[n]) share[n] = std::max(share[n], half);
            });
        }
    }
}

void FlashLimiter::spreadToCorners() {
    for (int vy = 0; vy < VERTICES; ++vy)
        for (int vx = 0; vx < VERTICES; ++vx) {
            float most = 0.0f;
            for (int cy = std::max(0, vy - 1); cy < std::min(CELLS, vy + 1); ++cy)
                for (int cx = std::max(0, vx - 1); cx < std::min(CELLS, vx + 1); ++cx)
                    most = std::max(most, share[cy * CELLS + cx]);
            vertexShare[vy * VERTICES + vx] = most;
        }
}

bool FlashLimiter::over(size_t cell, const Colour& colour) const {
    const int would = counter.wouldCount(cell, colour);
    return ((would & 1) && counter.general()[cell] + 1 > ALLOWED) || ((would & 2) && counter.red()[cell] + 1 > ALLOWED);
}

Flashes::Box FlashLimiter::touched() const {
    Flashes::Box box{CELLS, CELLS, 0, 0};
    for (int vy = 0; vy < VERTICES; ++vy)
        for (int vx = 0; vx < VERTICES; ++vx) {
            if (vertexShare[vy * VERTICES + vx] <= 0) continue;
            // The (up to) four cells around the corner.
            box.left = std::min(box.left, std::max(0, vx - 1));
            box.top = std::min(box.top, std::max(0, vy - 1));
            box.right = std::max(box.right, std::min(CELLS, vx + 1));
            box.bottom = std::max(box.bottom, std::min(CELLS, vy + 1));
        }
    return box.empty() ? Flashes::Box{0, 0, 0, 0} : box;
}

bool FlashLimiter::recheck(const std::vector<Colour>& blended) {
    bool again = false;
    for (int cy = 0; cy < CELLS; ++cy)
        for (int cx = 0; cx < CELLS; ++cx) {
            const int i = cy * CELLS + cx;
            const float* top = &vertexShare[cy * VERTICES + cx];
            const bool touched = top[0] > 0 || top[1] > 0 || top[VERTICES] > 0 || top[VERTICES + 1] > 0;
            if (!touched || share[i] >= 1.0f || !over(i, blended[i])) continue;
            share[i] = 1.0f;
            again = true;
        }
    if (again) spreadToCorners();
    return again;
}

float FlashLimiter::safeShare(size_t cell, const Colour& before, const Colour& drawn) const {
    // All of before is safe (the cell shows what it showed); find the least share that still is.
    const Encoded from = encode(before), to = encode(drawn);
    float low = 0.0f, high = 1.0f;
    for (int step = 0; step < 10; ++step) {
        const float middle = (low + high) / 2;
        (counter.wouldCount(cell, mixed(from, to, middle)) ? low : high) = middle;
    }
    return std::min(1.0f, high + MARGIN);
}

void FlashLimiter::shown(const std::vector<Colour>& colours) {
    counter.add(time, colours);
    last = colours;
    started = true;
}

void FlashLimiter::blend(const unsigned char* before, const unsigned char* drawn, int width, int height,
                         const std::vector<float>& corners, unsigned char* out) {
    blendWithin(before, drawn, width, height, corners, Flashes::Box{0, 0, width, height}, out);
}

void FlashLimiter::limit(long ms, unsigned char* rgb, int width, int height) {
    const size_t size = static_cast<size_t>(width) * height * 3;
    if (previous.size() != size) cut();
    Flashes::cellColours(rgb, width, height, cells);
    decide(ms, cells);
    for (int pass = 0; held && pass < PASSES; ++pass) {
        // Pixels outside the touched cells stay as they are, and so do the cells they alone are measured in.
        const Flashes::Box pixels = blendedPixels(touched(), width, height);
        blendWithin(previous.data(), rgb, width, height, vertexShare, pixels, rgb);
        Flashes::cellColours(rgb, width, height, Flashes::cellsMeeting(pixels, width, height), cells);
        if (!recheck(cells)) break;
    }
    shown(cells);
    previous.assign(rgb, rgb + size);
}
