// The greetings scene as a viewer sees it: black start, wine red between the cube field on the left
// and the picture strip on the right, the picture's jumps on whole seconds and the doubled fades.
#include "Clock.h"
#include "Feedback.h"
#include "GLTest.h"
#include "Greetings.h"
#include "PngFiles.h"
#include "Texture.h"

#include <GL/gl.h>
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

using namespace moriqtest;

namespace {

bool near(RGB c, int r, int g, int b, int tolerance) {
    return std::abs(c.r - r) <= tolerance && std::abs(c.g - g) <= tolerance && std::abs(c.b - b) <= tolerance;
}
bool isWineRed(RGB c) { return near(c, 153, 51, 76, 6); }
bool isCube(RGB c) { return near(c, 0, 25, 153, 12) || near(c, 76, 0, 51, 12); }
bool isBlack(RGB c) { return near(c, 0, 0, 0, 2); }

// The cube field's right edge: the wide outlines of the largest cubes reach a few pixels past the centre.
const int CUBES_END = 336;

// The stand-in picture: four opaque quadrants, none of them near the scene's own colours.
const int RED[3] = {230, 40, 40}, GREEN[3] = {40, 210, 40}, CYAN[3] = {40, 200, 220}, YELLOW[3] = {230, 220, 40};
bool is(RGB c, const int* colour, float scale = 1.0f) {
    return near(c, int(colour[0] * scale), int(colour[1] * scale), int(colour[2] * scale), 6);
}

std::string quadrantPicture() {
    PngSpec spec;
    spec.width = 2;
    spec.height = 2;
    spec.colorType = PNG_COLOR_TYPE_RGB;
    for (const int* c : {RED, GREEN, CYAN, YELLOW})
        for (int i = 0; i < 3; ++i) spec.rows.push_back(static_cast<unsigned char>(c[i]));
    const std::string path = tempPath("greetings-quadrants.png");
    EXPECT_TRUE(writePng(path, spec));
    return path;
}

struct Point {
    float x, y;
};

// Where a point of the upright strip (pixel frame) lands on screen under the jitter of time t.
Point onScreen(float x, float y, int t) {
    const Greetings::Jitter j = Greetings::jitterAt(t);
    const float a = (j.rotate ? j.angle : 0.0f) * static_cast<float>(M_PI) / 180.0f;
    const float dx = j.translate ? j.dx : 0.0f, dy = j.translate ? j.dy : 0.0f;
    return Point{dx + x * std::cos(a) - y * std::sin(a), dy + x * std::sin(a) + y * std::cos(a)};
}

// Whether screen pixel (x, y) lies on the strip at time t, with a margin for its edges.
bool onStrip(int x, int y, int t, float margin) {
    const Greetings::Jitter j = Greetings::jitterAt(t);
    const float a = -(j.rotate ? j.angle : 0.0f) * static_cast<float>(M_PI) / 180.0f;
    const float px = x + 0.5f - (j.translate ? j.dx : 0.0f), py = y + 0.5f - (j.translate ? j.dy : 0.0f);
    const float ux = px * std::cos(a) - py * std::sin(a), uy = px * std::sin(a) + py * std::cos(a);
    return ux > 383 - margin && ux < 639 + margin && uy > -16 - margin && uy < 495 + margin;
}

RGB atPoint(const Frame& f, Point p) {
    return f.at(static_cast<int>(p.x), static_cast<int>(p.y));
}

class GreetingsScene : public testing::Test {
protected:
    void SetUp() override {
        ensureGL();
        // A projection nothing like the scene's: it must set its own to look right on its own.
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-3, 3, -3, 3, -3, 3);
        glMatrixMode(GL_MODELVIEW);
        setTime(0);
        scene = new Greetings(nullptr);
        delete scene->greetings;
        const std::string picture = quadrantPicture();
        scene->greetings = new Texture(picture.c_str());
        std::remove(picture.c_str());
        scene->init();
    }
    void TearDown() override {
        delete scene;
        clearTime();
    }
    Frame frameAt(int ms) {
        setTime(ms);
        return grabFrame([&] { scene->render(); });
    }
    Greetings* scene = nullptr;
};

}  // namespace

