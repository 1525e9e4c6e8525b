// The capture tool's command line: renders a timeline offline with a driven clock at a fixed frame rate,
// so the output is the same on every machine: a still PNG of one moment, numbered PNG frames, or a video
// with the soundtrack as the demo plays it, encoded by ffmpeg; or prints the play list.
#include "CaptureTool.h"

#include "Cues.h"
#include "FfmpegPipe.h"
#include "FlashFilter.h"
#include "FrameTarget.h"
#include "Photosensitivity.h"
#include "Player.h"
#include "Raster.h"
#include "SDLWindow.h"
#include "Screenshot.h"
#include "Soundtrack.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iostream>
#include <memory>
#include <string>

namespace {

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

void usage(int length, std::ostream& out = std::cerr) {
    out << "usage: moriq-capture --list\n"
                 "       moriq-capture --at MS --out FILE.png [--fps N]\n"
                 "       moriq-capture --video FILE.mp4|FILE.mkv|FILE.webm [--quality fast|small] [--from MS] [--to MS]\n"
                 "                     [--fps N]\n"
                 "       moriq-capture --frames DIR [--from MS] [--to MS] [--fps N]\n"
                 "       moriq-capture --flashes [--from MS] [--to MS] [--fps N]\n"
                 "       moriq-capture --help\n"
                 "  MS counts from the start of the first scene; the timeline is "
              << length << " ms long.\n"
                 "  --list prints the play list: scene, name, start and duration in ms, the files it reads.\n"
                 "  --fps N frames a second of the driven clock (default 60); --from/--to default to the\n"
                 "  whole timeline; --frames writes DIR/frame-NNNNNN.png, numbered from the timeline's start.\n"
                 "  Stills, frames and videos take --size WxH (default 640x480): the demo's 4:3 picture drawn as\n"
                 "  large as fits, centred between black bars; and --supersample N (1 to 4, default 1): each\n"
                 "  frame drawn N times larger in each direction and scaled down, for smoother edges.\n"
                 "  --quality fast (default) encodes as screen recorders do, as fast as the demo plays; small\n"
                 "  takes three to six times the encoder's time for files about half the size.\n"
                 "  --help prints this and exits.\n"
                 "  --flashes counts flashes by WCAG 2.3.1 and prints a line a second (second, general flashes,\n"
                 "  red flashes, ok or over three) and a verdict; it exits 0 when no second exceeds three\n"
                 "  flashes, 1 when some do, 2 when it cannot tell (bad arguments, no display).\n"
                 "  --tracks DIR|FILE.rocket plays the sync tracks saved there (default: data/tracks).\n"
                 "  --reduce-flashes (with any of them) limits every frame as moriq-demo --reduce-flashes does:\n"
                 "  no area flashes more than three times a second, the rest of the picture unchanged. A still,\n"
                 "  or frames from --from past 0, have no frames before them: the limiter is warmed up over the\n"
                 "  second before, drawn but not written, so they are what a viewer playing up to them saw.\n";
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
        } else if (close(fd) != 0) {
            std::cerr << "moriq-capture: can't write the temporary file " << path << ": " << std::strerror(errno)
                      << std::endl;
            unlink(path.c_str());
            path.clear();
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

struct Options {
    enum Mode { LIST, STILL, FRAMES, VIDEO, FLASHES } mode = STILL;
    int at = -1;
    int fps = 60;
    int from = 0;
    int to = -1;                     // the timeline's end unless given
    int width = SDLWindow::WIDTH;    // of the frames written
    int height = SDLWindow::HEIGHT;
    int supersample = 1;
    bool reduceFlashes = false;
    std::string tracks;              // saved tracks: a folder or an editor's project; "" data/tracks
    FfmpegPipe::Quality quality = FfmpegPipe::Quality::FAST;
    bool qualityGiven = false;
    std::string path;                // the still, the frames' directory or the video
};

// Reads the arguments into options; says what is wrong (the usage, mostly) and returns false on bad ones.
bool parse(int argc, char** argv, int length, Options& options) {
    std::string out, video, frames;
    bool list = false, flashes = false;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (!std::strcmp(argv[i], "--list") && argc == 2) {
            list = true;
        } else if (!std::strcmp(argv[i], "--at") && hasValue && parseInt(argv[i + 1], options.at)) {
            ++i;
        } else if (!std::strcmp(argv[i], "--fps") && hasValue && parseInt(argv[i + 1], options.fps) &&
                   options.fps > 0) {
            ++i;
        } else if (!std::strcmp(argv[i], "--from") && hasValue && parseInt(argv[i + 1], options.from)) {
            ++i;
        } else if (!std::strcmp(argv[i], "--to") && hasValue && parseInt(argv[i + 1], options.to)) {
            ++i;
        } else if (!std::strcmp(argv[i], "--size") && hasValue) {
            const std::string why = Raster::readSize(argv[++i], options.width, options.height);
            if (!why.empty()) {
                std::cerr << "moriq-capture: " << why << std::endl;
                return false;
            }
        } else if (!std::strcmp(argv[i], "--supersample") && hasValue && parseInt(argv[i + 1], options.supersample) &&
                   options.supersample >= 1 && options.supersample <= 4) {
            ++i;
        } else if (!std::strcmp(argv[i], "--quality") && hasValue &&
                   FfmpegPipe::parseQuality(argv[i + 1], options.quality)) {
            options.qualityGiven = true;
            ++i;
        } else if (!std::strcmp(argv[i], "--out") && hasValue) {
            out = argv[++i];
        } else if (!std::strcmp(argv[i], "--video") && hasValue) {
            video = argv[++i];
        } else if (!std::strcmp(argv[i], "--frames") && hasValue) {
            frames = argv[++i];
        } else if (!std::strcmp(argv[i], "--tracks") && hasValue) {
            options.tracks = argv[++i];
        } else if (!std::strcmp(argv[i], "--flashes")) {
            flashes = true;
        } else if (!std::strcmp(argv[i], "--reduce-flashes")) {
            options.reduceFlashes = true;
        } else {
            usage(length);
            return false;
        }
    }
    if (list) {
        options.mode = Options::LIST;
        return true;
    }
    const bool still = options.at >= 0 || !out.empty();
    if (still + !video.empty() + !frames.empty() + flashes != 1 || (options.qualityGiven && video.empty())) {
        usage(length);
        return false;
    }
    // The encoders keep colour at half the resolution in both directions.
    if (!video.empty() && (options.width % 2 || options.height % 2)) {
        std::cerr << "moriq-capture: a video's width and height must be even; " << options.width << "x"
                  << options.height << " is not" << std::endl;
        return false;
    }
    if (still) {
        options.mode = Options::STILL;
        options.path = out;
        if (options.at < 0 || out.empty() || options.at >= length || options.from != 0 || options.to >= 0) {
            usage(length);
            return false;
        }
        return true;
    }
    options.mode = flashes ? Options::FLASHES : video.empty() ? Options::FRAMES : Options::VIDEO;
    options.path = flashes ? "the flash report" : video.empty() ? frames : video;
    if (options.to < 0) options.to = length;
    if (options.from >= options.to || options.to > length) {
        usage(length);
        return false;
    }
    if (Timeline::firstFrameAt(options.from, options.fps) >= Timeline::firstFrameAt(options.to, options.fps)) {
        std::cerr << "moriq-capture: no frame falls between " << options.from << " and " << options.to << " ms at "
                  << options.fps << " fps" << std::endl;
        return false;
    }
    return true;
}

// The GL window and the target the scenes draw in at the size asked for, with Ctrl-C caught and the
// scenes' end-of-scene lines, which are the demo's business and not the tool's, kept off standard output
// while it is open.
class Display {
public:
    explicit Display(const Options& options) {
        if (!window.screen) {
            std::cerr << "moriq-capture needs an X display with OpenGL; without one, try: "
                         "xvfb-run -a -s \"-screen 0 1024x768x24 -noreset\" build/moriq-capture ..." << std::endl;
            return;
        }
        target.reset(new FrameTarget(Letterbox(options.width, options.height, options.supersample)));
        if (!target->good()) return;
        if (options.reduceFlashes) limiter = target->flashFilter();
        catchStopSignals();
        // A write to ffmpeg after it died must fail, not kill the capture before it reports why.
        signal(SIGPIPE, SIG_IGN);
        coutBuffer = std::cout.rdbuf(nullptr);
    }
    ~Display() {
        if (coutBuffer) std::cout.rdbuf(coutBuffer);
    }
    Display(const Display&) = delete;
    Display& operator=(const Display&) = delete;

