// The ffmpeg pipe writer against stand-in programs that die or hang: noticed instead of killing or
// hanging the writer. Real encoding is covered by e2e_capture_video.py.
#include "FfmpegPipe.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

namespace {

class StandIn : public testing::Test {
protected:
    void SetUp() override {
        signal(SIGPIPE, SIG_IGN);
        ASSERT_NE(mkdtemp(dir), nullptr);
    }
    void TearDown() override { std::system(("rm -rf " + std::string(dir)).c_str()); }
    // Starts the shell script body in place of ffmpeg.
    FfmpegPipe* start(const std::string& body) {
        const std::string program = std::string(dir) + "/ffmpeg";
        std::ofstream(program) << "#!/bin/sh\n" << body << "\n";
        chmod(program.c_str(), 0755);
        return new FfmpegPipe(program, std::string(dir) + "/x.mp4", 640, 480, 60, std::string(dir) + "/a.wav");
    }
    char dir[32] = "/tmp/moriq-ffmpegpipe-XXXXXX";
};

}  // namespace

TEST_F(StandIn, AProgramThatQuitsWithoutReadingIsNoticed) {
    std::unique_ptr<FfmpegPipe> pipe(start("exit 3"));
    // Writes fail once the pipe is gone, and the exit status shows.
    const std::string frame(640 * 480 * 3, '\0');
    bool failed = false;
    for (int i = 0; i < 100 && !failed; ++i) failed = !pipe->write(reinterpret_cast<const unsigned char*>(frame.data()), frame.size());
    EXPECT_TRUE(failed);
    EXPECT_FALSE(pipe->good());
    EXPECT_FALSE(pipe->finish());
}

TEST_F(StandIn, AnEncoderThatHangsAfterItsInputIsStoppedAndSaidSo) {
    // It takes every frame, then never finishes (within any wait a test would make).
    std::unique_ptr<FfmpegPipe> pipe(start("cat >/dev/null\nsleep 30"));
    const std::string frame(640 * 480 * 3, '\0');
    EXPECT_TRUE(pipe->write(reinterpret_cast<const unsigned char*>(frame.data()), frame.size()));
    testing::internal::CaptureStderr();
    EXPECT_FALSE(pipe->finish(100));
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("did not finish"), std::string::npos) << err;
}

TEST_F(StandIn, FramesReachTheEncoderWholeAndInTheirOrder) {
    // More frames than the feeding thread queues, each of its own value, so a lost, repeated or reordered
    // frame shows in what the encoder read.
    const std::string got = std::string(dir) + "/got";
    std::unique_ptr<FfmpegPipe> pipe(start("cat >'" + got + "'"));
    const size_t bytes = 640 * 480 * 3;
    std::string expected;
    for (int i = 0; i < 7; ++i) {
        const std::string frame(bytes, static_cast<char>('a' + i));
        ASSERT_TRUE(pipe->write(reinterpret_cast<const unsigned char*>(frame.data()), frame.size())) << i;
        expected += frame;
    }
    ASSERT_TRUE(pipe->finish());
    std::ifstream in(got, std::ios::binary);
    const std::string read((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(read.size(), expected.size());
    EXPECT_TRUE(read == expected) << "the frames arrived altered or out of order";
    // Finished, the pipe takes no more frames.
    EXPECT_FALSE(pipe->write(reinterpret_cast<const unsigned char*>(expected.data()), bytes));
}

TEST_F(StandIn, AnEncoderThatStopsReadingPartWayFailsTheFileEvenIfItExitsWell) {
    // It reads one frame and leaves with status 0: the frames after it could not be handed over.
    std::unique_ptr<FfmpegPipe> pipe(start("head -c 921600 >/dev/null; exit 0"));
    const std::string frame(640 * 480 * 3, 'x');
    for (int i = 0; i < 20 && pipe->good(); ++i) pipe->write(reinterpret_cast<const unsigned char*>(frame.data()), frame.size());
    EXPECT_FALSE(pipe->finish());
}
