// Test support: the primitives a draw call sends down the pipeline, caught with GL feedback mode
// after transformation and clipping (window coordinates, colour, texture coordinate), nothing rasterised.
#pragma once

#include <functional>
#include <vector>

namespace moriqtest {

struct FeedbackVertex {
    float x, y, z;     // window coordinates, origin bottom left
    float r, g, b, a;  // colour as the GL passes it on
    float s, t;        // texture coordinate
};

struct FeedbackPrimitive {
    enum Kind { Point, Line, Polygon } kind;
    std::vector<FeedbackVertex> vertices;
};

// Runs draw in feedback mode and returns what it emitted; an empty list if the buffer overflowed.
std::vector<FeedbackPrimitive> captureFeedback(const std::function<void()>& draw);

// Area in square pixels of a polygon's window-space outline (0 for points and lines).
float windowArea(const FeedbackPrimitive& primitive);

}  // namespace moriqtest
