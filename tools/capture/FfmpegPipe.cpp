// Starting ffmpeg with posix_spawn, feeding it frames and collecting its exit status.
#include "FfmpegPipe.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iostream>

extern char** environ;

std::vector<std::string> FfmpegPipe::codecArgs(const std::string& path) {
    const size_t dot = path.find_last_of("./");
    if (dot == std::string::npos || path[dot] != '.') return {};
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    // yuv420p is what every player decodes; the encoders would otherwise keep more colour than players take.
    const std::vector<std::string> h264 = {"-c:v", "libx264", "-preset", "medium", "-crf", "20",
                                           "-pix_fmt", "yuv420p", "-c:a", "aac", "-b:a", "192k"};
    if (ext == "mp4") {
        std::vector<std::string> args = h264;
        args.insert(args.end(), {"-movflags", "+faststart"});  // playable while it downloads
        return args;
    }
    if (ext == "mkv") return h264;
    if (ext == "webm")
        return {"-c:v", "libvpx-vp9", "-crf", "32", "-b:v", "0", "-deadline", "good", "-cpu-used", "4",
                "-row-mt", "1", "-pix_fmt", "yuv420p", "-c:a", "libopus", "-b:a", "160k"};
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
                       const std::string& wavPath) {
    std::vector<std::string> args = {"ffmpeg", "-hide_banner", "-loglevel", "error", "-nostdin", "-y",
                                     "-f", "rawvideo", "-pix_fmt", "rgb24",
                                     "-video_size", std::to_string(width) + "x" + std::to_string(height),
                                     "-framerate", std::to_string(fps), "-i", "pipe:0", "-i", wavPath};
    const std::vector<std::string> codecs = codecArgs(out);
    args.insert(args.end(), codecs.begin(), codecs.end());
    // Stopped early, the sound (written whole beforehand) ends with the last picture.
    args.insert(args.end(), {"-shortest", out});
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(&a[0]);
    argv.push_back(nullptr);

    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        std::cerr << "FfmpegPipe: no pipe: " << std::strerror(errno) << std::endl;
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[0], 0);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    posix_spawnattr_setpgroup(&attr, 0);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGTERM);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF);
    const int err = posix_spawn(&pid, program.c_str(), &actions, &attr, argv.data(), environ);
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[0]);
    if (err != 0) {
        std::cerr << "FfmpegPipe: can't start " << program << ": " << std::strerror(err) << std::endl;
        pid = -1;
        close(fds[1]);
        return;
    }
    fd = fds[1];
}

FfmpegPipe::~FfmpegPipe() {
    finish();
}

bool FfmpegPipe::write(const unsigned char* rgb, size_t bytes) {
    if (!good()) return false;
    while (bytes > 0) {
        const ssize_t n = ::write(fd, rgb, bytes);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            failed = true;
            return false;
        }
        rgb += n;
        bytes -= static_cast<size_t>(n);
    }
    return true;
}

bool FfmpegPipe::finish() {
    if (fd >= 0) {
        close(fd);
        fd = -1;
    }
    if (pid < 0) return succeeded;
    int status = 0;
    pid_t waited;
    while ((waited = waitpid(pid, &status, 0)) < 0 && errno == EINTR) {}
    pid = -1;
    succeeded = waited > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return succeeded;
}
