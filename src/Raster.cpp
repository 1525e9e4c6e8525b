// The drawn picture size behind the scenes' viewport and line-width calls (see Raster.h).
#include "Raster.h"

#include <GL/gl.h>

namespace {
int drawnWidth = Raster::WIDTH;
int drawnHeight = Raster::HEIGHT;
}  // namespace

namespace Raster {

void setSize(int width, int height) {
    if (width <= 0 || height <= 0) return;
    drawnWidth = width;
    drawnHeight = height;
}

int width() {
    return drawnWidth;
}

int height() {
    return drawnHeight;
}

float scale() {
    return static_cast<float>(drawnHeight) / HEIGHT;
}

void viewport() {
    glViewport(0, 0, drawnWidth, drawnHeight);
}

void lineWidth(float pixels) {
    glLineWidth(pixels * scale());
}

void reset() {
    viewport();
    lineWidth(1.0f);
}

}  // namespace Raster
