// The pieces under the scenes, against a real GL context: vectors, PNG decoding, the bitmap font, the
// cel-shading ramp, the scene loop's event rules and report, and the loading bar.
#include "Bitmapfont.h"
#include "CelShader.h"
#include "Clock.h"
#include "GLTest.h"
#include "LoaderBar.h"
#include "PNGImage.h"
#include "Scene.h"
#include "Vector3d.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>
#include <vector>

using namespace moriqtest;

namespace {

std::vector<int> bytes(const PNGImage& image, int n) {
    return std::vector<int>(image.getData(), image.getData() + n);
}

// Decodes a test picture and returns what it printed on standard error.
std::string decodeReporting(const std::string& name, bool* placeholder) {
    testing::internal::CaptureStderr();
    PNGImage image(picture(name).c_str());
    *placeholder = image.isPlaceholder() && image.getType() == GL_RGBA && image.getWidth() == 8 &&
                   image.getHeight() == 8 && bytes(image, 8) == std::vector<int>{255, 0, 255, 255, 255, 0, 255, 255};
    return testing::internal::GetCapturedStderr();
}

}  // namespace

TEST(Vector3d, ProductsNormalisingAndTurningByAGLMatrix) {
    const Vector3d a(1, 2, 3), b(4, -5, 6);
    const Vector3d sum = a + b, difference = a - b, scaled = a * 2.0f;
    EXPECT_TRUE(sum.x == 5 && sum.y == -3 && sum.z == 9 && difference.x == -3 && scaled.z == 6);
    EXPECT_FLOAT_EQ(a.dotProduct(b), 12);
    // The cross product is the metaball tests' measure of facing (test_metaballs.cpp).
    Vector3d v(3, 0, 4), zero, nan(std::numeric_limits<float>::quiet_NaN(), 1, 1);
    EXPECT_FLOAT_EQ(v.magnitude(), 5);
    v.normalize();
    zero.normalize();
    nan.normalize();
    EXPECT_TRUE(v.x == 0.6f && v.z == 0.8f && zero.x == 0 && zero.z == 0 && nan.x == 0 && nan.y == 0);
    // Column-major, as glGetFloatv returns it: a quarter turn about z, and a translation that must not count.
    const float turn[16] = {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 5, 5, 5, 1};
    Vector3d r(9, 9, 9);
    r.rotate(turn, Vector3d(1, 2, 3));
    EXPECT_TRUE(r.x == -2 && r.y == 1 && r.z == 3);
}

TEST(PNGImage, EveryFormatComesOutAsBytesGLTakesWithTheBottomRowFirst) {
    // Palette indices (with a transparency chunk: RGBA) and a key colour become colours; 16-bit samples become
    // 8-bit ones and 4-bit ones are widened. A file gamma of 1 changes nothing.
    const struct {
        const char* name;
        int type;
        std::vector<int> first;
    } formats[] = {
        {"palette.png", GL_RGBA, {255, 0, 0, 0, 0, 255, 0, 128, 0, 0, 255, 255}},
        {"palette8.png", GL_RGB, {255, 0, 0, 0, 0, 255}},
        {"keyed.png", GL_RGBA, {10, 20, 30, 0, 40, 50, 60, 255}},
        {"grey4.png", GL_LUMINANCE, {0, 85, 170, 255}},
        {"grey.png", GL_LUMINANCE, {0, 60, 128, 250}},
        {"gamma1.png", GL_LUMINANCE, {0, 60, 128, 250}},
        {"deep.png", GL_RGB, {255, 128, 0, 0, 64, 255}},
        {"greyalpha.png", GL_LUMINANCE_ALPHA, {1, 2, 3, 4, 5, 6}},
        {"adam7.png", GL_LUMINANCE, {3, 4, 1, 2}},
    };
    for (const auto& f : formats) {
        const PNGImage image(picture(f.name).c_str());
        EXPECT_EQ(image.getType(), f.type) << f.name;
        EXPECT_EQ(bytes(image, static_cast<int>(f.first.size())), f.first) << f.name;
    }
    // Five RGB pixels make 15-byte rows with no padding; the file's second row comes first.
    const PNGImage odd(picture("odd.png").c_str()), gamma045(picture("gamma045.png").c_str());
    ASSERT_TRUE(odd.getWidth() == 5 && odd.getHeight() == 2);
    EXPECT_TRUE(odd.getData()[0] == 100 && odd.getData()[15] == 10 && odd.getData()[29] == 24);
    // 0.45455 is corrected for a linear display, so mid grey darkens.
    EXPECT_LT(gamma045.getData()[2], 70);
}

