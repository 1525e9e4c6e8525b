// SDL's clock and buffer swap behind replaceable hooks (see Clock.h).
#include "Clock.h"

#include "Raster.h"

#include <SDL.h>

#include <utility>

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
int unseen = 0;
unsigned int read(const std::function<unsigned int()>& source) {
    return source ? source() : SDL_GetTicks();
}
}  // namespace

namespace Clock {

unsigned int ticks() {
    return read(timeSource());
}

void swapBuffers() {
    if (unseen > 0) return;
    Raster::clearBars();
    if (swapHook()) swapHook()();
    SDL_GL_SwapBuffers();
}

Drive::Drive(std::function<unsigned int()> source) : previous(std::exchange(timeSource(), std::move(source))) {}

Drive::~Drive() {
    timeSource() = std::move(previous);
}

unsigned int Drive::below() const {
    return read(previous);
}

OnSwap::OnSwap(std::function<void()> hook) : previous(std::exchange(swapHook(), std::move(hook))) {}

OnSwap::~OnSwap() {
    swapHook() = std::move(previous);
}

Unseen::Unseen() {
    ++unseen;
}

Unseen::~Unseen() {
    --unseen;
}

}  // namespace Clock
