// SDLWindow: SDL's video subsystem with a double-buffered OpenGL display, full screen or in a window.
#pragma once

#include <SDL.h>

class SDLWindow {
public:
    // A width and height of 0 take the desktop's current size (SDL's video info before any mode is set).
    SDLWindow(const char* caption, int resolutionX, int resolutionY, int bpp, bool fullScreen = true);
    ~SDLWindow();
    SDLWindow(const SDLWindow&) = delete;
    SDLWindow& operator=(const SDLWindow&) = delete;

    SDL_Surface* screen = nullptr;  // null when no video mode could be set
};
