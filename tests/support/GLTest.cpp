// Test support: one GL window per test process, kept until exit (see GLTest.h).
#include "GLTest.h"

#include "Clock.h"
#include "SDLWindow.h"

#include <GL/gl.h>

#include <cstdlib>
#include <iostream>
#include <memory>

namespace moriqtest {

void ensureGL() {
    static std::unique_ptr<SDLWindow> window;
    if (!window) window.reset(new SDLWindow());
    if (!window->screen) {
        // Every GL call after this would crash; stop the test program with a clear message instead.
        std::cerr << "no GL window; run the tests under an X display (Xvfb)" << std::endl;
        std::exit(1);
    }
}

Frame grabFrame(const std::function<void()>& draw) {
    Frame frame;
    const Clock::OnFrame grab([&frame] { frame = Screenshot::grab(); });
    draw();
    return frame;
}

std::string picture(const std::string& name) {
    return std::string(MORIQ_BUILD_DIR) + "/test-pictures/" + name;
}

int integer(unsigned int what) {
    GLint value[4] = {0, 0, 0, 0};
    glGetIntegerv(what, value);
    return value[0];
}

bool near(RGB c, RGB expected, int tolerance) {
    return std::abs(c.r - expected.r) <= tolerance && std::abs(c.g - expected.g) <= tolerance &&
           std::abs(c.b - expected.b) <= tolerance;
}

int countNear(const Frame& frame, RGB c, int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) n += near(frame.at(x, y), c, 3);
    return n;
}

int differing(const Frame& a, const Frame& b, int tolerance, int x1) {
    int n = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < x1; ++x) n += !near(a.at(x, y), b.at(x, y), tolerance);
    return n;
}

void pushEvent(Uint8 type, SDLKey key, int code) {
    SDL_Event e = {};
    e.type = type;
    if (type == SDL_KEYDOWN || type == SDL_KEYUP) e.key.keysym.sym = key;
    else e.user.code = code;
    SDL_PushEvent(&e);
}

void dropEvents() {
    SDL_Event e;
    while (SDL_PollEvent(&e)) {}
}

}  // namespace moriqtest
