// FlashFilter: the flash limiter on each finished frame, with GL, in the Clock::Filter slot while it lives.
// The whole frame is read back and its cells measured exactly as the flash report measures them (a cheaper
// sampled reading misjudged thin lines by more than the limiter's margin); where the limiter holds cells
// back, the frame shown before is blended over them as one quad a cell, its corners' alphas the limiter's
// shares, so a held area fades into its surroundings without seams. Only the part a blend covers is
// uploaded, read back and measured again. Frames with nothing to hold come out exactly as drawn.
#pragma once

#include "Clock.h"
#include "FlashLimiter.h"

#include <GL/gl.h>

#include <functional>
#include <vector>

class FlashFilter {
public:
    // Where the drawn picture lies in the frame the viewer sees, in that frame's pixels from its top-left
    // corner, and how that frame (rows top to bottom, RGB) is made from the drawn one (RGB, rows bottom to
    // top, as GL reads them): the cells are the frame's. By default the drawn picture is the frame.
    struct Placement {
        int frameWidth, frameHeight, x, y, width, height;
    };
    using Compose = std::function<void(const unsigned char* drawn, unsigned char* frame)>;

    FlashFilter();
    FlashFilter(const Placement& placement, Compose compose);
    ~FlashFilter();
    FlashFilter(const FlashFilter&) = delete;
    FlashFilter& operator=(const FlashFilter&) = delete;

    // Where a play must start for the frame at `ms` to be limited as a viewer playing up to it saw it: a
    // second before, the limiter's memory, or the start.
    static int warmUpFrom(int ms);

    // Limits the frame in the back buffer (the picture Raster says is drawn), as shown at `ms`.
    void apply(long ms, bool cut);
    const FlashLimiter& limiter() const { return limits; }
    // The GL context it drew in is gone (the page's next play has a new one): its texture is forgotten,
    // not deleted, and the limiter starts afresh.
    void forget();

private:
    Placement placedIn(int width, int height) const;
    // Reads `part` of the drawn picture (width x height; pixels, rows from the top) into `drawn` and
    // measures the frame's cells of `only` (a box of cells).
    void measure(int width, int height, const Flashes::Box& part, const Flashes::Box& only);
    // `part` of the frame shown before into the texture; returns the part it holds.
    Flashes::Box upload(int width, int height, const Flashes::Box& part);
    // The frame shown before blended over the held cells (those within `touched`).
    void blendShown(int width, int height, const Flashes::Box& touched);

    bool placed;
    Placement placement;
    Compose compose;
    FlashLimiter limits;
    GLuint texture = 0;                       // the frame shown before, while blending
    int textureWidth = 0, textureHeight = 0;  // its size, once made
    std::vector<unsigned char> drawn, shown;  // the drawn picture read now, and as shown the frame before
    std::vector<unsigned char> frame;         // the frame composed from the drawn picture
    std::vector<unsigned char> rows;          // a part of a picture, packed, as read or uploaded
    std::vector<Flashes::Colour> cells;
    Clock::Filter slot;
};
