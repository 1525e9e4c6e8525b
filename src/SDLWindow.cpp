// Display set-up and shutdown; failures are reported and leave screen null for the caller to act on.
#include "SDLWindow.h"

#include <iostream>

SDLWindow::SDLWindow(int resolutionX, int resolutionY, bool fullScreen) {
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::cerr << "Unable to initialize SDL: " << SDL_GetError() << std::endl;
        // SDL 1.2 crashes on any video call made without a video subsystem; leave screen null.
        return;
    }
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, DEPTH);
    if (resolutionX == 0 || resolutionY == 0) {
        const SDL_VideoInfo* desktop = SDL_GetVideoInfo();
        resolutionX = desktop ? desktop->current_w : 0;
        resolutionY = desktop ? desktop->current_h : 0;
    }
    screen = SDL_SetVideoMode(resolutionX, resolutionY, DEPTH, (fullScreen ? SDL_FULLSCREEN : 0) | SDL_OPENGL);
    if (!screen)
        std::cerr << "Couldn't set video mode: " << SDL_GetError() << std::endl;
    SDL_WM_SetCaption(TITLE, "");
}

SDLWindow::~SDLWindow() {
    // SDL owns the video surface; SDL_FreeSurface leaves it alone and SDL_Quit releases it.
    if (screen) SDL_FreeSurface(screen);
    SDL_Quit();
}