    // Null when there is no display or no target of the size asked for (the reason is on standard error).
    SDL_Surface* screen() const { return target && target->good() ? window.screen : nullptr; }
    // The finished frame; call it from a frame sink.
    const Screenshot& grab() { return target->grab(); }

private:
    SDLWindow window;  // the demo's, at its default size: every other size is drawn offscreen
    std::unique_ptr<FrameTarget> target;  // declared after the window: released while GL is still there
    std::unique_ptr<FlashFilter> limiter;  // after the target: its textures go while GL is there
    std::streambuf* coutBuffer = nullptr;
};

// One line a scene, tab-separated: scene, name, start ms, duration ms, then each file it reads; the
// soundtrack last. Tests and scripts read the play list from here.
int printList(const Timeline& timeline) {
    for (size_t i = 0; i < timeline.entries.size(); ++i) {
        const Timeline::Entry& entry = timeline.entries[i];
        std::cout << "scene\t" << entry.name << '\t' << timeline.startOf(i) << '\t' << entry.duration;
        for (const char* file : entry.files) std::cout << '\t' << file;
        std::cout << '\n';
    }
    std::cout << "soundtrack\t" << timeline.soundtrack << std::endl;
    return 0;
}

int writeStill(const Options& options, const Timeline& timeline) {
    Display display(options);
    if (!display.screen()) return 1;
    Screenshot shot;
    {
        Player player(display.screen(), timeline);
        Cues::load(player.tracks(), options.tracks, std::cerr);
        // The limiter's second before the still is drawn through it, and only the still is kept.
        const int from = options.reduceFlashes ? FlashFilter::warmUpFrom(options.at) : options.at;
        player.play(from, options.at, options.fps, [&](long frame) {
            if (frame >= 0) return true;
            shot = display.grab();
            return false;
        }, true);
    }
    if (shot.rgb.empty()) {
        std::cerr << "moriq-capture: no frame was drawn at " << options.at << " ms" << std::endl;
        return 1;
    }
    return shot.savePng(options.path) ? 0 : 1;
}

// Plays the frames from options.from to options.to into write, then says how it went: what --frames and
// --video share. encoder is finished here when there is one.
int record(const Options& options, const Timeline& timeline, Display& display,
           const std::function<bool(const Screenshot&, long frame)>& write, FfmpegPipe* encoder) {
    Progress progress(Timeline::firstFrameAt(options.to, options.fps) - Timeline::firstFrameAt(options.from, options.fps));
    bool written = true;
    if (!stopRequested) {
        // Building the scenes takes a while; a stop asked for meanwhile still ends at the first frame.
        Player player(display.screen(), timeline);
        Cues::load(player.tracks(), options.tracks, std::cerr);
        // With the limiter, the second before the first frame is drawn through it and not written.
        const long first = Timeline::firstFrameAt(options.from, options.fps);
        const int from = options.reduceFlashes ? FlashFilter::warmUpFrom(options.from) : options.from;
        player.play(from, options.to, options.fps, [&](long frame) {
            if (frame < first) return true;
            written = write(display.grab(), frame);
            progress.frameDone();
            return written && !stopRequested;
        });
    }
    progress.finish();

    if (stopRequested && progress.done == 0) {
        std::cerr << "moriq-capture: stopped before the first frame; nothing was written" << std::endl;
        return 130;
    }
    const bool encoded = !encoder || encoder->finish();
    if (!written || !encoded) {
        std::cerr << "moriq-capture: " << options.path << " could not be written"
                  << (encoder ? " (ffmpeg's messages are above)" : "") << std::endl;
        return 1;
    }
    const double seconds = static_cast<double>(progress.done) / options.fps;
    if (stopRequested) {
        std::cerr << "moriq-capture: stopped; " << options.path << " holds the " << progress.done << " frames done ("
                  << seconds << " s)" << std::endl;
        return 130;
    }
    std::cerr << "moriq-capture: wrote " << options.path << ": " << progress.done << " frames (" << seconds
              << " s) in " << progress.seconds() << " s" << std::endl;
    return 0;
}

int writeFrames(const Options& options, const Timeline& timeline) {
    if (!makeDirectory(options.path)) return 1;
    Display display(options);
    if (!display.screen()) return 1;
    return record(options, timeline, display, [&](const Screenshot& shot, long frame) {
        return shot.savePng(frameFile(options.path, frame));
    }, nullptr);
}

int writeVideo(const Options& options, const Timeline& timeline) {
    if (FfmpegPipe::codecArgs(options.path).empty()) {
        std::cerr << "moriq-capture: --video writes .mp4, .mkv or .webm files; " << options.path
                  << " is none of them" << std::endl;
        return 2;
    }
    const std::string ffmpeg = FfmpegPipe::findOnPath("ffmpeg");
    if (ffmpeg.empty()) {
        std::cerr << "moriq-capture: --video needs the ffmpeg program, which is not on PATH; "
                     "install it with: sudo apt-get install ffmpeg" << std::endl;
        return 1;
    }
    Display display(options);
    if (!display.screen()) return 1;

    // The sound is known before any picture is drawn, so it goes whole into a WAV file that ffmpeg reads
    // at its own pace; only the pictures need a pipe, and ffmpeg cannot stall waiting on two of them.
    TempFile wav;
    std::unique_ptr<FfmpegPipe> encoder;
    if (!stopRequested) {
        const long firstSample = Soundtrack::frameSample(Timeline::firstFrameAt(options.from, options.fps), options.fps);
        const long endSample = Soundtrack::frameSample(Timeline::firstFrameAt(options.to, options.fps), options.fps);
        const Soundtrack::Fades fades = {
            Soundtrack::msSample(timeline.musicFadeInMs),
            Soundtrack::msSample(timeline.startOf(timeline.entries.size() - 1)),
            Soundtrack::msSample(timeline.musicFadeOutMs),
        };
        const Soundtrack music(timeline.soundtrack, endSample);
        if (wav.path.empty() || !Soundtrack::writeWav(wav.path, music.render(firstSample, endSample, fades)))
            return 1;
        if (!stopRequested) encoder.reset(new FfmpegPipe(ffmpeg, options.path, options.width, options.height, options.fps, wav.path,
                                                         options.quality));
        if (encoder && !encoder->good()) return 1;
    }
    return record(options, timeline, display, [&](const Screenshot& shot, long) {
        return encoder->write(shot.rgb.data(), shot.rgb.size());
    }, encoder.get());
}

// Plays the frames into the flash meter, then prints its report, of the frames done when stopped too.
int reportFlashes(const Options& options, const Timeline& timeline) {
    Photosensitivity::Meter meter(options.fps);
    int status = 2;
    {
        // The report goes out once the display has given standard output back.
        Display display(options);
        if (!display.screen()) return 2;
        status = record(options, timeline, display, [&](const Screenshot& shot, long frame) {
            if (meter.add(frame, shot.rgb.data(), shot.width, shot.height)) return true;
            std::cerr << "moriq-capture: --flashes needs frames of 48x48 pixels or more" << std::endl;
            return false;
        }, nullptr);
    }
    if (status != 0 && (status != 130 || meter.seconds().empty())) return status == 130 ? 130 : 2;
    const bool over = Photosensitivity::print(std::cout, meter.seconds());
    return status ? status : over;
}

}  // namespace

int captureMain(int argc, char** argv, const Timeline& timeline) {
    // Asked for, the usage is the answer, on standard output, whatever else is on the line (as the demo's).
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            usage(timeline.length(), std::cout);
            return 0;
        }
    }
    Options options;
    if (!parse(argc, argv, timeline.length(), options)) return 2;
    switch (options.mode) {
    case Options::LIST: return printList(timeline);
    case Options::STILL: return writeStill(options, timeline);
    case Options::FRAMES: return writeFrames(options, timeline);
    case Options::VIDEO: return writeVideo(options, timeline);
    case Options::FLASHES: return reportFlashes(options, timeline);
    }
    return 2;
}
