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

    enum CueIndex {
        CAMERA_Y, CAMERA_Z, TERRAIN_TURN, TERRAIN_ALPHA, TERRAIN_FADE_FROM, BALL_Z, BALL_SPIN, BEAT_FROM,
        BEAT_PERIOD, WEMADE_FROM, WEMADE_TO, FADE_OUT_FROM, BACKGROUND_R, BACKGROUND_G, BACKGROUND_B
    };
    static constexpr Cue CUES[] = {
        {"camera.y", -1.5, "the terrain ribbon's height, below the eye"},
        {"camera.z", -4.0, "the terrain ribbon's distance from the eye (negative: ahead)"},
        {"terrain.turn", 45.0, "the ribbon's turn about the vertical, degrees"},
        {"terrain.alpha", 0.5, "the ribbon's opacity until it fades"},
        {"terrain.fade.from", 16000.0, "scene ms the ribbon starts fading out, over 2 s"},
        {"ball.z", -2.0, "the spiky ball's distance from the eye"},
        {"ball.spin", 50.0, "the ball's spin, degrees a second (the angle is time x rate)"},
        {"beat.from", 17500.0, "scene ms the ball starts pulsing on the beat"},
        {"beat.period", 1100.0, "ms from one pulse to the next (the terrain's beat); each pulse takes 200 ms"},
        {"wemade.from", 2000.0, "scene ms the 'we made' picture starts fading in, over 1 s"},
        {"wemade.to", 8000.0, "scene ms the 'we made' picture is gone, after fading 1 s"},
        {"fade.out.from", 34000.0, "scene ms the fade to black starts, over 1 s"},
        {"background.r", 0.7, "the clear colour's red"},
        {"background.g", 0.7, "the clear colour's green"},
        {"background.b", 0.7, "the clear colour's blue"},
    };

    // The pictures the constructor loads, in loading order: dude, ting, smegma, wemade.
    static constexpr const char* PICTURES[] = {"data/tufs_dude.png", "data/lol2.png", "data/smegma.png",
                                               "data/skaptav.png"};

private:
    void rendermap(int start, int stopp, int px, int pz, int zmin, int zmax, int xmin, int xmax);
    float noise(float x, float y);
    // map[i] = noise(i, i + 242).
    void genmap();
    void renderCelPr0n();
    // Whether the pulse restarts on a frame at scene time t (the last restart at bump).
    bool beatRestarts(unsigned int t) const;

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