TEST(PNGImage, BadFilesBecomeThePlaceholderWithTheirReasons) {
    bool placeholder = false;
    std::string err = decodeReporting("missing.png", &placeholder);
    EXPECT_TRUE(placeholder);
    EXPECT_NE(err.find("PNG: Failed to open " + picture("missing.png") + " for reading\n"), std::string::npos) << err;
    // wide.png: sides within the limit, but more bytes than any picture of the demo: refused before decoding.
    for (auto [name, reason] : {std::pair{"garbage.png", "PNG: setjmp() failed\n"}, {"cut.png", ""},
                                {"huge.png", "larger than 8192 pixels a side"}, {"wide.png", "wide.png needs more than"},
                                {"tall.png", "larger than 8192 pixels a side"}}) {
        err = decodeReporting(name, &placeholder);
        EXPECT_TRUE(placeholder) << name;
        EXPECT_NE(err.find("PNG: showing a placeholder for " + picture(name) + "\n"), std::string::npos) << err;
        EXPECT_NE(err.find(reason), std::string::npos) << err;
    }
}

TEST(Bitmapfont, GlyphsComeFromTheirCellsAtThePenWithCaseFoldingAndLineBreaks) {
    // Letters, digits, four marks and the Norwegian capitals in ISO 8859-1 (cells 40 to 42).
    static char table[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789.,!?\xC6\xD8\xC5";
    const char cutShort[] = {'A', 'B', '\0', 'C'};
    EXPECT_TRUE(Bitmapfont::cellIndex(table, '#') == -1 && Bitmapfont::cellIndex(nullptr, 'A') == -1 &&
                Bitmapfont::cellIndex(cutShort, 'C') == -1 && Bitmapfont::cellIndex(table, '\xF8') == 41);
    ensureGL();
    Bitmapfont font(picture("font.png").c_str(), table, 16, 24);
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, 640.0, 480.0, 0.0, 1.0, -1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_TEXTURE_2D);
    auto draw = [&](const std::string& text) {
        return grabFrame([&] {
            glClear(GL_COLOR_BUFFER_BIT);
            font.drawString(nullptr, 100, 50, text);
            Clock::present();
        });
    };
    // Lower and upper case alike, a gap for the unknown '#', a new line back at the starting x.
    const Frame f = draw("aU\n\xE5#b"), nothing = draw("# \n$%");
    glPopAttrib();
    const struct { int x, y, cell; } glyphs[] = {{100, 50, 0}, {116, 50, 20}, {100, 74, 42}, {132, 74, 1}};
    for (const auto& g : glyphs)
        for (int lower = 0; lower < 2; ++lower)
            for (int right = 0; right < 2; ++right) {
                // A glyph's top on screen shows the lower half of its cell in the file (see tests/pictures.py).
                const RGB c{static_cast<unsigned char>(g.cell % 16 * 16 + 8), static_cast<unsigned char>(g.cell / 16 * 64 + 32),
                            static_cast<unsigned char>(40 + 100 * !lower + 50 * right)};
                EXPECT_TRUE(near(f.at(g.x + 4 + 8 * right, g.y + 6 + 12 * lower), c)) << "cell " << g.cell;
            }
    for (auto [x, y] : {std::pair{124, 86}, {99, 60}, {132, 60}, {110, 49}, {110, 98}, {149, 80}})
        EXPECT_TRUE(near(f.at(x, y), RGB{0, 0, 0})) << x << "," << y;
    EXPECT_EQ(countNear(nothing, RGB{0, 0, 0}), 640 * 480);
}

TEST(CelShaderRamp, ThreeGreyBandsSampledNearestAndRepeatingSoAShadeOfOneWrapsToTheDarkest) {
    ensureGL();
    float data[CelShader::RAMP_SIZE][3];
    GLuint ramp[1] = {0};
    CelShader::createRamp(data, ramp);
    EXPECT_EQ(integer(GL_TEXTURE_BINDING_1D), int(ramp[0]));
    float texels[CelShader::RAMP_SIZE][3];
    glGetTexImage(GL_TEXTURE_1D, 0, GL_RGB, GL_FLOAT, texels);
    for (int i = 0; i < CelShader::RAMP_SIZE; ++i)
        EXPECT_TRUE(std::abs(texels[i][0] - (i < 5 ? 0.2f : i < 15 ? 0.5f : 1.0f)) < 0.01f && texels[i][2] == texels[i][0])
            << i;
    GLint wrap = 0, filter = 0;
    glGetTexParameteriv(GL_TEXTURE_1D, GL_TEXTURE_WRAP_S, &wrap);
    glGetTexParameteriv(GL_TEXTURE_1D, GL_TEXTURE_MAG_FILTER, &filter);
    EXPECT_TRUE(wrap == GL_REPEAT && filter == GL_NEAREST);
    glDeleteTextures(1, ramp);
}

