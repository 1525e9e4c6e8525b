// The wireframe (second) metaballs instance fades through filled black quads, as the first does, and
// its blobs stay in wireframe after a fade.
#include "GLTest.h"
#include "Metaballs.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

using namespace moriqtest;

TEST(MetaballsFades, TheWireframeInstanceFadesThroughFilledQuads) {
    ensureGL();
    setTime(85000);  // past 80 s on the clock: ten balls in wireframe
    std::unique_ptr<Metaballs> scene(new Metaballs(nullptr));
    scene->init();
    auto black = [](const Frame& f) { return std::all_of(f.rgb.begin(), f.rgb.end(), [](unsigned char c) { return c == 0; }); };
    EXPECT_TRUE(black(renderAt(scene.get(), 85000))) << "opaque at the start";
    EXPECT_TRUE(black(renderAt(scene.get(), 110000))) << "opaque at the end";
    GLint mode[2] = {0, 0};
    glGetIntegerv(GL_POLYGON_MODE, mode);
    EXPECT_EQ(mode[0], GL_LINE);
    EXPECT_EQ(mode[1], GL_LINE);
    scene.reset();
    clearTime();
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}
