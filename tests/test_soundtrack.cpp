// The capture's soundtrack: the demo's fades, frames cut into samples and rendering ranges. Decoding a real file is covered by e2e_capture_video.py.
#include "Soundtrack.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

const long SECOND = Soundtrack::RATE;

}  // namespace

TEST(SoundtrackFades, FadeInOverTheFirstSecondAndFadeOutOverFiveSecondsBeforeTheLastScene) {
    const long fadeOut = Soundtrack::msSample(110000);
    EXPECT_EQ(fadeOut, 110 * SECOND);
    const std::pair<long, double> gains[] = {{0, 0.0}, {SECOND / 4, 0.25}, {SECOND, 1.0}, {fadeOut, 1.0},
                                             {fadeOut + SECOND, 0.8}, {fadeOut + 5 * SECOND, 0.0}, {fadeOut + 20 * SECOND, 0.0}};
    for (auto [sample, gain] : gains) EXPECT_DOUBLE_EQ(Soundtrack::gain(sample, fadeOut), gain) << sample;
    // A fade-out begun half-way into the fade-in takes the volume down from one half at the same rate.
    EXPECT_DOUBLE_EQ(Soundtrack::gain(SECOND / 2 + 5 * SECOND / 4, SECOND / 2), 0.25);
    EXPECT_DOUBLE_EQ(Soundtrack::gain(SECOND / 2 + 5 * SECOND / 2, SECOND / 2), 0.0);
    // A timeline of one scene fades out before the music was ever heard.
    EXPECT_DOUBLE_EQ(Soundtrack::gain(SECOND / 2, 0), 0.0);
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

TEST(SoundtrackRender, AppliesTheFadesPerChannelAndRendersAnyPartAlike) {
    std::vector<int16_t> music;
    for (long i = 0; i < 2 * SECOND; ++i) music.insert(music.end(), {10000, -20000});
    const Soundtrack track(music);
    const std::vector<int16_t> all = track.render(0, 3 * SECOND, 3 * SECOND / 2);
    ASSERT_EQ(all.size(), static_cast<size_t>(6 * SECOND));
    EXPECT_TRUE(all[SECOND] == 5000 && all[SECOND + 1] == -10000);                 // half-way into the fade-in
    EXPECT_TRUE(all[2 * (2 * SECOND - 1)] == 9000 && all[4 * SECOND + 1] == 0);  // fading out; the music ended
    // A capture of part of the timeline hears exactly that part of the whole.
    const std::vector<int16_t> part = track.render(12345, 80000, 3 * SECOND / 2);
    EXPECT_TRUE(std::equal(part.begin(), part.end(), all.begin() + 2 * 12345));
}
