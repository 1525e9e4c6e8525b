// The terrain scene: its noise table and scroll position, and real frames probed where the picture
// timetable, the terrain, the ball and the fades change.
#include "Heightfield.h"
#include "SceneFixture.h"
#include "SolidPictures.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstring>

using namespace moriqtest;

TEST(TerrainNumbers, NoiseTableAndScrollPosition) {
    const float first = terrain::noise(0, 242);
    unsigned int bits = 0;
    std::memcpy(&bits, &first, sizeof bits);
    EXPECT_EQ(bits, 0xBEF38A1Au);
    static float map[terrain::MAP_SIZE];
    terrain::genmap(map);
    EXPECT_NEAR(map[1], -0.000213944f, 1e-9);
    EXPECT_NEAR(map[4999], 0.6945428f, 1e-7);
    const int rows[][2] = {{0, 1}, {74, 1}, {75, 2}, {32999, 440}, {33000, 0}, {33074, 0}, {33075, 1}, {34999, 26}};
    for (auto [ms, row] : rows) EXPECT_EQ(terrain::scrollRow(ms), row) << ms << " ms";
}

namespace {

// The four pictures in single colours, over the grey the scene clears to.
const RGB DUDE{255, 0, 0}, TING{0, 255, 0}, SMEGMA{255, 255, 0}, WEMADE{0, 0, 255}, GREY{178, 178, 178};

// A picture of colour c drawn with alpha a over the grey background.
RGB over(RGB c, float a) {
    auto mix = [a](int p) { return static_cast<unsigned char>(p * a + 178 * (1 - a) + 0.5f); };
    return RGB{mix(c.r), mix(c.g), mix(c.b)};
}

class HeightfieldFrames : public SceneFixture<Heightfield> {
protected:
    void SetUp() override {
        start([] {
            Heightfield* scene = nullptr;
            withSolidPictures({{"data/tufs_dude.png", DUDE}, {"data/lol2.png", TING}, {"data/smegma.png", SMEGMA},
                               {"data/skaptav.png", WEMADE}}, [&] { scene = new Heightfield(nullptr); });
            return scene;
        });
    }
    // What the frame at t leaves in the model-view matrix: 12 and 14 are the x and z of its translation.
    float matrixAfter(unsigned int t, int index) {
        at(t);
        float matrix[16];
        glGetFloatv(GL_MODELVIEW_MATRIX, matrix);
        return matrix[index];
    }
};

}  // namespace

TEST_F(HeightfieldFrames, PicturesFollowTheirTimetable) {
    EXPECT_EQ(countNear(at(0), RGB{0, 0, 0}), 640 * 480);
    Frame f = at(5000);
    f.savePng(outputPath("heightfield-5000.png"));
    EXPECT_TRUE(near(f.at(1, 100), GREY) && near(f.at(2, 100), WEMADE) && near(f.at(258, 100), DUDE));
    // From 10 s the left picture gives way to the green one, at two thirds by 11999 ms, then full.
    f = at(10500);
    EXPECT_TRUE(near(f.at(100, 100), GREY) && near(f.at(600, 100), over(TING, 1 / 6.0f)));
    EXPECT_TRUE(near(at(11999).at(600, 100), over(TING, 1999 / 3000.0f)));
    f = at(12000);
    EXPECT_TRUE(near(f.at(600, 100), TING) && near(f.at(126, 100), GREY) && near(f.at(127, 100), TING));
}

TEST_F(HeightfieldFrames, TerrainGoesAt18SecondsLeavingTheBall) {
    // Left of the green picture and of the ball only the terrain differs from the background.
    const int area = 120 * 280;
    EXPECT_LT(countNear(at(17000), GREY, 0, 200, 120, 480), area - 200);
    EXPECT_EQ(countNear(at(18000), GREY, 0, 200, 120, 480), area);
    const Frame f = at(18100);
    int ball = 0;
    for (unsigned char blue : {51, 128, 255}) ball += countNear(f, RGB{0, 0, blue}, 220, 140, 420, 340);
    EXPECT_GT(ball, 10000) << "the ball's fill in the ramp's three blues, over the green picture";
    EXPECT_EQ(countNear(at(25000), GREY, 0, 200, 120, 480), area);
}

TEST_F(HeightfieldFrames, BeatPulseRestartsAfterEach1100Milliseconds) {
    unsigned int resets[2] = {0, 0};
    for (unsigned int t = 17400; t <= 19700 && !resets[1]; t += 10) {
        const unsigned int before = scene->beatStart();
        const float z = matrixAfter(t, 14);
        if (t == 18300) {
            EXPECT_NEAR(z, -1.95f, 1e-5);  // pushed toward the viewer
        }
        if (scene->beatStart() != before) {
            resets[resets[0] ? 1 : 0] = t;
            EXPECT_NEAR(z, -2.0f - (t - before - 1000) / 1000.0f, 1e-5);  // the resetting frame still pulses
        }
    }
    EXPECT_EQ(resets[0], 18460u);
    EXPECT_EQ(resets[1], 19570u);
}

TEST_F(HeightfieldFrames, FadesAtBothEnds) {
    EXPECT_NEAR(alphaAfter(999), 0.001f, 1e-6);
    EXPECT_FLOAT_EQ(alphaAfter(34000), 1.0f);  // still the wireframe's colour: no fade yet
    EXPECT_TRUE(near(at(34000).at(30, 100), GREY));
    EXPECT_NEAR(alphaAfter(34001), 0.001f, 1e-6);
    EXPECT_TRUE(near(at(34500).at(30, 100), RGB{89, 89, 89}));
    EXPECT_EQ(countNear(at(35000), RGB{0, 0, 0}), 640 * 480);
    EXPECT_FLOAT_EQ(alphaAfter(35500), 1.5f);  // passed on unclamped
}
