// The cel scene: real frames of the star, the picture window from 2 to 8 s, the fades, and the
// state the scene hands on when it is destroyed.
#include "CelScene.h"
#include "Clock.h"
#include "GLTest.h"
#include "SolidPictures.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>

using namespace moriqtest;

namespace {

const RGB RED{255, 0, 0};
const RGB BACKGROUND{178, 178, 178};

bool near(RGB a, RGB b, int tolerance = 3) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance;
}

int count(const Frame& f, RGB c, int x0 = 0, int x1 = 640) {
    int n = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = x0; x < x1; ++x) n += near(f.at(x, y), c);
    return n;
}

class CelSceneFrames : public testing::Test {
protected:
    void SetUp() override {
        ensureGL();
        // The scene pushes no state of its own; keep what it changes from reaching the next test.
        glPushAttrib(GL_ALL_ATTRIB_BITS);
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glMatrixMode(GL_MODELVIEW);
        // What the previous scene would leave: no 2D texturing, no blending.
        glDisable(GL_TEXTURE_2D);
        glDisable(GL_BLEND);
        glBindTexture(GL_TEXTURE_2D, 0);
        withSolidPictures({{"data/lol.png", RED}}, [this] { scene = new CelScene(nullptr); });
        setTime(0);
        scene->init();
    }
    void TearDown() override {
        delete scene;
        clearTime();
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glPopAttrib();
    }
    Frame at(unsigned int t) {
        setTime(t);
        return grabFrame([this] { scene->render(); });
    }
    // Whether the frame at t drew the picture: only the picture binds a 2D texture.
    bool pictureDrawnAt(unsigned int t) {
        glBindTexture(GL_TEXTURE_2D, 0);
        at(t);
        GLint bound = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        return bound != 0;
    }
    float alphaAfter(unsigned int t) {
        at(t);
        float colour[4];
        glGetFloatv(GL_CURRENT_COLOR, colour);
        return colour[3];
    }
    CelScene* scene = nullptr;
};

}  // namespace

TEST_F(CelSceneFrames, StarIsPaleGreenInThreeBandsWithABlackOutline) {
    EXPECT_EQ(count(at(0), RGB{0, 0, 0}), 640 * 480);

    const RGB bands[3] = {{31, 46, 31}, {77, 115, 77}, {153, 230, 153}};  // (0.6, 0.9, 0.6) times 0.2, 0.5, 1
    int seen[3] = {0, 0, 0};
    for (unsigned int t : {1000u, 9000u, 11000u, 13000u}) {
        const Frame f = at(t);
        f.savePng(outputPath("celscene-" + std::to_string(t) + ".png"));
        SCOPED_TRACE(t);
        for (int b = 0; b < 3; ++b) seen[b] += count(f, bands[b]);
        // Every colour is a mix of the fill, black lines and the grey background: red equals blue, green leads.
        int offHue = 0;
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 640; ++x) {
                const RGB p = f.at(x, y);
                offHue += std::abs(p.r - p.b) > 2 || p.g + 2 < p.r;
            }
        EXPECT_EQ(offHue, 0);
        // Coming in from either side along the middle row, the star begins with its dark outline.
        for (int side = 0; side < 2; ++side) {
            int x = side ? 639 : 0;
            const int step = side ? -1 : 1;
            while (x > 0 && x < 639 && near(f.at(x, 240), BACKGROUND, 1)) x += step;
            if (x <= 0 || x >= 639) continue;
            int darkest = 255;
            for (int i = 0; i < 4; ++i) darkest = std::min<int>(darkest, f.at(x + i * step, 240).g);
            EXPECT_LT(darkest, 40) << "side " << side << " at x " << x;
        }
    }
    for (int b = 0; b < 3; ++b) EXPECT_GT(seen[b], 500) << "band " << b;
}

TEST_F(CelSceneFrames, PictureShowsBetweenTwoAndEightSeconds) {
    EXPECT_FALSE(pictureDrawnAt(2000));
    EXPECT_TRUE(pictureDrawnAt(2001));
    EXPECT_TRUE(pictureDrawnAt(7999));
    EXPECT_FALSE(pictureDrawnAt(8000));

    const Frame full = at(5000);
    full.savePng(outputPath("celscene-5000.png"));
    EXPECT_GT(count(full, RED, 2, 514), 30000);
    EXPECT_EQ(count(full, RED, 0, 2), 0);
    EXPECT_EQ(count(full, RED, 514, 640), 0);
    const RGB half{217, 89, 89};
    EXPECT_GT(count(at(2500), half, 2, 514), 30000);
    EXPECT_GT(count(at(7500), half, 2, 514), 30000);
    // Once the picture has been drawn, 2D texturing and blending are off at the start of every frame.
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
}

TEST_F(CelSceneFrames, FadesInAndOut) {
    EXPECT_NEAR(alphaAfter(999), 0.001f, 1e-6);
    EXPECT_FLOAT_EQ(alphaAfter(1000), 0.5f);  // the wireframe's colour: no fade drawn
    EXPECT_FLOAT_EQ(alphaAfter(14000), 0.5f);
    EXPECT_NEAR(alphaAfter(14001), 0.001f, 1e-6);
    EXPECT_FLOAT_EQ(alphaAfter(15500), 1.5f);  // passed on unclamped

    EXPECT_TRUE(near(at(14000).at(2, 2), BACKGROUND));
    EXPECT_TRUE(near(at(14500).at(2, 2), RGB{89, 89, 89}));
    EXPECT_EQ(count(at(15000), RGB{0, 0, 0}), 640 * 480);
}

TEST_F(CelSceneFrames, UnturnedAtFirstAndTheRampGoesWithTheScene) {
    at(0);
    float m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    const float expected[16] = {1.01f, 0, 0, 0, 0, 1.01f, 0, 0, 0, 0, 1.01f, 0, 0, 0, -2, 1};
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(m[i], expected[i], 1e-6) << i;

    GLint ramp = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_1D, &ramp);
    EXPECT_TRUE(glIsTexture(ramp));
    glLineWidth(3.0f);
    delete scene;
    scene = nullptr;
    EXPECT_FALSE(glIsTexture(ramp));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_1D));
    float width = 0;
    glGetFloatv(GL_LINE_WIDTH, &width);
    EXPECT_EQ(width, 1.0f);
}
