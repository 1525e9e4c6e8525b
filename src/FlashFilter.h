// FlashFilter: the flash limiter on each finished frame, with GL, in the Clock::Filter slot while it lives.
// The frame is copied to a texture and drawn small (K x K samples a cell) to read its cells cheaply; where
// the limiter holds cells back, the frame shown before is blended over them as one quad a cell, its
// corners' alphas the limiter's shares, so a held area fades into its surroundings without seams. Frames
// with nothing to hold come out exactly as drawn.
#pragma once

#include "Clock.h"
#include "FlashLimiter.h"

#include <GL/gl.h>

#include <vector>

class FlashFilter {
public:
    static const int SAMPLES = 4;  // samples a cell, across and down

    // Where the drawn picture lies in the frame the viewer sees, in that frame's pixels from its top-left
    // corner: the cells are the frame's. By default the drawn picture is the whole frame.
    struct Placement {
        int frameWidth, frameHeight, x, y, width, height;
    };

    FlashFilter();
    explicit FlashFilter(const Placement& placement);
    ~FlashFilter();
    FlashFilter(const FlashFilter&) = delete;
    FlashFilter& operator=(const FlashFilter&) = delete;

    // Limits the frame in the back buffer (the picture Raster says is drawn), as shown at `ms`.
    void apply(long ms, bool cut);
    const FlashLimiter& limiter() const { return limits; }

private:
    // Reads the cells of the frame in `texture` (drawn width x height) into cells, and puts back the
    // corner of the back buffer the reading drew over.
    void measure(GLuint texture, int width, int height);
    void blendShown(int width, int height);

    bool placed;
    Placement placement;
    FlashLimiter limits;
    GLuint drawn = 0, shown = 0;  // the frame as drawn, the frame shown before
    int lastWidth = 0, lastHeight = 0;
    std::vector<unsigned char> samples;
    std::vector<Flashes::Colour> cells;
    Clock::Filter slot;
};
