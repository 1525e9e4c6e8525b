// Test support: a real GL window for rendering tests, a driven clock and finished-frame read-back.
#pragma once

#include "Screenshot.h"

#include <functional>
#include <string>

class Scene;

namespace moriqtest {

using Frame = Screenshot;

// Opens the 640x480 GL window once per process (an X display is needed; Xvfb will do).
void ensureGL();

// Drives the shared clock: every reading returns ms until the next call. clearTime() gives SDL's clock back.
void setTime(unsigned int ms);
void clearTime();

// Runs draw, which must end with Clock::swapBuffers(), and returns the frame as it was just before the swap.
Frame grabFrame(const std::function<void()>& draw);

// Sets the clock to ms and returns the frame scene->render() draws then.
Frame renderAt(Scene* scene, unsigned int ms);

// The current colour's alpha: a frame's fade quad, drawn last, leaves its alpha there.
float currentAlpha();

// Where a test may write pictures for a person to look at: the build directory.
std::string outputPath(const std::string& name);

// A file of the source tree, by its path from the repository root.
std::string sourcePath(const std::string& name);

}  // namespace moriqtest
