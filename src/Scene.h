// Scene: base of every effect and of the loading bar; owns the scene clock, the frame counter,
// the event loop and the flat projections that overlays and fades draw in.
#pragma once

#include <SDL.h>

#include <ostream>

class Scene {
public:
    Scene();
    virtual ~Scene();
    virtual void init();
    virtual void deinit();
    // Plays until the time is up (0), a close request was handled (0) or Escape is pressed (1).
    virtual int run(int milliseconds);
    virtual void render();

    // Milliseconds since init, from the shared clock; a wrap of the tick counter is harmless.
    int getTime();

    // The end-of-scene line: frames drawn and their average rate over elapsed milliseconds.
    static void writeReport(std::ostream& out, unsigned int frames, int elapsedMs);

    SDL_Surface* surface = nullptr;
    SDL_Event event;
    int done;
    unsigned int startTime = 0;
    unsigned int framesDrawn = 0;

protected:
    void setOrtho();
    void set640x480();
    void unsetOrtho();
    // Prints the end-of-scene line for this scene to standard output.
    void report();
};
