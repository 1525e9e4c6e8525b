// The terrain scene: its noise table and scroll position, and real frames probed where the picture
// timetable, the terrain, the ball and the fades change.
#include "Clock.h"
#include "GLTest.h"
#include "Heightfield.h"
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

    const int times[] = {0, 74, 75, 32925, 32999, 33000, 33074, 33075, 34999};
    const int rows[] = {1, 1, 2, 440, 440, 0, 0, 1, 26};
    for (int i = 0; i < 9; ++i) EXPECT_EQ(terrain::scrollRow(times[i]), rows[i]) << times[i] << " ms";
}

namespace {

// The four pictures in single colours, over the grey the scene clears to.
const RGB DUDE{255, 0, 0}, TING{0, 255, 0}, SMEGMA{255, 255, 0}, WEMADE{0, 0, 255}, GREY{178, 178, 178};

// A picture of colour c drawn with alpha a over the grey background.
RGB over(RGB c, float a) {
    auto mix = [a](int p) { return static_cast<unsigned char>(p * a + 178 * (1 - a) + 0.5f); };
    return RGB{mix(c.r), mix(c.g), mix(c.b)};
}

class HeightfieldFrames : public testing::Test {
protected:
    void SetUp() override {
        ensureGL();
        withSolidPictures({{"data/tufs_dude.png", DUDE}, {"data/lol2.png", TING}, {"data/smegma.png", SMEGMA},
                           {"data/skaptav.png", WEMADE}},
                          [this] { scene = new Heightfield(nullptr); });
        setTime(0);
        scene->init();
    }
    void TearDown() override {
        delete scene;
        clearTime();
    }
    Frame at(unsigned int t) {
        setTime(t);
        return grabFrame([this] { scene->render(); });
    }
    // Renders the frame at t and returns what it leaves behind: one entry of the model-view matrix
    // (12 and 14: the x and z of its translation), or the current colour's alpha.
    float zAfter(unsigned int t, int index = 14) {
        at(t);
        float matrix[16];
        glGetFloatv(GL_MODELVIEW_MATRIX, matrix);
        return matrix[index];
    }
    float alphaAfter(unsigned int t) {
        at(t);
        float colour[4];
        glGetFloatv(GL_CURRENT_COLOR, colour);
        return colour[3];
    }
    Heightfield* scene = nullptr;
};

}  // namespace

TEST_F(HeightfieldFrames, PicturesFollowTheirTimetable) {
    EXPECT_EQ(countNear(at(0), RGB{0, 0, 0}), 640 * 480);
    Frame f = at(1500);
    EXPECT_TRUE(near(f.at(30, 100), GREY) && near(f.at(382, 100), DUDE) && near(f.at(383, 100), SMEGMA));
    EXPECT_TRUE(near(f.at(638, 254), SMEGMA) && near(f.at(639, 100), GREY) && near(f.at(500, 255), DUDE));
    EXPECT_TRUE(near(at(2500).at(30, 100), over(WEMADE, 0.5f)));
    f = at(5000);
    f.savePng(outputPath("heightfield-5000.png"));
    EXPECT_TRUE(near(f.at(1, 100), GREY) && near(f.at(2, 100), WEMADE) && near(f.at(258, 100), DUDE));
    f = at(8500);
    EXPECT_TRUE(near(f.at(100, 100), over(DUDE, 0.5f)) && near(f.at(30, 100), GREY));
    // From 10 s the left picture gives way to the green one, at two thirds by 11999 ms, then full.
    f = at(10500);
    EXPECT_TRUE(near(f.at(100, 100), GREY) && near(f.at(600, 100), over(TING, 1 / 6.0f)));
    EXPECT_TRUE(near(at(11999).at(600, 100), over(TING, 1999 / 3000.0f)));
    f = at(12000);
    EXPECT_TRUE(near(f.at(600, 100), TING) && near(f.at(126, 100), GREY) && near(f.at(127, 100), TING));
}

TEST_F(HeightfieldFrames, BallSlidesInAndTheTerrainFadesOut) {
    EXPECT_EQ(zAfter(9999), 0.0f);  // no ball yet
    EXPECT_FLOAT_EQ(zAfter(10000, 12), 2.0f);
    EXPECT_FLOAT_EQ(alphaAfter(10000), 0.0f);  // the wireframe, drawn last, fades in from 10 s...
    EXPECT_FLOAT_EQ(zAfter(11000, 12), 1.0f);
    EXPECT_FLOAT_EQ(alphaAfter(11000), 0.5f);
    EXPECT_FLOAT_EQ(zAfter(12000, 12), 0.0f);
    EXPECT_FLOAT_EQ(alphaAfter(12000), 1.0f);  // ...to full at 12 s

    // Left of the green picture and of the ball only the ribbon differs from the background.
    const int area = 120 * 280;
    EXPECT_LT(countNear(at(17000), GREY, 0, 200, 120, 480), area - 200);
    EXPECT_EQ(countNear(at(18000), GREY, 0, 200, 120, 480), area);
    const Frame f = at(18100);
    f.savePng(outputPath("heightfield-18100.png"));
    // The ball's fill is blue in the ramp's three shades, over the green picture.
    int ball = 0;
    for (unsigned char blue : {51, 128, 255}) ball += countNear(f, RGB{0, 0, blue}, 220, 140, 420, 340);
    EXPECT_GT(ball, 10000);
    EXPECT_EQ(countNear(at(25000), GREY, 0, 200, 120, 480), area);
}

TEST_F(HeightfieldFrames, BeatPulseRestartsAfterEach1100Milliseconds) {
    unsigned int resets[2] = {0, 0};
    for (unsigned int t = 17400; t <= 19700 && !resets[1]; t += 10) {
        const unsigned int before = scene->beatStart();
        const float z = zAfter(t);
        if (t == 17800) { EXPECT_FLOAT_EQ(z, -2.0f); }
        if (t == 18300) { EXPECT_NEAR(z, -1.95f, 1e-5); }  // pushed toward the viewer
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
