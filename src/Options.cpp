// The live demo's options: --window, --native, --size WxH (with --window), --help, --version.
#include "Options.h"

#include "Raster.h"

#include <cstring>

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
        } else if (!std::strcmp(arg, "--size")) {
            if (i + 1 >= argc) return bad("--size needs a size, such as 1280x960");
            if (!Raster::parseSize(argv[++i], options.width, options.height))
                return bad(std::string("--size takes WxH (1 to 100000 each), not '") + argv[i] + "'");
            sized = true;
        } else {
            return bad(std::string("unknown option '") + arg + "'");
        }
    }
    if (options.window && options.native) return bad("--window and --native exclude each other");
    if (sized && !options.window) return bad("--size goes with --window");
    if (Raster::pictureArea(options.width, options.height).width == 0)
        return bad("--size " + std::to_string(options.width) + "x" + std::to_string(options.height) +
                   " has no room for a 4:3 picture");
    return options;
}

const char* Options::usage() {
    return "usage: moriq-demo [--window [--size WxH] | --native]\n"
           "  (no option)    full screen at 640x480\n"
           "  --window       in a 640x480 window\n"
           "  --size WxH     with --window: a window of that size, the 4:3 picture drawn at it between black bars\n"
           "  --native       full screen at the desktop's own size, the picture drawn sharp between black bars\n"
           "  --help         prints this and exits\n"
           "  --version      prints the version and exits\n"
           "Escape ends the demo; closing the window ends the scene that is playing.\n"
           "Reads its pictures and soundtrack (data/*.png, data/*.ogg) from data/ in the working directory,\n"
           "else from share/moriq-demo/data in the folder above the program's own.\n";
}
