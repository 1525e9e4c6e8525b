// The flash meter on made-up frame sequences: strobes over and under three flashes a second, a still, a
// slow fade, a red strobe, light changes too bright to count, and strobes too small or too fine to count.
#include "Photosensitivity.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

namespace {

struct Colour {
    unsigned char r, g, b;
};
const Colour BLACK{0, 0, 0}, WHITE{255, 255, 255}, RED{255, 0, 0}, GREEN{0, 255, 0}, PALE{237, 237, 237};

// The colour of pixel (x, y) of frame `frame` at 60 fps, x and y in pixels of a 192x144 frame.
using Picture = Colour (*)(long frame, int x, int y);

bool strobe(long frame, int hz) {
    return frame * 2 * hz / 60 % 2;
}
bool inBox(int x, int y, int side) {  // a box of 1/side of the frame's width and height, off centre
    return x >= 40 && x < 40 + 192 / side && y >= 30 && y < 30 + 144 / side;
}

struct Case {
    const char* name;
    Picture picture;
    int general, red;  // the most flashes of any second
};

const Case CASES[] = {
    {"still", [](long, int x, int) { return Colour{80, static_cast<unsigned char>(x), 200}; }, 0, 0},
    {"black to white over 2 s", [](long f, int, int) { auto v = static_cast<unsigned char>(f * 255 / 119); return Colour{v, v, v}; }, 0, 0},
    {"10 Hz black-white strobe", [](long f, int, int) { return strobe(f, 10) ? WHITE : BLACK; }, 10, 0},
    {"3 Hz strobe", [](long f, int, int) { return strobe(f, 3) ? WHITE : BLACK; }, 3, 0},
    {"4 Hz strobe", [](long f, int, int) { return strobe(f, 4) ? WHITE : BLACK; }, 4, 0},
    {"10 Hz red strobe", [](long f, int, int) { return strobe(f, 10) ? RED : BLACK; }, 10, 10},
    {"10 Hz green strobe", [](long f, int, int) { return strobe(f, 10) ? GREEN : BLACK; }, 10, 0},
    {"10 Hz white to pale grey", [](long f, int, int) { return strobe(f, 10) ? WHITE : PALE; }, 0, 0},
    {"10 Hz strobe in a tenth of each side", [](long f, int x, int y) { return strobe(f, 10) && inBox(x, y, 10) ? WHITE : BLACK; }, 0, 0},
    {"10 Hz strobe in a quarter of each side", [](long f, int x, int y) { return strobe(f, 10) && inBox(x, y, 4) ? WHITE : BLACK; }, 10, 0},
    {"10 Hz inverting pixel checkerboard", [](long f, int x, int y) { return strobe(f, 10) != ((x + y) % 2 == 1) ? WHITE : BLACK; }, 0, 0},
};

TEST(Photosensitivity, CountsTheFlashesOfMadeUpSequences) {
    const int width = 192, height = 144;
    for (const Case& c : CASES) {
        Photosensitivity::Meter meter(60);
        std::vector<unsigned char> rgb(width * height * 3);
        for (long frame = 0; frame < 120; ++frame) {
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x) {
                    const Colour colour = c.picture(frame, x, y);
                    unsigned char* p = &rgb[(y * width + x) * 3];
                    p[0] = colour.r;
                    p[1] = colour.g;
                    p[2] = colour.b;
                }
            ASSERT_TRUE(meter.add(frame, rgb.data(), width, height)) << c.name;
        }
        int general = 0, red = 0;
        ASSERT_EQ(meter.seconds().size(), 2u) << c.name;
        for (const Photosensitivity::Second& s : meter.seconds()) {
            general = std::max(general, s.general);
            red = std::max(red, s.red);
        }
        EXPECT_EQ(general, c.general) << c.name;
        EXPECT_EQ(red, c.red) << c.name;
        std::ostringstream report;
        EXPECT_EQ(Photosensitivity::print(report, meter.seconds()), c.general > 3 || c.red > 3) << c.name;
    }
}

TEST(Photosensitivity, ReportsEachSecondAndRefusesFramesItCannotMeasure) {
    Photosensitivity::Meter meter(60);
    std::vector<unsigned char> rgb(64 * 48 * 3, 0);
    EXPECT_FALSE(meter.add(0, rgb.data(), 47, 48));
    EXPECT_FALSE(meter.add(0, nullptr, 64, 48));
    // A 15 Hz burst over the first third of seconds 1 and 2: 9 transitions in second 1, while the periods
    // from the end of that burst to the start of the next one hold 10.
    for (long frame = 60; frame < 180; ++frame) {
        std::fill(rgb.begin(), rgb.end(), frame % 60 < 20 && frame % 4 < 2 ? 255 : 0);
        ASSERT_TRUE(meter.add(frame, rgb.data(), 64, 48));
    }
    EXPECT_FALSE(meter.add(180, rgb.data(), 48, 64));
    std::ostringstream report;
    EXPECT_TRUE(Photosensitivity::print(report, meter.seconds()));
    EXPECT_EQ(report.str(), "second\t1\t4\t0\tover\n"
                            "second\t2\t5\t0\tover\n"
                            "verdict\tover\t2 of 2 seconds exceed three flashes a second\n");
}

}  // namespace
