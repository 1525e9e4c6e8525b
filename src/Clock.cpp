// SDL's clock and the end of every frame behind replaceable slots (see Clock.h).
#include "Clock.h"

#include "Raster.h"

#include <SDL.h>

#include <utility>

namespace {
// Made on first use, so that a slot filled while other files' statics are constructed (a timing tool's)
// stays filled.
Hook<unsigned int()>& timeSource() {
    static Hook<unsigned int()> source;
    return source;
}
Hook<void(bool)>& filterSlot() {
    static Hook<void(bool)> slot;
    return slot;
}
Hook<void()>& overlaySlot() {
    static Hook<void()> slot;
    return slot;
}
Hook<void()>& frameSlot() {
    static Hook<void()> slot;
    return slot;
}
Hook<void(bool)>& unseenHook() {
    static Hook<void(bool)> hook;
    return hook;
}
int unseen = 0;
int framesOpen = 0;
unsigned int moment = 0;
bool cutPending = true;
template <class Source>
unsigned int read(const Source& source) {
    return source ? source() : SDL_GetTicks();
}
}  // namespace

namespace Clock {

unsigned int ticks() {
    return framesOpen > 0 ? moment : read(timeSource());
}

Frame::Frame() {
    if (framesOpen == 0) moment = read(timeSource());
    ++framesOpen;
}

Frame::~Frame() {
    --framesOpen;
}

void present() {
    if (unseen > 0) return;
    Raster::clearBars();
    if (filterSlot()) filterSlot()(std::exchange(cutPending, false));
    if (overlaySlot()) overlaySlot()();
    if (frameSlot()) frameSlot()();
    SDL_GL_SwapBuffers();
}

void cut() {
    cutPending = true;
}

Drive::Drive(std::function<unsigned int()> source) : Scope(timeSource(), std::move(source)) {}

unsigned int Drive::below() const {
    return read(replaced());
}

Filter::Filter(std::function<void(bool)> filter) : Scope(filterSlot(), std::move(filter)) {
    // A filter starts with no frames behind it.
    cutPending = true;
}

Overlay::Overlay(std::function<void()> overlay) : Scope(overlaySlot(), std::move(overlay)) {}

OnFrame::OnFrame(std::function<void()> hook) : Scope(frameSlot(), std::move(hook)) {}

Unseen::Unseen() {
    if (unseen++ == 0 && unseenHook()) unseenHook()(true);
}

Unseen::~Unseen() {
    if (--unseen == 0 && unseenHook()) unseenHook()(false);
}

OnUnseen::OnUnseen(std::function<void(bool)> hook) : Scope(unseenHook(), std::move(hook)) {}

}  // namespace Clock
