// Letterbox: where the demo's 4:3 picture sits in a capture frame of any size, and how a picture drawn
// N times larger in each direction becomes that frame: N x N blocks averaged, black bars around it.
#pragma once

#include <string>

class Letterbox {
public:
    // The picture where Raster::pictureArea puts it.
    Letterbox(int width, int height, int supersample = 1);

    // The drawn picture: the picture's size times the supersampling factor.
    int drawnWidth() const { return pictureWidth * supersample; }
    int drawnHeight() const { return pictureHeight * supersample; }

    // Makes the width x height frame (RGB, rows top to bottom) from the drawn picture (RGB, rows bottom
    // to top, as GL reads them).
    void compose(const unsigned char* drawnBottomUp, unsigned char* frame) const;

    int width, height, supersample;
    int pictureX, pictureY;  // top-left corner of the picture in the frame
    int pictureWidth, pictureHeight;
};
