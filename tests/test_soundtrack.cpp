// The capture's soundtrack: the demo's fades and frames cut into samples, and the demo's music decoded with
// its two channels apart. Encoding it into a video is covered by e2e_capture_video.py.
#include "Soundtrack.h"
#include "Timeline.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

const long SECOND = Soundtrack::RATE;

}  // namespace

// The demo's own fades are measured in e2e_capture_video.py's videos; these are the cases no capture meets.
TEST(SoundtrackFades, AFadeOutStartsFromTheVolumeReached) {
    // A fade-out begun half-way into a two-second fade-in takes the volume down from one quarter at its own rate.
    const Soundtrack::Fades early = {2 * SECOND, SECOND / 2, 2 * SECOND};
    EXPECT_DOUBLE_EQ(Soundtrack::gain(SECOND / 2 + SECOND / 4, early), 0.125);
    EXPECT_DOUBLE_EQ(Soundtrack::gain(SECOND, early), 0.0);
    // A timeline of one scene fades out before the music was ever heard.
    EXPECT_DOUBLE_EQ(Soundtrack::gain(SECOND / 2, Soundtrack::Fades{SECOND, 0, 5 * SECOND}), 0.0);
}

TEST(SoundtrackFrames, FramesShareEachSecondsSamplesWithoutGapsOrOverlaps) {
    for (int fps : {24, 30, 60, 144}) {
        for (long n = 7 * fps; n < 8 * fps; ++n) {
            const long samples = Soundtrack::frameSample(n + 1, fps) - Soundtrack::frameSample(n, fps);
            EXPECT_TRUE(samples == SECOND / fps || samples == SECOND / fps + 1) << fps << " fps, frame " << n;
        }
        EXPECT_EQ(Soundtrack::frameSample(8 * fps, fps) - Soundtrack::frameSample(7 * fps, fps), SECOND) << fps;
        EXPECT_EQ(Soundtrack::frameSample(8 * fps, fps), Soundtrack::msSample(8000));
    }
}

TEST(SoundtrackDecoding, TheDemosMusicKeepsLeftAndRightApart) {
    const Soundtrack music(Timeline::demo().soundtrack, 2 * SECOND);
    ASSERT_EQ(music.length(), 2 * SECOND);
    const std::vector<int16_t> s = music.render(0, 2 * SECOND, Soundtrack::Fades{0, 2 * SECOND, 1});
    long apart = 0;  // about 3000 on average over these two seconds
    for (size_t i = 0; i < s.size(); i += 2) apart += std::abs(s[i] - s[i + 1]);
    EXPECT_GT(apart / (2 * SECOND), 1000) << "one channel twice";
}
