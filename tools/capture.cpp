// moriq-capture: writes the demo's frame at a given moment of its timeline as a PNG file.
// The clock is driven at a fixed frame rate from the start, so the picture is the same on every machine.
#include "Capture.h"
#include "SDLWindow.h"
#include "Screenshot.h"
#include "Timeline.h"

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

namespace {

void usage() {
    std::cerr << "usage: moriq-capture --at MS --out FILE.png [--fps N]\n"
                 "  MS counts from the start of the first scene (0 to "
              << Timeline::length() - 1 << ").\n";
}

bool parseInt(const char* text, int& value) {
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (!*text || *end || v < 0 || v > 100000000) return false;
    value = static_cast<int>(v);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    int at = -1;
    int fps = 60;
    std::string out;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (!std::strcmp(argv[i], "--at") && hasValue && parseInt(argv[i + 1], at)) {
            ++i;
        } else if (!std::strcmp(argv[i], "--fps") && hasValue && parseInt(argv[i + 1], fps) && fps > 0) {
            ++i;
        } else if (!std::strcmp(argv[i], "--out") && hasValue) {
            out = argv[++i];
        } else {
            usage();
            return 2;
        }
    }
    if (at < 0 || out.empty() || at >= Timeline::length()) {
        usage();
        return 2;
    }

    SDLWindow window("Moriq-demo zu@r", 640, 480, 16);
    if (!window.screen) {
        std::cerr << "moriq-capture needs an X display with OpenGL; without one, try: "
                     "xvfb-run -a -s \"-screen 0 1024x768x24\" build/moriq-capture ..." << std::endl;
        return 1;
    }
    // The scenes' end-of-scene lines are the demo's business, not the tool's.
    std::streambuf* coutBuffer = std::cout.rdbuf(nullptr);

    Screenshot still;
    {
        Capture capture(window.screen);
        capture.play(at, at, fps, [&](long, int) {
            still = Screenshot::grab();
            return false;
        }, true);
    }
    std::cout.rdbuf(coutBuffer);
    if (still.rgb.empty()) {
        std::cerr << "moriq-capture: no frame was drawn at " << at << " ms" << std::endl;
        return 1;
    }
    return still.savePng(out) ? 0 : 1;
}
