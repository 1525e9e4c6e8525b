// Test support: runs scene constructors over a data/ folder of single-colour pictures, so that a test
// can tell every picture on screen by its colour.
#pragma once

#include "Screenshot.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace moriqtest {

// Writes each named picture (for example "data/lol.png") as a small RGB PNG of one colour into a fresh
// directory, runs build with that directory as the working directory, then goes back and removes it.
void withSolidPictures(const std::vector<std::pair<std::string, RGB>>& pictures,
                       const std::function<void()>& build);

}  // namespace moriqtest
