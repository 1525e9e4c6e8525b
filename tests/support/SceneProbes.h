// Test support for scene pictures: a four-colour stand-in picture, colour comparison, and the
// polygons a frame sends down the pipeline (GL feedback mode: window coordinates, nothing drawn).
#pragma once

#include "Screenshot.h"
#include "Texture.h"

#include <functional>
#include <vector>

namespace moriqtest {

// The stand-in picture's quadrants as stored in the file: red and green on top, cyan and yellow below.
extern const RGB RED, GREEN, CYAN, YELLOW;
Texture* quadrantTexture();

bool near(RGB c, RGB expected, int tolerance = 6, float scale = 1.0f);

struct FeedbackVertex {
    float x, y, z;     // window coordinates, origin bottom left
    float r, g, b, a;  // colour
    float s, t;        // texture coordinate
};
using FeedbackPolygon = std::vector<FeedbackVertex>;

// The polygons draw sends after transformation and clipping (points and lines are skipped).
std::vector<FeedbackPolygon> capturePolygons(const std::function<void()>& draw);
float windowArea(const FeedbackPolygon& polygon);

}  // namespace moriqtest
