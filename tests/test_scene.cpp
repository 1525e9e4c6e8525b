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

#include <cstdio>
#include <sstream>
#include <vector>

using namespace moriqtest;

namespace {

unsigned int fakeNow = 0;

void push(Uint8 type, SDLKey key = SDLK_UNKNOWN) {
    SDL_Event e = {};
    e.type = type;
    e.key.keysym.sym = key;
    SDL_PushEvent(&e);
}

void drainEvents() {
    SDL_Event e;
    while (SDL_PollEvent(&e)) {}
}

// A scene started on a driven clock at 1000 ms with an empty event queue. Every frame takes 10 ms
// of driven time, and may push a close request at a chosen frame.
struct StepScene : Scene {
    int pushQuitAtFrame = -1;
    StepScene() {
        ensureGL();
        drainEvents();
        fakeNow = 1000;
        Clock::drive([] { return fakeNow; });
        init();
    }
    ~StepScene() override {
        drainEvents();
        clearTime();
    }
    void render() override {
        if (static_cast<int>(framesDrawn) == pushQuitAtFrame) push(SDL_QUIT);
        fakeNow += 10;
    }
    using Scene::set640x480;
    using Scene::unsetOrtho;
};

bool white(RGB p) { return p.r == 255 && p.g == 255 && p.b == 255; }
bool black(RGB p) { return p.r == 0 && p.g == 0 && p.b == 0; }

}  // namespace

TEST(SceneLoop, EscapeAndCloseRequests) {
    {  // Escape among queued events ends at once; what follows it stays queued.
        StepScene scene;
        push(SDL_KEYUP, SDLK_ESCAPE);
        push(SDL_KEYDOWN, SDLK_ESCAPE);
        push(SDL_QUIT);
        EXPECT_EQ(scene.run(5000), 1);
        EXPECT_EQ(scene.framesDrawn, 0u);
        SDL_Event left;
        ASSERT_EQ(SDL_PollEvent(&left), 1);
        EXPECT_EQ(left.type, SDL_QUIT);
    }
    {  // A close request before Escape in the same poll does not swallow it.
        StepScene scene;
        fakeNow += 50;
        push(SDL_QUIT);
        push(SDL_KEYDOWN, SDLK_ESCAPE);
        EXPECT_EQ(scene.run(5000), 1);
        EXPECT_EQ(scene.done, 50);
    }
    {  // A close request ends the scene after one more frame.
        StepScene scene;
        scene.pushQuitAtFrame = 3;
        EXPECT_EQ(scene.run(5000), 0);
        EXPECT_EQ(scene.framesDrawn, 5u);
        EXPECT_EQ(scene.done, 40);
    }
    {  // One read at 0 ms is ignored; the scene plays its time and one last frame after it.
        StepScene scene;
        push(SDL_QUIT);
        EXPECT_EQ(scene.run(100), 0);
        EXPECT_EQ(scene.done, 0);
        EXPECT_EQ(scene.framesDrawn, 10u);
    }
    {  // No time to play still draws exactly one frame.
        StepScene scene;
        EXPECT_EQ(scene.run(0), 0);
        EXPECT_EQ(scene.run(-5), 0);
        EXPECT_EQ(scene.framesDrawn, 2u);
    }
}

TEST(SceneReport, FormatsFramesAndAverageRate) {
    std::ostringstream out;
    Scene::writeReport(out, 2100, 35012);
    Scene::writeReport(out, 7, 0);
    EXPECT_EQ(out.str(), "2100 frames draw\tAverage fps: 59.9794\n7 frames draw\tAverage fps: 0\n");
}

TEST(SceneProjection, UnsetOrthoRestoresBothMatrices) {
    StepScene scene;
    glTranslatef(1, 2, 3);
    auto matrix = [](GLenum which) {
        std::vector<float> m(16);
        glGetFloatv(which, m.data());
        return m;
    };
    const std::vector<float> projection = matrix(GL_PROJECTION_MATRIX), modelview = matrix(GL_MODELVIEW_MATRIX);
    scene.set640x480();
    EXPECT_FLOAT_EQ(matrix(GL_PROJECTION_MATRIX)[5], -2.0f / 480);  // y grows downward
    scene.unsetOrtho();
    EXPECT_EQ(matrix(GL_PROJECTION_MATRIX), projection);
    EXPECT_EQ(matrix(GL_MODELVIEW_MATRIX), modelview);  // and the model-view matrix is current again
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
    std::remove(path.c_str());
    GLint bound = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, 0);

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

TEST(LoaderBar, EmptyAndFullBarsAndTheStateItRestores) {
    ensureGL();
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glColor4f(0.25f, 0.5f, 0.75f, 1.0f);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    LoaderBar* bar = new LoaderBar(nullptr);
    const Frame empty = grabFrame([&] { bar->render(0); });
    const Frame full = grabFrame([&] { bar->render(100); });
    glEnable(GL_BLEND);  // as a scene's loading might leave it
    glDisable(GL_DEPTH_TEST);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    bar->deinit();
    delete bar;

    // Outline rows at y = 216 and 264; the fill spans x 66.5 to 573.5 and y 218.4 to 261.6.
    EXPECT_TRUE(white(empty.at(320, 216)) || white(empty.at(320, 215)));
    EXPECT_TRUE(black(empty.at(320, 240)) && black(empty.at(100, 240)));
    EXPECT_TRUE(white(full.at(100, 240)) && white(full.at(320, 240)) && white(full.at(572, 240)));
    for (auto [x, y] : {std::pair{65, 240}, {574, 240}, {320, 217}, {320, 300}})
        EXPECT_TRUE(black(full.at(x, y))) << "gap or outside at " << x << "," << y;

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
