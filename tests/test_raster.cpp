// The picture-size seam: at its default the scenes set the demo's own viewport and line widths; set
// larger, the same calls cover the larger picture and thicken lines by its height over 480; in a frame of
// another shape the picture sits centred between black bars; resized while a scene plays, it stays resized.
#include "FunkyBackground.h"
#include "GLTest.h"
#include "Greetings.h"
#include "Raster.h"

#include <GL/gl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
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

// The live demo fits its picture into its window: at 640x480 nothing changes; at another frame shape (640x360
// inside the test window: a 480x360 picture, 80-pixel bars) the closing scene clears the whole frame grey
// and must still show between black bars, its quadrants in place and its lines scaled by 360 / 480.
TEST(Raster, ALiveFrameOfAnotherShapeShowsThePictureCentredBetweenBlackBars) {
    ensureGL();
    ASSERT_EQ(chdir(picture("").c_str()), 0);
    const int depth = integer(GL_ATTRIB_STACK_DEPTH);
    Frame f, plain, fitted;
    {
        FunkyBackground scene(nullptr);
        auto frameAt = [&](int ms) {
            setTime(0);
            scene.init();
            const Frame frame = renderAt(&scene, ms);
            scene.deinit();
            return frame;
        };
        // The demo's own size fitted as the live demo fits it: the same frame, byte for byte.
        plain = frameAt(700);
        Raster::fitInto(640, 480);
        fitted = frameAt(700);
        Raster::fitInto(640, 360);
        EXPECT_EQ(Raster::scale(), 0.75f);
        f = frameAt(0);
        setTime(0);
        scene.init();  // the destructor restores what this saves
    }
    EXPECT_TRUE(plain.rgb == fitted.rgb);
    EXPECT_EQ(integer(GL_ATTRIB_STACK_DEPTH), depth);
    Raster::setSize(640, 480);
    Raster::reset();
    clearTime();
    // The frame is the window's lowest 360 rows (GL counts from the bottom): rows 120 to 479 from the top.
    EXPECT_EQ(countNear(f, RGB{0, 0, 0}, 0, 120, 80, 480), 80 * 360);
    EXPECT_EQ(countNear(f, RGB{0, 0, 0}, 560, 120, 640, 480), 80 * 360);
    auto at = [&](int x, int y) { return f.at(80 + x * 3 / 4, 120 + y * 3 / 4); };  // a point of the 640x480 picture
    const RGB RED{230, 40, 40}, GREEN{40, 210, 40}, CYAN{40, 200, 220}, YELLOW{230, 220, 40};
    EXPECT_TRUE(near(at(100, 80), CYAN) && near(at(540, 80), YELLOW));
    EXPECT_TRUE(near(at(100, 400), RED) && near(at(540, 400), GREEN));
    EXPECT_EQ(countNear(f, RGB{179, 179, 179}, 0, 120, 640, 480), 0);
}

// The page resizes its canvas between two frames: the scene playing goes on at the new size (viewport,
// its 5-pixel outlines, its own clear colour kept), and its pop at the end must not bring the old size
// back, or the next scene, which draws in the viewport it finds, would shrink to a corner.
TEST(Raster, AResizeWhileAScenePlaysOutlastsTheScenesPop) {
    ensureGL();
    setTime(0);
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
    }
    Raster::setSize(640, 480);
    Raster::reset();
    clearTime();
}
