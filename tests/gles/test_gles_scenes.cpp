// Each scene drawn through the GL layer (Mesa's OpenGL ES, no libGL) against the same moment drawn by
// real OpenGL 1.1 (the capture tool's still): the share of pixels that differ clearly must stay small.
// The pictures are kept in the build tree (gles-stills/) to be looked at side by side.
#include "EsContext.h"
#include "Player.h"
#include "Timeline.h"
#include "moriqgl/moriqgl.h"

#include <GL/gl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>

using namespace glestest;

namespace {

struct Moment {
    const char* name;
    int ms;
    double maxPercent;  // of pixels off by more than TOLERANCE in some channel
};

void PrintTo(const Moment& m, std::ostream* out) {
    *out << m.name << " at " << m.ms << " ms";
}

const int TOLERANCE = 24;

std::string stillPath(const char* kind, int ms) {
    const std::string dir = std::string(MORIQ_BUILD_DIR) + "/gles-stills";
    mkdir(dir.c_str(), 0755);
    return dir + "/" + kind + "-" + std::to_string(ms) + ".png";
}

// The native still, drawn by the capture tool (it needs the X display the tests run under).
bool nativeStill(int ms, Picture* picture) {
    const std::string path = stillPath("native", ms);
    const std::string command = std::string(MORIQ_BUILD_DIR) + "/moriq-capture --at " + std::to_string(ms) +
                                " --out " + path + " >/dev/null";
    return std::system(command.c_str()) == 0 && loadPng(path, picture);
}

Picture layerStill(int ms) {
    Picture picture;
    SDL_Surface* screen = startLayer();
    const int compiledAtLoad = moriqgl::compiledVariants();
    Player player(screen, Timeline::demo());
    player.play(ms, ms, 60, [&](long) {
        picture = readFrame();
        return true;
    }, true);
    // The scenes' calls are all the layer's to take: none may leave a GL error.
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)) << "at " << ms << " ms";
    // Every shader variant the scenes draw with was compiled at load: no frame waited for one.
    EXPECT_EQ(moriqgl::compiledVariants(), compiledAtLoad) << "at " << ms << " ms";
    picture.savePng(stillPath("layer", ms));
    return picture;
}

class LayerStill : public testing::TestWithParam<Moment> {};

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

TEST_P(LayerStill, MatchesTheNativeStill) {
    const Moment m = GetParam();
    Picture native;
    ASSERT_TRUE(nativeStill(m.ms, &native)) << "moriq-capture failed at " << m.ms;
    const Picture layer = layerStill(m.ms);
    const double percent = percentDiffering(native, layer, TOLERANCE);
    std::cout << m.name << " at " << m.ms << " ms: " << percent << " % of pixels differ" << std::endl;
    EXPECT_LT(percent, m.maxPercent);
}

INSTANTIATE_TEST_SUITE_P(Scenes, LayerStill,
                         testing::Values(Moment{"overlays", 5000, 0.5}, Moment{"terrain", 13000, 1.5}, Moment{"metaballs", 45000, 0.5},
                                         Moment{"greetings", 64000, 0.5}, Moment{"cel", 76000, 2.5},
                                         Moment{"wireframe", 100000, 1.5}, Moment{"background", 112000, 0.5}),
                         [](const testing::TestParamInfo<Moment>& info) { return std::string(info.param.name); });

}  // namespace
