// The flash limiter on made-up frame sequences, counted by the capture tool's own flash meter: strobes
// over three flashes a second are held to three, in general and red; what does not flash over the limit
// (a small patch, a slow fade, moving shapes, a slow strobe) comes out as drawn; a cut forgets the past.
// Blending and measuring only the touched part of a frame gives what the whole frame would.
#include "FlashLimiter.h"
#include "Photosensitivity.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

const int W = 192, H = 144, FPS = 60;

struct Colour {
    unsigned char r, g, b;
};
const Colour BLACK{0, 0, 0}, WHITE{255, 255, 255}, RED{255, 0, 0}, GREY{90, 90, 90};

using Picture = Colour (*)(long frame, int x, int y);

bool strobe(long frame, int hz) {
    return frame * 2 * hz / FPS % 2;
}

std::vector<unsigned char> draw(Picture picture, long frame) {
    std::vector<unsigned char> rgb(W * H * 3);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const Colour c = picture(frame, x, y);
            unsigned char* p = &rgb[(y * W + x) * 3];
            p[0] = c.r, p[1] = c.g, p[2] = c.b;
        }
    return rgb;
}

struct Played {
    int general = 0, red = 0;  // the most flashes of any second, as limited
    long changed = 0;          // frames the limiter changed
    long firstChanged = -1;
};

// Plays frames [from, to) of a picture through the limiter at 60 fps into the meter.
Played play(FlashLimiter& limiter, Picture picture, long from, long to) {
    Photosensitivity::Meter meter(FPS);
    Played run;
    for (long frame = from; frame < to; ++frame) {
        const std::vector<unsigned char> drawn = draw(picture, frame);
        std::vector<unsigned char> shown = drawn;
        limiter.limit(frame * 1000 / FPS, shown.data(), W, H);
        if (shown != drawn && run.changed++ == 0) run.firstChanged = frame;
        meter.add(frame - from, shown.data(), W, H);
    }
    for (const Photosensitivity::Second& s : meter.seconds()) {
        run.general = std::max(run.general, s.general);
        run.red = std::max(run.red, s.red);
    }
    return run;
}

// Strobes over a whole area are held to three flashes a second, in general and red, held back but not
// frozen (three flashes pass as drawn); what does not flash over the limit comes out as drawn.
TEST(FlashLimiter, HoldsOnlyWhatFlashesOverTheLimit) {
    struct Case {
        const char* name;
        bool held;
        Picture picture;
    };
    const Case cases[] = {
        {"10 Hz black-white, full frame", true, [](long f, int, int) { return strobe(f, 10) ? WHITE : BLACK; }},
        {"10 Hz grey-white, full frame", true, [](long f, int, int) { return strobe(f, 10) ? WHITE : GREY; }},
        {"10 Hz red-black, full frame", true, [](long f, int, int) { return strobe(f, 10) ? RED : BLACK; }},
        // As bright as the red: it flashes only by the red measure.
        {"10 Hz red-grey, full frame", true, [](long f, int, int) { return strobe(f, 10) ? RED : Colour{127, 127, 127}; }},
        {"6 Hz black-white, half the frame", true,
         [](long f, int x, int) { return strobe(f, 6) && x < W / 2 ? WHITE : BLACK; }},
        {"10 Hz black-white, in a third of each side", true,
         [](long f, int x, int y) { return strobe(f, 10) && x >= 50 && x < 50 + W / 3 && y >= 40 && y < 40 + H / 3 ? WHITE : BLACK; }},
        {"10 Hz strobe in a tenth of each side", false,
         [](long f, int x, int y) { return strobe(f, 10) && x >= 40 && x < 40 + W / 10 && y >= 30 && y < 30 + H / 10 ? WHITE : BLACK; }},
        {"10 Hz strobes in two corners, each under the area", false,
         [](long f, int x, int y) { return strobe(f, 10) && (x < 24 || x >= W - 24) && y < 24 ? WHITE : BLACK; }},
        {"3 Hz strobe, full frame", false, [](long f, int, int) { return strobe(f, 3) ? WHITE : BLACK; }},
        {"black to white and back over 4 s", false,
         [](long f, int, int) { auto v = static_cast<unsigned char>(f < 120 ? f * 255 / 119 : (239 - f) * 255 / 119); return Colour{v, v, v}; }},
        {"a white bar sweeping across twice a second", false,
         [](long f, int x, int) { return std::abs(x - static_cast<int>(f * W * 2 / FPS % W)) < 20 ? WHITE : BLACK; }},
        {"10 Hz white to pale grey", false, [](long f, int, int) { return strobe(f, 10) ? WHITE : Colour{237, 237, 237}; }},
    };
    for (const Case& c : cases) {
        FlashLimiter limiter;
        const Played run = play(limiter, c.picture, 0, 4 * FPS);
        EXPECT_TRUE(run.general <= 3 && run.red <= 3) << c.name;
        EXPECT_EQ(run.changed > 0, c.held) << c.name;
        if (c.held) {
            EXPECT_GE(run.firstChanged, 18) << c.name;
        }
    }
}

