// The demo's only reading of SDL's millisecond clock, and the one place every shown frame ends.
// Tests, tools and the player replace the time source to drive time, and fill the after-frame slots to
// read, limit or annotate finished frames. Each replacement is a scope object that puts back what was
// there before when it ends, so replacements nest (they must end in the reverse order of their start).
#pragma once

#include "Hook.h"

namespace Clock {

// Milliseconds since SDL started, or the driven time while a source is set; inside a Frame, the moment
// that frame is drawn at.
unsigned int ticks();

// A frame drawn at one moment: while one lives, ticks() returns what the time source said once, when the
// outermost Frame began, so everything a frame draws follows from one moment.
class Frame {
public:
    Frame();
    ~Frame();
    Frame(const Frame&) = delete;
    Frame& operator=(const Frame&) = delete;
};

// Ends every shown frame: blacks out the bars around the picture (Raster), runs the Filter slot, then the
// Overlay slot, then the OnFrame slot (the finished frame is still in the back buffer), then swaps.
// A frame drawn unseen skips all of it.
void present();

// The player's word that the next frame shown does not follow the one before: a start, a seek, a moment
// drawn directly. The Filter slot hears it with that frame.
void cut();

// While it lives, ticks() reads its source.
class Drive : public Hook<unsigned int()>::Scope {
public:
    explicit Drive(std::function<unsigned int()> source);
    // The time of the source this one replaced (SDL's clock when there was none).
    unsigned int below() const;
};

// While it lives, its function changes each finished frame first, told whether the frame follows a cut
// (the flash limiter).
class Filter : public Hook<void(bool cut)>::Scope {
public:
    explicit Filter(std::function<void(bool cut)> filter);
};

// While it lives, its function draws over each finished, filtered frame (a line of news for the viewer).
class Overlay : public Hook<void()>::Scope {
public:
    explicit Overlay(std::function<void()> overlay);
};

// While it lives, its function receives each finished frame just before the swap, in place of the one
// before it: the capture tool's read-back, the page's hand-off to the browser.
class OnFrame : public Hook<void()>::Scope {
public:
    explicit OnFrame(std::function<void()> hook);
};

// While one lives, frames are drawn but neither handed to the slots nor shown: the frames drawn only for
// the GL state they leave behind.
class Unseen {
public:
    Unseen();
    ~Unseen();
    Unseen(const Unseen&) = delete;
    Unseen& operator=(const Unseen&) = delete;
};

// While it lives, its hook hears when frames start being unseen (true) and when they stop (false), so that
// what draws below the demo can skip their drawing.
class OnUnseen : public Hook<void(bool)>::Scope {
public:
    explicit OnUnseen(std::function<void(bool)> hook);
};

}  // namespace Clock
