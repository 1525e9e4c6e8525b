// Starting ffmpeg with posix_spawn, feeding it frames and collecting its exit status.
#include "FfmpegPipe.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iostream>

extern char** environ;

namespace {

// What posix_spawn needs to start the encoder: input as its standard input, a process group of its own
// and the stop signals at their defaults. error is the first set-up call's failure, or 0.
struct SpawnSetup {
    explicit SpawnSetup(int input) {
        error = posix_spawn_file_actions_init(&actions);
        haveActions = error == 0;
        if (error == 0) {
            error = posix_spawnattr_init(&attr);
            haveAttr = error == 0;
        }
        sigset_t defaults;
        sigemptyset(&defaults);
        sigaddset(&defaults, SIGPIPE);
        sigaddset(&defaults, SIGINT);
        sigaddset(&defaults, SIGTERM);
        if (error == 0) error = posix_spawn_file_actions_adddup2(&actions, input, 0);
        if (error == 0) error = posix_spawnattr_setpgroup(&attr, 0);
        if (error == 0) error = posix_spawnattr_setsigdefault(&attr, &defaults);
        if (error == 0) error = posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF);
    }
    ~SpawnSetup() {
        if (haveAttr) posix_spawnattr_destroy(&attr);
        if (haveActions) posix_spawn_file_actions_destroy(&actions);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
    bool haveActions = false;
    bool haveAttr = false;
    int error = 0;
};

}  // namespace

bool FfmpegPipe::parseQuality(const std::string& name, Quality& quality) {
    if (name == "fast") quality = Quality::FAST;
    else if (name == "small") quality = Quality::SMALL;
    else return false;
    return true;
}

std::vector<std::string> FfmpegPipe::codecArgs(const std::string& path, long framePixels, Quality quality) {
    const size_t dot = path.find_last_of("./");
    if (dot == std::string::npos || path[dot] != '.') return {};
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    const bool fast = quality == Quality::FAST;
    // yuv420p is what every player decodes; the encoders would otherwise keep more colour than players take.
    // At the same quality level the fast presets keep as much of the picture as medium (SSIM 0.994 for
    // superfast, 0.993 for ultrafast, against 0.991, on the metaballs at 1080p) in a third and a sixth of
    // its time, in files 1.7 and 2.7 times larger. Drawing takes most of two cores above 720p, so the
    // encoder gets what is left only with ultrafast.
    const char* preset = !fast ? "medium" : framePixels > 1280 * 720 ? "ultrafast" : "superfast";
    const std::vector<std::string> h264 = {"-c:v", "libx264", "-preset", preset, "-crf", "20",
                                           "-pix_fmt", "yuv420p", "-c:a", "aac", "-b:a", "192k"};
    if (ext == "mp4") {
        std::vector<std::string> args = h264;
        args.insert(args.end(), {"-movflags", "+faststart"});  // playable while it downloads
        return args;
    }
    if (ext == "mkv") return h264;
    if (ext == "webm")
        return {"-c:v", "libvpx-vp9", "-crf", "32", "-b:v", "0", "-deadline", fast ? "realtime" : "good",
                "-cpu-used", fast ? "8" : "4", "-row-mt", "1", "-pix_fmt", "yuv420p", "-c:a", "libopus", "-b:a", "160k"};
    return {};
}

std::string FfmpegPipe::findOnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
    size_t start = 0;
    for (;;) {
        const size_t end = dirs.find(':', start);
        std::string dir = dirs.substr(start, end == std::string::npos ? std::string::npos : end - start);
        const std::string candidate = (dir.empty() ? "." : dir) + "/" + program;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
        if (end == std::string::npos) return "";
        start = end + 1;
    }
}

