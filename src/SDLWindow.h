// SDLWindow: SDL's video subsystem with a double-buffered OpenGL display, full screen or in a window.
// The demo's window is defined here once; the demo, the capture tool, the page, the tests and the
// benchmarks all open it through this class.
#pragma once

#include <SDL.h>

class SDLWindow {
public:
    static constexpr const char* TITLE = "Moriq-demo zu@r";
    // The default size; the picture's own 640x480 base is Raster's, which may be drawn larger than this.
    static constexpr int WIDTH = 640;
    static constexpr int HEIGHT = 480;
    static constexpr int DEPTH = 16;  // bits per pixel, asked of the depth buffer too

    // The demo's window at width x height; 0 x 0 takes the desktop's current size (SDL's video info
    // before any mode is set).
    explicit SDLWindow(int width = WIDTH, int height = HEIGHT, bool fullScreen = true);
    ~SDLWindow();
    SDLWindow(const SDLWindow&) = delete;
    SDLWindow& operator=(const SDLWindow&) = delete;

    SDL_Surface* screen = nullptr;  // null when no video mode could be set
};
