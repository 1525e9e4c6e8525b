// Test support: one GL window per test process, kept until exit.
#include "GLTest.h"

#include "Clock.h"
#include "SDLWindow.h"
#include "Scene.h"

#include <GL/gl.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <memory>

namespace moriqtest {

void ensureGL() {
    static std::unique_ptr<SDLWindow> window;
    // A freshly started X server may refuse the first connection; try a few times before giving up.
    for (int attempt = 0; attempt < 5 && !(window && window->screen); ++attempt) {
        if (attempt > 0) usleep(200000);
        window.reset();
        window.reset(new SDLWindow("Moriq-demo zu@r", 640, 480, 16));
    }
    if (!window->screen) {
        // Every GL call after this would crash; stop the test program with a clear message instead.
        fprintf(stderr, "no GL window; run the tests under an X display (Xvfb)\n");
        std::exit(1);
    }
}

void setTime(unsigned int ms) {
    Clock::drive([ms] { return ms; });
}

void clearTime() {
    Clock::drive(nullptr);
}

Frame grabFrame(const std::function<void()>& draw) {
    Frame frame;
    Clock::onSwap([&frame] { frame = Screenshot::grab(); });
    draw();
    Clock::onSwap(nullptr);
    return frame;
}

Frame renderAt(Scene* scene, unsigned int ms) {
    setTime(ms);
    return grabFrame([scene] { scene->render(); });
}

float currentAlpha() {
    float colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    return colour[3];
}

std::string outputPath(const std::string& name) {
    return std::string(MORIQ_BUILD_DIR) + "/" + name;
}

std::string sourcePath(const std::string& name) {
    return std::string(MORIQ_SOURCE_DIR) + "/" + name;
}

}  // namespace moriqtest
