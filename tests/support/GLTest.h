// Test support: a real GL window, finished frames read back and probed, and the
// test pictures tests/pictures.py writes at build time.
#pragma once

#include "Screenshot.h"

#include <SDL/SDL.h>

#include <functional>
#include <string>

namespace moriqtest {

using Frame = Screenshot;

// Opens the 640x480 GL window once per process (an X display is needed; Xvfb will do).
void ensureGL();

// Runs draw, which must end with Clock::present() (or draw a Scene::frame), and returns the frame as it was just before the swap.
Frame grabFrame(const std::function<void()>& draw);
// A test picture by name ("palette.png"); the stand-ins for the demo's pictures are under "data/".
std::string picture(const std::string& name);

// One integer of GL state (the first of those glGetIntegerv writes).
int integer(unsigned int what);

// Within tolerance of expected in every channel.
bool near(RGB c, RGB expected, int tolerance = 6);
// How many pixels of the rectangle [x0, x1) x [y0, y1) are within 3 of c.
int countNear(const Frame& frame, RGB c, int x0 = 0, int y0 = 0, int x1 = 640, int y1 = 480);
// How many pixels left of x1 differ by more than tolerance in some channel between two frames.
int differing(const Frame& a, const Frame& b, int tolerance = 0, int x1 = 640);

// Queues an event: a key's (with its key) or the player's own (with its code).
void pushEvent(Uint8 type, SDLKey key = SDLK_UNKNOWN, int code = 0);
// Empties the event queue.
void dropEvents();

}  // namespace moriqtest
