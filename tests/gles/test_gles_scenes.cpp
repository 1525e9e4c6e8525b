// Each scene played through the GL layer (Mesa's OpenGL ES, no libGL): every call it makes is the layer's
// to take, and no frame waits for a shader variant. (The pictures themselves are compared with the capture
// tool's by the page's tests, which draw through the same layer.) And a context lost mid-scene comes back.
#include "EsContext.h"
#include "Player.h"
#include "Timeline.h"
#include "moriqgl/moriqgl.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

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
