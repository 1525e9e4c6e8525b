// The terrain scene: hash-noise height table, the scrolling ribbon, picture timetable, beat pulse.
#include "Heightfield.h"

#include "Timeline.h"
#include "models/spikeThingie.h"

#include <algorithm>
#include <cstdint>

namespace terrain {

float noise(float x, float y) {
    const float sum = 57 * y + x;
    // Outside the int range (or NaN) the hash has no meaning; pin it instead of an undefined conversion.
    int32_t seed = 0;
    if (sum >= 2147483648.0f)
        seed = INT32_MAX;
    else if (sum <= -2147483648.0f)
        seed = INT32_MIN;
    else if (sum == sum)
        seed = static_cast<int32_t>(sum);
    uint32_t n = static_cast<uint32_t>(seed);
    n = (n << 13) ^ n;
    uint32_t m = n * (n * n * 15731u + 789221u) + 1376312589u;
    m &= 0x7FFFFFFFu;
    return static_cast<float>(1.0 - m / 1073741824.0);
}

int scrollRow(int t) {
    // A clock that reads before the scene start would index before the table.
    if (t < 0) t = 0;
    const int k = t / 75;
    return k > 439 ? k % 440 : k + 1;
}

}  // namespace terrain

namespace {

const CelShader::Style BALL_STYLE = {
    false,                       // the caller translates, after its slide and pulse
    false, {0.0f, 0.0f, 0.0f},   // fill: the caller's colour
    false, {0.0f, 0.0f, 0.0f},   // silhouette: still the fill colour
    1.0f, 10000,                 // wireframe fades in from 10 to 12 s
    true,                        // blending stays on for the pictures of the next frame
};

// The pictures' corners from the bottom-left texel, counter-clockwise on the screen.
const Scene::Corner DUDE_CORNERS[4] = {{0, 0, 63, 495}, {1, 0, 575, 495}, {1, 1, 575, -16}, {0, 1, 63, -16}};
const Scene::Corner TING_CORNERS[4] = {{0, 0, 127, 495}, {1, 0, 639, 495}, {1, 1, 639, -16}, {0, 1, 127, -16}};
const Scene::Corner SMEGMA_CORNERS[4] = {{0, 0, 383, 255}, {1, 0, 639, 255}, {1, 1, 639, 0}, {0, 1, 383, 0}};
// Not a rectangle: the third corner is ten pixels higher than the fourth.
const Scene::Corner WEMADE_CORNERS[4] = {{0, 0, 2, 495}, {1, 0, 258, 495}, {1, 1, 258, -26}, {0, 1, 2, -16}};

}  // namespace

Heightfield::Heightfield(SDL_Surface* sdlsurf) {
    lightAngle = Vector3d(0.0f, 0.0f, 0.0f);
    surface = sdlsurf;
    useCues(CUES);
    bump = 17350;
    genmap();
    dude = new Texture(PICTURES[0]);
    ting = new Texture(PICTURES[1]);
    smegma = new Texture(PICTURES[2]);
    wemade = new Texture(PICTURES[3]);
    mc = 0;
    lightAngle = Vector3d(0.0f, 0.0f, 1.0f);
    lightAngle.normalize();
    outlineSmooth = true;
    outlineWidth = 3.0f;
}

Heightfield::~Heightfield() {
    deinit();
    report();
    delete wemade;
    delete ting;
    delete smegma;
    delete dude;
    // Nothing else uses the ramp; a name of 0 (never initialised) is ignored by GL.
    glDeleteTextures(1, shaderTexture);
}

float Heightfield::noise(float x, float y) {
    return terrain::noise(x, y);
}

void Heightfield::genmap() {
    for (int i = 0; i < terrain::MAP_SIZE; ++i) map[i] = noise(static_cast<float>(i), static_cast<float>(i + 242));
}

void Heightfield::init() {
    pushState();
    startClock();
    CelShader::createRamp(shaderData, shaderTexture);

    // The viewport is the one left by the loading bar; render resets the model-view every frame.
    perspective(1.3333333333333333, 1.0, 100.0);

    glClearColor(0.7f, 0.7f, 0.7f, 0.0f);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    CelShader::prepare();
}

void Heightfield::startAt(int ms, int fps) {
    // The pulse restarts on the first frame more than 1100 ms after its last restart (render), so the
    // restarts before ms are those of the grid's frames before it, found without drawing them.
    bump = 17350;
    for (long n = 0; Timeline::frameTime(n, fps) < ms; ++n) {
        const unsigned int frame = static_cast<unsigned int>(Timeline::frameTime(n, fps));
        if (beatRestarts(frame)) bump = frame;
    }
}

bool Heightfield::beatRestarts(unsigned int t) const {
    const int ms = static_cast<int>(t);
    return ms >= cueIntAt(BEAT_FROM, ms) && t - bump > static_cast<unsigned int>(std::max(cueIntAt(BEAT_PERIOD, ms), 200));
}

