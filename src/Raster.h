// Raster: the size in pixels the demo's 640x480 picture is drawn at. The demo keeps 640x480; the capture
// tool sets a larger size, so that its frames are drawn, not scaled up, at the size of the video.
// Scenes set their viewport and line widths through here, in 640x480 terms.
#pragma once

namespace Raster {

const int WIDTH = 640;
const int HEIGHT = 480;

// The drawn size of the whole picture; both must be positive. Takes effect at the next viewport().
void setSize(int width, int height);
int width();
int height();
// How much larger than 640x480 the picture is drawn, measured by height: lines grow by this.
float scale();

// The viewport over the whole picture, so that every projection maps its 640x480 view onto it.
void viewport();
// A line width given in pixels of the 640x480 picture.
void lineWidth(float pixels);
// The state a fresh context of the picture's size starts in: its viewport and a line width of 1.
void reset();

}  // namespace Raster
