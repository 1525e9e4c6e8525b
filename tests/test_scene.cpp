// The scene loop's event rules, the report line, the flat projections, textures and the loading bar,
// all against a real GL context.
#include "Clock.h"
#include "GLTest.h"
#include "LoaderBar.h"
#include "PngFiles.h"
#include "Scene.h"
#include "Texture.h"

#include <GL/gl.h>
#include <gtest/gtest.h>
#include <png.h>

#include <sstream>

using namespace moriqtest;

namespace {

unsigned int fakeNow = 0;

// Every frame takes 10 ms of driven time, and may push an event at a chosen frame.
class StepScene : public Scene {
public:
    int pushQuitAtFrame = -1;
    void render() override {
        if (static_cast<int>(framesDrawn) == pushQuitAtFrame) push(SDL_QUIT);
        fakeNow += 10;
    }
    static void push(Uint8 type, SDLKey key = SDLK_UNKNOWN) {
        SDL_Event e = {};
        e.type = type;
        e.key.keysym.sym = key;
        SDL_PushEvent(&e);
    }
    using Scene::set640x480;
    using Scene::setOrtho;
    using Scene::unsetOrtho;
};

void drainEvents() {
    SDL_Event e;
    while (SDL_PollEvent(&e)) {}
}

class SceneLoop : public testing::Test {
protected:
    void SetUp() override {
        ensureGL();
        drainEvents();
        fakeNow = 1000;
        Clock::drive([] { return fakeNow; });
        scene.init();
    }
    void TearDown() override {
        drainEvents();
        clearTime();
    }
    StepScene scene;
};

}  // namespace

TEST_F(SceneLoop, EscapeEndsAtOnceAndLeavesLaterEventsQueued) {
    StepScene::push(SDL_KEYDOWN, SDLK_a);
    StepScene::push(SDL_KEYUP, SDLK_ESCAPE);
    StepScene::push(SDL_MOUSEBUTTONDOWN);
    StepScene::push(SDL_KEYDOWN, SDLK_ESCAPE);
    StepScene::push(SDL_QUIT);
    EXPECT_EQ(scene.run(5000), 1);
    EXPECT_EQ(scene.framesDrawn, 0u);
    SDL_Event left;
    ASSERT_EQ(SDL_PollEvent(&left), 1);
    EXPECT_EQ(left.type, SDL_QUIT);
}

TEST_F(SceneLoop, CloseBeforeEscapeStillEscapes) {
    fakeNow += 50;
    StepScene::push(SDL_QUIT);
    StepScene::push(SDL_KEYDOWN, SDLK_ESCAPE);
    EXPECT_EQ(scene.run(5000), 1);
    EXPECT_EQ(scene.done, 50);
}

TEST_F(SceneLoop, CloseEndsTheSceneAfterOneMoreFrame) {
    scene.pushQuitAtFrame = 3;
    EXPECT_EQ(scene.run(5000), 0);
    EXPECT_EQ(scene.framesDrawn, 5u);
    EXPECT_EQ(scene.done, 40);
}

TEST_F(SceneLoop, CloseAtZeroMillisecondsHasNoEffect) {
    StepScene::push(SDL_QUIT);
    EXPECT_EQ(scene.run(100), 0);
    EXPECT_EQ(scene.done, 0);
    EXPECT_EQ(scene.framesDrawn, 10u);  // the last frame is drawn after the time is up
}

TEST_F(SceneLoop, ZeroOrNegativeDurationDrawsExactlyOneFrame) {
    EXPECT_EQ(scene.run(0), 0);
    EXPECT_EQ(scene.framesDrawn, 1u);
    EXPECT_EQ(scene.run(-5), 0);
    EXPECT_EQ(scene.framesDrawn, 2u);
}

TEST(SceneReport, FormatsFramesAndAverageRate) {
    std::ostringstream out;
    Scene::writeReport(out, 2100, 35012);
    Scene::writeReport(out, 7, 0);
    Scene::writeReport(out, 60, 1000);
    EXPECT_EQ(out.str(), "2100 frames draw\tAverage fps: 59.9794\n"
                         "7 frames draw\tAverage fps: 0\n"
                         "60 frames draw\tAverage fps: 60\n");
}