void Heightfield::rendermap(int start, int stopp, int px, int pz, int zmin, int zmax, int xmin, int xmax) {
    float blend = cue(TERRAIN_ALPHA);
    // Not clamped: below zero from 18 s on, which GL clamps to fully transparent.
    const int fadeFrom = cueInt(TERRAIN_FADE_FROM);
    if (getTime() > fadeFrom) blend = blend - (getTime() - fadeFrom) / 4000.0f;
    const float xd = static_cast<float>(xmax - xmin) / px;
    const float zd = static_cast<float>(zmax - zmin) / pz;

    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glRotatef(cue(TERRAIN_TURN), 0.0f, 1.0f, 0.0f);
    // Each quad filled, then its outline over it.
    const GLenum modes[2] = {GL_FILL, GL_LINE};
    const GLfloat blues[2][3] = {{0.0f, 0.5f, 0.6f}, {0.0f, 0.0f, 0.7f}};
    int i = start;
    for (float z = static_cast<float>(zmin); i < stopp && z < zmax; ++i, z += zd) {
        // The two edges read the table at different strides: 10 i and i + 10.
        const float h1 = map[10 * i];
        const float h2 = map[i + 10];
        for (int pass = 0; pass < 2; ++pass) {
            glPolygonMode(GL_FRONT_AND_BACK, modes[pass]);
            glColor4f(blues[pass][0], blues[pass][1], blues[pass][2], blend);
            glBegin(GL_QUADS);
            glVertex3f(2.0f, h1, z);
            glVertex3f(2.0f + xd, h1, z);
            glVertex3f(2.0f + xd, h2, z);
            glVertex3f(2.0f, h2, z);
            glEnd();
        }
    }
    glPopAttrib();
}

void Heightfield::renderCelPr0n() {
    const CelShader::Mesh mesh = {spikeThingie_numberFaces, spikeThingie_vertices, spikeThingie_normals,
                                  spikeThingie_faces};
    CelShader::draw(*this, mesh, BALL_STYLE, outlineSmooth, outlineWidth, lightAngle, shaderTexture,
                    cue(BALL_SPIN));
}

void Heightfield::render() {
    glClearColor(cue(BACKGROUND_R), cue(BACKGROUND_G),
                 cue(BACKGROUND_B), 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();

    if (getTime() <= 9999) {
        float alpha = 1.0f;
        if (getTime() > 6999) alpha = 1.0f - (getTime() - 7000) / 3000.0f;
        overlay(dude, DUDE_CORNERS, alpha);
    } else {
        // A 3000 ms divisor over a 2000 ms ramp: about 0.67 at 11999 ms, then a jump to 1.
        float alpha = 1.0f;
        if (getTime() <= 11999) alpha = (getTime() - 10000) / 3000.0f;
        overlay(ting, TING_CORNERS, alpha);
    }
    if (getTime() <= 9999) {
        float alpha = 1.0f;
        if (getTime() > 9000) alpha = 1.0f - (getTime() - 9000) / 1000.0f;
        overlay(smegma, SMEGMA_CORNERS, alpha);
    }
    const int wemadeFrom = cueInt(WEMADE_FROM), wemadeTo = cueInt(WEMADE_TO);
    if (getTime() > wemadeFrom && getTime() < wemadeTo)
        overlay(wemade, WEMADE_CORNERS, shownAlpha(getTime(), wemadeFrom, wemadeTo));

    mc = terrain::scrollRow(getTime());
    glTranslatef(0.0f, cue(CAMERA_Y), cue(CAMERA_Z));
    rendermap(mc, mc + 50, 10, 50, -20, 10, -2, 2);
    glLoadIdentity();

    if (getTime() >= cueInt(BEAT_FROM)) {
        // Unsigned, as the reset instant is a tick count.
        const unsigned int t = static_cast<unsigned int>(getTime());
        if (t - bump > static_cast<unsigned int>(std::max(cueInt(BEAT_PERIOD), 200)) - 200)
            glTranslatef(0.0f, 0.0f, 1.0f - (t - bump) / 1000.0f);
        if (beatRestarts(t)) bump = t;
    }

    if (getTime() > 9999) {
        glColor4f(0.0f, 0.0f, 1.0f, 1.0f);
        if (getTime() <= 11999) {
            glColor4f(0.0f, 0.0f, 1.0f, 0.0f);
            glTranslatef(2.0f - (getTime() - 10000) / 1000.0f, 0.0f, 0.0f);
        } else if (getTime() <= 14000) {
            glColor4f(0.0f, 0.0f, 1.0f, (getTime() - 12000) / 2000.0f);
        }
        glTranslatef(0.0f, 0.0f, cue(BALL_Z));
        renderCelPr0n();
    }

    const int fadeOutFrom = cueInt(FADE_OUT_FROM);
    if (getTime() > fadeOutFrom) fade((getTime() - fadeOutFrom) / 1000.0f);
    if (getTime() <= 999) fade(1.0f - getTime() / 1000.0f);
}
