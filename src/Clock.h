// The demo's only reading of SDL's millisecond clock and its only buffer swap.
// Tests and tools replace the time source to drive time, and hook the swap to read finished frames.
#pragma once

#include <functional>

namespace Clock {

// Milliseconds since SDL started, or the driven time when a source is set.
unsigned int ticks();

// Replaces the time source; an empty function goes back to SDL's clock.
void drive(std::function<unsigned int()> source);

// Ends every frame: blacks out the bars around the picture (Raster), runs the swap hook (the finished frame is still in the back buffer), then swaps.
void swapBuffers();

// Sets the hook run just before each swap; an empty function removes it.
void onSwap(std::function<void()> hook);

}  // namespace Clock
