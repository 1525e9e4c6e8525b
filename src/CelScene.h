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