TEST(GreetingsJitter, SwitchesExactlyOnWholeSecondsAndStopsAtNine) {
    const Greetings::Jitter first = Greetings::jitterAt(999);
    EXPECT_TRUE(first.translate);
    EXPECT_FLOAT_EQ(first.dx, 0.1f);
    EXPECT_FALSE(first.rotate);
    EXPECT_FALSE(Greetings::jitterAt(-20).rotate);

    const Greetings::Jitter tilted = Greetings::jitterAt(1000);
    EXPECT_FLOAT_EQ(tilted.dx, 0.4f);
    EXPECT_TRUE(tilted.rotate);
    EXPECT_FLOAT_EQ(tilted.angle, 5.0f);
    EXPECT_FLOAT_EQ(Greetings::jitterAt(1999).dx, 0.4f);
    EXPECT_FLOAT_EQ(Greetings::jitterAt(2000).dx, 0.2f);
    EXPECT_FLOAT_EQ(Greetings::jitterAt(4999).angle, -3.1f);
    EXPECT_FLOAT_EQ(Greetings::jitterAt(5000).angle, 3.0f);
    EXPECT_FLOAT_EQ(Greetings::jitterAt(8999).angle, 8.0f);
    EXPECT_FLOAT_EQ(Greetings::jitterAt(8999).dx, -0.1f);

    for (int t : {9000, 9001, 10000, 60000}) {
        EXPECT_FALSE(Greetings::jitterAt(t).translate) << t;
        EXPECT_FALSE(Greetings::jitterAt(t).rotate) << t;
    }
}

TEST_F(GreetingsScene, MidSceneShowsCubesLeftWineRedBetweenAndThePictureUprightOnTheRight) {
    const Frame f = frameAt(5000);
    f.savePng(outputPath("greetings-5000.png"));

    // The picture is upright: its top-left quadrant at the strip's top left, and so on.
    EXPECT_TRUE(is(atPoint(f, onScreen(447, 112, 5000)), RED));
    EXPECT_TRUE(is(atPoint(f, onScreen(575, 112, 5000)), GREEN));
    EXPECT_TRUE(is(atPoint(f, onScreen(447, 367, 5000)), CYAN));
    EXPECT_TRUE(is(atPoint(f, onScreen(575, 367, 5000)), YELLOW));

    for (int y = 0; y < 480; y += 3) EXPECT_TRUE(isWineRed(f.at(340, y))) << "y " << y;

    int leftCubePixels = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            if (x < 320 && isCube(f.at(x, y))) ++leftCubePixels;
            if (x >= CUBES_END) {
                EXPECT_FALSE(isCube(f.at(x, y))) << x << "," << y;
            }
        }
    EXPECT_GT(leftCubePixels, 320 * 480 / 10);
}

TEST_F(GreetingsScene, CubesStayInTheLeftHalfAsTheyPulse) {
    // The first cube's size runs through a whole period of sin(t / 500) over these times.
    for (int t = 1000; t < 9000; t += 250) {
        const Frame f = frameAt(t);
        int rightmost = -1;
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 640; ++x)
                if (isCube(f.at(x, y)) && !onStrip(x, y, t, 2.0f)) rightmost = std::max(rightmost, x);
        EXPECT_LT(rightmost, CUBES_END) << "t " << t;
        EXPECT_GT(rightmost, 200) << "t " << t;
    }
}

