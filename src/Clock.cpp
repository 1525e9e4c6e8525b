// SDL's clock and buffer swap behind replaceable hooks (see Clock.h).
#include "Clock.h"

#include "Raster.h"

#include <SDL.h>

namespace {
// Made on first use, so that a hook set while other files' statics are constructed (a timing tool's) stays.
std::function<unsigned int()>& timeSource() {
    static std::function<unsigned int()> source;
    return source;
}
std::function<void()>& swapHook() {
    static std::function<void()> hook;
    return hook;
}
}  // namespace

namespace Clock {

unsigned int ticks() {
    return timeSource() ? timeSource()() : SDL_GetTicks();
}

void drive(std::function<unsigned int()> source) {
    timeSource() = std::move(source);
}

void swapBuffers() {
    Raster::clearBars();
    if (swapHook()) swapHook()();
    SDL_GL_SwapBuffers();
}

void onSwap(std::function<void()> hook) {
    swapHook() = std::move(hook);
}

}  // namespace Clock
