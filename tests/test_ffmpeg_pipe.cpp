// The ffmpeg pipe writer against stand-in programs: frames arrive whole and in order, and a program
// that dies is noticed instead of killing the writer. Real encoding is covered by e2e_capture_video.py.
#include "FfmpegPipe.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

TEST(FfmpegPipe, FeedsEveryFrameToTheProgramAndReportsHowItEnded) {
    signal(SIGPIPE, SIG_IGN);
    char made[] = "/tmp/moriq-ffmpegpipe-XXXXXX";
    ASSERT_NE(mkdtemp(made), nullptr);
    const std::string dir = made;
    auto script = [&](const std::string& name, const std::string& body) {
        std::ofstream(dir + "/" + name) << "#!/bin/sh\n" << body;
        chmod((dir + "/" + name).c_str(), 0755);
        return dir + "/" + name;
    };
    {  // Copies its input to the output file, which ffmpeg takes as its last argument.
        FfmpegPipe pipe(script("ffmpeg", "for a; do out=$a; done\ncat > \"$out\"\n"), dir + "/out.mp4", 2, 1, 30, dir + "/a.wav");
        ASSERT_TRUE(pipe.good());
        for (const char* frame : {"abcdef", "ghijkl", "mnopqr"})
            EXPECT_TRUE(pipe.write(reinterpret_cast<const unsigned char*>(frame), 6));
        EXPECT_TRUE(pipe.finish());
    }
    std::stringstream written;
    written << std::ifstream(dir + "/out.mp4").rdbuf();
    EXPECT_EQ(written.str(), "abcdefghijklmnopqr");

    // A program that quits without reading: writes fail once the pipe is gone, and the exit status shows.
    FfmpegPipe quitter(script("quitter", "exit 3\n"), dir + "/x.mp4", 640, 480, 60, dir + "/a.wav");
    const std::string frame(640 * 480 * 3, '\0');
    bool failed = false;
    for (int i = 0; i < 100 && !failed; ++i)
        failed = !quitter.write(reinterpret_cast<const unsigned char*>(frame.data()), frame.size());
    EXPECT_TRUE(failed);
    EXPECT_FALSE(quitter.good());
    EXPECT_FALSE(quitter.finish());
    std::system(("rm -rf " + dir).c_str());
}
