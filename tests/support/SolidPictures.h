// Test support for scene frames: scenes built over single-colour pictures, so that every picture on
// screen is known by its colour, and a count of the pixels near a colour.
#pragma once

#include "PngFiles.h"
#include "SceneProbes.h"
#include "Screenshot.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace moriqtest {

// Writes each named picture (such as "data/lol.png") in one colour into a fresh directory, runs build
// there as the working directory, then goes back and removes the directory.
void withSolidPictures(const std::vector<std::pair<std::string, RGB>>& pictures, const std::function<void()>& build);
// The same with pictures of any content.
void withPictures(const std::vector<std::pair<std::string, PngSpec>>& pictures, const std::function<void()>& build);

// How many pixels of the rectangle [x0, x1) x [y0, y1) are within 3 of c in every channel.
int countNear(const Screenshot& frame, RGB c, int x0 = 0, int y0 = 0, int x1 = 640, int y1 = 480);

}  // namespace moriqtest
