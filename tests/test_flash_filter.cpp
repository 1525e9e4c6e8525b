// The flash limiter drawn with GL in the after-frame slot, read back from a real window: a picture that
// does not flash comes out byte for byte as drawn (the corner it reads its cells from put back too); a
// full-window strobe is held to three flashes a second, the held frames blended toward the one before
// over the whole window; a cut starts it afresh; and the GL state the scene left is untouched. A strobe
// over part of the window is blended there alone, and measured as shown, in the window or letterboxed.
#include "Clock.h"
#include "FlashFilter.h"
#include "GLTest.h"
#include "Photosensitivity.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

using namespace moriqtest;

namespace {

unsigned int now = 0;

// Coloured triangles all over the window, in window pixels.
void drawDetail() {
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

// Draws a frame at `ms`: a picture with detail in every corner, or the strobe's white or black.
Frame frameAt(unsigned int ms, bool strobe, bool white = false) {
    now = ms;
    return grabFrame([&] {
        glViewport(0, 0, 640, 480);
        glClearColor(white, white, white, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        if (!strobe) drawDetail();
        Clock::present();
    });
}

// The strobe over the middle of the window, held with a margin of the window around it: its pixels from
// the top left, edges inside cells.
const int STROBE_LEFT = 230, STROBE_TOP = 150, STROBE_RIGHT = 421, STROBE_BOTTOM = 303;

// Frame `frame` at 60 fps: the detail with a 10 Hz strobe over part of it, its lit colour a new one each
// time, so a blend taking the wrong frame's pixels shows; the ground's blue creeps, so a blend at the
// held area's edge changes pixels there too.
Frame partStrobeAt(long frame) {
    now = static_cast<unsigned int>(frame * 1000 / 60);
    return grabFrame([&] {
        glViewport(0, 0, 640, 480);
        glClearColor(0.2f, 0.1f, 0.3f + static_cast<float>(frame % 10) * 0.01f, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        drawDetail();
        const bool lit = frame / 3 % 2;
        const float green = static_cast<float>(frame / 6 % 4) / 3;
        glColor3f(lit, lit * green, lit * (1 - green));
        glRecti(STROBE_LEFT, 480 - STROBE_BOTTOM, STROBE_RIGHT, 480 - STROBE_TOP);
        Clock::present();
    });
}

// A letterbox: the 640x480 picture halved (each pixel the mean of four) into a 400x300 frame at 40,30.
const FlashFilter::Placement LETTERBOX{400, 300, 40, 30, 320, 240};
// The frame from the picture, its rows from the top or (as GL reads them) from the bottom.
void letterbox(const unsigned char* picture, bool bottomUp, unsigned char* frame) {
    std::fill(frame, frame + LETTERBOX.frameWidth * LETTERBOX.frameHeight * 3, 0);
    for (int y = 0; y < LETTERBOX.height; ++y)
        for (int x = 0; x < LETTERBOX.width; ++x)
            for (int c = 0; c < 3; ++c) {
                int sum = 2;
                for (int dy = 0; dy < 2; ++dy) {
                    const int row = bottomUp ? 479 - (2 * y + dy) : 2 * y + dy;
                    for (int dx = 0; dx < 2; ++dx) sum += picture[(row * 640 + 2 * x + dx) * 3 + c];
                }
                frame[((LETTERBOX.y + y) * LETTERBOX.frameWidth + LETTERBOX.x + x) * 3 + c] =
                    static_cast<unsigned char>(sum / 4);
            }
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

// A strobe over part of the window: the limiter's cells are those of the frame shown, byte for byte, in
// the window and letterboxed; held pixels lie between the frame shown before and the one drawn (and away
// from the drawn one where their cell is held), and pixels outside the cells the blend touched come out
// as drawn.
TEST_F(FlashFilterTest, AStrobeOverPartIsBlendedThereAndMeasuredAsShown) {
    const int FRAMES = 60;
    std::vector<Frame> drawn;
    for (long frame = 0; frame < FRAMES; ++frame) drawn.push_back(partStrobeAt(frame));
    {
        const FlashFilter filter;
        std::vector<Flashes::Colour> cells;
        Frame before = drawn[0];
        int held = 0;
        for (long frame = 0; frame < FRAMES; ++frame) {
            const Frame shown = partStrobeAt(frame);
            Flashes::cellColours(shown.rgb.data(), 640, 480, cells);
            ASSERT_TRUE(cells == filter.limiter().showing()) << "frame " << frame;
            held += filter.limiter().holding();
            const Flashes::Box touched = filter.limiter().touched();
            for (int y = 1; y < 480; y += 6)
                for (int x = 2; x < 640; x += 7) {
                    const RGB s = shown.at(x, y), d = drawn[frame].at(x, y), b = before.at(x, y);
                    const Flashes::Box& t = touched;
                    const bool away = x < t.left * 640 / 48 || x >= t.right * 640 / 48 || y < t.top * 10 ||
                                      y >= t.bottom * 10;
                    if (away) {
                        ASSERT_TRUE(near(s, d, 0)) << "frame " << frame << " at " << x << "," << y;
                        continue;
                    }
                    auto between = [](int v, int a, int b) { return v >= std::min(a, b) - 2 && v <= std::max(a, b) + 2; };
                    ASSERT_TRUE(between(s.r, b.r, d.r) && between(s.g, b.g, d.g) && between(s.b, b.b, d.b))
                        << "frame " << frame << " at " << x << "," << y;
                    // Where its cell's corners hold a quarter or more there, a pixel that changed a lot is blended.
                    const std::vector<float>& corners = filter.limiter().corners();
                    const int V = FlashLimiter::VERTICES, cx = x * 48 / 640, cy = y / 10;
                    const float fx = (x + 0.5f - cx * 640 / 48) / ((cx + 1) * 640 / 48 - cx * 640 / 48),
                                fy = (y % 10 + 0.5f) / 10;
                    const float* top = &corners[cy * V + cx];
                    const float share = (top[0] * (1 - fx) + top[1] * fx) * (1 - fy) + (top[V] * (1 - fx) + top[V + 1] * fx) * fy;
                    if (share >= 0.25f && std::abs(b.r - d.r) >= 40) {
                        ASSERT_GE(std::abs(s.r - d.r), 3) << "frame " << frame << " at " << x << "," << y;
                    }
                }
            before = shown;
        }
        EXPECT_GT(held, 10);
    }
    const FlashFilter placed(LETTERBOX, [](const unsigned char* picture, unsigned char* frame) {
        letterbox(picture, true, frame);
    });
    std::vector<unsigned char> frame(LETTERBOX.frameWidth * LETTERBOX.frameHeight * 3);
    std::vector<Flashes::Colour> cells;
    int held = 0;
    for (long f = 0; f < FRAMES; ++f) {
        const Frame shown = partStrobeAt(f);
        letterbox(shown.rgb.data(), false, frame.data());
        Flashes::cellColours(frame.data(), LETTERBOX.frameWidth, LETTERBOX.frameHeight, cells);
        ASSERT_TRUE(cells == placed.limiter().showing()) << "frame " << f;
        held += placed.limiter().holding();
    }
    EXPECT_GT(held, 10);
}

}  // namespace
