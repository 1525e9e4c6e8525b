// FfmpegPipe: the ffmpeg program encoding a video file from raw RGB frames fed over a pipe, with the
// sound taken from a WAV file. Closing the pipe lets ffmpeg finish a playable file of what it got.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <vector>

class FfmpegPipe {
public:
    // The encoder arguments for the kind of file the name ends in (.mp4, .mkv, .webm); empty for others.
    static std::vector<std::string> codecArgs(const std::string& path);
    // The full path of an executable found on PATH; empty when there is none.
    static std::string findOnPath(const std::string& program);

    // Starts ffmpeg (found at program) writing out. It runs in its own process group, so a Ctrl-C at the
    // terminal reaches only this process, which then ends the input cleanly. Callers should ignore SIGPIPE:
    // a write after ffmpeg has died then fails instead of killing the process.
    FfmpegPipe(const std::string& program, const std::string& out, int width, int height, int fps,
               const std::string& wavPath);
    // Finishes if finish was not called.
    ~FfmpegPipe();
    FfmpegPipe(const FfmpegPipe&) = delete;
    FfmpegPipe& operator=(const FfmpegPipe&) = delete;

    // Whether ffmpeg started and has taken every frame so far.
    bool good() const { return fd >= 0 && !failed; }
    // Writes one frame (width * height * 3 bytes, rows top to bottom); false once ffmpeg stopped reading.
    bool write(const unsigned char* rgb, size_t bytes);
    // Closes ffmpeg's input, waits for it to write the file, and says whether it exited successfully.
    bool finish();

private:
    pid_t pid = -1;
    int fd = -1;            // the write end of ffmpeg's standard input
    bool failed = false;    // a write did not go through
    bool succeeded = false; // ffmpeg exited with status 0
};
