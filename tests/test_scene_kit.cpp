// What every scene builds on: the fades and the picture overlays, drawn over GL state set up to defeat
// them, and the attribute save of init and deinit.
#include "Clock.h"
#include "GLTest.h"
#include "Scene.h"
#include "Texture.h"

#include <GL/gl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>

using namespace moriqtest;

namespace {

struct Kit : Scene {
    using Scene::fade;
    using Scene::overlay;
    using Scene::pushState;
};

// A white frame whose depth buffer, cleared to 0, fails every depth-tested fragment.
Frame drawOverWhite(const std::function<void()>& draw) {
    return grabFrame([&] {
        glClearColor(1, 1, 1, 1);
        glClearDepth(0.0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glClearDepth(1.0);
        draw();
        Clock::present();
    });
}

// The switches a fade or an overlay could leave behind, read back.
std::vector<int> switches() {
    std::vector<int> s;
    for (GLenum cap : {GL_LIGHTING, GL_TEXTURE_1D, GL_TEXTURE_2D, GL_TEXTURE_GEN_S, GL_DEPTH_TEST, GL_BLEND})
        s.push_back(glIsEnabled(cap));
    for (GLenum what : {GL_POLYGON_MODE, GL_BLEND_SRC, GL_TEXTURE_BINDING_2D, GL_MATRIX_MODE,
                        GL_MODELVIEW_STACK_DEPTH, GL_PROJECTION_STACK_DEPTH, GL_ATTRIB_STACK_DEPTH})
        s.push_back(integer(what));
    float colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    for (float c : colour) s.push_back(static_cast<int>(c * 100));
    return s;
}

}  // namespace

TEST(SceneKit, FadesOverlaysAndInitDeinitLeaveTheStateAsFound) {
    ensureGL();
    ASSERT_EQ(chdir(picture("").c_str()), 0);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    const std::unique_ptr<Texture> clear(new Texture("data/lmao.png")), quadrants(new Texture("data/hils.png"));
    // Nothing left bound, and modulated, so that the current colour's alpha fades a picture.
    GLint mode = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    EXPECT_TRUE(integer(GL_TEXTURE_BINDING_2D) == 0 && mode == GL_MODULATE) << mode;
    Kit kit;
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    // Lit, wireframe, depth-tested against a buffer nothing passes, unblended, textured where the bound
    // picture is clear, with sphere-mapped coordinates.
    glEnable(GL_LIGHTING);
    glEnable(GL_TEXTURE_1D);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_TEXTURE_GEN_S);
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glEnable(GL_DEPTH_TEST);
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    glBlendFunc(GL_ONE, GL_ZERO);
    clear->bind();
    glTexCoord2f(0.5f, 0.5f);
    glColor4f(0.2f, 0.4f, 0.6f, 0.8f);
    const std::vector<int> before = switches();

    const Frame half = drawOverWhite([&] { kit.fade(0.5f); });
    EXPECT_EQ(countNear(half, RGB{128, 128, 128}), 640 * 480);
    EXPECT_EQ(switches(), before);

    // The quadrants upright in 200 x 200 pixels from (100, 50), half seen over the white; moved right by 10.
    const Scene::Corner square[4] = {{0, 0, 100, 250}, {1, 0, 300, 250}, {1, 1, 300, 50}, {0, 1, 100, 50}};
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    const std::vector<int> plain = switches();
    const RGB red{242, 147, 147}, yellow{242, 237, 147};
    const Frame shown = drawOverWhite([&] { kit.overlay(quadrants.get(), square, 0.5f); });
    EXPECT_EQ(switches(), plain);
    const Frame moved = drawOverWhite([&] { kit.overlay(quadrants.get(), square, 0.5f, false, {true, 10, 0, false, 0}); });
    const Frame hidden = drawOverWhite([&] { kit.overlay(quadrants.get(), square, 1.0f, true); });
    EXPECT_TRUE(near(shown.at(100, 50), red) && near(shown.at(299, 249), yellow)) << int(shown.at(100, 50).g);
    EXPECT_TRUE(near(shown.at(99, 50), RGB{255, 255, 255}) && near(shown.at(300, 249), RGB{255, 255, 255}));
    EXPECT_TRUE(near(moved.at(109, 50), RGB{255, 255, 255}) && near(moved.at(110, 50), red));
    EXPECT_EQ(countNear(hidden, RGB{255, 255, 255}), 640 * 480) << "depth-tested behind everything";
    // A second init saves nothing more: the one deinit brings back the state of before the first.
    kit.pushState();
    kit.pushState();
    kit.deinit();
    EXPECT_EQ(switches(), plain);
    glPopAttrib();
}
