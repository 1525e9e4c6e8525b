// Flash counting by WCAG 2.x's general and red flash thresholds; see Photosensitivity.h.
#include "Photosensitivity.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <ostream>

namespace Photosensitivity {

namespace {

// A general transition: its darker end below 0.80 relative luminance.
bool darkEnough(double low, bool, double, bool) {
    return low < 0.80;
}

// A red transition: to or from a saturated red.
bool toOrFromRed(double, bool lowMarked, double, bool highMarked) {
    return lowMarked || highMarked;
}

const std::array<float, 256>& linearTable() {
    static const std::array<float, 256> table = [] {
        std::array<float, 256> t{};
        for (int i = 0; i < 256; ++i) t[i] = static_cast<float>(linear(static_cast<unsigned char>(i)));
        return t;
    }();
    return table;
}

}  // namespace

double linear(unsigned char channel) {
    const double c = channel / 255.0;
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
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

Meter::Cell::Cell() : general(0.10, false, darkEnough), red(20.0, true, toOrFromRed) {}

Meter::Meter(int fps) : fps(std::max(1, fps)) {}

bool Meter::add(long frame, const unsigned char* rgb, int frameWidth, int frameHeight) {
    if (!rgb || frameWidth < CELLS || frameHeight < CELLS) return false;
    if (cells.empty()) {
        width = frameWidth;
        height = frameHeight;
        cells.resize(CELLS * CELLS);
        generalCount.assign(cells.size(), 0);
        redCount.assign(cells.size(), 0);
        history.assign(cells.size() * fps, 0);
    } else if (frameWidth != width || frameHeight != height) {
        return false;
    }

    // Each cell's summed linear colour; cell edges fall on whole pixels, so cells differ by a pixel at most.
    const std::array<float, 256>& lin = linearTable();
    std::vector<double> sums(cells.size() * 3, 0.0);
    for (int y = 0; y < height; ++y) {
        const int cy = y * CELLS / height;
        const unsigned char* p = rgb + static_cast<size_t>(y) * width * 3;
        for (int cx = 0; cx < CELLS; ++cx) {
            const int x1 = (cx + 1) * width / CELLS;
            double r = 0, g = 0, b = 0;
            for (int x = cx * width / CELLS; x < x1; ++x, p += 3) {
                r += lin[p[0]];
                g += lin[p[1]];
                b += lin[p[2]];
            }
            double* s = &sums[(cy * CELLS + cx) * 3];
            s[0] += r;
            s[1] += g;
            s[2] += b;
        }
    }

    // The history slot of the frame a second ago is this frame's: its transitions leave the counts.
    unsigned char* slot = &history[static_cast<size_t>(added++ % fps) * cells.size()];
    for (size_t i = 0; i < cells.size(); ++i) {
        const int cx = static_cast<int>(i) % CELLS, cy = static_cast<int>(i) / CELLS;
        const double area = static_cast<double>(((cx + 1) * width / CELLS - cx * width / CELLS)) *
                            ((cy + 1) * height / CELLS - cy * height / CELLS);
        const double r = sums[i * 3] / area, g = sums[i * 3 + 1] / area, b = sums[i * 3 + 2] / area;
        const bool general = cells[i].general.add(luminance(r, g, b), false);
        const bool red = cells[i].red.add(redness(r, g, b), saturatedRed(r, g, b));
        generalCount[i] += general - (slot[i] & 1);
        redCount[i] += red - (slot[i] >> 1);
        slot[i] = static_cast<unsigned char>(general | red << 1);
    }

    const long second = frame / fps;
    if (report.empty() || report.back().second != second) report.push_back(Second{second, 0, 0});
    report.back().general = std::max(report.back().general, worst(generalCount));
    report.back().red = std::max(report.back().red, worst(redCount));
    return true;
}

// The most flashes (pairs of transitions) that more than a quarter of some field's cells each show.
int Meter::worst(const std::vector<int>& transitions) const {
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

bool print(std::ostream& out, const std::vector<Second>& seconds) {
    long over = 0;
    for (const Second& s : seconds) {
        out << "second\t" << s.second << '\t' << s.general << '\t' << s.red << '\t' << (s.over() ? "over" : "ok")
            << '\n';
        over += s.over();
    }
    if (over)
        out << "verdict\tover\t" << over << " of " << seconds.size() << " seconds exceed three flashes a second\n";
    else
        out << "verdict\tok\tnone of " << seconds.size() << " seconds exceeds three flashes a second\n";
    out.flush();
    return over > 0;
}

}  // namespace Photosensitivity
