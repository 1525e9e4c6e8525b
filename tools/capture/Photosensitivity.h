// Photosensitivity: counts the flashes in a stream of RGB frames by WCAG 2.x's general and red flash
// thresholds (success criterion 2.3.1: no more than three flashes in any one second), without GL.
//
// The frame is split into a 48x48 grid of cells, each followed by its mean linear colour, so patterns
// finer than a cell (and edges jittering across a pixel) average out instead of counting as flashes.
// A 10-degree field is a third of the frame's width and height (WCAG's 341x256 pixels at 1024x768),
// 16x16 cells, and it slides over the grid a cell at a time; an area flashes N times in a second when
// more than a quarter of some field's cells (WCAG's 0.006 steradian) each flash N times in that second.
#pragma once

#include <iosfwd>
#include <vector>

namespace Photosensitivity {

// sRGB channel (0..255) to linear light (0..1), WCAG's formula.
double linear(unsigned char channel);
// WCAG's relative luminance of linear R, G, B.
double luminance(double r, double g, double b);
// The red measure (R-G-B)x320 of linear R, G, B, negative values set to 0.
double redness(double r, double g, double b);
// Whether linear R, G, B is a saturated red: R/(R+G+B) >= 0.8.
bool saturatedRed(double r, double g, double b);

// Turns one value sampled frame by frame into transitions: runs between adjacent peaks and valleys. A run
// ends when the value turns back by at least the step (smaller wiggles belong to the run), and counts
// once, on the frame it first qualifies: it spans at least the step and its ends pass the test.
class Transitions {
public:
    using Test = bool (*)(double low, bool lowMarked, double high, bool highMarked);
    Transitions(double step, bool strict, Test test) : step(step), strict(strict), test(test) {}
    // Takes the next frame's value and whether it is marked (a saturated red, for red flashes);
    // returns whether a transition counted on this frame.
    bool add(double value, bool marked);

private:
    bool spans(double a, double b) const { return strict ? b - a > step : b - a >= step; }

    double step;
    bool strict;
    Test test;
    bool begun = false;
    int direction = 0;    // +1 rising, -1 falling, 0 before the first change
    bool counted = false; // whether the current run has counted
    double start = 0, extreme = 0;
    bool startMarked = false, extremeMarked = false;
};

// The most flashes any area shows in one second of the demo.
struct Second {
    long second;  // counted from the frame grid's start
    int general;
    int red;
    bool over() const { return general > 3 || red > 3; }
};

class Meter {
public:
    static constexpr int CELLS = 48;  // across and down
    static constexpr int FIELD = 16;  // cells a side of a 10-degree field

    explicit Meter(int fps);
    // Takes frame number `frame` of the grid (frames come one after another), rows top to bottom, 3 bytes
    // a pixel. Returns false, changing nothing, for a frame under 48x48 pixels or not the first one's size.
    bool add(long frame, const unsigned char* rgb, int width, int height);
    // One entry a second touched so far: the most flashes of any one-second period ending in it.
    const std::vector<Second>& seconds() const { return report; }

private:
    struct Cell {
        Transitions general, red;
        Cell();
    };
    int worst(const std::vector<int>& transitions) const;

    int fps;
    int width = 0, height = 0;
    long added = 0;  // frames taken so far
    std::vector<Cell> cells;
    std::vector<int> generalCount, redCount;  // transitions of each cell in the last fps frames
    std::vector<unsigned char> history;       // per frame of the last fps: each cell's general and red bits
    std::vector<Second> report;
};

// Prints one line a second (second, general flashes, red flashes, ok or over) and a verdict line;
// returns whether some second exceeds three flashes.
bool print(std::ostream& out, const std::vector<Second>& seconds);

}  // namespace Photosensitivity
