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

namespace {

std::string tempDir() {
    char dir[] = "/tmp/moriq-ffmpegpipe-XXXXXX";
    return mkdtemp(dir) ? dir : "/tmp";
}

std::string script(const std::string& dir, const std::string& name, const std::string& body) {
    const std::string path = dir + "/" + name;
    std::ofstream(path) << "#!/bin/sh\n" << body;
    chmod(path.c_str(), 0755);
    return path;
}

}  // namespace

TEST(FfmpegPipe, FeedsEveryFrameToTheProgramAndReportsHowItEnded) {
    signal(SIGPIPE, SIG_IGN);
    const std::string dir = tempDir();
    // Copies its input to the output file, which ffmpeg takes as its last argument.
    const std::string copier = script(dir, "ffmpeg", "for a; do out=$a; done\ncat > \"$out\"\n");
    {
        FfmpegPipe pipe(copier, dir + "/out.mp4", 2, 1, 30, dir + "/sound.wav");
        ASSERT_TRUE(pipe.good());
        const unsigned char frames[3][6] = {{'a', 'b', 'c', 'd', 'e', 'f'}, {'g', 'h', 'i', 'j', 'k', 'l'},
                                            {'m', 'n', 'o', 'p', 'q', 'r'}};
        for (const auto& frame : frames) EXPECT_TRUE(pipe.write(frame, sizeof frame));
        EXPECT_TRUE(pipe.finish());
    }
    std::stringstream written;
    written << std::ifstream(dir + "/out.mp4").rdbuf();
    EXPECT_EQ(written.str(), "abcdefghijklmnopqr");

    // A program that quits without reading: writes fail once the pipe is gone, and the exit status shows.
    FfmpegPipe quitter(script(dir, "quitter", "exit 3\n"), dir + "/x.mp4", 640, 480, 60, dir + "/sound.wav");
    const std::string frame(640 * 480 * 3, '\0');
    bool failed = false;
    for (int i = 0; i < 100 && !failed; ++i)
        failed = !quitter.write(reinterpret_cast<const unsigned char*>(frame.data()), frame.size());
    EXPECT_TRUE(failed);
    EXPECT_FALSE(quitter.good());
    EXPECT_FALSE(quitter.finish());

    std::system(("rm -rf " + dir).c_str());
}
