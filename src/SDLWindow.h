// SDLWindow: SDL's video subsystem with a full-screen, double-buffered OpenGL display.
#pragma once

#include <SDL.h>

class SDLWindow {
public:
    SDLWindow(const char* caption, int resolutionX, int resolutionY, int bpp);
    ~SDLWindow();
    SDLWindow(const SDLWindow&) = delete;
    SDLWindow& operator=(const SDLWindow&) = delete;

    SDL_Surface* screen = nullptr;  // null when no video mode could be set
};
