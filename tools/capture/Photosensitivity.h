// Photosensitivity: counts the flashes in a stream of RGB frames by WCAG 2.x's general and red flash
// thresholds (success criterion 2.3.1: no more than three flashes in any one second), without GL, and
// reports them second by second. The measures themselves are the demo's (src/Flashes.h), which its flash
// limiter follows too.
#pragma once

#include "Flashes.h"

#include <iosfwd>
#include <vector>

namespace Photosensitivity {

// The most flashes any area shows in one second of the demo.
struct Second {
    long second;  // counted from the frame grid's start
    int general;
    int red;
    bool over() const { return general > 3 || red > 3; }
};

class Meter {
public:
    static constexpr int CELLS = Flashes::CELLS;

    explicit Meter(int fps);
    // Takes frame number `frame` of the grid (frames come one after another), rows top to bottom, 3 bytes
    // a pixel. Returns false, changing nothing, for a frame under 48x48 pixels or not the first one's size.
    bool add(long frame, const unsigned char* rgb, int width, int height);
    // One entry a second touched so far: the most flashes of any one-second period ending in it.
    const std::vector<Second>& seconds() const { return report; }

private:
    int fps;
    int width = 0, height = 0;
    long added = 0;  // frames taken so far
    Flashes::Counter counter;
    std::vector<Flashes::Colour> cells;
    std::vector<Second> report;
};

// Prints one line a second (second, general flashes, red flashes, ok or over) and a verdict line;
// returns whether some second exceeds three flashes.
bool print(std::ostream& out, const std::vector<Second>& seconds);

}  // namespace Photosensitivity
