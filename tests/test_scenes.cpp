// Every scene of the play list drawn for real over stand-in pictures (painted by tests/pictures.py),
// started where the demo starts it, and probed where a viewer would see a fault: the fades, the
// pictures' places and timetables, the colours, and the GL state each scene leaves to the next.
#include "GLTest.h"
#include "Heightfield.h"
#include "Player.h"
#include "Timeline.h"

#include <GL/gl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

using namespace moriqtest;

namespace {

const RGB BLACK{0, 0, 0}, GREY{178, 178, 178}, WHITE{255, 255, 255};
// The stand-ins' colours: solid pictures, and quadrant pictures stored red, green / cyan, yellow.
const RGB DUDE{255, 0, 0}, TING{0, 255, 0}, SMEGMA{255, 255, 0}, WEMADE{0, 0, 255}, LOL{255, 128, 0};
const RGB RED{230, 40, 40}, GREEN{40, 210, 40}, CYAN{40, 200, 220}, YELLOW{230, 220, 40};
// The bottom-right texel of the solid stand-ins and the top-left corner of the blob overlay.
const RGB MARK{255, 0, 255};

// Colour c drawn with alpha a over background b.
RGB over(RGB c, float a, RGB b = GREY) {
    auto mix = [a](int top, int under) { return static_cast<unsigned char>(top * a + under * (1 - a) + 0.5f); };
    return RGB{mix(c.r, b.r), mix(c.g, b.g), mix(c.b, b.b)};
}

double brightness(const Frame& f) {
    double sum = 0;
    for (unsigned char v : f.rgb) sum += v;
    return sum / f.rgb.size();
}

// One scene of the play list, reached as the player reaches a moment, then drawn frame by frame: every frame
// leaves the stacks as it found them and no GL error; with the player gone, GL is back where it was.
class SceneTest : public testing::Test {
protected:
    void start(size_t index) {
        ensureGL();
        ASSERT_EQ(chdir(picture("").c_str()), 0);
        player.reset();
        attribDepth = integer(GL_ATTRIB_STACK_DEPTH);
        player.reset(new Player(nullptr, Timeline::demo()));
        begin = Timeline::demo().startOf(index);
        at(0);
        sceneDepth = integer(GL_ATTRIB_STACK_DEPTH);
    }
    void start(const std::string& name, int nth = 0) {
        for (size_t i = 0; i < Timeline::demo().entries.size(); ++i)
            if (name == Timeline::demo().entries[i].name && nth-- == 0) return start(i);
        FAIL() << name << " is not in the play list";
    }
    Frame at(int t) {
        Frame f;
        player->play(begin + t, begin + t, 60, [&f](long) { return f = Screenshot::grab(), true; }, true);
        EXPECT_EQ(integer(GL_PROJECTION_STACK_DEPTH) + integer(GL_MODELVIEW_STACK_DEPTH), 2) << t;
        if (sceneDepth) {
            EXPECT_EQ(integer(GL_ATTRIB_STACK_DEPTH), sceneDepth) << t;
        }
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)) << t;
        return f;
    }
    void TearDown() override {
        player.reset();
        EXPECT_EQ(integer(GL_ATTRIB_STACK_DEPTH), attribDepth);
        EXPECT_EQ(integer(GL_POLYGON_MODE), GL_FILL);
        EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    }
    std::unique_ptr<Player> player;
    int begin = 0;
    GLint attribDepth = 0;
    GLint sceneDepth = 0;
};

class EveryScene : public SceneTest, public testing::WithParamInterface<size_t> {};

}  // namespace

TEST_P(EveryScene, DrawsAndFadesFromAndToBlack) {
    start(GetParam());
    const std::string name = Timeline::demo().entries[GetParam()].name;
    const int d = Timeline::demo().entries[GetParam()].duration;
    // Half-way through a fade half the light is left; the greetings draw each fade twice, and the closing
    // picture does not fade (the music does).
    const double half = name == "Greetings" ? 0.25 : name == "FunkyBackground" ? 1.0 : 0.5;
    const Frame first = at(0), in = at(500), after = at(1000), middle = at(d / 2), before = at(d - 1000),
                out = at(d - 500), last = at(d - 1);
    EXPECT_EQ(countNear(first, BLACK) == 640 * 480, half < 1);
    EXPECT_EQ(countNear(last, BLACK) == 640 * 480, half < 1);
    EXPECT_NEAR(brightness(in) / brightness(after), half, 0.1);
    EXPECT_NEAR(brightness(out) / brightness(before), half, 0.1);
    EXPECT_LT(countNear(middle, middle.at(0, 0)), 640 * 480 * 98 / 100) << "a frame of one colour";
}

