// FfmpegPipe: the ffmpeg program encoding a video file from raw RGB frames fed over a pipe, with the
// sound taken from a WAV file. Closing the pipe lets ffmpeg finish a playable file of what it got. A thread
// of its own feeds the pipe, so the next frame is drawn while ffmpeg takes the last one.
#pragma once

#include <sys/types.h>

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class FfmpegPipe {
public:
    // FAST: as screen recorders encode (x264's superfast, ultrafast above 720p), as fast as the demo plays on
    // two cores; SMALL: x264's medium, files about half the size for three to six times the encoder's time.
    enum class Quality { FAST, SMALL };
    // The quality a --quality argument names (fast, small); false for another name.
    static bool parseQuality(const std::string& name, Quality& quality);
    // The encoder arguments for the kind of file the name ends in (.mp4, .mkv, .webm) and frames of
    // framePixels pixels; empty for other names.
    static std::vector<std::string> codecArgs(const std::string& path, long framePixels = 640 * 480,
                                              Quality quality = Quality::FAST);
    // The full path of an executable found on PATH; empty when there is none.
    static std::string findOnPath(const std::string& program);

    // Starts ffmpeg (found at program) writing out. It runs in its own process group, so a Ctrl-C at the
    // terminal reaches only this process, which then ends the input cleanly. Callers should ignore SIGPIPE:
    // a write after ffmpeg has died then fails instead of killing the process.
    FfmpegPipe(const std::string& program, const std::string& out, int width, int height, int fps,
               const std::string& wavPath, Quality quality = Quality::FAST);
    // Finishes if finish was not called.
    ~FfmpegPipe();
    FfmpegPipe(const FfmpegPipe&) = delete;
    FfmpegPipe& operator=(const FfmpegPipe&) = delete;

    // Whether ffmpeg started and has taken every frame handed over so far.
    bool good();
    // Hands one frame (width * height * 3 bytes, rows top to bottom) to the feeding thread, waiting while two
    // are still to be written; false once ffmpeg stopped reading.
    bool write(const unsigned char* rgb, size_t bytes);
    // Closes ffmpeg's input, waits for it to write the file, and says whether it exited successfully.
    // An encoder still running after timeoutMs is killed, with a message, and counts as failed.
    bool finish(int timeoutMs = FINISH_TIMEOUT_MS);
    // Flushing the encoder and moving an mp4's index to its front take seconds, not minutes.
    static const int FINISH_TIMEOUT_MS = 60000;

private:
    // The feeding thread: writes the queued frames in order until closing and none is left, or a write fails.
    void feed();
    bool writeAll(const unsigned char* data, size_t bytes);

    static const size_t QUEUED_FRAMES = 2;
    pid_t pid = -1;
    int fd = -1;            // the write end of ffmpeg's standard input
    bool succeeded = false; // ffmpeg exited with status 0
    std::thread feeder;
    std::mutex mutex;       // guards what follows
    std::condition_variable changed;
    std::deque<std::vector<unsigned char>> queued;  // frames to write, oldest first
    std::vector<std::vector<unsigned char>> spare;  // written frames' buffers, for the next ones
    bool closing = false;   // no more frames come
    bool failed = false;    // a write did not go through
};
