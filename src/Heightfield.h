// Heightfield: the opening scene. Picture overlays on a timetable, a translucent terrain ribbon
// scrolling through a table of hash noise, and the cel-shaded spiky ball that slides in, fades in
// and then pulses on the beat.
#pragma once

#include "CelShader.h"
#include "Scene.h"
#include "Texture.h"
#include "Vector3d.h"

#include <GL/gl.h>

// The terrain's numbers, free of GL so they can be checked on their own.
namespace terrain {

const int MAP_SIZE = 5000;

// Integer hash of the grid point (x, y), in (-1, 1]; the same on every run.
float noise(float x, float y);
// The first table row drawn at scene time t: 1..440 over the first 33 s, one step per 75 ms, then from 0 again.
int scrollRow(int t);

}  // namespace terrain

class Heightfield : public Scene {
public:
    explicit Heightfield(SDL_Surface* sdlsurf);
    ~Heightfield() override;
    void init() override;
    void render() override;
    void startAt(int ms, int fps) override;

    // The pictures the constructor loads, in loading order: dude, ting, smegma, wemade.
    static constexpr const char* PICTURES[] = {"data/tufs_dude.png", "data/lol2.png", "data/smegma.png",
                                               "data/skaptav.png"};

private:
    void rendermap(int start, int stopp, int px, int pz, int zmin, int zmax, int xmin, int xmax);
    float noise(float x, float y);
    // map[i] = noise(i, i + 242).
    void genmap();
    void renderCelPr0n();

    float map[terrain::MAP_SIZE];
    int mc;
    Texture* dude = nullptr;
    Texture* ting = nullptr;
    Texture* smegma = nullptr;
    Texture* wemade = nullptr;
    bool outlineSmooth;
    float outlineWidth;
    Vector3d lightAngle;
    float shaderData[CelShader::RAMP_SIZE][3];
    GLuint shaderTexture[1] = {0};
    unsigned int bump;
};
