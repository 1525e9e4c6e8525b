// Greetings: the greetings picture pinned to the right of the screen, jumping to a new small offset
// and tilt every second, over a field of pulsing outlined cubes on wine red, with a one-second fade
// from black at the start and to black at the end. Every frame depends on the scene time only.
#pragma once

#include "Scene.h"
#include "Texture.h"

class Greetings : public Scene {
public:
    explicit Greetings(SDL_Surface* sdlsurf);
    ~Greetings() override;
    Greetings(const Greetings&) = delete;
    Greetings& operator=(const Greetings&) = delete;

    void init() override;
    void render() override;
    // One axis-aligned cube of edge size centred on the current origin, in the current colour;
    // a negative size mirrors it into the same cube.
    void drawCube(float size);

    // The picture's offset (pixels) and tilt (degrees, clockwise on screen) at scene time t.
    using Jitter = Placement;
    static Jitter jitterAt(int t);

    enum CueIndex {
        CUBES_X, CUBES_TURN, PULSE_SPEED, FILL_R, FILL_G, FILL_B, LINE_R, LINE_G, LINE_B, BACKGROUND_R,
        BACKGROUND_G, BACKGROUND_B
    };
    static constexpr Cue CUES[] = {
        {"cubes.x", -20.0, "where each row of cubes starts, left of the eye"},
        {"cubes.turn", -30.0, "the cubes' tilt about the (1, 1, 1) axis, degrees"},
        {"pulse.speed", 1.0, "how fast the cubes pulse: scales the time of their sine"},
        {"fill.r", 0.0, "the cubes' fill colour, red"},
        {"fill.g", 0.1, "the cubes' fill colour, green"},
        {"fill.b", 0.6, "the cubes' fill colour, blue"},
        {"line.r", 0.3, "the cubes' outline colour, red"},
        {"line.g", 0.0, "the cubes' outline colour, green"},
        {"line.b", 0.2, "the cubes' outline colour, blue"},
        {"background.r", 0.6, "the clear colour's red"},
        {"background.g", 0.2, "the clear colour's green"},
        {"background.b", 0.3, "the clear colour's blue"},
    };

    // The picture the constructor loads.
    static constexpr const char* PICTURES[] = {"data/hils.png"};

    float z;
    float start1;
    float start2;
    // Carried with the scene; the drawing reads none of these three.
    float s1f;
    float s2f;
    float rot;

private:
    Texture* greetings = nullptr;
    void drawCubeField();
    void drawFades(int t);
};
