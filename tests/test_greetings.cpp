// The greetings scene as a viewer sees it: black start, cubes on the left, wine red between them and
// the upright picture strip on the right, the strip's jumps on whole seconds, and the doubled fades.
#include "GLTest.h"
#include "Greetings.h"
#include "SceneProbes.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace moriqtest;

namespace {

const RGB WINE_RED{153, 51, 76}, BLACK{0, 0, 0};
bool isCube(RGB c) { return near(c, RGB{0, 25, 153}, 12) || near(c, RGB{76, 0, 51}, 12); }
// The wide outlines of the largest cubes reach a few pixels past the centre, never further.
const int CUBES_END = 336;

struct Point {
    float x, y;
};
// Screen position of a point of the upright strip (x 383 to 639, y -16 to 495) at time t.
Point toScreen(int t, Point p) {
    const Greetings::Jitter j = Greetings::jitterAt(t);
    const float a = j.rotate ? j.angle * float(M_PI) / 180.0f : 0.0f;
    const Point offset = j.translate ? Point{j.dx, j.dy} : Point{0, 0};
    return Point{offset.x + p.x * std::cos(a) - p.y * std::sin(a), offset.y + p.x * std::sin(a) + p.y * std::cos(a)};
}
bool onStrip(int t, int x, int y) {
    const Greetings::Jitter j = Greetings::jitterAt(t);
    const float a = j.rotate ? -j.angle * float(M_PI) / 180.0f : 0.0f;
    const Point p = j.translate ? Point{x + 0.5f - j.dx, y + 0.5f - j.dy} : Point{x + 0.5f, y + 0.5f};
    const float sx = p.x * std::cos(a) - p.y * std::sin(a), sy = p.x * std::sin(a) + p.y * std::cos(a);
    return sx > 381 && sx < 641 && sy > -18 && sy < 497;  // with a margin for the edges
}
RGB onStrip(const Frame& f, float x, float y, int t) {
    const Point p = toScreen(t, Point{x, y});
    return f.at(int(p.x), int(p.y));
}

class GreetingsScene : public testing::Test {
protected:
    void SetUp() override {
        ensureGL();
        glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &attribDepth);
        // A projection nothing like the scene's: it must set its own to look right on its own.
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-3, 3, -3, 3, -3, 3);
        glMatrixMode(GL_MODELVIEW);
        setTime(0);
        scene = new Greetings(nullptr);
        delete scene->greetings;
        scene->greetings = quadrantTexture();
        scene->init();
    }
    void TearDown() override {
        delete scene;
        delete new Greetings(nullptr);  // never started: nothing to restore
        GLint depth = 0;
        glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &depth);
        EXPECT_EQ(depth, attribDepth);
        EXPECT_FALSE(glIsEnabled(GL_BLEND));
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
        clearTime();
    }
    Frame frameAt(int ms) {
        setTime(ms);
        return grabFrame([&] { scene->render(); });
    }
    Greetings* scene = nullptr;
    GLint attribDepth = 0;
};

}  // namespace

TEST_F(GreetingsScene, CubesLeftWineRedBetweenPictureUprightOnTheRight) {
    const Frame f = frameAt(5000);
    f.savePng(outputPath("greetings-5000.png"));
    EXPECT_TRUE(near(onStrip(f, 447, 112, 5000), RED));
    EXPECT_TRUE(near(onStrip(f, 575, 112, 5000), GREEN));
    EXPECT_TRUE(near(onStrip(f, 447, 367, 5000), CYAN));
    EXPECT_TRUE(near(onStrip(f, 575, 367, 5000), YELLOW));
    for (int y = 0; y < 480; y += 3) EXPECT_TRUE(near(f.at(340, y), WINE_RED)) << y;

    // Through a whole pulse of the cube sizes the cubes fill the left and never cross into the right.
    for (int t = 1000; t < 9000; t += 250) {
        const Frame g = frameAt(t);
        int rightmost = -1, left = 0;
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 640; ++x) {
                if (isCube(g.at(x, y)) && !onStrip(t, x, y)) rightmost = std::max(rightmost, x);
                left += x < 320 && isCube(g.at(x, y));
            }
        EXPECT_LT(rightmost, CUBES_END) << t;
        EXPECT_GT(left, 320 * 480 / 10) << t;
    }
}

TEST_F(GreetingsScene, FadesInAndOutWithEveryFadeQuadDrawnTwice) {
    for (int t : {0, 10000}) {
        const Frame f = frameAt(t);
        for (int y = 0; y < 480; y += 7)
            for (int x = 0; x < 640; x += 7) ASSERT_TRUE(near(f.at(x, y), BLACK, 2)) << t << ": " << x << "," << y;
    }
    // Alpha 0.5 twice leaves a quarter of the frame, not a half.
    for (int t : {500, 9500}) {
        const Frame f = frameAt(t);
        EXPECT_TRUE(near(f.at(340, 240), WINE_RED, 3, 0.25f)) << t;
        EXPECT_TRUE(near(onStrip(f, 447, 112, t), RED, 3, 0.25f)) << t;
    }
    // The black full-screen quads a frame sends: two of the same alpha, in the first and last second only.
    for (const std::pair<int, float>& c : {std::pair<int, float>{999, 0.001f}, {1000, 0}, {9000, 0}, {9001, 0.001f}}) {
        setTime(c.first);
        float area = 0.0f;
        for (const FeedbackPolygon& p : capturePolygons([&] { scene->render(); })) {
            if (p[0].r != 0 || p[0].g != 0 || p[0].b != 0) continue;
            EXPECT_NEAR(p[0].a, c.second, 1e-6f) << c.first;
            area += windowArea(p);
        }
        EXPECT_NEAR(area, c.second > 0 ? 2 * 640 * 480 : 0, 1.0f) << c.first;
    }
}

TEST_F(GreetingsScene, PictureJumpsOnTheSecondAndStandsUprightFromNineSeconds) {
    // The first tilt at 1000 ms swings the strip's bottom left out and its top right in.
    const Frame before = frameAt(999), tilted = frameAt(1000);
    EXPECT_TRUE(near(before.at(370, 470), WINE_RED));
    EXPECT_TRUE(near(tilted.at(370, 470), CYAN));
    EXPECT_TRUE(near(before.at(630, 5), GREEN));
    EXPECT_TRUE(near(tilted.at(630, 5), WINE_RED));

    const Frame last = frameAt(8999), still = frameAt(9000);
    EXPECT_FALSE(near(last.at(382, 470), WINE_RED));
    for (int y = 0; y < 480; y += 5) {
        EXPECT_TRUE(near(still.at(382, y), WINE_RED)) << y;
        EXPECT_TRUE(near(still.at(383, y), y < 240 ? RED : CYAN)) << y;
        EXPECT_TRUE(near(still.at(638, y), y < 240 ? GREEN : YELLOW)) << y;
    }
}
