// FlashLimiter: decides, frame by frame, where a finished frame must be held back so that no area of the
// screen flashes more than three times a second (Flashes.h's general and red measures), leaving the rest
// as drawn. It follows the cells of what was shown; where showing a cell as drawn would give it a fourth
// flash within a second, and enough such cells crowd one 10-degree field to make an area flash, the area
// is blended toward what was shown the frame before, as one picture and just enough that no cell's change
// counts. No GL here: FlashFilter does the same with GL, and blend() is the CPU picture of what it draws.
#pragma once

#include "Flashes.h"

#include <vector>

class FlashLimiter {
public:
    // Transitions a cell may show within a second before it is held: three flashes. The report counts a
    // fourth flash at eight; the spare one absorbs a blend landing a level off where a letterbox cuts a
    // cell (seven allowed, the short test scenes at 800x480 still flashed four times).
    static const int ALLOWED = 6;
    static const int VERTICES = Flashes::CELLS + 1;  // across and down: the cells' corners
    // Blends of a held frame at most: the last holds whole every cell the one before left over the limit.
    static const int PASSES = 3;

    FlashLimiter();

    // Forgets what was shown: the next frame is shown as drawn and starts the count afresh (a seek).
    void cut();
    // Takes the drawn frame's cell colours (Flashes::cellColours) at `ms`, later than the last frame's;
    // returns each cell's share of the frame shown before (0: shown as drawn, 1: held as it was).
    const std::vector<float>& decide(long ms, const std::vector<Flashes::Colour>& drawn);
    // After a held frame is blended, its cells as measured: where a touched cell's change still counts over
    // the limit (the blend lands a level or two off the estimate), the cell is held whole, and true says
    // the frame must be blended again with the new corners. Held whole, a cell shows what it showed.
    bool recheck(const std::vector<Flashes::Colour>& blended);
    // The cell colours of the frame actually shown at the moment decide was given (drawn, or blended).
    void shown(const std::vector<Flashes::Colour>& cells);
    // Whether decide held some cell back in the last frame.
    bool holding() const { return held; }
    // The blend share at each cell corner, row by row (VERTICES x VERTICES): the most of the cells around
    // it, so a held cell is held at least as much throughout and the blend fades out over its neighbours.
    const std::vector<float>& corners() const { return vertexShare; }
    // The box of the cells some corner of which has a share: all a blend changes (empty when none has).
    Flashes::Box touched() const;
    // The cell colours of the frame shown last, as given to shown().
    const std::vector<Flashes::Colour>& showing() const { return last; }

    // The frame shown (3 bytes a pixel, rows top to bottom) from the drawn one and the one shown before,
    // by the corners' shares as GL draws them: interpolated across each cell, mixed in sRGB values.
    static void blend(const unsigned char* before, const unsigned char* drawn, int width, int height,
                      const std::vector<float>& corners, unsigned char* out);
    // The whole limiter on the CPU, for frames GL does not draw (and tests): takes the frame drawn at `ms`
    // (3 bytes a pixel, rows top to bottom, 48x48 pixels or more) and leaves in it the frame to show.
    void limit(long ms, unsigned char* rgb, int width, int height);

private:
    float safeShare(std::size_t cell, const Flashes::Colour& before, const Flashes::Colour& drawn) const;
    bool over(std::size_t cell, const Flashes::Colour& colour) const;
    // Evens the shares over each connected area of `area`'s cells, and fades them out around it.
    void holdTogether(const std::vector<bool>& area);
    void spreadToCorners();

    Flashes::Counter counter;
    std::vector<Flashes::Colour> last;  // what each cell showed last
    bool started = false;
    bool held = false;
    long time = 0;
    std::vector<float> share, vertexShare;
    std::vector<unsigned char> previous;  // limit's last frame shown
    std::vector<Flashes::Colour> cells;
};
