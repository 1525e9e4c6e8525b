// The terrain scene: its noise table and scroll position, and real frames probed at the moments
// where the picture timetable, the terrain, the ball and the fades change.
#include "Clock.h"
#include "GLTest.h"
#include "Heightfield.h"
#include "SolidPictures.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

using namespace moriqtest;

TEST(TerrainNumbers, NoiseTableAndScrollPosition) {
    const float first = terrain::noise(0, 242);
    unsigned int bits = 0;
    std::memcpy(&bits, &first, sizeof bits);
    EXPECT_EQ(bits, 0xBEF38A1Au);

    static float map[terrain::MAP_SIZE];
    terrain::genmap(map);
    EXPECT_NEAR(map[0], -0.4756630f, 1e-7);
    EXPECT_NEAR(map[1], -0.000213944f, 1e-9);
    EXPECT_NEAR(map[2], -0.4564372f, 1e-7);
    EXPECT_NEAR(map[4999], 0.6945428f, 1e-7);
    for (float h : map) {
        EXPECT_GT(h, -1.0f);
        EXPECT_LE(h, 1.0f);
    }

    // One row every 75 ms from row 1; at 33 s back to row 0.
    const int times[] = {0, 74, 75, 150, 32924, 32925, 32999, 33000, 33074, 33075, 34999, 35100};
    const int rows[] = {1, 1, 2, 3, 439, 440, 440, 0, 0, 1, 26, 28};
    for (size_t i = 0; i < sizeof times / sizeof times[0]; ++i)
        EXPECT_EQ(terrain::scrollRow(times[i]), rows[i]) << times[i] << " ms";
    EXPECT_EQ(terrain::scrollRow(-1000), 1);
}

namespace {

const RGB RED{255, 0, 0}, GREEN{0, 255, 0}, YELLOW{255, 255, 0}, BLUE{0, 0, 255}, BLACK{0, 0, 0};
const RGB BACKGROUND{178, 178, 178};

bool near(RGB a, RGB b, int tolerance = 3) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance;
}

// The colour of a picture of colour c drawn with alpha a over the background.
RGB over(RGB c, float a) {
    auto mix = [a](int p, int q) { return static_cast<unsigned char>(p * a + q * (1 - a) + 0.5f); };
    return RGB{mix(c.r, BACKGROUND.r), mix(c.g, BACKGROUND.g), mix(c.b, BACKGROUND.b)};
}

int countDiffering(const Frame& f, RGB c, int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) n += !near(f.at(x, y), c);
    return n;
}