namespace {

unsigned int fakeNow = 0;

// A scene started at 1000 ms on a driven clock with an empty event queue; every frame takes 10 ms and
// may push a close request at a chosen frame.
struct StepScene : Scene {
    int quitAtFrame = -1;
    const Clock::Drive drive{[] { return fakeNow; }};
    StepScene() {
        ensureGL();
        dropEvents();
        fakeNow = 1000;
        init();
    }
    void render() override {
        if (static_cast<int>(framesDrawn) == quitAtFrame) pushEvent(SDL_QUIT);
        fakeNow += 10;
    }
};

}  // namespace

TEST(SceneLoop, EscapeEndsAtOnceACloseRequestAfterOneMoreFrameAndTheReportSaysSo) {
    {  // Escape pressed among queued events ends at once, even after a close request in the same poll.
        StepScene scene;
        pushEvent(SDL_KEYUP, SDLK_ESCAPE);
        pushEvent(SDL_QUIT);
        pushEvent(SDL_KEYDOWN, SDLK_ESCAPE);
        pushEvent(SDL_KEYDOWN, SDLK_a);
        fakeNow += 50;
        EXPECT_EQ(scene.run(5000), 1);
        EXPECT_EQ(scene.framesDrawn, 0u);
        SDL_Event left;
        ASSERT_EQ(SDL_PollEvent(&left), 1);  // what follows Escape stays queued
        EXPECT_EQ(left.key.keysym.sym, SDLK_a);
    }
    {  // A close request ends the scene after one more frame; other keys change nothing.
        StepScene scene;
        scene.quitAtFrame = 3;
        pushEvent(SDL_KEYDOWN, SDLK_SPACE);
        EXPECT_EQ(scene.run(5000), 0);
        EXPECT_TRUE(scene.framesDrawn == 5u && scene.done == 40);
    }
    {  // One read at 0 ms is ignored; the scene plays its time and one last frame after it.
        StepScene scene;
        pushEvent(SDL_QUIT);
        EXPECT_EQ(scene.run(100), 0);
        EXPECT_TRUE(scene.done == 0 && scene.framesDrawn == 10u);
        EXPECT_EQ(scene.run(0), 0);  // no time left still draws exactly one frame
        EXPECT_EQ(scene.framesDrawn, 11u);
    }
    std::ostringstream out;
    Scene::writeReport(out, 2100, 35012);
    Scene::writeReport(out, 7, 0);
    EXPECT_EQ(out.str(), "2100 frames draw\tAverage fps: 59.9794\n7 frames draw\tAverage fps: 0\n");
}

TEST(LoaderBar, FillsWithThePercentageAndRestoresTheStateTheScenesChanged) {
    ensureGL();
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glColor4f(0.25f, 0.5f, 0.75f, 1.0f);
    LoaderBar* bar = new LoaderBar(nullptr);
    const Frame empty = grabFrame([&] { bar->render(0); }), half = grabFrame([&] { bar->render(50); }),
                full = grabFrame([&] { bar->render(100); });
    glEnable(GL_BLEND);  // as a scene's constructor might leave it
    glDisable(GL_DEPTH_TEST);
    bar->deinit();
    delete bar;
    // A white outline (rows 216 and 264, columns 64 and 576) around a fill from x 66.5 to 66.5 + 5.07 per cent.
    auto white = [](RGB c) { return c.r == 255 && c.g == 255 && c.b == 255; };
    EXPECT_TRUE(white(empty.at(320, 216)) || white(empty.at(320, 215)));
    EXPECT_TRUE(!white(empty.at(320, 240)) && !white(empty.at(100, 240)));
    EXPECT_TRUE(white(half.at(300, 240)) && !white(half.at(340, 240)));
    EXPECT_TRUE(white(full.at(68, 240)) && white(full.at(572, 240)));
    for (auto [x, y] : {std::pair{65, 240}, {574, 240}, {320, 217}, {320, 300}})
        EXPECT_FALSE(white(full.at(x, y))) << "gap or outside at " << x << "," << y;
    EXPECT_TRUE(!glIsEnabled(GL_BLEND) && glIsEnabled(GL_DEPTH_TEST));
    float colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_FLOAT_EQ(colour[1], 0.5f);
}
