// moriq-capture: renders the demo's timeline offline with a driven clock at a fixed frame rate, so the
// output is the same on every machine: a still PNG of one moment, numbered PNG frames, or a video with
// the soundtrack as the demo plays it, encoded by ffmpeg.
#include "Capture.h"
#include "FfmpegPipe.h"
#include "SDLWindow.h"
#include "Screenshot.h"
#include "Soundtrack.h"
#include "Timeline.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>

namespace {

const int WIDTH = 640;
const int HEIGHT = 480;

volatile sig_atomic_t stopRequested = 0;

void requestStop(int) {
    stopRequested = 1;
}

// SDL_Init puts its own SIGINT/SIGTERM handlers in, which only queue an SDL_QUIT event; replace them
// once SDL is up, so Ctrl-C ends the capture after the frame in hand.
void catchStopSignals() {
    struct sigaction action = {};
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

void usage() {
    std::cerr << "usage: moriq-capture --list\n"
                 "       moriq-capture --at MS --out FILE.png [--fps N]\n"
                 "       moriq-capture --video FILE.mp4|FILE.mkv|FILE.webm [--from MS] [--to MS] [--fps N]\n"
                 "       moriq-capture --frames DIR [--from MS] [--to MS] [--fps N]\n"
                 "  MS counts from the start of the first scene; the timeline is "
              << Timeline::length() << " ms long.\n"
                 "  --list prints the play list: scene, name, start and duration in ms, the files it reads.\n"
                 "  --fps N frames a second of the driven clock (default 60); --from/--to default to the\n"
                 "  whole timeline; --frames writes DIR/frame-NNNNNN.png, numbered from the timeline's start.\n";
}

bool parseInt(const char* text, int& value) {
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (!*text || *end || v < 0 || v > 100000000) return false;
    value = static_cast<int>(v);
    return true;
}

// One updating line on a terminal: frames done, frames a second and the time left.
class Progress {
public:
    explicit Progress(long total) : total(total), shown(isatty(2)) {}

    void frameDone() {
        const WallClock::time_point now = WallClock::now();
        // Rates count from the first frame: building the scenes before it says nothing about what is left.
        if (++done == 1) firstFrame = now;
        if (!shown || (now - lastShown < std::chrono::milliseconds(250) && done < total)) return;
        lastShown = now;
        const double since = std::chrono::duration<double>(now - firstFrame).count();
        const double rate = since > 0 ? (done - 1) / since : 0.0;
        const long left = rate > 0 ? static_cast<long>((total - done) / rate) : 0;
        fprintf(stderr, "\rmoriq-capture: frame %ld/%ld  %.1f fps  %ld:%02ld left\033[K", done, total, rate,
                left / 60, left % 60);
        fflush(stderr);
    }
    void finish() const {
        if (shown && done > 0) fputc('\n', stderr);
    }
    double seconds() const {
        return std::chrono::duration<double>(WallClock::now() - started).count();
    }

    long done = 0;

private:
    using WallClock = std::chrono::steady_clock;
    long total;
    bool shown;
    WallClock::time_point started = WallClock::now();
    WallClock::time_point firstFrame = started;
    WallClock::time_point lastShown = started;
};

// A file in the temporary directory, removed when it goes out of scope.
struct TempFile {
    TempFile() {
        const char* dir = std::getenv("TMPDIR");
        path = std::string(dir && *dir ? dir : "/tmp") + "/moriq-capture-XXXXXX";
        const int fd = mkstemp(&path[0]);
        if (fd < 0) {
            std::cerr << "moriq-capture: can't make a temporary file in " << path << ": " << std::strerror(errno)
                      << std::endl;
            path.clear();
        } else {
            close(fd);
        }
    }
    ~TempFile() {
        if (!path.empty()) unlink(path.c_str());
    }
    std::string path;
};

bool makeDirectory(const std::string& dir) {
    struct stat info;
    if (mkdir(dir.c_str(), 0777) == 0) return true;
    if (errno == EEXIST && stat(dir.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return true;
    std::cerr << "moriq-capture: can't make the directory " << dir << ": "
              << (errno == EEXIST ? "a file is in the way" : std::strerror(errno)) << std::endl;
    return false;
}

std::string frameFile(const std::string& dir, long frame) {
    char name[32];
    snprintf(name, sizeof name, "/frame-%06ld.png", frame);
    return dir + name;
}

// One line a scene, tab-separated: scene, name, start ms, duration ms, then each file it reads; the
// soundtrack last. Tests and scripts read the play list from here.
void printList() {
    const std::vector<Timeline::Entry>& entries = Timeline::entries();
    for (size_t i = 0; i < entries.size(); ++i) {
        std::cout << "scene\t" << entries[i].name << '\t' << Timeline::startOf(i) << '\t' << entries[i].duration;
        for (const char* file : entries[i].files) std::cout << '\t' << file;
        std::cout << '\n';
    }
    std::cout << "soundtrack\t" << Timeline::SOUNDTRACK << std::endl;
}

}  // namespace

int main(int argc, char** argv) {
    int at = -1;
    int fps = 60;
    int from = 0;
    int to = -1;
    std::string out, video, frames;
    if (argc == 2 && !std::strcmp(argv[1], "--list")) {
        printList();
        return 0;
    }
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (!std::strcmp(argv[i], "--at") && hasValue && parseInt(argv[i + 1], at)) {
            ++i;
        } else if (!std::strcmp(argv[i], "--fps") && hasValue && parseInt(argv[i + 1], fps) && fps > 0) {
            ++i;
        } else if (!std::strcmp(argv[i], "--from") && hasValue && parseInt(argv[i + 1], from)) {
            ++i;
        } else if (!std::strcmp(argv[i], "--to") && hasValue && parseInt(argv[i + 1], to)) {
            ++i;
        } else if (!std::strcmp(argv[i], "--out") && hasValue) {
            out = argv[++i];
        } else if (!std::strcmp(argv[i], "--video") && hasValue) {
            video = argv[++i];
        } else if (!std::strcmp(argv[i], "--frames") && hasValue) {
            frames = argv[++i];
        } else {
            usage();
            return 2;
        }
    }
    const int length = Timeline::length();
    const bool still = at >= 0 || !out.empty();
    if (still + !video.empty() + !frames.empty() != 1) {
        usage();
        return 2;
    }
    if (still && (at < 0 || out.empty() || at >= length || from != 0 || to >= 0)) {
        usage();
        return 2;
    }
    if (to < 0) to = length;
    if (!still && (from >= to || to > length)) {
        usage();
        return 2;
    }
    const long firstFrame = Capture::firstFrameAt(from, fps);
    const long endFrame = Capture::firstFrameAt(to, fps);
    if (!still && firstFrame >= endFrame) {
        std::cerr << "moriq-capture: no frame falls between " << from << " and " << to << " ms at " << fps
                  << " fps" << std::endl;
        return 2;
    }

    std::string ffmpeg;
    if (!video.empty()) {
        if (FfmpegPipe::codecArgs(video).empty()) {
            std::cerr << "moriq-capture: --video writes .mp4, .mkv or .webm files; " << video
                      << " is none of them" << std::endl;
            return 2;
        }
        ffmpeg = FfmpegPipe::findOnPath("ffmpeg");
        if (ffmpeg.empty()) {
            std::cerr << "moriq-capture: --video needs the ffmpeg program, which is not on PATH; "
                         "install it with: sudo apt-get install ffmpeg" << std::endl;
            return 1;
        }
    }
    if (!frames.empty() && !makeDirectory(frames)) return 1;

    SDLWindow window("Moriq-demo zu@r", WIDTH, HEIGHT, 16);
    if (!window.screen) {
        std::cerr << "moriq-capture needs an X display with OpenGL; without one, try: "
                     "xvfb-run -a -s \"-screen 0 1024x768x24\" build/moriq-capture ..." << std::endl;
        return 1;
    }
    catchStopSignals();
    // A write to ffmpeg after it died must fail, not kill the capture before it reports why.
    signal(SIGPIPE, SIG_IGN);
    // The scenes' end-of-scene lines are the demo's business, not the tool's.
    std::streambuf* coutBuffer = std::cout.rdbuf(nullptr);

    if (still) {
        Screenshot shot;
        {
            Capture capture(window.screen);
            capture.play(at, at, fps, [&](long, int) {
                shot = Screenshot::grab(WIDTH, HEIGHT);
                return false;
            }, true);
        }
        std::cout.rdbuf(coutBuffer);
        if (shot.rgb.empty()) {
            std::cerr << "moriq-capture: no frame was drawn at " << at << " ms" << std::endl;
            return 1;
        }
        return shot.savePng(out) ? 0 : 1;
    }

    // The sound is known before any picture is drawn, so it goes whole into a WAV file that ffmpeg reads
    // at its own pace; only the pictures need a pipe, and ffmpeg cannot stall waiting on two of them.
    std::unique_ptr<TempFile> wav;
    std::unique_ptr<FfmpegPipe> encoder;
    if (!video.empty() && !stopRequested) {
        const long firstSample = Soundtrack::frameSample(firstFrame, fps);
        const long endSample = Soundtrack::frameSample(endFrame, fps);
        const long fadeOutStart = Soundtrack::msSample(Timeline::startOf(Timeline::entries().size() - 1));
        const Soundtrack music(Timeline::SOUNDTRACK, endSample);
        const std::vector<int16_t> sound = music.render(firstSample, endSample, fadeOutStart);
        wav.reset(new TempFile);
        if (wav->path.empty() || !Soundtrack::writeWav(wav->path, sound)) {
            std::cout.rdbuf(coutBuffer);
            return 1;
        }
        if (!stopRequested) encoder.reset(new FfmpegPipe(ffmpeg, video, WIDTH, HEIGHT, fps, wav->path));
        if (encoder && !encoder->good()) {
            std::cout.rdbuf(coutBuffer);
            return 1;
        }
    }

    Progress progress(endFrame - firstFrame);
    bool written = true;
    if (!stopRequested) {
        // Building the scenes takes a while; a stop asked for meanwhile still ends at the first frame.
        Capture capture(window.screen);
        capture.play(from, to, fps, [&](long frame, int) {
            const Screenshot shot = Screenshot::grab(WIDTH, HEIGHT);
            written = encoder ? encoder->write(shot.rgb.data(), shot.rgb.size())
                              : shot.savePng(frameFile(frames, frame));
            progress.frameDone();
            return written && !stopRequested;
        });
    }
    progress.finish();
    std::cout.rdbuf(coutBuffer);

    const std::string target = video.empty() ? frames : video;
    if (stopRequested && progress.done == 0) {
        std::cerr << "moriq-capture: stopped before the first frame; nothing was written" << std::endl;
        return 130;
    }
    const bool encoded = !encoder || encoder->finish();
    if (!written || !encoded) {
        std::cerr << "moriq-capture: " << target << " could not be written"
                  << (encoder ? " (ffmpeg's messages are above)" : "") << std::endl;
        return 1;
    }
    const double seconds = static_cast<double>(progress.done) / fps;
    if (stopRequested) {
        std::cerr << "moriq-capture: stopped; " << target << " holds the " << progress.done << " frames done ("
                  << seconds << " s)" << std::endl;
        return 130;
    }
    std::cerr << "moriq-capture: wrote " << target << ": " << progress.done << " frames (" << seconds
              << " s) in " << progress.seconds() << " s" << std::endl;
    return 0;
}
