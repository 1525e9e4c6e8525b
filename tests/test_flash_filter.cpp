// The flash limiter drawn with GL in the after-frame slot, read back from a real window: a picture that
// does not flash comes out byte for byte as drawn (the corner it reads its cells from put back too); a
// full-window strobe is held to three flashes a second, the held frames blended toward the one before
// over the whole window; a cut starts it afresh; and the GL state the scene left is untouched.
#include "Clock.h"
#include "FlashFilter.h"
#include "GLTest.h"
#include "Photosensitivity.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>

using namespace moriqtest;

namespace {

unsigned int now = 0;

// Draws a frame at `ms`: a picture with detail in every corner, or the strobe's white or black.
Frame frameAt(unsigned int ms, bool strobe, bool white = false) {
    now = ms;
    return grabFrame([&] {
        glViewport(0, 0, 640, 480);
        glClearColor(white, white, white, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        if (!strobe) {
            glMatrixMode(GL_PROJECTION);
            glLoadIdentity();
            glOrtho(0, 640, 0, 480, -1, 1);
            glMatrixMode(GL_MODELVIEW);
            glLoadIdentity();
            glBegin(GL_TRIANGLES);
            for (int i = 0; i < 40; ++i) {
                glColor3f((i * 37 % 255) / 255.0f, (i * 91 % 255) / 255.0f, (i * 13 % 255) / 255.0f);
                const float x = static_cast<float>(i * 53 % 620), y = static_cast<float>(i * 71 % 460);
                glVertex2f(x, y);
                glVertex2f(x + 31.5f, y + 7.25f);
                glVertex2f(x + 5.5f, y + 27.75f);
            }
            glEnd();
        }
        Clock::present();
    });
}

class FlashFilterTest : public ::testing::Test {
protected:
    void SetUp() override { ensureGL(); }
    const Clock::Drive drive{[] { return now; }};
};

TEST_F(FlashFilterTest, APictureThatDoesNotFlashComesOutAsDrawn) {
    const Frame plain = frameAt(0, false);
    const FlashFilter filter;
    for (unsigned int ms = 0; ms < 200; ms += 17) {
        const Frame limited = frameAt(ms, false);
        ASSERT_EQ(limited.rgb, plain.rgb) << "at " << ms << " ms";
    }
}

TEST_F(FlashFilterTest, AFullWindowStrobeIsHeldToThreeFlashesASecond) {
    const FlashFilter filter;
    Clock::cut();
    Photosensitivity::Meter meter(60);
    int blended = 0, firstHeld = -1;
    for (long frame = 0; frame < 120; ++frame) {
        const bool white = frame / 3 % 2;  // 10 Hz
        const Frame shown = frameAt(static_cast<unsigned int>(frame * 1000 / 60), true, white);
        ASSERT_TRUE(meter.add(frame, shown.rgb.data(), shown.width, shown.height));
        // Held frames are blended evenly, the corner the cells are read from and the centre alike.
        const RGB drawn = white ? RGB{255, 255, 255} : RGB{0, 0, 0};
        const RGB centre = shown.at(320, 240), corner = shown.at(20, 460);
        if (!near(centre, drawn, 2)) {
            ++blended;
            if (firstHeld < 0) firstHeld = static_cast<int>(frame);
            EXPECT_TRUE(near(corner, centre, 2)) << "frame " << frame;
        }
    }
    for (const Photosensitivity::Second& s : meter.seconds()) EXPECT_LE(s.general, 3) << "second " << s.second;
    // Blending left the scene's GL state as it was.
    EXPECT_EQ(integer(GL_MATRIX_MODE), GL_MODELVIEW);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_EQ(integer(GL_TEXTURE_BINDING_2D), 0);
    EXPECT_EQ(integer(GL_UNPACK_ALIGNMENT), 4);
    EXPECT_EQ(integer(GL_VIEWPORT), 0);
    EXPECT_GE(firstHeld, 18);  // three flashes pass as drawn
    EXPECT_GT(blended, 20);

    // After a cut the strobe starts afresh: the next frames come out as drawn.
    Clock::cut();
    for (long frame = 600; frame < 612; ++frame) {
        const bool white = frame / 3 % 2;
        const Frame shown = frameAt(static_cast<unsigned int>(frame * 1000 / 60), true, white);
        EXPECT_TRUE(near(shown.at(320, 240), white ? RGB{255, 255, 255} : RGB{0, 0, 0}, 0)) << "frame " << frame;
    }
}

}  // namespace
