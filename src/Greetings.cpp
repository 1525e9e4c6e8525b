// The greetings scene: four groups of cube rows, the jittering picture strip and the double fades.
#include "Greetings.h"

#include "Raster.h"

#include <GL/gl.h>

#include <cmath>

namespace {

struct CubeGroup {
    float depth;
    int cubesPerRow;
    bool secondStart;  // rows start at start2 instead of start1
};

const CubeGroup GROUPS[] = {
    {-30.0f, 5, false},
    {-90.0f, 3, false},
    {-40.0f, 3, false},
    {-70.0f, 3, true},
};

const float ROW_HEIGHTS[] = {-18.0f, -13.0f, -8.0f, -3.0f, 2.0f, 7.0f, 12.0f, 17.0f};

// Offsets and tilts of the picture for each whole second from 0 to 8.
const Greetings::Jitter JITTERS[] = {
    {true, 0.1f, 0.0f, false, 0.0f},
    {true, 0.4f, 0.0f, true, 5.0f},
    {true, 0.2f, 0.0f, true, 5.0f},
    {true, 0.2f, 0.1f, true, -3.0f},
    {true, 0.0f, 0.1f, true, -3.1f},
    {true, 0.2f, 0.2f, true, 3.0f},
    {true, 0.1f, -0.1f, true, 0.0f},
    {true, 0.4f, 0.1f, true, -2.3f},
    {true, -0.1f, 0.1f, true, 8.0f},
};

// A strip 256 pixels wide, running 16 pixels off the top and 15 off the bottom of the screen.
const Scene::Corner STRIP[4] = {
    {0.0f, 0.0f, 383.0f, 495.0f}, {1.0f, 0.0f, 639.0f, 495.0f}, {1.0f, 1.0f, 639.0f, -16.0f}, {0.0f, 1.0f, 383.0f, -16.0f}};

const int FADE_MS = 1000;
const int FADE_OUT_FROM = 9000;

}  // namespace

Greetings::Greetings(SDL_Surface* sdlsurf) {
    surface = sdlsurf;
    useCues(CUES);
    greetings = new Texture(PICTURES[0]);
    z = 1.0f;
    start1 = 4.0f;
    start2 = 1.0f;
    s1f = 0.01f;
    s2f = -0.01f;
    rot = 0.0f;
}

Greetings::~Greetings() {
    deinit();
    report();
    delete greetings;
}

void Greetings::init() {
    pushState();
    startClock();
    // The projection the scene before leaves in the demo, set here so the scene also stands alone.
    Raster::viewport();
    perspective(1.33, 1.0, 1000.0);
    glClearColor(0.6f, 0.2f, 0.3f, 0.0f);
    glEnable(GL_DEPTH_TEST);
    Raster::lineWidth(5.0f);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    // The cubes draw untextured: no texture may be bound when the first frame starts.
    glBindTexture(GL_TEXTURE_2D, 0);
}

Greetings::Jitter Greetings::jitterAt(int t) {
    if (t >= FADE_OUT_FROM) return Jitter{false, 0.0f, 0.0f, false, 0.0f};
    if (t < 1000) return JITTERS[0];
    return JITTERS[t / 1000];
}

void Greetings::drawCube(float size) {
    const float d = 0.5f * size;
    glBegin(GL_QUADS);
    glVertex3f(-d, -d, d);
    glVertex3f(d, -d, d);
    glVertex3f(d, d, d);
    glVertex3f(-d, d, d);

    glVertex3f(-d, -d, -d);
    glVertex3f(d, -d, -d);
    glVertex3f(d, d, -d);
    glVertex3f(-d, d, -d);

    glVertex3f(-d, d, d);
    glVertex3f(d, d, d);
    glVertex3f(d, d, -d);
    glVertex3f(-d, d, -d);

    glVertex3f(-d, -d, d);
    glVertex3f(d, -d, d);
    glVertex3f(d, -d, -d);
    glVertex3f(-d, -d, -d);

    glVertex3f(-d, -d, -d);
    glVertex3f(-d, -d, d);
    glVertex3f(-d, d, d);
    glVertex3f(-d, d, -d);

    glVertex3f(d, -d, -d);
    glVertex3f(d, -d, d);
    glVertex3f(d, d, d);
    glVertex3f(d, d, -d);
    glEnd();
}

void Greetings::drawCubeField() {
    const float x = cue(CUBES_X), turn = cue(CUBES_TURN);
    const float fill[3] = {cue(FILL_R), cue(FILL_G), cue(FILL_B)};
    const float line[3] = {cue(LINE_R), cue(LINE_G), cue(LINE_B)};
    for (const CubeGroup& group : GROUPS) {
        for (float rowY : ROW_HEIGHTS) {
            glLoadIdentity();
            glTranslatef(x, rowY, group.depth);
            glRotatef(turn, 1.0f, 1.0f, 1.0f);
            z = group.secondStart ? start2 : start1;
            for (int k = 0; k < group.cubesPerRow; ++k) {
                glTranslatef(4.0f, 0.0f, 0.0f);
                glColor3fv(fill);
                drawCube(z);
                glColor3fv(line);
                glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
                drawCube(z);
                glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
                z = z - 0.5f;
            }
        }
    }
}

void Greetings::drawFades(int t) {
    const float inAlpha = 1.0f - t / 1000.0f;
    const float outAlpha = (t - FADE_OUT_FROM) / 1000.0f;
    // Each fade is drawn twice, so what remains of the frame is (1 - alpha) squared.
    for (int twice = 0; twice < 2; ++twice) {
        if (t < FADE_MS) fade(inAlpha);
        if (t > FADE_OUT_FROM) fade(outAlpha);
    }
}

void Greetings::render() {
    const int t = getTime();
    glClearColor(cue(BACKGROUND_R), cue(BACKGROUND_G), cue(BACKGROUND_B), 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    const double pulse = cue(PULSE_SPEED);
    start1 = std::sin(static_cast<float>(t / 500.0 * pulse));
    start2 = std::sin(static_cast<float>(t / 500.0 * pulse));
    drawCubeField();
    // Depth-tested as always: the strip lies nearer than every cube, so it covers them all.
    overlay(greetings, STRIP, 1.0f, true, jitterAt(t));
    drawFades(t);
}
