// The cel scene: the picture from 2 to 8 s, the shaded star, and the fades at both ends.
#include "CelScene.h"

#include "Raster.h"
#include "models/spikeThingie2.h"

namespace {

const CelShader::Style STAR_STYLE = {
    true,                         // on the identity loaded at the start of the frame
    true, {0.6f, 0.9f, 0.6f},     // pale green fill
    true, {0.0f, 0.0f, 0.0f},     // black silhouette
    0.5f, -1,                     // half-transparent wireframe, no fade
    false,                        // blending off again; the ramp stays bound
};

// 512 pixels square from x 2, running 32 pixels off the bottom of the screen.
const Scene::Corner PICTURE[4] = {{0, 0, 2, 511}, {1, 0, 514, 511}, {1, 1, 514, 0}, {0, 1, 2, 0}};

}  // namespace

CelScene::CelScene(SDL_Surface* sdlsurf) {
    lightAngle = Vector3d(0.0f, 0.0f, 0.0f);
    surface = sdlsurf;
    useCues(CUES);
    ting = new Texture(PICTURES[0]);
    outlineSmooth = true;
    outlineWidth = 3.0f;
}

CelScene::~CelScene() {
    report();
    glDeleteTextures(1, shaderTexture);
    glDisable(GL_TEXTURE_1D);
    Raster::lineWidth(1.0f);
    delete ting;
}

void CelScene::init() {
    // Intended: nothing is saved, so what this sets (back faces culled among it) stays for the scenes after.
    startClock();
    glClearColor(0.7f, 0.7f, 0.7f, 0.0f);
    CelShader::prepare();
    CelShader::createRamp(shaderData, shaderTexture);
    lightAngle = Vector3d(0.0f, 0.0f, 1.0f);
    lightAngle.normalize();

    Raster::viewport();
    perspective(1.3333333333333333, 0.1, 100.0);
    glLoadIdentity();
}

void CelScene::render() {
    glClearColor(cue(BACKGROUND_R), cue(BACKGROUND_G), cue(BACKGROUND_B), 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();

    const int from = cueInt(PICTURE_FROM), to = cueInt(PICTURE_TO);
    if (getTime() > from && getTime() < to) overlay(ting, PICTURE, shownAlpha(getTime(), from, to));
    lightAngle = Vector3d(cue(LIGHT_X), cue(LIGHT_Y), 1.0f);
    lightAngle.normalize();

    // 2D texturing and blending are as the scene before left them (both off in the demo).
    const CelShader::Mesh mesh = {spikeThingie2_numberFaces, spikeThingie2_vertices, spikeThingie2_normals,
                                  spikeThingie2_faces};
    outlineWidth = cue(OUTLINE_WIDTH);
    CelShader::draw(*this, mesh, STAR_STYLE, outlineSmooth, outlineWidth, lightAngle, shaderTexture, cue(SPIN));

    const int fadeOutFrom = cueInt(FADE_OUT_FROM);
    if (getTime() > fadeOutFrom) fade((getTime() - fadeOutFrom) / 1000.0f);
    if (getTime() <= 999) fade(1.0f - getTime() / 1000.0f);
}
