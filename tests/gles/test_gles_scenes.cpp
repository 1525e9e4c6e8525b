// Each scene played through the GL layer (Mesa's OpenGL ES, no libGL): every call it makes is the layer's
// to take, and no frame waits for a shader variant. (The pictures themselves are compared with the capture
// tool's by the page's tests, which draw through the same layer.) And a context lost mid-scene comes back;
// the flash limiter holds a strobe back through the layer as it does on GL.
#include "Clock.h"
#include "EsContext.h"
#include "FlashFilter.h"
#include "Photosensitivity.h"
#include "Player.h"
#include "Timeline.h"
#include "moriqgl/moriqgl.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>

using namespace glestest;

namespace {

// The frame at ms, played through a freshly loaded layer.
Picture layerStill(int ms) {
    Picture picture;
    SDL_Surface* screen = startLayer();
    const int compiledAtLoad = moriqgl::compiledVariants();
    Player player(screen, Timeline::demo());
    player.play(ms, ms, 60, [&](long) {
        picture = readFrame();
        return true;
    }, true);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)) << "at " << ms << " ms";
    // Every shader variant the scenes draw with was compiled at load, behind the loading bar.
    EXPECT_EQ(moriqgl::compiledVariants(), compiledAtLoad) << "at " << ms << " ms";
    return picture;
}

}  // namespace

// The terrain's overlays, then one moment of each scene.
TEST(LayerScenes, LeaveNoGlErrorAndCompileNoShaderAfterLoad) {
    for (int ms : {5000, 13000, 45000, 64000, 76000, 100000, 112000}) layerStill(ms);
}

// The context lost half a second before the moment and a new one made current: after moriqgl::reload the
// scene plays on, its pictures remade, to the same still as without the loss.
TEST(LayerReload, TheSceneCarriesOnInANewContextToTheSamePicture) {
    const int ms = 13000;
    const Picture undisturbed = layerStill(ms);
    Picture picture;
    SDL_Surface* screen = startLayer();
    Player player(screen, Timeline::demo());
    bool replaced = false;
    player.play(ms - 500, ms, 60, [&](long) {
        if (!replaced) replaced = replaceContext() && moriqgl::reload();
        picture = readFrame();
        return true;
    }, true);
    ASSERT_TRUE(replaced);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    EXPECT_LT(percentDiffering(undisturbed, picture, 8), 0.01);
}

// A 10 Hz black-white strobe over the whole frame, limited through the layer: held to three flashes a
// second by the report's count (frames shown other than drawn), no GL error.
TEST(LayerFlashFilter, HoldsAStrobeToThreeFlashesASecond) {
    startLayer();
    unsigned int now = 0;
    const Clock::Drive drive([&now] { return now; });
    const FlashFilter filter;
    Clock::cut();
    Photosensitivity::Meter meter(60);
    int held = 0;
    for (long frame = 0; frame < 90; ++frame) {
        now = static_cast<unsigned int>(frame * 1000 / 60);
        const float level = frame / 3 % 2 ? 1.0f : 0.0f;
        glClearColor(level, level, level, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        Picture shown;
        const Clock::OnFrame read([&shown] { shown = readFrame(); });
        Clock::present();
        ASSERT_TRUE(meter.add(frame, shown.rgb.data(), shown.width, shown.height));
        const RGB centre = shown.at(320, 240);
        held += std::abs(centre.r - static_cast<int>(level * 255)) > 8;
    }
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    EXPECT_GT(held, 10);
    for (const Photosensitivity::Second& s : meter.seconds()) EXPECT_LE(s.general, 3) << "second " << s.second;
}
