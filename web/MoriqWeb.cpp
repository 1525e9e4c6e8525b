// The page's entry points around the demo's own main: the set-up that makes every buffer swap yield to
// the browser (the demo's blocking scene loop runs under Asyncify) and the music's position the demo's
// clock, the drawing size the page asks for between two frames, the GL layer's start in each new WebGL
// context and its rebuild in a restored one (a failure of either said on the page), the viewer's seeks and
// pauses from the page's timeline, the still of one moment for ?at=, and the soundtrack's path, which the
// page fills in before main starts.
#include "Clock.h"
#include "Cues.h"
#include "DemoVariants.h"
#include "FlashFilter.h"
#include "Music.h"
#include "Player.h"
#include "Raster.h"
#include "SDLWindow.h"
#include "Timeline.h"

#include "moriqgl/moriqgl.h"

#include <emscripten.h>
#include <emscripten/html5.h>

#include <iostream>
#include <memory>
#include <string>

extern "C" {

// From library.js: suspends until the browser's next animation frame, telling the page the moment shown.
void moriq_next_frame(int ms, int paused);
// From library.js: where the music is heard, in ms; negative when none plays.
double moriq_music_position(void);
// From library.js: tells the page the demo cannot go on, and why (shown in its note).
void moriq_failed(const char* why);

}  // extern "C"

namespace {

// The size the page last asked for, applied when the next frame starts; 0 when there is none.
int askedWidth = 0;
int askedHeight = 0;

// The picture cannot be drawn: the page says why, and the play ends at its next frame as Escape ends it.
void failed(const char* why) {
    moriq_failed(why);
    SDL_Event event = {};
    event.type = SDL_KEYDOWN;
    event.key.keysym.sym = SDLK_ESCAPE;
    SDL_PushEvent(&event);
}

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

// The flash limiter, while the page's "Reduce flashing" switch is on; the switch takes effect at the start
// of a frame, when the GL context is the play's.
bool reduceFlashes = false;
std::unique_ptr<FlashFilter> limiter;

void applyReduceFlashes() {
    if (reduceFlashes && !limiter) limiter.reset(new FlashFilter());
    if (!reduceFlashes) limiter.reset();
}

}  // namespace

extern "C" {

// Before main: each finished frame is shown by handing control back to the browser until its next frame,
// where the page's events (the viewer's keys, a new size) are delivered and SDL's event queue fills; and
// while the music plays, the demo's time is where it is heard.
EMSCRIPTEN_KEEPALIVE void moriq_web_setup(void) {
    askedWidth = askedHeight = 0;
    static const Clock::OnFrame yield([] {
        Player* player = Player::playing();
        moriq_next_frame(player ? player->now() : -1, player && player->paused());
        applyAskedSize();
        applyReduceFlashes();
    });
    static const Music::PositionSource heard([] { return static_cast<long>(moriq_music_position()); });
}

// The page's canvas should be drawn at width x height pixels from the next frame on (the window or full
// screen changed, or frames ran late); the demo's main opened it at the canvas's size with --native.
EMSCRIPTEN_KEEPALIVE void moriq_web_resize(int width, int height) {
    askedWidth = width;
    askedHeight = height;
}

// The page's "Reduce flashing" switch (or the key R): the flash limiter on (1) or off (0) from the next frame.
EMSCRIPTEN_KEEPALIVE void moriq_web_reduce_flashes(int on) {
    reduceFlashes = on != 0;
}

// The page's timeline: a seek or a pause for the play under way, taken at its next frame with the keys.
EMSCRIPTEN_KEEPALIVE void moriq_web_seek(int ms) {
    SDL_Event event = {};
    event.type = Player::SEEK_EVENT;
    event.user.code = ms;
    SDL_PushEvent(&event);
}

EMSCRIPTEN_KEEPALIVE void moriq_web_pause(void) {
    SDL_Event event = {};
    event.type = Player::PAUSE_EVENT;
    SDL_PushEvent(&event);
}

// library.js calls it as soon as SDL_SetVideoMode has made a WebGL 2 context current, before the demo's
// first GL call; the page gives every play a canvas and context of its own, as a new process has natively.
EMSCRIPTEN_KEEPALIVE void moriq_web_gl_start(void) {
    if (!moriqgl::load(emscripten_webgl_get_proc_address, demoVariants()))
        failed("the browser's WebGL 2 could not start the picture (the console says why)");
    // A limiter left from the play before drew in that play's context.
    if (limiter) limiter->forget();
    // The frames a seek draws only for the state they leave are not filled: software WebGL's time goes there.
    static const Clock::OnUnseen skip([](bool unseen) { moriqgl::discard(unseen); });
}

// The play list for the page's timeline: a line a scene, its name, start and duration in ms, tab-separated.
EMSCRIPTEN_KEEPALIVE const char* moriq_web_playlist(void) {
    static const std::string list = [] {
        const Timeline& timeline = Timeline::demo();
        std::string lines;
        for (size_t i = 0; i < timeline.entries.size(); ++i)
            lines += std::string(timeline.entries[i].name) + '\t' + std::to_string(timeline.startOf(i)) + '\t' +
                     std::to_string(timeline.entries[i].duration) + '\n';
        return lines;
    }();
    return list.c_str();
}

// page.js calls it when the browser has restored a lost WebGL context: the layer remakes what it drew
// with, and the demo, which drew nothing meanwhile, plays on. Returns 0, or 1 if the layer could not (the
// page is told, and the play ends).
EMSCRIPTEN_KEEPALIVE int moriq_web_gl_restored(void) {
    // The limiter's copy of the frame before came back empty: it starts afresh.
    Clock::cut();
    if (moriqgl::reload()) return 0;
    failed("the picture could not be restored after the browser lost its WebGL context");
    return 1;
}

EMSCRIPTEN_KEEPALIVE const char* moriq_web_soundtrack(void) {
    return Timeline::demo().soundtrack;
}

// Draws the moment ms as moriq-capture --at --size WIDTHxHEIGHT [--reduce-flashes] does (the clock driven
// at 60 fps from the first scene) and leaves it on the canvas. Returns 0, or 1 when nothing was drawn, 2 for
// a moment outside the timeline.
EMSCRIPTEN_KEEPALIVE int moriq_web_still(int ms, int width, int height, int reduceFlashes) {
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
        Player player(window.screen, timeline);
        Cues::load(player.tracks(), "", std::cerr);
        // With the switch on, the limiter plays the second before the still, drawn but not kept, as the
        // capture tool's does: the still is what a viewer playing up to it saw.
        std::unique_ptr<FlashFilter> stillLimiter(reduceFlashes ? new FlashFilter() : nullptr);
        player.play(reduceFlashes ? FlashFilter::warmUpFrom(ms) : ms, ms, 60, [&](long frame) {
            if (frame >= 0) return true;
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
