// The greetings scene as a viewer sees it: black start, cubes on the left, wine red between them and
// the upright picture strip on the right, the strip's jumps on whole seconds, and the doubled fades.
#include "Greetings.h"
#include "SceneFixture.h"
#include "SceneProbes.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace moriqtest;

namespace {

const RGB WINE_RED{153, 51, 76}, BLACK{0, 0, 0};
bool isCube(RGB c) { return near(c, RGB{0, 25, 153}, 12) || near(c, RGB{76, 0, 51}, 12); }

// The colour at a point of the upright strip (x 383 to 639, y -16 to 495), moved as the strip jitters at t.
RGB onStrip(const Frame& f, float x, float y, int t) {
    const Greetings::Jitter j = Greetings::jitterAt(t);
    const float a = j.rotate ? j.angle * float(M_PI) / 180.0f : 0.0f;
    const float dx = j.translate ? j.dx : 0.0f, dy = j.translate ? j.dy : 0.0f;
    return f.at(int(dx + x * std::cos(a) - y * std::sin(a)), int(dy + x * std::sin(a) + y * std::cos(a)));
}

class GreetingsScene : public SceneFixture<Greetings> {
protected:
    void SetUp() override {
        start([] {
            // A projection nothing like the scene's: it must set its own to look right on its own.
            glMatrixMode(GL_PROJECTION);
            glLoadIdentity();
            glOrtho(-3, 3, -3, 3, -3, 3);
            glMatrixMode(GL_MODELVIEW);
            Greetings* scene = new Greetings(nullptr);
            delete scene->greetings;
            scene->greetings = quadrantTexture();
            return scene;
        });
    }
    void TearDown() override {
        SceneFixture::TearDown();
        delete new Greetings(nullptr);  // never started: nothing to restore
        EXPECT_FALSE(glIsEnabled(GL_BLEND));
    }
};

}  // namespace

TEST_F(GreetingsScene, CubesLeftWineRedBetweenPictureUprightOnTheRight) {
    const Frame f = at(5000);
    f.savePng(outputPath("greetings-5000.png"));
    EXPECT_TRUE(near(onStrip(f, 447, 112, 5000), RED) && near(onStrip(f, 575, 112, 5000), GREEN));
    EXPECT_TRUE(near(onStrip(f, 447, 367, 5000), CYAN) && near(onStrip(f, 575, 367, 5000), YELLOW));
    for (int y = 0; y < 480; y += 3) EXPECT_TRUE(near(f.at(340, y), WINE_RED)) << y;
    // The cubes fill the left; the wide outlines of the largest reach a few pixels past the centre only.
    int rightmost = -1, left = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            if (isCube(f.at(x, y))) rightmost = std::max(rightmost, x), left += x < 320;
    EXPECT_LT(rightmost, 336);
    EXPECT_GT(left, 320 * 480 / 10);
}

TEST_F(GreetingsScene, FadesInAndOutWithEveryFadeQuadDrawnTwice) {
    for (int t : {0, 10000}) {
        const Frame f = at(t);
        for (int y = 0; y < 480; y += 7)
            for (int x = 0; x < 640; x += 7) ASSERT_TRUE(near(f.at(x, y), BLACK, 2)) << t << ": " << x << "," << y;
    }
    // Alpha 0.5 twice leaves a quarter of the frame, not a half.
    for (int t : {500, 9500}) {
        const Frame f = at(t);
        EXPECT_TRUE(near(f.at(340, 240), WINE_RED, 3, 0.25f) && near(onStrip(f, 447, 112, t), RED, 3, 0.25f)) << t;
    }
    // The black full-screen quads a frame sends: two of the same alpha, in the first and last second only.
    for (auto [ms, alpha] : {std::pair<int, float>{999, 0.001f}, {1000, 0}, {9000, 0}, {9001, 0.001f}}) {
        setTime(ms);
        float area = 0.0f;
        for (const FeedbackPolygon& p : capturePolygons([&] { scene->render(); })) {
            if (p[0].r != 0 || p[0].g != 0 || p[0].b != 0) continue;
            EXPECT_NEAR(p[0].a, alpha, 1e-6f) << ms;
            area += windowArea(p);
        }
        EXPECT_NEAR(area, alpha > 0 ? 2 * 640 * 480 : 0, 1.0f) << ms;
    }
}

TEST_F(GreetingsScene, PictureJumpsOnTheSecondAndStandsUprightFromNineSeconds) {
    // The first tilt at 1000 ms swings the strip's bottom left out and its top right in.
    const Frame before = at(999), tilted = at(1000);
    EXPECT_TRUE(near(before.at(370, 470), WINE_RED) && near(before.at(630, 5), GREEN));
    EXPECT_TRUE(near(tilted.at(370, 470), CYAN) && near(tilted.at(630, 5), WINE_RED));
    EXPECT_FALSE(near(at(8999).at(382, 470), WINE_RED));
    const Frame still = at(9000);
    for (int y = 0; y < 480; y += 5) {
        EXPECT_TRUE(near(still.at(382, y), WINE_RED)) << y;
        EXPECT_TRUE(near(still.at(383, y), y < 240 ? RED : CYAN) && near(still.at(638, y), y < 240 ? GREEN : YELLOW)) << y;
    }
}
