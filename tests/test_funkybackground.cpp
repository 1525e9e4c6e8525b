// The closing ripple: grid points where the waves put them, every corner shared exactly by its
// quads, the picture upside down, and the grid covering the whole screen at every phase.
#include "FunkyBackground.h"
#include "SceneFixture.h"
#include "SceneProbes.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <utility>

using namespace moriqtest;

namespace {

FunkyBackground::GridPoint point(int gx, int gy, float seconds, float swirl) {
    return FunkyBackground::gridPoint(gx, gy, 3.0f * seconds, 5.0f * swirl, 16, 16, 4.5f, -3.5f, 0.1f, 0.1f);
}

class FunkyScene : public SceneFixture<FunkyBackground> {
protected:
    void SetUp() override {
        start([] {
            glEnable(GL_BLEND);  // the scene must not draw blended
            FunkyBackground* scene = new FunkyBackground(nullptr);
            delete scene->background;
            scene->background = quadrantTexture();
            return scene;
        });
    }
    void TearDown() override {
        SceneFixture::TearDown();
        delete new FunkyBackground(nullptr);  // never started: nothing to restore
        EXPECT_TRUE(glIsEnabled(GL_BLEND));
        glDisable(GL_BLEND);
    }
};

}  // namespace

TEST(FunkyGrid, PointsAtTheStartFollowTheWaves) {
    for (int gx = 0; gx <= 16; ++gx)
        for (int gy = 0; gy <= 16; ++gy) {
            const FunkyBackground::GridPoint p = point(gx, gy, 0.0f, 0.0f);
            EXPECT_NEAR(p.x, gx * 0.28125f + 0.1f * std::sin(float(gx)), 1e-5f);
            EXPECT_NEAR(p.y, gy * -0.21875f + 0.1f * std::cos(float(gy)), 1e-5f);
            EXPECT_TRUE(p.s == gx / 16.0f && p.t == gy / 16.0f);
        }
}

TEST_F(FunkyScene, SendsEachGridPointWhereTheWavesPutItSharedByItsQuads) {
    // A wide lens keeps the whole grid in view, so its corners come through unclipped.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(110.0, 4.0 / 3.0, 1.0, 100.0);
    glMatrixMode(GL_MODELVIEW);
    GLdouble projection[16], wx, wy, z;
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    const GLint viewport[4] = {0, 0, 640, 480};
    const GLdouble gridFrame[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -2.25, 1.75, -3.5, 1};
    for (int ms : {0, 1234}) {
        setTime(ms);
        std::set<std::pair<float, float>> corners;
        for (const FeedbackPolygon& p : capturePolygons([&] { scene->render(); }))
            for (const FeedbackVertex& v : p) {
                corners.insert({v.x, v.y});
                const auto g = point(int(std::lround(v.s * 16)), int(std::lround(v.t * 16)), ms / 1000.0f, 0);
                gluProject(g.x, g.y, 0.0, gridFrame, projection, viewport, &wx, &wy, &z);
                EXPECT_NEAR(v.x, wx, 0.01) << ms;
                EXPECT_NEAR(v.y, wy, 0.01) << ms;
            }
        EXPECT_EQ(corners.size(), 17u * 17u) << ms;  // no cracks: shared corners are bit for bit equal
    }
}

TEST_F(FunkyScene, PictureFillsTheScreenUpsideDownAtEveryPhase) {
    const Frame first = at(0);
    first.savePng(outputPath("funky-0.png"));
    EXPECT_TRUE(near(first.at(100, 80), CYAN) && near(first.at(540, 80), YELLOW));
    EXPECT_TRUE(near(first.at(100, 400), RED) && near(first.at(540, 400), GREEN));
    // Over one whole wave period, 2.09 s, the edges swing fully in and out: the clear colour never shows.
    for (int ms = 0; ms <= 2100; ms += 35) {
        const Frame f = at(ms);
        int grey = 0;
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 640; ++x) grey += near(f.at(x, y), RGB{179, 179, 179}, 4);
        EXPECT_EQ(grey, 0) << ms << " ms";
    }
}
