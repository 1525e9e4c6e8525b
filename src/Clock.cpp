// SDL's clock and buffer swap behind replaceable hooks (see Clock.h).
#include "Clock.h"

#include "Raster.h"

#include <SDL.h>

#include <utility>

namespace {
// Made on first use, so that a hook set while other files' statics are constructed (a timing tool's) stays.
Hook<unsigned int()>& timeSource() {
    static Hook<unsigned int()> source;
    return source;
}
Hook<void()>& swapHook() {
    static Hook<void()> hook;
    return hook;
}
Hook<void(bool)>& unseenHook() {
    static Hook<void(bool)> hook;
    return hook;
}
int unseen = 0;
template <class Source>
unsigned int read(const Source& source) {
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

Drive::Drive(std::function<unsigned int()> source) : Scope(timeSource(), std::move(source)) {}

unsigned int Drive::below() const {
    return read(replaced());
}

OnSwap::OnSwap(std::function<void()> hook) : Scope(swapHook(), std::move(hook)) {}

Unseen::Unseen() {
    if (unseen++ == 0 && unseenHook()) unseenHook()(true);
}

Unseen::~Unseen() {
    if (--unseen == 0 && unseenHook()) unseenHook()(false);
}

OnUnseen::OnUnseen(std::function<void(bool)> hook) : Scope(unseenHook(), std::move(hook)) {}

}  // namespace Clock