TEST_F(GreetingsScene, FadesFromBlackAndToBlackWithTheFadeAppliedTwice) {
    const Frame start = frameAt(0);
    for (int y = 0; y < 480; y += 7)
        for (int x = 0; x < 640; x += 7) {
            ASSERT_TRUE(isBlack(start.at(x, y))) << x << "," << y;
        }

    // Alpha 0.5 drawn twice leaves a quarter of the frame, not a half.
    for (int t : {500, 9500}) {
        const Frame f = frameAt(t);
        f.savePng(outputPath("greetings-" + std::to_string(t) + ".png"));
        const RGB gap = f.at(340, 240);
        EXPECT_TRUE(near(gap, 38, 13, 19, 3)) << t << ": " << int(gap.r) << "," << int(gap.g) << "," << int(gap.b);
        EXPECT_TRUE(is(atPoint(f, onScreen(447, 112, t)), RED, 0.25f)) << t;
    }

    const Frame end = frameAt(10000);
    for (int y = 0; y < 480; y += 7)
        for (int x = 0; x < 640; x += 7) {
            ASSERT_TRUE(isBlack(end.at(x, y))) << x << "," << y;
        }
}

TEST_F(GreetingsScene, PictureJumpsOnTheSecondAndStandsStillFromNineSeconds) {
    // At 1000 ms the first tilt swings the strip's bottom left out and its top right in.
    const Frame before = frameAt(999);
    const Frame tilted = frameAt(1000);
    EXPECT_TRUE(isWineRed(before.at(370, 470)));
    EXPECT_TRUE(is(tilted.at(370, 470), CYAN));
    EXPECT_TRUE(is(before.at(630, 5), GREEN));
    EXPECT_TRUE(isWineRed(tilted.at(630, 5)));

    // From 9000 ms the strip stands upright at its own place, columns 383 to 638.
    const Frame last = frameAt(8999);
    const Frame still = frameAt(9000);
    const Frame fading = frameAt(9001);
    EXPECT_FALSE(isWineRed(last.at(382, 470)));
    for (int y = 0; y < 480; y += 5) {
        EXPECT_TRUE(isWineRed(still.at(382, y))) << y;
        EXPECT_FALSE(isWineRed(still.at(383, y))) << y;
        EXPECT_FALSE(isWineRed(still.at(638, y))) << y;
    }
    // Right of the cubes, 9001 ms differs from 9000 ms only by the first, faintest fade.
    int largest = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = CUBES_END; x < 640; ++x) {
            const RGB a = still.at(x, y), b = fading.at(x, y);
            largest = std::max({largest, std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b)});
        }
    EXPECT_LE(largest, 2);
}

TEST_F(GreetingsScene, FadeQuadsComeInPairsOnlyInTheFirstAndLastSecond) {
    struct Case {
        int t;
        float alpha;  // 0: no fade quads at all
    };
    for (const Case c : {Case{0, 1.0f}, Case{999, 0.001f}, Case{1000, 0.0f}, Case{5000, 0.0f}, Case{9000, 0.0f},
                         Case{9001, 0.001f}, Case{10000, 1.0f}}) {
        setTime(c.t);
        const std::vector<FeedbackPrimitive> sent = captureFeedback([&] { scene->render(); });
        ASSERT_FALSE(sent.empty());
        float fadeArea = 0.0f;
        for (const FeedbackPrimitive& p : sent) {
            const FeedbackVertex& v = p.vertices[0];
            if (v.r != 0.0f || v.g != 0.0f || v.b != 0.0f) continue;
            EXPECT_NEAR(v.a, c.alpha, 1e-6f) << "t " << c.t;
            fadeArea += windowArea(p);
        }
        EXPECT_NEAR(fadeArea, c.alpha > 0 ? 2 * 640 * 480 : 0, 1.0f) << "t " << c.t;
    }
}

TEST(GreetingsState, DestructorRestoresWhatInitChangedAndNothingMore) {
    ensureGL();
    setTime(0);
    GLint depth0 = 0, depth = 0;
    glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &depth0);

    delete new Greetings(nullptr);  // never started: nothing to pop
    glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, depth0);

    Greetings* scene = new Greetings(nullptr);
    scene->init();
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    delete scene;
    glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, depth0);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    clearTime();
}
