// Raster: the size in pixels the demo's 640x480 picture is drawn at, and where it sits in the frame. The
// demo keeps 640x480 by default; the capture tool and the live demo's other sizes draw larger, so that
// frames are drawn, not scaled up. Scenes set their viewport and line widths through here, in 640x480 terms.
#pragma once

#include <string>

namespace Raster {

const int WIDTH = 640;
const int HEIGHT = 480;

// A rectangle of a frame, counted from the frame's top-left corner.
struct Area {
    int x, y, width, height;
};

// The largest 4:3 picture (4k x 3k pixels) that fits in a frame of width x height, centred.
Area pictureArea(int width, int height);

// Reads "WxH" (each 1 to 100000); false for anything else, leaving width and height alone.
bool parseSize(const char* text, int& width, int& height);
// A --size option's value: reads it into width and height and returns "", or says what is wrong with it
// (not WxH, or no room for a 4:3 picture), leaving them alone.
std::string readSize(const char* text, int& width, int& height);

// The drawn size of the whole picture, filling its frame; both must be positive. Takes effect at the
// next viewport().
void setSize(int width, int height);
// The live demo in a frame (window) of any size: the picture drawn at pictureArea's size and place, the
// rest black (clearBars keeps it so). Clears the whole frame.
void fitInto(int frameWidth, int frameHeight);
// A new frame size while scenes play (the page's canvas resized between two frames): the picture moves
// to pictureArea's size and place, the viewport follows and the line width keeps its width in 640x480
// pixels. The rest of GL's state, the clear colour included, stays as the scene has it.
void resize(int frameWidth, int frameHeight);
int width();
int height();

// The picture's size and place in its frame as setSize or fitInto left them, for whoever draws elsewhere
// for a while (the capture's offscreen target) to put back.
struct Layout {
    int drawnWidth, drawnHeight, originX, originY, frameWidth, frameHeight;
};
Layout layout();
void restore(const Layout& saved);
// How much larger than 640x480 the picture is drawn, measured by height: lines grow by this.
float scale();

// What glPushAttrib saves of the picture's size: the viewport and line width of the moment.
struct Saved {
    unsigned int resizes;
    float scale;
};
Saved saved();
// After the glPopAttrib matching a push made at `saved`: when resize has run since, the restored viewport
// and line width are those of the old size, so the current viewport and the same width in 640x480 pixels
// replace them. Nothing otherwise, so sizes set before drawing leave every pop as GL makes it.
void restored(const Saved& saved);

// The viewport over the whole picture, so that every projection maps its 640x480 view onto it.
void viewport();
// A line width given in pixels of the 640x480 picture.
void lineWidth(float pixels);
// The state a fresh context of the picture's size starts in: its viewport and a line width of 1.
void reset();
// Flat drawing for a while: both matrices saved, the modelview cleared and the projection an ortho of the
// box given as glOrtho takes it; endFlat puts them back and leaves the modelview matrix current.
void beginFlat(double left, double right, double bottom, double top, double near = -1.0, double far = 1.0);
void endFlat();
// Paints the bars around the picture black (nothing when the picture fills the frame), leaving GL's state
// as it was. Once a frame, before the swap: scenes clear the whole frame in their colours and wide lines
// reach past the viewport, and what a swapped-in back buffer holds is undefined.
void clearBars();

}  // namespace Raster
