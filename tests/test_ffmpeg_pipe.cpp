// The ffmpeg pipe writer against a stand-in program that dies: noticed instead of killing the writer.
// Real encoding is covered by e2e_capture_video.py.
#include "FfmpegPipe.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <string>

TEST(FfmpegPipe, AProgramThatQuitsWithoutReadingIsNoticed) {
    signal(SIGPIPE, SIG_IGN);
    char dir[] = "/tmp/moriq-ffmpegpipe-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string quitter = std::string(dir) + "/quitter";
    std::ofstream(quitter) << "#!/bin/sh\nexit 3\n";
    chmod(quitter.c_str(), 0755);
    // Writes fail once the pipe is gone, and the exit status shows.
    FfmpegPipe pipe(quitter, std::string(dir) + "/x.mp4", 640, 480, 60, std::string(dir) + "/a.wav");
    const std::string frame(640 * 480 * 3, '\0');
    bool failed = false;
    for (int i = 0; i < 100 && !failed; ++i) failed = !pipe.write(reinterpret_cast<const unsigned char*>(frame.data()), frame.size());
    EXPECT_TRUE(failed);
    EXPECT_FALSE(pipe.good());
    EXPECT_FALSE(pipe.finish());
    std::system(("rm -rf " + std::string(dir)).c_str());
}
