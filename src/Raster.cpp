// The drawn picture size and place behind the scenes' viewport and line-width calls (see Raster.h).
#include "Raster.h"

#include <GL/gl.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace {
int drawnWidth = Raster::WIDTH;
int drawnHeight = Raster::HEIGHT;
// The picture's lower-left corner in GL's window coordinates, and the frame around it.
int originX = 0;
int originY = 0;
int frameWidth = Raster::WIDTH;
int frameHeight = Raster::HEIGHT;
unsigned int resizes = 0;

void clearRect(int x, int y, int width, int height) {
    if (width <= 0 || height <= 0) return;
    glScissor(x, y, width, height);
    glClear(GL_COLOR_BUFFER_BIT);
}

// Places the picture in a frame; false (nothing changed) for a frame too small to hold a 4x3 picture.
bool place(int width, int height) {
    const Raster::Area area = Raster::pictureArea(width, height);
    if (area.width <= 0) return false;
    frameWidth = width;
    frameHeight = height;
    drawnWidth = area.width;
    drawnHeight = area.height;
    originX = area.x;
    originY = height - area.y - area.height;
    return true;
}

// The current line width, set at picture scale `from`, redrawn at the current scale.
void rescaleLines(float from) {
    GLfloat width = 1.0f;
    glGetFloatv(GL_LINE_WIDTH, &width);
    glLineWidth(width * Raster::scale() / from);
}
}  // namespace

namespace Raster {

Area pictureArea(int width, int height) {
    const int k = std::max(0, std::min(width / 4, height / 3));
    return {(width - 4 * k) / 2, (height - 3 * k) / 2, 4 * k, 3 * k};
}

bool parseSize(const char* text, int& width, int& height) {
    char* end = nullptr;
    const long w = std::strtol(text, &end, 10);
    if (end == text || !std::isdigit(static_cast<unsigned char>(text[0])) || (*end != 'x' && *end != 'X') ||
        !std::isdigit(static_cast<unsigned char>(end[1])))
        return false;
    const long h = std::strtol(end + 1, &end, 10);
    if (*end || w < 1 || h < 1 || w > 100000 || h > 100000) return false;
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return true;
}

std::string readSize(const char* text, int& width, int& height) {
    int w = 0, h = 0;
    if (!parseSize(text, w, h)) return std::string("--size takes WxH (1 to 100000 each), not '") + text + "'";
    if (pictureArea(w, h).width == 0)
        return "--size " + std::to_string(w) + "x" + std::to_string(h) + " has no room for a 4:3 picture";
    width = w;
    height = h;
    return "";
}

void setSize(int width, int height) {
    if (width <= 0 || height <= 0) return;
    drawnWidth = frameWidth = width;
    drawnHeight = frameHeight = height;
    originX = originY = 0;
}

void fitInto(int width, int height) {
    if (!place(width, height)) return;
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    reset();
}

Layout layout() {
    return {drawnWidth, drawnHeight, originX, originY, frameWidth, frameHeight};
}

void restore(const Layout& saved) {
    drawnWidth = saved.drawnWidth;
    drawnHeight = saved.drawnHeight;
    originX = saved.originX;
    originY = saved.originY;
    frameWidth = saved.frameWidth;
    frameHeight = saved.frameHeight;
}

void resize(int width, int height) {
    const float before = scale();
    if (!place(width, height)) return;
    ++resizes;
    viewport();
    rescaleLines(before);
}

Saved saved() {
    return {resizes, scale()};
}

void restored(const Saved& saved) {
    if (saved.resizes == resizes) return;
    viewport();
    rescaleLines(saved.scale);
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
    glViewport(originX, originY, drawnWidth, drawnHeight);
}

void lineWidth(float pixels) {
    glLineWidth(pixels * scale());
}

void reset() {
    viewport();
    lineWidth(1.0f);
}

void beginFlat(double left, double right, double bottom, double top, double near, double far) {
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(left, right, bottom, top, near, far);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
}

void endFlat() {
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}

void clearBars() {
    if (drawnWidth == frameWidth && drawnHeight == frameHeight) return;
    glPushAttrib(GL_COLOR_BUFFER_BIT | GL_SCISSOR_BIT);
    glEnable(GL_SCISSOR_TEST);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    clearRect(0, 0, originX, frameHeight);
    clearRect(originX + drawnWidth, 0, frameWidth - originX - drawnWidth, frameHeight);
    clearRect(originX, 0, drawnWidth, originY);
    clearRect(originX, originY + drawnHeight, drawnWidth, frameHeight - originY - drawnHeight);
    glPopAttrib();
}

}  // namespace Raster
