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
