// Scene base class: clock, event loop, end-of-scene report and the two flat projections.
#include "Scene.h"

#include "Clock.h"
#include "Raster.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <iostream>

Scene::Scene() : done(0) {}

Scene::~Scene() {}

void Scene::init() {
    startTime = Clock::ticks();
    framesDrawn = 0;
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    Raster::viewport();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, 1.3333333333333333, 1.0, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glShadeModel(GL_SMOOTH);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
}

void Scene::deinit() {
    glPopAttrib();
}

int Scene::run(int milliseconds) {
    for (;;) {
        while (SDL_PollEvent(&event)) {
            if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE) return 1;
            if (event.type == SDL_QUIT) done = getTime();
        }
        render();
        ++framesDrawn;
        if (done > 0) return 0;
        if (getTime() >= milliseconds) return 0;
    }
}

void Scene::render() {}

int Scene::getTime() {
    return static_cast<int>(Clock::ticks() - startTime);
}

void Scene::writeReport(std::ostream& out, unsigned int frames, int elapsedMs) {
    const long double seconds = elapsedMs / static_cast<long double>(1000.0f);
    // A scene ended before any time passed has no rate to speak of: 0, not inf or nan.
    const double fps = seconds > 0 ? static_cast<double>(static_cast<long double>(frames) / seconds) : 0.0;
    out << frames << " frames draw\tAverage fps: " << fps << std::endl;
}

void Scene::report() {
    writeReport(std::cout, framesDrawn, getTime());
}

void Scene::setOrtho() {
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(-1.0, 1.0, -1.0, 1.0, 1.0, -1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
}

void Scene::set640x480() {
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, 640.0, 480.0, 0.0, 1.0, -1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
}

void Scene::unsetOrtho() {
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}