INSTANTIATE_TEST_SUITE_P(PlayList, EveryScene, testing::Range<size_t>(0, Timeline::demo().entries.size()));

TEST_F(SceneTest, TerrainPicturesFollowTheirTimetable) {
    start("Heightfield");
    // (ms, x, y, colour): the left strip over the grey from 2 to 8 s, the big picture over the grey, the
    // corner picture over the big one, and the green picture taking over from 10 s, at two thirds by 12 s.
    const struct { int t, x, y; RGB c; } probes[] = {
        {1500, 30, 100, GREY},    {2500, 30, 100, over(WEMADE, 0.5f)},    {5000, 30, 100, WEMADE},
        {5000, 1, 100, GREY},     {5000, 300, 100, DUDE},                 {5000, 330, 20, DUDE},
        {5000, 500, 100, SMEGMA}, {5000, 600, 300, GREY},                 {7500, 30, 100, over(WEMADE, 0.5f)},
        // Upright and unstretched: each picture's marked corner bottom right, the small one's lower edge level.
        {5000, 240, 450, MARK},   {5000, 560, 450, MARK},   {5000, 610, 220, MARK},   {5000, 390, 250, SMEGMA},
        {7500, 300, 100, over(DUDE, 5 / 6.0f)}, {8500, 30, 100, GREY},
        {9500, 500, 100, over(SMEGMA, 0.5f, over(DUDE, 1 / 6.0f))},     {10500, 600, 300, over(TING, 1 / 6.0f)},
        {11999, 600, 300, over(TING, 1999 / 3000.0f)},                   {12000, 600, 300, TING},
        {12000, 126, 100, GREY},  {12000, 127, 100, TING}};
    for (const auto& p : probes) {
        const RGB c = at(p.t).at(p.x, p.y);
        EXPECT_TRUE(near(c, p.c)) << p.t << " ms at " << p.x << "," << p.y << ": " << int(c.r) << " " << int(c.g)
                                  << " " << int(c.b);
    }
}

TEST_F(SceneTest, TerrainScrollsAndGoesAt18SecondsLeavingTheBallPulsingOnTheBeat) {
    for (auto [ms, row] : {std::pair{0, 1}, {74, 1}, {75, 2}, {32999, 440}, {33000, 0}, {34999, 26}})
        EXPECT_EQ(terrain::scrollRow(ms), row) << ms;
    start("Heightfield");
    // What a frame leaves on the model-view matrix tells where it drew the ball: sliding in from the right
    // between 10 and 12 s, half-way at 11 s.
    auto ballAt = [&](int t) {
        at(t);
        float matrix[16];
        glGetFloatv(GL_MODELVIEW_MATRIX, matrix);
        return std::pair{matrix[12], matrix[14]};
    };
    // Translucent in its own dark colours (modulated by the shading ramp) over the pictures, then gone.
    EXPECT_GT(countNear(at(5000), RGB{127, 13, 16}) + countNear(at(5000), RGB{0, 13, 143}), 3000);
    EXPECT_NEAR(ballAt(11500).first, 0.5f, 1e-4);
    const int left = 120 * 280;
    EXPECT_LT(countNear(at(17000), GREY, 0, 200, 120, 480), left - 200);
    EXPECT_EQ(countNear(at(18000), GREY, 0, 200, 120, 480), left);
    // The ball: cel-shaded in the ramp's three blues.
    const Frame ball = at(18100);
    for (unsigned char blue : {51, 128, 255}) EXPECT_GT(countNear(ball, RGB{0, 0, blue}), 500) << int(blue);
    // The beat: the ball comes toward the viewer and goes back over the last 200 ms of each 1100, and the
    // frame that restarts the beat is the one furthest back.
    std::vector<int> beats;
    float previous = -2.0f;
    for (int t = 18200; t <= 19600; t += t == 18500 ? 800 : 10) {
        const float z = ballAt(t).second;
        if (previous < -2.05f && z == -2.0f) beats.push_back(t - 10);
        if (t == 18300) {
            EXPECT_NEAR(z, -1.95f, 1e-5);
        }
        previous = z;
    }
    EXPECT_EQ(beats, (std::vector<int>{18460, 19570}));
}

