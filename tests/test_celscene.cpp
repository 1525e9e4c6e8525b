// The cel scene: real frames of the star, the picture window from 2 to 8 s, the fades, and the
// ramp texture going with the scene.
#include "CelScene.h"
#include "SceneFixture.h"
#include "SolidPictures.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>

using namespace moriqtest;

namespace {

const RGB PICTURE{255, 0, 0}, GREY{178, 178, 178}, BLACK{0, 0, 0};

class CelSceneFrames : public SceneFixture<CelScene> {
protected:
    void SetUp() override {
        start([] {
            // What the scene before would leave: no 2D texturing, no blending.
            glDisable(GL_TEXTURE_2D);
            glDisable(GL_BLEND);
            CelScene* scene = nullptr;
            withSolidPictures({{"data/lol.png", PICTURE}}, [&] { scene = new CelScene(nullptr); });
            return scene;
        });
    }
    // Only the picture binds a 2D texture, so a binding left by the frame tells that it was drawn.
    bool pictureDrawnAt(unsigned int t) {
        glBindTexture(GL_TEXTURE_2D, 0);
        at(t);
        GLint bound = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        return bound != 0;
    }
};

}  // namespace

TEST_F(CelSceneFrames, StarIsPaleGreenInThreeBandsWithABlackOutline) {
    EXPECT_EQ(countNear(at(0), BLACK), 640 * 480);
    const RGB bands[3] = {{31, 46, 31}, {77, 115, 77}, {153, 230, 153}};  // (0.6, 0.9, 0.6) times 0.2, 0.5, 1
    int seen[3] = {0, 0, 0};
    for (unsigned int t : {1000u, 9000u, 13000u}) {
        const Frame f = at(t);
        if (t == 9000) f.savePng(outputPath("celscene-9000.png"));
        for (int b = 0; b < 3; ++b) seen[b] += countNear(f, bands[b]);
        // Coming in from either side along the middle row, the star begins with its black outline.
        for (int x0 : {0, 639}) {
            const int step = x0 ? -1 : 1;
            int x = x0, darkest = 255;
            while (x >= 0 && x <= 639 && near(f.at(x, 240), GREY, 1)) x += step;
            for (int i = 0; i < 8 && x >= 0 && x <= 639; ++i, x += step) darkest = std::min<int>(darkest, f.at(x, 240).g);
            EXPECT_LE(darkest, 8) << t << " from x " << x0;  // black, not the half-transparent wireframe
        }
    }
    for (int b = 0; b < 3; ++b) EXPECT_GT(seen[b], 1000) << "band " << b;
}

TEST_F(CelSceneFrames, PictureShowsBetweenTwoAndEightSeconds) {
    EXPECT_FALSE(pictureDrawnAt(2000));
    EXPECT_TRUE(pictureDrawnAt(2001));
    EXPECT_TRUE(pictureDrawnAt(7999));
    EXPECT_FALSE(pictureDrawnAt(8000));
    const Frame full = at(5000);
    EXPECT_GT(countNear(full, PICTURE, 2, 0, 514, 480), 30000);
    EXPECT_EQ(countNear(full, PICTURE, 0, 0, 2, 480) + countNear(full, PICTURE, 514, 0, 640, 480), 0);
    EXPECT_GT(countNear(at(2500), RGB{217, 89, 89}, 2, 0, 514, 480), 30000);  // half faded in
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D) || glIsEnabled(GL_BLEND));
}

TEST_F(CelSceneFrames, FadesAndTheRampLeaveWithTheScene) {
    EXPECT_NEAR(alphaAfter(999), 0.001f, 1e-6);
    EXPECT_FLOAT_EQ(alphaAfter(1000), 0.5f);  // the wireframe's colour: no fade drawn
    EXPECT_FLOAT_EQ(alphaAfter(14000), 0.5f);
    EXPECT_NEAR(alphaAfter(14001), 0.001f, 1e-6);
    EXPECT_TRUE(near(at(14500).at(2, 2), RGB{89, 89, 89}));
    EXPECT_EQ(countNear(at(15000), BLACK), 640 * 480);

    GLint ramp = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_1D, &ramp);
    EXPECT_TRUE(glIsTexture(ramp));
    delete scene;
    scene = nullptr;
    EXPECT_FALSE(glIsTexture(ramp) || glIsEnabled(GL_TEXTURE_1D));
}
