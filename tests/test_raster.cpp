// The picture-size seam: left at its default, the scenes set the demo's own viewport and line widths;
// set larger, the same calls cover the larger picture and thicken lines by its height over 480.
#include "GLTest.h"
#include "Greetings.h"
#include "Raster.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>

using namespace moriqtest;

namespace {

using Viewport = std::array<GLint, 4>;

Viewport viewportAfterInit(Scene& scene) {
    glViewport(0, 0, 1, 1);
    scene.init();
    Viewport v;
    glGetIntegerv(GL_VIEWPORT, v.data());
    return v;
}

float lineWidth() {
    GLfloat w = 0;
    glGetFloatv(GL_LINE_WIDTH, &w);
    return w;
}

}  // namespace

TEST(Raster, DefaultIsTheDemosOwnAndLargerSizesScaleViewportAndLines) {
    ensureGL();
    setTime(0);
    {
        Greetings greetings(nullptr);
        EXPECT_EQ(viewportAfterInit(greetings), (Viewport{0, 0, 640, 480}));
        EXPECT_EQ(lineWidth(), 5.0f);
        greetings.deinit();
        Raster::setSize(1440, 1080);
        EXPECT_EQ(viewportAfterInit(greetings), (Viewport{0, 0, 1440, 1080}));
        EXPECT_EQ(lineWidth(), 11.25f);
        Raster::reset();
        EXPECT_EQ(lineWidth(), 2.25f);
    }
    Raster::setSize(640, 480);
    Raster::reset();
    clearTime();
}
