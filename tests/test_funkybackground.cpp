// The closing ripple: grid points where the waves put them, every corner shared exactly by its
// quads, the picture upside down, and the grid covering the whole screen at every phase.
#include "FunkyBackground.h"
#include "GLTest.h"
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

class FunkyScene : public testing::Test {
protected:
    void SetUp() override {
        ensureGL();
        glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &attribDepth);
        glEnable(GL_BLEND);  // the scene must not draw blended
        setTime(0);
        scene = new FunkyBackground(nullptr);
        delete scene->background;
        scene->background = quadrantTexture();
        scene->init();
    }
    void TearDown() override {
        delete scene;
        delete new FunkyBackground(nullptr);  // never started: nothing to restore
        GLint depth = 0;
        glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &depth);
        EXPECT_EQ(depth, attribDepth);
        EXPECT_TRUE(glIsEnabled(GL_BLEND));
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
        glDisable(GL_BLEND);
        clearTime();
    }
    FunkyBackground* scene = nullptr;
    GLint attribDepth = 0;
};

}  // namespace

TEST(FunkyGrid, PointsFollowTheWavesAndTheSwirlCircles) {
    for (int gx = 0; gx <= 16; ++gx)
        for (int gy = 0; gy <= 16; ++gy) {
            const FunkyBackground::GridPoint p = point(gx, gy, 0.0f, 0.0f);
            EXPECT_NEAR(p.x, gx * 0.28125f + 0.1f * std::sin(float(gx)), 1e-5f);
            EXPECT_NEAR(p.y, gy * -0.21875f + 0.1f * std::cos(float(gy)), 1e-5f);
            EXPECT_FLOAT_EQ(p.s, gx / 16.0f);
            EXPECT_FLOAT_EQ(p.t, gy / 16.0f);
            // A swirl adds a circle of radius 0.5 * swirl, its phase following the diagonal.
            const float swirl = 0.3f, phase = gx + gy + 5.0f * swirl;
            const FunkyBackground::GridPoint swirled = point(gx, gy, 0.0f, swirl);
            EXPECT_NEAR(swirled.x - p.x, 0.5f * swirl * std::sin(phase), 1e-5f);
            EXPECT_NEAR(swirled.y - p.y, 0.5f * swirl * std::cos(phase), 1e-5f);
        }
}

TEST_F(FunkyScene, SendsEachGridPointWhereTheWavesPutItSharedByItsQuads) {
    // A wide lens keeps the whole grid in view, so its corners come through unclipped.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(110.0, 4.0 / 3.0, 1.0, 100.0);
    glMatrixMode(GL_MODELVIEW);
    GLdouble projection[16];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    const GLint viewport[4] = {0, 0, 640, 480};
    const GLdouble gridFrame[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -2.25, 1.75, -3.5, 1};
    GLdouble x0, y0, x1, y1, z;
    gluProject(0, 0, 0, gridFrame, projection, viewport, &x0, &y0, &z);
    gluProject(4.5, -3.5, 0, gridFrame, projection, viewport, &x1, &y1, &z);

    for (int ms : {0, 1234}) {
        setTime(ms);
        std::set<std::pair<float, float>> corners;
        float area = 0.0f;
        for (const FeedbackPolygon& p : capturePolygons([&] { scene->render(); })) {
            area += windowArea(p);
            for (const FeedbackVertex& v : p) {
                corners.insert({v.x, v.y});
                const FunkyBackground::GridPoint g = point(int(std::lround(v.s * 16)), int(std::lround(v.t * 16)), ms / 1000.0f, 0);
                GLdouble wx, wy;
                gluProject(g.x, g.y, 0.0, gridFrame, projection, viewport, &wx, &wy, &z);
                EXPECT_NEAR(v.x, wx, 0.01) << ms;
                EXPECT_NEAR(v.y, wy, 0.01) << ms;
            }
        }
        EXPECT_EQ(corners.size(), 17u * 17u) << ms;  // no cracks: shared corners are bit for bit equal
        EXPECT_NEAR(area, std::fabs((x1 - x0) * (y1 - y0)), 0.1 * std::fabs((x1 - x0) * (y1 - y0))) << ms;
    }
}

TEST_F(FunkyScene, PictureFillsTheScreenUpsideDownAtEveryPhaseAndWritesNoDepth) {
    setTime(0);
    const Frame first = grabFrame([&] { scene->render(); });
    first.savePng(outputPath("funky-0.png"));
    EXPECT_TRUE(near(first.at(100, 80), CYAN));
    EXPECT_TRUE(near(first.at(540, 80), YELLOW));
    EXPECT_TRUE(near(first.at(100, 400), RED));
    EXPECT_TRUE(near(first.at(540, 400), GREEN));
    float depth = 0.0f;
    for (int y : {0, 240, 479})
        for (int x : {0, 320, 639}) {
            glReadPixels(x, y, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
            EXPECT_EQ(depth, 1.0f) << x << "," << y;
        }
    // One whole wave period, 2.09 s: the clear colour never shows.
    for (int ms = 0; ms <= 2100; ms += 35) {
        setTime(ms);
        const Frame f = grabFrame([&] { scene->render(); });
        int grey = 0;
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 640; ++x) grey += near(f.at(x, y), RGB{179, 179, 179}, 4);
        EXPECT_EQ(grey, 0) << ms << " ms";
    }
}