TEST(FlashLimiter, ACutForgetsTheFlashesBeforeIt) {
    const Picture strobe10 = [](long f, int, int) { return strobe(f, 10) ? WHITE : BLACK; };
    FlashLimiter limiter;
    // Half a second of strobe: ten transitions, so the limiter is holding by its end.
    EXPECT_GT(play(limiter, strobe10, 0, FPS / 2).changed, 0);
    // Straight after, the same strobe stays held; after a cut it starts afresh, as drawn.
    FlashLimiter carried = limiter;
    EXPECT_GT(play(carried, strobe10, FPS / 2, FPS / 2 + 6).changed, 0);
    // A seek back to the start: the flashes just counted lie ahead of it, and must not be carried back.
    limiter.cut();
    const Played afresh = play(limiter, strobe10, 0, FPS);
    EXPECT_GE(afresh.firstChanged, 18);
    EXPECT_LE(afresh.general, 3);
}

// A flashing area is held as one picture: every cell of it by the same share, whatever each cell alone
// would need, so the area lags whole instead of coming apart into cells.
TEST(FlashLimiter, HoldsAFlashingAreaAsOne) {
    const Picture shaded = [](long f, int x, int) {
        const auto v = static_cast<unsigned char>(120 + 135 * x / W);
        return strobe(f, 10) ? Colour{v, v, v} : BLACK;
    };
    FlashLimiter limiter;
    int heldFrames = 0;
    for (long frame = 0; frame < FPS; ++frame) {
        std::vector<unsigned char> rgb = draw(shaded, frame);
        limiter.limit(frame * 1000 / FPS, rgb.data(), W, H);
        if (!limiter.holding()) continue;
        ++heldFrames;
        const auto [least, most] = std::minmax_element(limiter.corners().begin(), limiter.corners().end());
        EXPECT_EQ(*least, *most) << "frame " << frame;
    }
    EXPECT_GT(heldFrames, 0);
}

TEST(FlashLimiter, BlendsEachCellByItsCornersShares) {
    std::vector<unsigned char> before(W * H * 3, 200), drawn(W * H * 3, 0), out(W * H * 3);
    std::vector<float> corners(FlashLimiter::VERTICES * FlashLimiter::VERTICES, 0.0f);
    corners[0] = 1.0f;  // the top-left corner of the frame held, every other corner as drawn
    FlashLimiter::blend(before.data(), drawn.data(), W, H, corners, out.data());
    EXPECT_GT(out[0], 120);                       // by the held corner, mostly what was shown
    EXPECT_EQ(out[(3 * W + 3) * 3], 0);           // past the first cell, as drawn
    EXPECT_LT(out[(2 * W + 3) * 3], out[0]);      // fading out across the cell
}

// Pseudo-random bytes, the same every run.
std::vector<unsigned char> noise(size_t size, uint32_t seed) {
    std::vector<unsigned char> bytes(size);
    for (unsigned char& b : bytes) {
        seed = seed * 1664525u + 1013904223u;
        b = static_cast<unsigned char>(seed >> 24);
    }
    return bytes;
}

// Each cell's colour exactly as adding its pixels' linear values one by one, a row at a time, gives: the
// limiter's decisions, and so the pictures, follow every bit of it.
TEST(FlashLimiter, MeasuresCellsAsAddingPixelByPixel) {
    const int w = 641, h = 487;
    const std::vector<unsigned char> rgb = noise(static_cast<size_t>(w) * h * 3, 3);
    std::vector<Flashes::Colour> cells;
    Flashes::cellColours(rgb.data(), w, h, cells);
    const float* lin = Flashes::linearTable();
    for (int cy = 0; cy < Flashes::CELLS; ++cy)
        for (int cx = 0; cx < Flashes::CELLS; ++cx) {
            double sum[3] = {0, 0, 0};
            for (int y = 0; y < h; ++y) {
                if (y * Flashes::CELLS / h != cy) continue;
                double row[3] = {0, 0, 0};
                for (int x = cx * w / Flashes::CELLS; x < (cx + 1) * w / Flashes::CELLS; ++x)
                    for (int c = 0; c < 3; ++c) row[c] += lin[rgb[(static_cast<size_t>(y) * w + x) * 3 + c]];
                for (int c = 0; c < 3; ++c) sum[c] += row[c];
            }
            const int area = ((cx + 1) * w / Flashes::CELLS - cx * w / Flashes::CELLS) *
                   ((cy + 1) * h / Flashes::CELLS - cy * h / Flashes::CELLS);
            const Flashes::Colour& got = cells[cy * Flashes::CELLS + cx];
            ASSERT_TRUE((got == Flashes::Colour{sum[0] / area, sum[1] / area, sum[2] / area})) << "cell " << cx << "," << cy;
        }
}

