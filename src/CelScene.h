// CelScene: the fourth scene. A flat six-pointed star turning about a skewed axis, cel-shaded pale
// green with a black silhouette and a thin wireframe, with a picture fading in and out behind it.
#pragma once

#include "CelShader.h"
#include "Scene.h"
#include "Texture.h"
#include "Vector3d.h"

#include <GL/gl.h>

class CelScene : public Scene {
public:
    explicit CelScene(SDL_Surface* sdlsurf);
    ~CelScene() override;
    void init() override;
    void render() override;

    enum CueIndex {
        PICTURE_FROM, PICTURE_TO, SPIN, OUTLINE_WIDTH, LIGHT_X, LIGHT_Y, FADE_OUT_FROM, BACKGROUND_R,
        BACKGROUND_G, BACKGROUND_B
    };
    static constexpr Cue CUES[] = {
        {"picture.from", 2000.0, "scene ms the picture behind the star starts fading in, over 1 s"},
        {"picture.to", 8000.0, "scene ms the picture is gone, after fading 1 s"},
        {"star.spin", 50.0, "the star's spin, degrees a second (the angle is time x rate)"},
        {"outline.width", 3.0, "the star's silhouette line width, in pixels of a 640x480 picture"},
        {"light.x", 0.0, "the light's direction, sideways part (towards the viewer is 1)"},
        {"light.y", 0.0, "the light's direction, upward part (towards the viewer is 1)"},
        {"fade.out.from", 14000.0, "scene ms the fade to black starts, over 1 s"},
        {"background.r", 0.7, "the clear colour's red"},
        {"background.g", 0.7, "the clear colour's green"},
        {"background.b", 0.7, "the clear colour's blue"},
    };

    // The picture the constructor loads.
    static constexpr const char* PICTURES[] = {"data/lol.png"};

private:
    bool outlineSmooth;
    float outlineWidth;
    Vector3d lightAngle;
    float shaderData[CelShader::RAMP_SIZE][3];
    GLuint shaderTexture[1] = {0};
    Texture* ting = nullptr;
};