FfmpegPipe::FfmpegPipe(const std::string& program, const std::string& out, int width, int height, int fps,
                       const std::string& wavPath, Quality quality) {
    std::vector<std::string> args = {"ffmpeg", "-hide_banner", "-loglevel", "error", "-nostdin", "-y",
                                     "-f", "rawvideo", "-pix_fmt", "rgb24",
                                     "-video_size", std::to_string(width) + "x" + std::to_string(height),
                                     "-framerate", std::to_string(fps), "-i", "pipe:0", "-i", wavPath};
    const std::vector<std::string> codecs = codecArgs(out, static_cast<long>(width) * height, quality);
    args.insert(args.end(), codecs.begin(), codecs.end());
    // Stopped early, the sound (written whole beforehand) ends with the last picture.
    args.insert(args.end(), {"-shortest", out});

    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        std::cerr << "FfmpegPipe: no pipe: " << std::strerror(errno) << std::endl;
        return;
    }
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(&a[0]);
    argv.push_back(nullptr);
    int err;
    {
        const SpawnSetup setup(fds[0]);
        err = setup.error;
        if (err != 0)
            std::cerr << "FfmpegPipe: can't prepare to start " << program << ": " << std::strerror(err) << std::endl;
        else if ((err = posix_spawn(&pid, program.c_str(), &setup.actions, &setup.attr, argv.data(), environ)) != 0)
            std::cerr << "FfmpegPipe: can't start " << program << ": " << std::strerror(err) << std::endl;
    }
    close(fds[0]);
    if (err != 0) {
        pid = -1;
        close(fds[1]);
        return;
    }
    fd = fds[1];
    feeder = std::thread([this] { feed(); });
}

FfmpegPipe::~FfmpegPipe() {
    finish();
}

bool FfmpegPipe::good() {
    const std::lock_guard<std::mutex> lock(mutex);
    return fd >= 0 && !failed;
}

bool FfmpegPipe::write(const unsigned char* rgb, size_t bytes) {
    std::unique_lock<std::mutex> lock(mutex);
    if (fd < 0 || closing) return false;
    changed.wait(lock, [this] { return failed || queued.size() < QUEUED_FRAMES; });
    if (failed) return false;
    std::vector<unsigned char> frame;
    if (!spare.empty()) {
        frame.swap(spare.back());
        spare.pop_back();
    }
    frame.assign(rgb, rgb + bytes);
    queued.push_back(std::move(frame));
    changed.notify_all();
    return true;
}

void FfmpegPipe::feed() {
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        changed.wait(lock, [this] { return closing || !queued.empty(); });
        if (queued.empty()) return;
        std::vector<unsigned char> frame = std::move(queued.front());
        queued.pop_front();
        lock.unlock();
        const bool written = writeAll(frame.data(), frame.size());
        lock.lock();
        spare.push_back(std::move(frame));
        if (!written) {
            // The frames still queued can go nowhere either; a writer waiting for room hears it.
            failed = true;
            queued.clear();
            changed.notify_all();
            return;
        }
        changed.notify_all();
    }
}

bool FfmpegPipe::writeAll(const unsigned char* data, size_t bytes) {
    while (bytes > 0) {
        const ssize_t n = ::write(fd, data, bytes);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        bytes -= static_cast<size_t>(n);
    }
    return true;
}

bool FfmpegPipe::finish(int timeoutMs) {
    if (feeder.joinable()) {
        // Every frame handed over is written first (or found unwritable).
        {
            const std::lock_guard<std::mutex> lock(mutex);
            closing = true;
        }
        changed.notify_all();
        feeder.join();
    }
    if (fd >= 0) {
        // Closing a pipe says nothing of what the reader made of it; the exit status does.
        close(fd);
        fd = -1;
    }
    if (pid < 0) return succeeded;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    int status = 0;
    pid_t waited;
    while ((waited = waitpid(pid, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < deadline)
        usleep(10000);
    const bool hung = waited == 0;
    if (hung) {
        std::cerr << "FfmpegPipe: the encoder did not finish within " << timeoutMs / 1000.0
                  << " s of its input's end; stopping it" << std::endl;
        // The whole process group, so nothing the encoder started is left behind.
        kill(-pid, SIGKILL);
        while ((waited = waitpid(pid, &status, 0)) < 0 && errno == EINTR) {}
    }
    pid = -1;
    // A frame that could not be handed over leaves the file short, whatever ffmpeg says of it.
    succeeded = !hung && waited > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0 && !failed;
    return succeeded;
}