// After pixels change within a box, measuring the cells that box meets gives exactly what measuring the
// whole frame gives, at sizes whose cells are not whole numbers of pixels, read top down or bottom up; and
// those cells are exactly the ones cellColours counts some pixel of the box in.
TEST(FlashLimiter, MeasuresTheCellsAChangeMeetsAsTheWholeFrame) {
    struct Size {
        int width, height;
    };
    for (const Size size : {Size{641, 487}, Size{1920, 1080}, Size{50, 49}}) {
        const int w = size.width, h = size.height;
        // The cell cellColours counts each pixel column and row in.
        std::vector<int> columnCell(w), rowCell(h);
        for (int cx = 0; cx < Flashes::CELLS; ++cx)
            for (int x = cx * w / Flashes::CELLS; x < (cx + 1) * w / Flashes::CELLS; ++x) columnCell[x] = cx;
        for (int y = 0; y < h; ++y) rowCell[y] = y * Flashes::CELLS / h;
        // One pixel each side of cell edges, a lone pixel, a corner of the frame, a wide band.
        const int ex = 7 * w / Flashes::CELLS, ey = (13 * h + Flashes::CELLS - 1) / Flashes::CELLS;
        const Flashes::Box changes[] = {{ex - 1, ey - 1, ex + 1, ey + 1}, {ex, ey, ex + 1, ey + 1},
                                        {ex - 1, ey - 1, ex, ey},         {w - 3, h - 2, w, h},
                                        {0, 0, 2, 1},                     {3, h / 3, w - 5, h / 3 + 9}};
        for (const bool bottomUp : {false, true}) {
            std::vector<unsigned char> rgb = noise(static_cast<size_t>(w) * h * 3, 7);
            std::vector<Flashes::Colour> cells;
            Flashes::cellColours(rgb.data(), w, h, cells, bottomUp);
            uint32_t seed = 11;
            for (const Flashes::Box& change : changes) {
                const std::vector<unsigned char> paint = noise(static_cast<size_t>(w) * 3, ++seed);
                for (int y = change.top; y < change.bottom; ++y) {
                    const int row = bottomUp ? h - 1 - y : y;
                    std::copy(paint.begin() + change.left * 3, paint.begin() + change.right * 3,
                              rgb.begin() + (static_cast<size_t>(row) * w + change.left) * 3);
                }
                const Flashes::Box meets = Flashes::cellsMeeting(change, w, h);
                const Flashes::Box expected{columnCell[change.left], rowCell[change.top],
                                            columnCell[change.right - 1] + 1, rowCell[change.bottom - 1] + 1};
                EXPECT_TRUE(meets == expected) << w << "x" << h << " change at " << change.left << "," << change.top;
                Flashes::cellColours(rgb.data(), w, h, meets, cells, bottomUp);
                std::vector<Flashes::Colour> whole;
                Flashes::cellColours(rgb.data(), w, h, whole, bottomUp);
                EXPECT_TRUE(cells == whole) << w << "x" << h << " change at " << change.left << "," << change.top;
                cells = whole;
            }
        }
    }
}

// limit() gives, frame by frame and byte for byte, what blending and measuring the whole frame on every
// pass gives, and keeps the cells of what it showed: a strobe over part of a frame whose cells are not
// whole numbers of pixels, its edges inside cells, over a moving gradient.
TEST(FlashLimiter, LimitsAsBlendingAndMeasuringTheWholeFrame) {
    const int w = 203, h = 157;
    auto draw = [&](long f) {
        std::vector<unsigned char> rgb(static_cast<size_t>(w) * h * 3);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                unsigned char* p = &rgb[(static_cast<size_t>(y) * w + x) * 3];
                const bool lit = strobe(f, 10) && x >= 61 && x < 61 + w / 2 && y >= 23 && y < 23 + h / 2;
                p[0] = lit ? 255 : static_cast<unsigned char>((x + f * 3) % 200);
                p[1] = lit ? static_cast<unsigned char>(200 + f % 50) : static_cast<unsigned char>(y);
                p[2] = lit ? 255 : 40;
            }
        return rgb;
    };
    FlashLimiter limiter, whole;
    std::vector<unsigned char> before;
    std::vector<Flashes::Colour> cells;
    long held = 0;
    for (long f = 0; f < 2 * FPS; ++f) {
        std::vector<unsigned char> limited = draw(f), expected = limited;
        limiter.limit(f * 1000 / FPS, limited.data(), w, h);

        Flashes::cellColours(expected.data(), w, h, cells);
        whole.decide(f * 1000 / FPS, cells);
        for (int pass = 0; whole.holding() && pass < FlashLimiter::PASSES; ++pass) {
            FlashLimiter::blend(before.data(), expected.data(), w, h, whole.corners(), expected.data());
            Flashes::cellColours(expected.data(), w, h, cells);
            if (!whole.recheck(cells)) break;
        }
        whole.shown(cells);
        before = expected;

        held += limiter.holding();
        ASSERT_EQ(limited, expected) << "frame " << f;
        ASSERT_TRUE(limiter.showing() == cells) << "frame " << f;
    }
    EXPECT_GT(held, 20);
}

}  // namespace
