// FunkyBackground: the closing scene, one textured grid filling the screen whose points sway in
// slow sine waves so that the picture ripples like cloth. Every frame depends on the scene time only.
#pragma once

#include "Scene.h"
#include "Texture.h"

class FunkyBackground : public Scene {
public:
    explicit FunkyBackground(SDL_Surface* sdlsurf);
    ~FunkyBackground() override;
    FunkyBackground(const FunkyBackground&) = delete;
    FunkyBackground& operator=(const FunkyBackground&) = delete;

    void init() override;
    void render() override;

    enum CueIndex { DISTANCE, RIPPLE_SPEED, RIPPLE_SIZE, SWIRL, TINT_R, TINT_G, TINT_B };
    static constexpr Cue CUES[] = {
        {"distance", -2.5, "the picture's distance from the eye (negative: ahead)"},
        {"ripple.speed", 3.0, "how fast the ripples run, radians a second"},
        {"ripple.size", 0.1, "how far each grid point sways"},
        {"swirl", 0.0, "a swirl over the ripples (0: none)"},
        {"tint.r", 1.0, "the picture's tint, red"},
        {"tint.g", 1.0, "the picture's tint, green"},
        {"tint.b", 1.0, "the picture's tint, blue"},
    };

    // The picture the constructor loads.
    static constexpr const char* PICTURES[] = {"data/background1.png"};
    // Draws the warped grid; tim in seconds, swirl scales the swirl term (0: none), i is not used.
    void getFunky(float tim, int i, float swirl);

    // One corner of the grid in the grid's own frame, with its texture coordinate.
    struct GridPoint {
        float s, t;  // texture coordinate
        float x, y;  // position (z is 0)
    };
    // Grid point (gx, gy) with tid = SPEED * seconds and swirl already scaled by 5, as getFunky uses them.
    static GridPoint gridPoint(int gx, int gy, float tid, float swirl, int maxX, int maxY, float sizeX,
                               float sizeY, float dis, float sw);

    int MAX_X;
    int MAX_Y;
    float SIZE_X;
    float SIZE_Y;  // negative: row 0 at the top, rows running downward
    float DIS;
    int TEXTUREJA;  // carried with its default, as FACT is; the drawing reads neither
    float SW;
    float FACT;
    float SPEED;  // radians a second of the ripples' phase
    float TINT[3];

private:
    Texture* background = nullptr;
};
