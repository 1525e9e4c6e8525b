// The picture-size seam: at its default the scenes set the demo's own viewport and line widths; set
// larger, the same calls cover the larger picture and thicken lines by its height over 480.
#include "GLTest.h"
#include "Greetings.h"
#include "Raster.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <vector>

using namespace moriqtest;

TEST(Raster, DefaultIsTheDemosOwnAndLargerSizesScaleViewportAndLines) {
    ensureGL();
    setTime(0);
    for (int height : {480, 1080}) {
        Raster::setSize(height * 4 / 3, height);
        Greetings greetings(nullptr);  // its cube outlines are the widest lines of the demo
        glViewport(0, 0, 1, 1);
        greetings.init();
        GLint viewport[4];
        GLfloat width = 0;
        glGetIntegerv(GL_VIEWPORT, viewport);
        glGetFloatv(GL_LINE_WIDTH, &width);
        EXPECT_EQ(std::vector<GLint>(viewport, viewport + 4), (std::vector<GLint>{0, 0, height * 4 / 3, height}));
        EXPECT_EQ(width, 5.0f * height / 480);
        Raster::reset();
        glGetFloatv(GL_LINE_WIDTH, &width);
        EXPECT_EQ(width, height / 480.0f);
    }
    Raster::setSize(640, 480);
    clearTime();
}
