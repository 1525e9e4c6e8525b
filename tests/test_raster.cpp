// The picture-size seam under a playing scene: a resize between two frames outlasts the scene's pop.
#include "GLTest.h"
#include "Greetings.h"
#include "Raster.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace moriqtest;

// The page resizes its canvas between two frames: the scene playing goes on at the new size (viewport,
// its 5-pixel outlines, its own clear colour kept), and its pop at the end must not bring the old size
// back, or the next scene, which draws in the viewport it finds, would shrink to a corner.
// Sizes, bars and line widths as seen in pictures are e2e_live_sizes.py's and e2e_capture_sizes.py's.
TEST(Raster, AResizeWhileAScenePlaysOutlastsTheScenesPop) {
    ensureGL();
    Raster::fitInto(640, 480);
    auto viewport = [] {
        GLint v[4];
        glGetIntegerv(GL_VIEWPORT, v);
        return std::vector<GLint>(v, v + 4);
    };
    auto lineWidth = [] {
        GLfloat width = 0;
        glGetFloatv(GL_LINE_WIDTH, &width);
        return width;
    };
    GLfloat clear[4];
    {
        Greetings greetings(nullptr);
        greetings.init();
        glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
        Raster::resize(1000, 600);  // an 800x600 picture between 100-pixel bars
        EXPECT_EQ(viewport(), (std::vector<GLint>{100, 0, 800, 600}));
        EXPECT_EQ(lineWidth(), 5.0f * 1.25f);
        GLfloat after[4];
        glGetFloatv(GL_COLOR_CLEAR_VALUE, after);
        EXPECT_TRUE(std::equal(clear, clear + 4, after));
        greetings.deinit();
        EXPECT_EQ(viewport(), (std::vector<GLint>{100, 0, 800, 600}));
        EXPECT_EQ(lineWidth(), 1.25f);
        glLineWidth(7.0f);
        Raster::reset();  // what the next scene starts from: thin lines at the picture's scale
        EXPECT_EQ(lineWidth(), 1.25f);
    }
    Raster::setSize(640, 480);
    Raster::reset();
}
