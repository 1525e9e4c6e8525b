// The capture's soundtrack: the demo's fades, frames cut into samples, rendering ranges, decoding and
// converting an Ogg Vorbis file, and silence for a file that is missing or not Ogg Vorbis.
#include "Soundtrack.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

const long SECOND = Soundtrack::RATE;

std::string tempDir() {
    char dir[] = "/tmp/moriq-soundtrack-XXXXXX";
    return mkdtemp(dir) ? dir : "/tmp";
}

// A mono 441 Hz sine at half scale and the given rate, encoded with oggenc.
std::string makeOgg(const std::string& dir, int rate, double seconds) {
    const std::string raw = dir + "/sine.raw", ogg = dir + "/sine.ogg";
    std::ofstream out(raw, std::ios::binary);
    for (long i = 0; i < static_cast<long>(rate * seconds); ++i) {
        const int16_t s = static_cast<int16_t>(16384 * std::sin(2 * M_PI * 441 * i / rate));
        out.put(static_cast<char>(s & 0xff)).put(static_cast<char>((s >> 8) & 0xff));
    }
    out.close();
    const std::string command = "oggenc -Q -r -R " + std::to_string(rate) + " -C 1 -B 16 -o " + ogg + " " + raw;
    EXPECT_EQ(std::system(command.c_str()), 0) << "oggenc (vorbis-tools) is needed: " << command;
    return ogg;
}

}  // namespace

TEST(SoundtrackFades, FadeInOverTheFirstSecondAndFadeOutOverFiveSecondsBeforeTheLastScene) {
    const long fadeOut = Soundtrack::msSample(110000);
    EXPECT_EQ(fadeOut, 110 * SECOND);
    EXPECT_DOUBLE_EQ(Soundtrack::gain(0, fadeOut), 0.0);
    EXPECT_DOUBLE_EQ(Soundtrack::gain(SECOND / 4, fadeOut), 0.25);
    EXPECT_DOUBLE_EQ(Soundtrack::gain(SECOND, fadeOut), 1.0);
    EXPECT_DOUBLE_EQ(Soundtrack::gain(60 * SECOND, fadeOut), 1.0);
    EXPECT_DOUBLE_EQ(Soundtrack::gain(fadeOut, fadeOut), 1.0);
    EXPECT_DOUBLE_EQ(Soundtrack::gain(fadeOut + SECOND, fadeOut), 0.8);
    EXPECT_DOUBLE_EQ(Soundtrack::gain(fadeOut + 5 * SECOND / 2, fadeOut), 0.5);
    EXPECT_DOUBLE_EQ(Soundtrack::gain(fadeOut + 5 * SECOND, fadeOut), 0.0);
    EXPECT_DOUBLE_EQ(Soundtrack::gain(fadeOut + 20 * SECOND, fadeOut), 0.0);

    // A fade-out begun half-way into the fade-in takes the volume down from one half at the same rate.
    EXPECT_DOUBLE_EQ(Soundtrack::gain(SECOND / 2, SECOND / 2), 0.5);
    EXPECT_DOUBLE_EQ(Soundtrack::gain(SECOND / 2 + 5 * SECOND / 4, SECOND / 2), 0.25);
    EXPECT_DOUBLE_EQ(Soundtrack::gain(SECOND / 2 + 5 * SECOND / 2, SECOND / 2), 0.0);
    // A timeline of one scene fades out before the music was ever heard.
    EXPECT_DOUBLE_EQ(Soundtrack::gain(SECOND / 2, 0), 0.0);
}

TEST(SoundtrackFrames, FramesShareEachSecondsSamplesWithoutGapsOrOverlaps) {
    for (int fps : {24, 25, 30, 50, 60, 144}) {
        EXPECT_EQ(Soundtrack::frameSample(0, fps), 0);
        long total = 0;
        for (long n = 7 * fps; n < 8 * fps; ++n) {
            const long samples = Soundtrack::frameSample(n + 1, fps) - Soundtrack::frameSample(n, fps);
            EXPECT_TRUE(samples == SECOND / fps || samples == SECOND / fps + 1) << fps << " fps, frame " << n;
            total += samples;
        }
        EXPECT_EQ(total, SECOND) << fps << " fps";
        EXPECT_EQ(Soundtrack::frameSample(8 * fps, fps), Soundtrack::msSample(8000));
    }
    EXPECT_EQ(Soundtrack::frameSample(1, 60), 735);
}

