// Scene base class: clock, event loop, end-of-scene report and the two flat projections.
#include "Scene.h"

#include "Clock.h"
#include "Cues.h"
#include "Raster.h"
#include "Texture.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include "tracks/Track.h"

#include <climits>
#include <iostream>
#include <utility>

namespace {
Hook<bool(const SDL_Event&)>& controls() {
    static Hook<bool(const SDL_Event&)> handler;
    return handler;
}
Hook<void()>& beforeFrame() {
    static Hook<void()> hook;
    return hook;
}
}  // namespace

Scene::Scene() : done(0) {}

Scene::~Scene() {}

void Scene::init() {
    startClock();
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    Raster::viewport();
    perspective(1.3333333333333333, 1.0, 100.0);
    glLoadIdentity();
    glShadeModel(GL_SMOOTH);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
}

void Scene::pushState() {
    // A second init keeps what was saved before the first: that is the state to go back to.
    if (statePushed) return;
    pushedSize = Raster::saved();
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    statePushed = true;
}

void Scene::startClock() {
    startTime = Clock::ticks();
    framesDrawn = 0;
    reportDue = true;
    countedFrom = 0;
}

void Scene::countFrom(int ms) {
    framesDrawn = 0;
    countedFrom = ms;
}

void Scene::perspective(double aspect, double zNear, double zFar) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, aspect, zNear, zFar);
    glMatrixMode(GL_MODELVIEW);
}

void Scene::deinit() {
    if (!statePushed) return;
    glPopAttrib();
    // A picture resized while the scene played keeps its new size past the scene.
    Raster::restored(pushedSize);
    statePushed = false;
}

int Scene::run(int milliseconds) {
    for (;;) {
        if (beforeFrame()) beforeFrame()();
        while (SDL_PollEvent(&event)) {
            if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE) return 1;
            // Intended: a close request in the scene's first millisecond records 0 and so changes nothing.
            if (event.type == SDL_QUIT)
                done = getTime();
            else if (controls() && controls()(event))
                return LEFT;
        }
        frame();
        ++framesDrawn;
        if (done > 0) return 0;
        if (getTime() >= milliseconds) return 0;
    }
}

void Scene::render() {}

void Scene::frame() {
    const Clock::Frame moment;
    render();
    Clock::present();
}

void Scene::startAt(int, int) {}

Scene::Controls::Controls(std::function<bool(const SDL_Event&)> handler) : Scope(controls(), std::move(handler)) {}

Scene::BeforeFrame::BeforeFrame(std::function<void()> hook) : Scope(beforeFrame(), std::move(hook)) {}

int Scene::getTime() {
    return static_cast<int>(Clock::ticks() - startTime);
}

void Scene::bindCues(std::vector<const tracks::Track*> tracks, int startMs) {
    cueTracks = std::move(tracks);
    cueStart = startMs;
}

double Scene::cueAt(size_t index, int ms) const {
    const double fallback = index < cueCount ? cueTable[index].fallback : 0.0;
    const tracks::Track* track = index < cueTracks.size() ? cueTracks[index] : nullptr;
    // Without keys the code's own value, not its float, so an untouched cue draws as before.
    if (!track || track->keys().empty()) return fallback;
    return track->value(Cues::rowAt(cueStart + ms), static_cast<float>(fallback));
}

int Scene::toInt(double value) {
    if (!(value > INT_MIN)) return INT_MIN;
    if (value >= INT_MAX) return INT_MAX;
    return static_cast<int>(value);
}

void Scene::writeReport(std::ostream& out, unsigned int frames, int elapsedMs) {
    const long double seconds = elapsedMs / static_cast<long double>(1000.0f);
    // A scene ended before any time passed has no rate to speak of: 0, not inf or nan.
    const double fps = seconds > 0 ? static_cast<double>(static_cast<long double>(frames) / seconds) : 0.0;
    out << frames << " frames draw\tAverage fps: " << fps << std::endl;
}

void Scene::report() {
    if (!reportDue) return;
    reportDue = false;
    writeReport(std::cout, framesDrawn, getTime() - countedFrom);
}

void Scene::setOrtho() {
    Raster::beginFlat(-1.0, 1.0, -1.0, 1.0, 1.0, -1.0);
}

void Scene::set640x480() {
    Raster::beginFlat(0.0, 640.0, 480.0, 0.0, 1.0, -1.0);
}

void Scene::unsetOrtho() {
    Raster::endFlat();
}

void Scene::fade(float alpha) {
    glPushAttrib(GL_CURRENT_BIT | GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_POLYGON_BIT);
    setOrtho();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_1D);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    // A scene drawing in wireframe still fades the whole screen.
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glColor4f(0.0f, 0.0f, 0.0f, alpha);
    glBegin(GL_QUADS);
    glVertex2f(-1.0f, -1.0f);
    glVertex2f(1.0f, -1.0f);
    glVertex2f(1.0f, 1.0f);
    glVertex2f(-1.0f, 1.0f);
    glEnd();
    unsetOrtho();
    glPopAttrib();
}

float Scene::shownAlpha(int t, int from, int to) {
    if (t <= from + 999) return (t - from) / 1000.0f;
    if (t > to - 1000) return 1.0f - (t - (to - 1000)) / 1000.0f;
    return 1.0f;
}

void Scene::overlay(Texture* picture, const Corner (&corners)[4], float alpha, bool depthTested,
                    const Placement& place) {
    glPushAttrib(GL_CURRENT_BIT | GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_TEXTURE_BIT);
    // Lighting and face culling stay as the scene has them: the metaballs' overlay is lit.
    if (!depthTested) glDisable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
    picture->bind();
    glColor4f(1.0f, 1.0f, 1.0f, alpha);
    set640x480();
    if (place.translate) glTranslatef(place.dx, place.dy, 0.0f);
    if (place.rotate) glRotatef(place.angle, 0.0f, 0.0f, 1.0f);
    glBegin(GL_QUADS);
    for (const Corner& corner : corners) {
        glTexCoord2f(corner.s, corner.t);
        glVertex2f(corner.x, corner.y);
    }
    glEnd();
    unsetOrtho();
    glPopAttrib();
}
