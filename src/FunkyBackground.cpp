// The rippling background: a 16 by 16 grid of textured quads, each corner displaced on its own.
#include "FunkyBackground.h"


#include <GL/gl.h>

#include <cmath>

FunkyBackground::FunkyBackground(SDL_Surface* sdlsurf) {
    surface = sdlsurf;
    useCues(CUES);
    background = new Texture(PICTURES[0]);
    MAX_X = 16;
    MAX_Y = 16;
    SIZE_X = 4.5f;
    SIZE_Y = -3.5f;
    DIS = 0.1f;
    TEXTUREJA = 12;
    SW = 0.1f;
    FACT = 1.0f;
    SPEED = 3.0f;
    TINT[0] = TINT[1] = TINT[2] = 1.0f;
}

FunkyBackground::~FunkyBackground() {
    // The last scene of the demo, but restoring what init saved keeps it safe to play in any order.
    deinit();
    report();
    delete background;
}

void FunkyBackground::init() {
    pushState();
    Scene::init();
    glClearColor(0.7f, 0.7f, 0.7f, 0.0f);
    glEnable(GL_TEXTURE_2D);
    // The picture shows as it is: unblended and unlit, whatever the scene before left behind.
    glDisable(GL_BLEND);
    glDisable(GL_LIGHTING);
}

void FunkyBackground::render() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, cue(DISTANCE));
    SPEED = cue(RIPPLE_SPEED);
    DIS = cue(RIPPLE_SIZE);
    TINT[0] = cue(TINT_R);
    TINT[1] = cue(TINT_G);
    TINT[2] = cue(TINT_B);
    getFunky(getTime() / 1000.0f, 9, cue(SWIRL));
}

FunkyBackground::GridPoint FunkyBackground::gridPoint(int gx, int gy, float tid, float swirl, int maxX,
                                                      int maxY, float sizeX, float sizeY, float dis,
                                                      float sw) {
    const float fx = static_cast<float>(gx);
    const float fy = static_cast<float>(gy);
    const float p = static_cast<float>(gx + gy) + swirl;
    const float s2 = std::sin(p) * sw;
    const float c2 = std::cos(p) * sw;
    const float dx = std::sin(fx + tid) * dis + s2 * swirl * dis * 10.0f;
    const float dy = std::cos(fy + tid) * dis + c2 * swirl * dis * 10.0f;
    GridPoint point;
    point.s = fx / static_cast<float>(maxX);
    point.t = fy / static_cast<float>(maxY);
    point.x = fx * sizeX / static_cast<float>(maxX) + dx;
    point.y = fy * sizeY / static_cast<float>(maxY) + dy;
    return point;
}

void FunkyBackground::getFunky(float tim, int, float swirl) {
    const float tid = SPEED * tim;
    swirl = 5.0f * swirl;

    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glTranslatef(-SIZE_X * 0.5f, -SIZE_Y * 0.5f, -1.0f);

    glDisable(GL_CULL_FACE);
    glEnable(GL_DEPTH_TEST);
    background->bind();
    glDepthMask(GL_FALSE);
    glColor3fv(TINT);
    glEnable(GL_COLOR_MATERIAL);

    // Every corner is recomputed from its grid point alone, so shared corners match exactly.
    static const int CORNER_X[4] = {0, 1, 1, 0};
    static const int CORNER_Y[4] = {0, 0, 1, 1};
    glBegin(GL_QUADS);
    for (int y = 0; y < MAX_Y; ++y) {
        for (int x = 0; x < MAX_X; ++x) {
            for (int corner = 0; corner < 4; ++corner) {
                const GridPoint point = gridPoint(x + CORNER_X[corner], y + CORNER_Y[corner], tid, swirl,
                                                  MAX_X, MAX_Y, SIZE_X, SIZE_Y, DIS, SW);
                glTexCoord2f(point.s, point.t);
                glVertex3f(point.x, point.y, 0.0f);
            }
        }
    }
    glEnd();

    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glPopMatrix();
    glColor3f(1.0f, 1.0f, 1.0f);
}
