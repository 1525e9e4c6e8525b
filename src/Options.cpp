// The live demo's options: --window, --native, --size WxH (with --window), --start SECONDS, --controls,
// --watch, --reduce-flashes, --sync [HOST:]PORT, --tracks DIR|FILE.rocket, --list-tracks, --help, --version.
#include "Options.h"

#include "Raster.h"
#include "Timeline.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

// Seconds from the first scene's start, decimals allowed, as milliseconds inside the play list; -1 for
// anything else.
int readStart(const char* text) {
    char* end = nullptr;
    const double seconds = std::strtod(text, &end);
    if (end == text || *end || !std::isfinite(seconds) || seconds < 0) return -1;
    const double ms = std::round(seconds * 1000.0);
    return ms < Timeline::demo().length() ? static_cast<int>(ms) : -1;
}

}  // namespace

Options Options::parse(int argc, const char* const* argv) {
    Options options;
    bool sized = false;
    auto bad = [&](const std::string& why) {
        options.action = BAD;
        options.error = why;
        return options;
    };
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (!std::strcmp(arg, "--help") || !std::strcmp(arg, "-h")) {
            options.action = HELP;
            return options;
        } else if (!std::strcmp(arg, "--version")) {
            options.action = VERSION;
            return options;
        } else if (!std::strcmp(arg, "--window")) {
            options.window = true;
        } else if (!std::strcmp(arg, "--native")) {
            options.native = true;
        } else if (!std::strcmp(arg, "--controls")) {
            options.controls = true;
        } else if (!std::strcmp(arg, "--watch")) {
            options.watch = true;
        } else if (!std::strcmp(arg, "--reduce-flashes")) {
            options.reduceFlashes = true;
        } else if (!std::strcmp(arg, "--list-tracks")) {
            options.action = LIST_TRACKS;
            return options;
        } else if (!std::strcmp(arg, "--sync")) {
            options.sync = true;
            // The address is optional: bare --sync is the editor's own default, 127.0.0.1:1338.
            if (i + 1 < argc && std::strncmp(argv[i + 1], "--", 2) != 0) {
                std::string why;
                if (!tracks::parseEndpoint(argv[++i], options.syncAt, why)) return bad("--sync: " + why);
            }
        } else if (!std::strcmp(arg, "--tracks")) {
            if (i + 1 >= argc) return bad("--tracks needs a folder of track files or an editor's .rocket project");
            options.tracks = argv[++i];
        } else if (!std::strcmp(arg, "--start")) {
            if (i + 1 >= argc) return bad("--start needs a moment in seconds, such as 64 or 12.5");
            options.startMs = readStart(argv[++i]);
            if (options.startMs < 0)
                return bad(std::string("--start takes seconds from 0 to below ") +
                           std::to_string(Timeline::demo().length() / 1000) + ", not '" + argv[i] + "'");
        } else if (!std::strcmp(arg, "--size")) {
            if (i + 1 >= argc) return bad("--size needs a size, such as 1280x960");
            const std::string why = Raster::readSize(argv[++i], options.width, options.height);
            if (!why.empty()) return bad(why);
            sized = true;
        } else {
            return bad(std::string("unknown option '") + arg + "'");
        }
    }
    if (options.window && options.native) return bad("--window and --native exclude each other");
    if (sized && !options.window) return bad("--size goes with --window");
    return options;
}

const char* Options::usage() {
    return "usage: moriq-demo [--window [--size WxH] | --native] [--start SECONDS] [--controls] [--watch]\n"
           "                  [--reduce-flashes] [--sync [HOST:]PORT] [--tracks DIR|FILE.rocket]\n"
           "                  [--list-tracks]\n"
           "  (no option)    full screen at 640x480\n"
           "  --window       in a 640x480 window\n"
           "  --size WxH     with --window: a window of that size, the 4:3 picture drawn at it between black bars\n"
           "  --native       full screen at the desktop's own size, the picture drawn sharp between black bars\n"
           "  --start S      plays from S seconds into the demo (decimals allowed), the music from there too\n"
           "  --controls     the viewer's keys: Space or K pauses and resumes, Left and Right go back and\n"
           "                 forward 5 s, Home goes to the start, 1 to 6 to the start of a scene, R turns\n"
           "                 the flash limiter (--reduce-flashes) on and off\n"
           "  --watch        reads pictures, the soundtrack and track files again when they change in the data\n"
           "                 folder (so does --sync); a file that fails keeps the one before, and a line over\n"
           "                 the picture says why\n"
           "  --reduce-flashes  holds back the parts of frames that would flash more than three times a\n"
           "                 second (WCAG 2.3.1), leaving the rest of the picture as it is\n"
           "  --sync [HOST:]PORT\n"
           "                 follows a sync editor (GNU Rocket's protocol) at HOST:PORT, 127.0.0.1:1338 when\n"
           "                 none is given: its keys show at once, its row and pause move the demo, and its\n"
           "                 save writes the tracks into the tracks folder; turns the viewer's keys on\n"
           "  --tracks DIR   plays the tracks saved in DIR (default: data/tracks) or in an editor's\n"
           "                 project FILE.rocket\n"
           "  --list-tracks  prints every track: name, the demo's own value, what it moves\n"
           "  --help         prints this and exits\n"
           "  --version      prints the version and exits\n"
           "Escape ends the demo; closing the window ends the scene that is playing.\n"
           "Reads its pictures and soundtrack (data/*.png, data/*.ogg) from data/ in the working directory,\n"
           "else from share/moriq-demo/data in the folder above the program's own.\n";
}