TEST(SoundtrackRender, AppliesTheFadesPerChannelAndIsSilentAfterTheMusicEnds) {
    std::vector<int16_t> music;
    for (long i = 0; i < 2 * SECOND; ++i) music.insert(music.end(), {10000, -20000});
    const Soundtrack track(music);
    const long fadeOut = 3 * SECOND / 2;
    const std::vector<int16_t> all = track.render(0, 3 * SECOND, fadeOut);
    ASSERT_EQ(all.size(), static_cast<size_t>(6 * SECOND));
    auto at = [&](long s, int c) { return all[2 * s + c]; };
    EXPECT_EQ(at(0, 0), 0);
    EXPECT_EQ(at(SECOND / 2, 0), 5000);
    EXPECT_EQ(at(SECOND / 2, 1), -10000);
    EXPECT_EQ(at(SECOND, 0), 10000);
    EXPECT_EQ(at(fadeOut - 1, 1), -20000);
    EXPECT_EQ(at(fadeOut + SECOND / 4, 0), 9500);
    EXPECT_EQ(at(fadeOut + SECOND / 4, 1), -19000);
    EXPECT_EQ(at(2 * SECOND - 1, 0), 9000);
    EXPECT_EQ(at(2 * SECOND, 0), 0);  // the music has ended
    EXPECT_EQ(at(3 * SECOND - 1, 1), 0);

    // A capture of part of the timeline hears exactly that part of the whole.
    const std::vector<int16_t> part = track.render(12345, 80000, fadeOut);
    EXPECT_TRUE(std::equal(part.begin(), part.end(), all.begin() + 2 * 12345));
}

TEST(SoundtrackDecode, ConvertsOggVorbisToStereoAtTheDemoRateAndCutsItWhereAsked) {
    const std::string dir = tempDir();
    const Soundtrack track(makeOgg(dir, 22050, 1.0), 10 * SECOND);
    EXPECT_NEAR(track.length(), SECOND, 64);  // one second, whatever the file's rate
    const std::vector<int16_t> sound = track.render(0, track.length(), 100 * SECOND);
    int peak = 0;
    long crossings = 0;
    // Past the fade-in: a 441 Hz tone at half scale in both channels.
    for (long s = SECOND / 2 + 1; s < SECOND - 100; ++s) {
        EXPECT_EQ(sound[2 * s], sound[2 * s + 1]);
        peak = std::max(peak, std::abs(static_cast<int>(sound[2 * s])));
        if ((sound[2 * s - 2] < 0) != (sound[2 * s] < 0)) ++crossings;
    }
    EXPECT_NEAR(peak, 16384, 800);
    EXPECT_NEAR(crossings, 441, 6);  // half a second of 441 Hz crosses zero 441 times

    EXPECT_EQ(Soundtrack(dir + "/sine.ogg", 1000).length(), 1000);

    const std::vector<float> ramp = {0, 1, 2, 3};
    EXPECT_EQ(Soundtrack::resample(ramp, 22050, 44100), (std::vector<float>{0, 0.5f, 1, 1.5f, 2, 2.5f, 3, 3}));
    EXPECT_EQ(Soundtrack::resample(std::vector<float>(480), 48000, 44100).size(), 441u);
    std::system(("rm -rf " + dir).c_str());
}

TEST(SoundtrackDecode, AMissingOrUndecodableFileIsReportedAndSilent) {
    const std::string dir = tempDir();
    std::ofstream(dir + "/text.ogg") << "not a sound\n";
    for (const std::string name : {"missing.ogg", "text.ogg"}) {
        testing::internal::CaptureStderr();
        const Soundtrack track(dir + "/" + name, SECOND);
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_NE(err.find(name), std::string::npos) << err;
        EXPECT_NE(err.find("silent"), std::string::npos) << err;
        EXPECT_EQ(track.length(), 0);
        const std::vector<int16_t> sound = track.render(0, SECOND, SECOND / 2);
        EXPECT_EQ(sound, std::vector<int16_t>(2 * SECOND, 0));
    }
    std::system(("rm -rf " + dir).c_str());
}