TEST_F(SceneTest, MetaballsAreSmoothSphereMappedBlobsThenWireframeUnderTheirOverlay) {
    // Blob pixels: neither the white background nor the overlay's red. Sphere-mapped, they shade smoothly
    // between the map's green and blue as their normals turn, many pixels clearly one, many clearly the other.
    auto blob = [](RGB c) { return !near(c, WHITE, 0) && !(c.r > 150 && c.g < 30); };
    int pixels = 0, pairs = 0, jumps = 0, green = 0, blue = 0, red[2][2] = {{0, 0}, {0, 0}};
    start("Metaballs");
    at(11000);  // the sphere map must survive the overlay of the frame before
    const Frame f = at(12000);
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            const RGB c = f.at(x, y);
            red[y / 240][x / 320] += !blob(c) && !near(c, WHITE, 0);
            if (!blob(c)) continue;
            ++pixels;
            green += c.g > 2 * c.b;
            blue += c.b > 2 * c.g;
            if (x == 639 || !blob(f.at(x + 1, y))) continue;
            ++pairs;
            jumps += std::abs(c.g - f.at(x + 1, y).g) + std::abs(c.b - f.at(x + 1, y).b) > 40;
        }
    EXPECT_TRUE(pixels > 30000 && countNear(f, WHITE) > 100000) << "blobs on white";
    EXPECT_TRUE(green > 5000 && blue > 5000) << green << " " << blue;
    EXPECT_LT(jumps, pairs / 50);
    // The overlay's red corners over everything, 128 pixels square where its 512-pixel square (from x 64,
    // y -16) is inside the screen.
    for (int q = 0; q < 4; ++q) EXPECT_NEAR(red[q / 2][q % 2], 128 * 112, 100) << "corner " << q;
    // Lit as the blobs are, to about 70 %: magenta top left, red elsewhere.
    const RGB litMark = over(MARK, 0.7f, BLACK), litRed = over(RGB{255, 0, 0}, 0.7f, BLACK);
    EXPECT_TRUE(near(f.at(64, 0), litMark, 12) && near(f.at(191, 111), litMark, 12) && near(f.at(575, 0), litRed, 12) &&
                near(f.at(575, 479), litRed, 12)) << "the overlay turned or mirrored";
    start("Metaballs", 1);
    at(500);  // its fades draw filled, and must leave it in wireframe
    EXPECT_EQ(integer(GL_POLYGON_MODE), GL_LINE);
    const Frame lines = at(9000);
    pixels = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) pixels += blob(lines.at(x, y));
    EXPECT_TRUE(pixels > 5000 && pixels < 13000) << pixels;  // 10050 in lines; 17048 filled
}

TEST_F(SceneTest, GreetingsCubesOnWineRedAndThePictureStripJumpingThenUpright) {
    start("Greetings");
    const RGB WINE{153, 51, 76}, CUBE{0, 26, 153}, EDGE{76, 0, 51};
    const Frame f = at(5000);
    for (int y = 0; y < 480; y += 3) EXPECT_TRUE(near(f.at(340, y), WINE)) << y;
    // The cubes fill the left; the wide outlines of the largest reach a few pixels past the centre only.
    EXPECT_GT(countNear(f, CUBE, 0, 0, 320, 480), 40000);
    EXPECT_GT(countNear(f, EDGE, 0, 0, 320, 480), 10000);
    EXPECT_EQ(countNear(f, CUBE, 336, 0, 640, 480) + countNear(f, EDGE, 336, 0, 640, 480), 0);
    // The cubes pulse every 3.14 s: the same after one period, others after half of one.
    const Frame pulse[3] = {at(4000), at(5571), at(7142)};
    EXPECT_LT(differing(pulse[0], pulse[2], 8, 330), 300);
    EXPECT_GT(differing(pulse[0], pulse[1], 8, 330), 5000);
    // The strip tilts at each whole second (the first swings its bottom left out) and stands still from 9 s.
    const Frame before = at(999), tilted = at(1000), still = at(9000);
    EXPECT_TRUE(near(before.at(370, 470), WINE) && near(before.at(630, 5), GREEN));
    EXPECT_TRUE(near(tilted.at(370, 470), CYAN) && near(tilted.at(630, 5), WINE));
    for (int y = 0; y < 480; y += 5) {
        EXPECT_TRUE(near(still.at(382, y), WINE)) << y;
        EXPECT_TRUE(near(still.at(383, y), y < 240 ? RED : CYAN) && near(still.at(638, y), y < 240 ? GREEN : YELLOW))
            << y;
    }
    // Each second from 1 to 8 s it leans its own way (degrees clockwise): its left edge, found along a row of its
    // red top and one of its cyan bottom, moves 300 tan(angle) pixels between the two.
    const double tilts[] = {5, 5, -3, -3.1, 3, 0, -2.3, 8};
    for (int s = 1; s <= 8; ++s) {
        const Frame leaning = at(s * 1000 + 500);
        auto edge = [&](int y, RGB c) {
            int x = 450;
            while (x > 300 && near(leaning.at(x - 1, y), c)) --x;
            return x;
        };
        EXPECT_NEAR(edge(100, RED) - edge(400, CYAN), 300 * std::tan(tilts[s - 1] * M_PI / 180), 1.5) << s << " s";
    }
}