class HeightfieldFrames : public testing::Test {
protected:
    void SetUp() override {
        ensureGL();
        withSolidPictures({{"data/tufs_dude.png", RED}, {"data/lol2.png", GREEN}, {"data/smegma.png", YELLOW},
                           {"data/skaptav.png", BLUE}},
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
    // The model-view matrix and current colour the frame at t leaves behind.
    void stateAfter(unsigned int t, float matrix[16], float colour[4]) {
        at(t);
        glGetFloatv(GL_MODELVIEW_MATRIX, matrix);
        glGetFloatv(GL_CURRENT_COLOR, colour);
    }
    Heightfield* scene = nullptr;
};

}  // namespace

TEST_F(HeightfieldFrames, PicturesFollowTheirTimetable) {
    EXPECT_EQ(countDiffering(at(0), BLACK, 0, 0, 640, 480), 0);

    Frame f = at(1500);
    EXPECT_TRUE(near(f.at(30, 100), BACKGROUND));
    EXPECT_TRUE(near(f.at(100, 100), RED));
    EXPECT_TRUE(near(f.at(382, 100), RED));
    EXPECT_TRUE(near(f.at(383, 100), YELLOW));
    EXPECT_TRUE(near(f.at(638, 254), YELLOW));
    EXPECT_TRUE(near(f.at(639, 100), BACKGROUND));  // the quads end at x = 639, left of that column
    EXPECT_TRUE(near(f.at(500, 255), RED));
    EXPECT_TRUE(near(f.at(600, 100), YELLOW));
    f.savePng(outputPath("heightfield-1500.png"));

    f = at(2500);
    EXPECT_TRUE(near(f.at(30, 100), over(BLUE, 0.5f)));
    f = at(5000);
    EXPECT_TRUE(near(f.at(1, 100), BACKGROUND));
    EXPECT_TRUE(near(f.at(2, 100), BLUE));
    EXPECT_TRUE(near(f.at(257, 100), BLUE));
    EXPECT_TRUE(near(f.at(258, 100), RED));
    f.savePng(outputPath("heightfield-5000.png"));

    f = at(8500);
    EXPECT_TRUE(near(f.at(100, 100), over(RED, 0.5f)));
    EXPECT_TRUE(near(f.at(30, 100), BACKGROUND));
    EXPECT_TRUE(near(f.at(600, 100), YELLOW));

    f = at(10500);
    EXPECT_TRUE(near(f.at(100, 100), BACKGROUND));
    EXPECT_TRUE(near(f.at(600, 100), over(GREEN, 500 / 3000.0f)));
    // Two thirds up the ramp at 11999 ms, then straight to full.
    EXPECT_TRUE(near(at(11999).at(600, 100), over(GREEN, 1999 / 3000.0f)));
    f = at(12000);
    EXPECT_TRUE(near(f.at(600, 100), GREEN));
    EXPECT_TRUE(near(f.at(126, 100), BACKGROUND));
    EXPECT_TRUE(near(f.at(127, 100), GREEN));
}

TEST_F(HeightfieldFrames, TerrainFadesOutBy18Seconds) {
    // Left of the green picture and of the ball, only the ribbon differs from the background.
    const Frame shown = at(16000);
    shown.savePng(outputPath("heightfield-16000.png"));
    EXPECT_GT(countDiffering(shown, BACKGROUND, 0, 200, 120, 480), 200);
    EXPECT_GT(countDiffering(at(17000), BACKGROUND, 0, 200, 120, 480), 200);
    EXPECT_EQ(countDiffering(at(18000), BACKGROUND, 0, 200, 120, 480), 0);
    EXPECT_EQ(countDiffering(at(25000), BACKGROUND, 0, 200, 120, 480), 0);
}

TEST_F(HeightfieldFrames, BallSlidesInAndItsWireframeFadesIn) {
    float m[16], colour[4];
    stateAfter(9999, m, colour);
    EXPECT_EQ(m[12], 0.0f);
    EXPECT_EQ(m[14], 0.0f);
    stateAfter(10000, m, colour);
    EXPECT_FLOAT_EQ(m[12], 2.0f);
    EXPECT_FLOAT_EQ(m[14], -2.0f);
    EXPECT_FLOAT_EQ(colour[3], 0.0f);
    stateAfter(11000, m, colour);
    EXPECT_FLOAT_EQ(m[12], 1.0f);
    EXPECT_FLOAT_EQ(colour[3], 0.5f);
    stateAfter(12000, m, colour);
    EXPECT_FLOAT_EQ(m[12], 0.0f);
    EXPECT_FLOAT_EQ(colour[3], 1.0f);

    const Frame f = at(20000);
    f.savePng(outputPath("heightfield-20000.png"));
    // The ball covers the middle of the screen in blue shades over the green picture.
    EXPECT_GT(f.at(320, 240).b, 100);
    EXPECT_LT(f.at(320, 240).g, 40);
}

TEST_F(HeightfieldFrames, BeatPulseRestartsAfterEach1100Milliseconds) {
    float m[16], colour[4];
    unsigned int firstReset = 0, secondReset = 0;
    for (unsigned int t = 17400; t <= 19700; t += 10) {
        const unsigned int before = scene->beatStart();
        stateAfter(t, m, colour);
        if (t == 17800) {
            EXPECT_FLOAT_EQ(m[14], -2.0f);
        }
        if (t == 18300) {
            EXPECT_NEAR(m[14], -1.95f, 1e-5);  // pushed toward the viewer
        }
        if (scene->beatStart() != before) {
            (firstReset ? secondReset : firstReset) = t;
            EXPECT_NEAR(m[14], -2.0f - (t - before - 1000) / 1000.0f, 1e-5);  // this frame still pulses
        }
    }
    EXPECT_EQ(firstReset, 18460u);
    EXPECT_EQ(secondReset, 19570u);
}

TEST_F(HeightfieldFrames, FadesAtBothEnds) {
    float m[16], colour[4];
    stateAfter(999, m, colour);
    EXPECT_NEAR(colour[3], 0.001f, 1e-6);
    stateAfter(34000, m, colour);
    EXPECT_FLOAT_EQ(colour[3], 1.0f);  // the wireframe's colour: no fade drawn yet
    EXPECT_TRUE(near(at(34000).at(30, 100), BACKGROUND));
    stateAfter(34001, m, colour);
    EXPECT_NEAR(colour[3], 0.001f, 1e-6);
    EXPECT_TRUE(near(at(34500).at(30, 100), RGB{89, 89, 89}));
    EXPECT_EQ(countDiffering(at(35000), BLACK, 0, 0, 640, 480), 0);
    stateAfter(35500, m, colour);
    EXPECT_FLOAT_EQ(colour[3], 1.5f);  // passed on unclamped
}

TEST(HeightfieldLifetime, DestructorRestoresTheStateAndReleasesTheRamp) {
    ensureGL();
    glDisable(GL_TEXTURE_1D);
    glDisable(GL_CULL_FACE);
    Heightfield* scene = new Heightfield(nullptr);
    scene->init();
    GLint ramp = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_1D, &ramp);
    EXPECT_TRUE(glIsTexture(ramp));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_1D));
    delete scene;
    EXPECT_FALSE(glIsTexture(ramp));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_1D));
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
}
