// The demo's only reading of SDL's millisecond clock and its only buffer swap.
// Tests, tools and the player replace the time source to drive time, and hook the swap to read finished
// frames. Each replacement is a scope object that puts back what was there before when it ends, so
// replacements nest (they must end in the reverse order of their start).
#pragma once

#include "Hook.h"

namespace Clock {

// Milliseconds since SDL started, or the driven time while a source is set.
unsigned int ticks();

// Ends every frame: blacks out the bars around the picture (Raster), runs the swap hook (the finished
// frame is still in the back buffer), then swaps.
void swapBuffers();

// While it lives, ticks() reads its source.
class Drive : public Hook<unsigned int()>::Scope {
public:
    explicit Drive(std::function<unsigned int()> source);
    // The time of the source this one replaced (SDL's clock when there was none).
    unsigned int below() const;
};

// While it lives, its hook runs just before each swap, in place of the one before it.
class OnSwap : public Hook<void()>::Scope {
public:
    explicit OnSwap(std::function<void()> hook);
};

// While one lives, frames are drawn but neither handed to the swap hook nor shown: the frames drawn
// only for the GL state they leave behind.
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
