// FrameTarget: where the capture draws its frames. At the demo's own 640x480 that is the window, as in
// the demo (a framebuffer object rasterises some edge pixels differently, and those frames must not
// change); at any other size a framebuffer object of the drawn picture's size, which the X screen does
// not limit. Finished frames come back in their letterbox. The framebuffer-object entry points (ARB or
// EXT) are looked up here and nowhere else.
#pragma once

#include "Letterbox.h"
#include "Raster.h"
#include "Screenshot.h"

#include <GL/gl.h>

#include <memory>
#include <vector>

class FlashFilter;

class FrameTarget {
public:
    // Unless the box is the window's own picture, makes colour and depth buffers of the box's drawn size
    // (the depth as deep as the window's), binds them and sets the scenes' picture to that size, so every
    // frame drawn from now on goes there. When GL cannot, says why on standard error and good() is false;
    // nothing is changed then.
    explicit FrameTarget(const Letterbox& box);
    // Binds the window again, deletes the buffers and gives the scenes back the picture they had before.
    ~FrameTarget();
    FrameTarget(const FrameTarget&) = delete;
    FrameTarget& operator=(const FrameTarget&) = delete;

    bool good() const { return framebuffer != 0 || inWindow(); }
    // The finished frame (call it just before the swap, from Clock::OnFrame): the picture in its letterbox.
    // Valid until the next grab.
    const Screenshot& grab();

    const Letterbox box;

    // Whether frames are drawn in the window (the demo's own 640x480), not offscreen.
    bool inWindow() const;
    // The flash limiter on every frame drawn here, measuring the frames as grab() makes them.
    std::unique_ptr<FlashFilter> flashFilter() const;

private:
    void release();

    Raster::Layout before = Raster::layout();
    GLuint framebuffer = 0;
    GLuint colour = 0;
    GLuint depth = 0;
    std::vector<unsigned char> drawn;  // the last picture read, rows bottom to top
    Screenshot frame;                  // the last frame grabbed
};
