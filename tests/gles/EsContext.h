// Test support for the GL layer: an OpenGL ES 3.0 context of Mesa through EGL with no window (a
// 640x480 pbuffer to draw in), the layer loaded into it, and SDL's dummy video mode so that
// the demo's buffer swap is harmless. Pictures are RGB rows, top row first.
#pragma once

#include "Screenshot.h"

struct SDL_Surface;

namespace glestest {

using Picture = Screenshot;

// Makes the context current and loads the layer afresh (no GL 1.1 state kept from before);
// returns SDL's dummy screen. Fails the calling test when EGL or the layer cannot start.
SDL_Surface* startLayer();
// Destroys the context the layer draws in and makes a new one current, as a browser loses and restores
// a WebGL context: every ES object of the layer is gone. False (and a failed test) if EGL refuses.
bool replaceContext();
// Reads the framebuffer the layer draws in.
Picture readFrame();

// The share of pixels, in percent, whose largest channel difference exceeds tolerance.
double percentDiffering(const Picture& a, const Picture& b, int tolerance);

}  // namespace glestest
