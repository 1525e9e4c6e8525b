// Loading bar frames: a white outline and a fill that grows with the percentage.
#include "LoaderBar.h"

#include "Clock.h"
#include "Raster.h"

#include <GL/gl.h>

LoaderBar::LoaderBar(SDL_Surface* surface) {
    pushState();
    this->surface = surface;
    init();
}

LoaderBar::~LoaderBar() {}

void LoaderBar::init() {
    startClock();
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    Raster::viewport();
    perspective(4.0 / 3.0, 1.0, 100.0);
    glLoadIdentity();
}

void LoaderBar::render() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
}

void LoaderBar::render(int percent) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    setOrtho();
    glColor3f(1.0f, 1.0f, 1.0f);

    glBegin(GL_LINE_LOOP);
    glVertex2f(-0.8f, -0.1f);
    glVertex2f(0.8f, -0.1f);
    glVertex2f(0.8f, 0.1f);
    glVertex2f(-0.8f, 0.1f);
    glEnd();

    const float x = static_cast<float>(percent * 0.01584 - 0.792);
    glBegin(GL_QUADS);
    glVertex2f(-0.792f, -0.09f);
    glVertex2f(x, -0.09f);
    glVertex2f(x, 0.09f);
    glVertex2f(-0.792f, 0.09f);
    glEnd();

    unsetOrtho();
    Clock::present();
}
