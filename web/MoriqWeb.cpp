// The page's entry points around the demo's own main: the set-up that makes every buffer swap yield to
// the browser (the demo's blocking scene loop runs under Asyncify), the drawing size the page asks for
// between two frames, the GL layer's start in each new WebGL context, the still of one moment for ?at=,
// and the soundtrack's path, which the page fills in before main starts.
#include "Capture.h"
#include "Clock.h"
#include "Raster.h"
#include "SDLWindow.h"
#include "Timeline.h"

#include "moriqgl/moriqgl.h"

#include <emscripten.h>
#include <emscripten/html5.h>

#include <iostream>

extern "C" {

// From library.js: suspends until the browser's next animation frame.
void moriq_next_frame(void);

}  // extern "C"

namespace {

// The size the page last asked for, applied when the next frame starts; 0 when there is none.
int askedWidth = 0;
int askedHeight = 0;

// At the start of a frame, inside the browser's animation frame: the canvas takes the new size and the
// picture follows, before anything is drawn, so no frame is shown stretched or cleared.
void applyAskedSize() {
    if (!askedWidth) return;
    const int width = askedWidth;
    const int height = askedHeight;
    askedWidth = askedHeight = 0;
    if (Raster::pictureArea(width, height).width <= 0) return;
    emscripten_set_canvas_element_size("#canvas", width, height);
    Raster::resize(width, height);
}

}  // namespace

extern "C" {

// Before main: each finished frame is shown by handing control back to the browser until its next frame,
// where the page's events (Escape, a new size) are delivered and SDL's event queue fills.
EMSCRIPTEN_KEEPALIVE void moriq_web_setup(void) {
    askedWidth = askedHeight = 0;
    Clock::onSwap([] {
        moriq_next_frame();
        applyAskedSize();
    });
}

// The page's canvas should be drawn at width x height pixels from the next frame on (the window or full
// screen changed, or frames ran late); the demo's main opened it at the canvas's size with --native.
EMSCRIPTEN_KEEPALIVE void moriq_web_resize(int width, int height) {
    askedWidth = width;
    askedHeight = height;
}

// library.js calls it as soon as SDL_SetVideoMode has made a WebGL 2 context current, before the demo's
// first GL call; the page gives every play a canvas and context of its own, as a new process has natively.
EMSCRIPTEN_KEEPALIVE void moriq_web_gl_start(void) {
    moriqgl::load(emscripten_webgl_get_proc_address);
}

EMSCRIPTEN_KEEPALIVE const char* moriq_web_soundtrack(void) {
    return Timeline::demo().soundtrack;
}

// Draws the moment ms as moriq-capture --at --size WIDTHxHEIGHT does (the clock driven at 60 fps from the
// first scene) and leaves it on the canvas. Returns 0, or 1 when nothing was drawn, 2 for a moment outside
// the timeline.
EMSCRIPTEN_KEEPALIVE int moriq_web_still(int ms, int width, int height) {
    const Timeline& timeline = Timeline::demo();
    if (ms < 0 || ms >= timeline.length()) {
        std::cerr << "?at= takes a moment from 0 to " << timeline.length() - 1 << " ms, not " << ms << std::endl;
        return 2;
    }
    SDLWindow window(width, height, false);
    if (!window.screen) return 1;
    // Emscripten's SDL gives a screen even where the browser refused the WebGL 2 context; the GL layer is
    // not started then, nothing is drawn, and reading the still back would throw.
    if (!emscripten_webgl_get_current_context()) {
        std::cerr << "the browser gave the page no WebGL 2 context" << std::endl;
        return 1;
    }
    Raster::fitInto(width, height);
    bool drawn = false;
    // The scenes' end-of-scene lines belong to the demo playing, not to a still; the tool hides them too.
    std::streambuf* out = std::cout.rdbuf(nullptr);
    {
        Capture capture(window.screen, timeline);
        capture.play(ms, ms, 60, [&](long) {
            drawn = true;
            return false;
        }, true);
    }
    std::cout.rdbuf(out);
    if (!drawn) {
        std::cerr << "no frame was drawn at " << ms << " ms" << std::endl;
        return 1;
    }
    // Reading a pixel back waits until the browser has drawn every frame queued, so once the line is
    // out, the still is on the canvas.
    EM_ASM(GLctx.readPixels(0, 0, 1, 1, GLctx.RGBA, GLctx.UNSIGNED_BYTE, new Uint8Array(4)));
    std::cout << "still at " << ms << " ms" << std::endl;
    return 0;
}

}  // extern "C"