TEST_F(SceneTest, CelStarInThreeGreensWithABlackOutlineAndItsPictureFrom2To8Seconds) {
    start("CelScene");
    const RGB bands[3] = {{31, 46, 31}, {77, 115, 77}, {153, 230, 153}};  // (0.6, 0.9, 0.6) times 0.2, 0.5, 1
    int seen[3] = {0, 0, 0};
    std::vector<Frame> turns;
    for (int t : {1000, 8200, 11800}) {
        const Frame f = turns.emplace_back(at(t));
        for (int b = 0; b < 3; ++b) seen[b] += countNear(f, bands[b]);
        // Coming in from either side along the middle row, the star begins with its black outline.
        for (int x0 : {0, 639}) {
            int x = x0, darkest = 255;
            while (x >= 0 && x <= 639 && near(f.at(x, 240), GREY, 1)) x += x0 ? -1 : 1;
            for (int i = 0; i < 8 && x >= 0 && x <= 639; ++i, x += x0 ? -1 : 1)
                darkest = std::min<int>(darkest, f.at(x, 240).g);
            EXPECT_LE(darkest, 8) << t << " from x " << x0;
        }
    }
    for (int b = 0; b < 3; ++b) EXPECT_GT(seen[b], 1000) << "band " << b;
    // The light stays with the viewer: half a turn on, the star shows its other side at a slant, in the middle band.
    EXPECT_GT(countNear(turns[2], bands[1]), 3 * countNear(turns[0], bands[1]));
    // One turn every 7.2 s: the same picture after one, another after half of one.
    EXPECT_LT(differing(turns[0], turns[1], 8), 300);
    EXPECT_GT(differing(turns[1], turns[2], 8), 5000);
    // The picture, 512 pixels square from x 2, fades in over a second from 2 s and out over the eighth.
    const struct { int t; RGB c; } corner[] = {{1900, GREY}, {2500, over(LOL, 0.5f)}, {5000, LOL},
                                               {7500, over(LOL, 0.5f)}, {8100, GREY}};
    for (const auto& p : corner) EXPECT_TRUE(near(at(p.t).at(20, 20), p.c)) << p.t;
    const Frame full = at(5000);
    EXPECT_TRUE(near(full.at(1, 20), GREY) && near(full.at(2, 20), LOL) && near(full.at(513, 20), LOL) &&
                near(full.at(514, 20), GREY) && near(full.at(450, 440), MARK)) << "placed, upright, unmirrored";
    // The shading ramp goes with the scenes.
    const GLuint ramp = integer(GL_TEXTURE_BINDING_1D);
    EXPECT_TRUE(glIsTexture(ramp));
    player.reset();
    EXPECT_FALSE(glIsTexture(ramp) || glIsEnabled(GL_TEXTURE_1D));
}

TEST_F(SceneTest, ClosingPictureUpsideDownFillsTheScreenAndRipplesEvery2094Milliseconds) {
    start("FunkyBackground");
    // Where the top-left quadrant ends along row 100: it swings with the waves.
    auto edge = [](const Frame& f) {
        int x = 0;
        while (x < 639 && near(f.at(x, 100), CYAN)) ++x;
        return x;
    };
    const Frame first = at(0);
    EXPECT_TRUE(near(first.at(100, 80), CYAN) && near(first.at(540, 80), YELLOW));
    EXPECT_TRUE(near(first.at(100, 400), RED) && near(first.at(540, 400), GREEN));
    EXPECT_NEAR(edge(at(2094)), edge(first), 1);
    EXPECT_NEAR(std::abs(edge(at(1047)) - edge(first)), 32, 4);  // half a period: the seams swing 32 pixels
    for (int t = 0; t < 2094; t += 349) EXPECT_EQ(countNear(at(t), RGB{179, 179, 179}), 0) << "the clear colour at " << t;
}
