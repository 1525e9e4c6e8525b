// Flashes: WCAG 2.x's flash measures (success criterion 2.3.1: no more than three general or red flashes in
// any one second), shared by the capture tool's flash report and the demo's flash limiter, without GL.
//
// The frame is split into a 48x48 grid of cells, each followed by its mean linear colour, so patterns
// finer than a cell (and edges jittering across a pixel) average out instead of counting as flashes.
// A 10-degree field is a third of the frame's width and height (WCAG's 341x256 pixels at 1024x768),
// 16x16 cells, and it slides over the grid a cell at a time; an area flashes N times in a second when
// more than a quarter of some field's cells (WCAG's 0.006 steradian) each flash N times in that second.
#pragma once

#include <cstddef>
#include <deque>
#include <vector>

namespace Flashes {

// sRGB channel (0..255) to linear light (0..1), WCAG's formula.
double linear(unsigned char channel);
// The same for every channel value, as a table.
const float* linearTable();
// Linear light (0..1) back to an sRGB channel value (0..255, not rounded).
double encoded(double linear);
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
    // Whether add would count a transition, changing nothing.
    bool wouldCount(double value, bool marked) const;

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

const int CELLS = 48;  // across and down
const int FIELD = 16;  // cells a side of a 10-degree field

struct Colour {
    double r, g, b;  // linear light
    bool operator==(const Colour& o) const { return r == o.r && g == o.g && b == o.b; }
};

// A rectangle of cells (columns left to right - 1, rows top to bottom - 1) or of pixels, from the top left.
struct Box {
    int left, top, right, bottom;
    bool empty() const { return left >= right || top >= bottom; }
    bool operator==(const Box& o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
};

// The first pixel of `size` (across or down) that pixel * CELLS / size puts in cell `cell` or later: where
// cellColours starts counting a row of cells, and FlashLimiter::blend a row or column.
int firstPixel(int cell, int size);

// Each cell's mean linear colour of a frame (3 bytes a pixel, rows top to bottom, or bottom to top as GL
// reads them), row by row of cells from the top; cell edges fall on whole pixels, so cells differ by a
// pixel at most. The frame is 48x48 pixels or more.
void cellColours(const unsigned char* rgb, int width, int height, std::vector<Colour>& cells,
                 bool bottomUp = false);
// The same for the cells of `only` (a box of cells), the others left as they are: after a change within
// some pixels, measuring the cells cellsMeeting them gives what measuring the whole frame would.
void cellColours(const unsigned char* rgb, int width, int height, const Box& only, std::vector<Colour>& cells,
                 bool bottomUp = false);
// The box of cells some pixel of `pixels` (a box of pixels of a width x height frame) is measured in.
Box cellsMeeting(const Box& pixels, int width, int height);

// The general and red flashes a cell shows in the last second, cell by cell: what the report and the
// limiter both follow. The second is a window of times: frames, or milliseconds, as the caller counts.
class Counter {
public:
    explicit Counter(long window);
    // The frame at `time` (after the previous one's) showed these cell colours (CELLS x CELLS).
    void add(long time, const std::vector<Colour>& cells);
    // Forgets the transitions of frames `window` or more before `time`.
    void expire(long time);
    // Whether cell i showing colour c next would count a general (bit 1) or red (bit 2) transition.
    int wouldCount(size_t i, const Colour& c) const;
    // Transitions of each cell in the window (two make a flash).
    const std::vector<int>& general() const { return generalCount; }
    const std::vector<int>& red() const { return redCount; }
    // Forgets everything: the next frame starts every cell afresh.
    void reset();

private:
    struct Cell {
        Transitions general, red;
        Cell();
    };
    struct Frame {
        long time;
        std::vector<unsigned char> bits;  // each cell's general and red bits
    };

    long window;
    std::vector<Cell> cells;
    std::vector<int> generalCount, redCount;
    std::deque<Frame> frames;
};

// The most flashes (pairs of transitions) that more than a quarter of some field's cells each show.
int worst(const std::vector<int>& transitions);

}  // namespace Flashes
