// WCAG 2.x's flash measures; see Flashes.h.
#include "Flashes.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

namespace Flashes {

namespace {

// A general transition: its darker end below 0.80 relative luminance.
bool darkEnough(double low, bool, double, bool) {
    return low < 0.80;
}

// A red transition: to or from a saturated red.
bool toOrFromRed(double, bool lowMarked, double, bool highMarked) {
    return lowMarked || highMarked;
}

}  // namespace

double linear(unsigned char channel) {
    const double c = channel / 255.0;
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

const float* linearTable() {
    static const std::array<float, 256> table = [] {
        std::array<float, 256> t{};
        for (int i = 0; i < 256; ++i) t[i] = static_cast<float>(linear(static_cast<unsigned char>(i)));
        return t;
    }();
    return table.data();
}

double encoded(double l) {
    l = std::min(1.0, std::max(0.0, l));
    return 255.0 * (l <= 0.03928 / 12.92 ? l * 12.92 : 1.055 * std::pow(l, 1 / 2.4) - 0.055);
}

double luminance(double r, double g, double b) {
    return 0.2126 * r + 0.7152 * g + 0.0722 * b;
}

double redness(double r, double g, double b) {
    return std::max(0.0, (r - g - b) * 320.0);
}

bool saturatedRed(double r, double g, double b) {
    return r > 0 && r >= 0.8 * (r + g + b);
}

bool Transitions::add(double value, bool marked) {
    if (!begun) {
        begun = true;
        start = extreme = value;
        startMarked = extremeMarked = marked;
        return false;
    }
    if (direction == 0 && value != start) direction = value > start ? 1 : -1;
    if (direction * (value - extreme) >= 0) {
        extreme = value;
        extremeMarked = marked;
    } else if (direction > 0 ? spans(value, extreme) : spans(extreme, value)) {
        // Turned back by a whole step: the run ended at its extreme and the next one starts there.
        start = extreme;
        startMarked = extremeMarked;
        extreme = value;
        extremeMarked = marked;
        direction = -direction;
        counted = false;
    }
    if (counted || direction == 0) return false;
    const bool rising = direction > 0;
    const double low = rising ? start : extreme, high = rising ? extreme : start;
    const bool lowMarked = rising ? startMarked : extremeMarked, highMarked = rising ? extremeMarked : startMarked;
    counted = spans(low, high) && test(low, lowMarked, high, highMarked);
    return counted;
}

bool Transitions::wouldCount(double value, bool marked) const {
    Transitions copy = *this;
    return copy.add(value, marked);
}

namespace {

// Linear values in whole units of 2^-35: exact, as every value of the table is such a multiple (the least
// above 0, lin(1), is over 2^-12, and a float keeps 24 bits), so sums of them are exact in any order and
// give the very doubles adding the floats one by one gave.
const double UNIT = 1.0 / (1LL << 35);

const int64_t* linearUnits() {
    static const std::array<int64_t, 256> units = [] {
        std::array<int64_t, 256> u{};
        for (int i = 0; i < 256; ++i) u[i] = static_cast<int64_t>(static_cast<double>(linearTable()[i]) / UNIT);
        return u;
    }();
    return units.data();
}

}  // namespace

int firstPixel(int cell, int size) {
    return (cell * size + CELLS - 1) / CELLS;
}

void cellColours(const unsigned char* rgb, int width, int height, std::vector<Colour>& cells, bool bottomUp) {
    cellColours(rgb, width, height, Box{0, 0, CELLS, CELLS}, cells, bottomUp);
}

void cellColours(const unsigned char* rgb, int width, int height, const Box& only, std::vector<Colour>& cells,
                 bool bottomUp) {
    cells.resize(CELLS * CELLS);
    if (only.empty()) return;
    const int64_t* lin = linearUnits();
    const int across = only.right - only.left;
    std::vector<int64_t> sums(static_cast<size_t>(across) * (only.bottom - only.top) * 3, 0);
    const int x0 = only.left * width / CELLS;
    for (int y = firstPixel(only.top, height), y1 = firstPixel(only.bottom, height); y < y1; ++y) {
        const int cy = y * CELLS / height;
        const unsigned char* p = rgb + (static_cast<size_t>(bottomUp ? height - 1 - y : y) * width + x0) * 3;
        int64_t* s = &sums[static_cast<size_t>(cy - only.top) * across * 3];
        for (int cx = only.left; cx < only.right; ++cx, s += 3) {
            const int x1 = (cx + 1) * width / CELLS;
            int64_t r = 0, g = 0, b = 0;
            for (int x = cx * width / CELLS; x < x1; ++x, p += 3) {
                r += lin[p[0]];
                g += lin[p[1]];
                b += lin[p[2]];
            }
            s[0] += r;
            s[1] += g;
            s[2] += b;
        }
    }
    const int64_t* s = sums.data();
    for (int cy = only.top; cy < only.bottom; ++cy)
        for (int cx = only.left; cx < only.right; ++cx, s += 3) {
            const double area = static_cast<double>(((cx + 1) * width / CELLS - cx * width / CELLS)) *
                                ((cy + 1) * height / CELLS - cy * height / CELLS);
            cells[cy * CELLS + cx] = Colour{static_cast<double>(s[0]) * UNIT / area,
                                            static_cast<double>(s[1]) * UNIT / area,
                                            static_cast<double>(s[2]) * UNIT / area};
        }
}

Box cellsMeeting(const Box& pixels, int width, int height) {
    const Box in{std::max(0, pixels.left), std::max(0, pixels.top), std::min(width, pixels.right),
                 std::min(height, pixels.bottom)};
    if (in.empty()) return Box{0, 0, 0, 0};
    // Pixel column x is in the last cell starting at or left of it; row y in cell y * CELLS / height.
    auto column = [width](int x) { return ((x + 1) * CELLS + width - 1) / width - 1; };
    return Box{column(in.left), in.top * CELLS / height, column(in.right - 1) + 1, (in.bottom - 1) * CELLS / height + 1};
}

Counter::Cell::Cell() : general(0.10, false, darkEnough), red(20.0, true, toOrFromRed) {}

Counter::Counter(long window) : window(std::max(1L, window)) {
    reset();
}

void Counter::reset() {
    cells.assign(CELLS * CELLS, Cell());
    generalCount.assign(cells.size(), 0);
    redCount.assign(cells.size(), 0);
    frames.clear();
}

void Counter::expire(long time) {
    while (!frames.empty() && frames.front().time <= time - window) {
        const std::vector<unsigned char>& bits = frames.front().bits;
        for (size_t i = 0; i < cells.size(); ++i) {
            generalCount[i] -= bits[i] & 1;
            redCount[i] -= bits[i] >> 1;
        }
        frames.pop_front();
    }
}

void Counter::add(long time, const std::vector<Colour>& colours) {
    expire(time);
    Frame frame{time, std::vector<unsigned char>(cells.size())};
    for (size_t i = 0; i < cells.size(); ++i) {
        const Colour& c = colours[i];
        const bool general = cells[i].general.add(luminance(c.r, c.g, c.b), false);
        const bool red = cells[i].red.add(redness(c.r, c.g, c.b), saturatedRed(c.r, c.g, c.b));
        generalCount[i] += general;
        redCount[i] += red;
        frame.bits[i] = static_cast<unsigned char>(general | red << 1);
    }
    frames.push_back(std::move(frame));
}

int Counter::wouldCount(size_t i, const Colour& c) const {
    return cells[i].general.wouldCount(luminance(c.r, c.g, c.b), false) |
           cells[i].red.wouldCount(redness(c.r, c.g, c.b), saturatedRed(c.r, c.g, c.b)) << 1;
}

int worst(const std::vector<int>& transitions) {
    const int most = *std::max_element(transitions.begin(), transitions.end()) / 2;
    const int side = CELLS + 1;
    std::vector<int> sum(side * side, 0);  // summed-area table of the cells flashing n times or more
    int found = 0;
    for (int n = 1; n <= most; ++n) {
        for (int y = 0; y < CELLS; ++y)
            for (int x = 0; x < CELLS; ++x)
                sum[(y + 1) * side + x + 1] = (transitions[y * CELLS + x] / 2 >= n) + sum[y * side + x + 1] +
                                              sum[(y + 1) * side + x] - sum[y * side + x];
        bool any = false;
        for (int y = 0; y + FIELD <= CELLS && !any; ++y)
            for (int x = 0; x + FIELD <= CELLS && !any; ++x) {
                const int flashing = sum[(y + FIELD) * side + x + FIELD] - sum[y * side + x + FIELD] -
                                     sum[(y + FIELD) * side + x] + sum[y * side + x];
                any = flashing * 4 > FIELD * FIELD;
            }
        if (!any) break;
        found = n;
    }
    return found;
}

}  // namespace Flashes
