// Test support: a real GL window, finished frames read back and probed, and the
// test pictures tests/pictures.py writes at build time.
#pragma once

#include "Screenshot.h"

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

}  // namespace moriqtest