TEST(SceneProjection, UnsetOrthoRestoresBothMatrices) {
    ensureGL();
    StepScene scene;
    scene.init();
    glTranslatef(1, 2, 3);
    float projection[16], modelview[16], after[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);

    scene.set640x480();
    glGetFloatv(GL_PROJECTION_MATRIX, after);
    EXPECT_FLOAT_EQ(after[0], 2.0f / 640);
    EXPECT_FLOAT_EQ(after[5], -2.0f / 480);  // y grows downward
    scene.unsetOrtho();

    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    glGetFloatv(GL_PROJECTION_MATRIX, after);
    for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(after[i], projection[i]);
    glGetFloatv(GL_MODELVIEW_MATRIX, after);
    for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(after[i], modelview[i]);
    glLoadIdentity();
}

TEST(TextureUpload, LeavesNothingBoundAndKeepsOddRowsStraight) {
    ensureGL();
    PngSpec odd;
    odd.width = 5;
    odd.height = 2;
    odd.colorType = PNG_COLOR_TYPE_RGB;
    for (int i = 0; i < 30; ++i) odd.rows.push_back(static_cast<unsigned char>(i * 8));
    const std::string path = tempPath("odd.png");
    ASSERT_TRUE(writePng(path, odd));

    Texture texture(path.c_str());
    GLint bound = -1, env = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, 0);
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &env);
    EXPECT_EQ(env, GL_MODULATE);

    texture.bind();
    unsigned char back[30] = {};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, back);
    glBindTexture(GL_TEXTURE_2D, 0);
    // Texture row 0 is the picture's bottom row, each pixel where the file put it.
    for (int i = 0; i < 15; ++i) {
        EXPECT_EQ(back[i], odd.rows[15 + i]);
        EXPECT_EQ(back[15 + i], odd.rows[i]);
    }
}

TEST(LoaderBarFrames, FillGrowsInsideTheOutline) {
    ensureGL();
    LoaderBar bar(nullptr);
    const Frame empty = grabFrame([&] { bar.render(0); });
    const Frame half = grabFrame([&] { bar.render(50); });
    const Frame full = grabFrame([&] { bar.render(100); });
    bar.deinit();
    full.savePng(outputPath("loaderbar-100.png"));

    auto white = [](RGB p) { return p.r == 255 && p.g == 255 && p.b == 255; };
    auto black = [](RGB p) { return p.r == 0 && p.g == 0 && p.b == 0; };
    // Outline rows at y = 216 and 264 (NDC 0.1 and -0.1); the fill spans 218.4 to 261.6.
    EXPECT_TRUE(white(empty.at(320, 216)) || white(empty.at(320, 215)));
    EXPECT_TRUE(black(empty.at(320, 240)));
    EXPECT_TRUE(black(empty.at(100, 240)));
    EXPECT_TRUE(white(half.at(100, 240)));
    EXPECT_TRUE(white(half.at(318, 240)));
    EXPECT_TRUE(black(half.at(322, 240)));
    EXPECT_TRUE(white(full.at(320, 240)));
    EXPECT_TRUE(white(full.at(572, 240)));
    // The gaps between fill and outline stay black: 2.5 pixels at the ends, 2.4 above and below.
    EXPECT_TRUE(black(full.at(65, 240)));
    EXPECT_TRUE(black(full.at(574, 240)));
    EXPECT_TRUE(black(full.at(320, 217)));
    EXPECT_TRUE(black(full.at(320, 300)));
}

TEST(LoaderBarFrames, DeinitRestoresTheStateScenesChangeWhileLoading) {
    ensureGL();
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glColor4f(0.25f, 0.5f, 0.75f, 1.0f);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);

    LoaderBar* bar = new LoaderBar(nullptr);
    glEnable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glColor4f(1, 0, 0, 0);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    bar->deinit();
    delete bar;

    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    float colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_FLOAT_EQ(colour[1], 0.5f);
    GLint env = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &env);
    EXPECT_EQ(env, GL_REPLACE);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glDisable(GL_DEPTH_TEST);
}
