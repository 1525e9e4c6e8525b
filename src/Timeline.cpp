// The play list of the demo, in playing (and building) order.
#include "Timeline.h"

#include "CelScene.h"
#include "FunkyBackground.h"
#include "Greetings.h"
#include "Heightfield.h"
#include "Metaballs.h"

const Timeline& Timeline::demo() {
    static const Timeline list = {
        {
            {"Heightfield", 35000, 60, files(Heightfield::PICTURES), cues(Heightfield::CUES),
             [](SDL_Surface* s) -> Scene* { return new Heightfield(s); }},
            {"Metaballs", 25000, 70, files(Metaballs::PICTURES), cues(Metaballs::CUES),
             [](SDL_Surface* s) -> Scene* { return new Metaballs(s); }},
            {"Greetings", 10000, 80, files(Greetings::PICTURES), cues(Greetings::CUES),
             [](SDL_Surface* s) -> Scene* { return new Greetings(s); }},
            {"CelScene", 15000, 90, files(CelScene::PICTURES), cues(CelScene::CUES),
             [](SDL_Surface* s) -> Scene* { return new CelScene(s); }},
            {"Metaballs", 25000, 100, files(Metaballs::PICTURES), cues(Metaballs::CUES),
             [](SDL_Surface* s) -> Scene* { return new Metaballs(s); }},
            {"FunkyBackground", 5000, -1, files(FunkyBackground::PICTURES), cues(FunkyBackground::CUES),
             [](SDL_Surface* s) -> Scene* { return new FunkyBackground(s); }},
        },
        "data/Tembrol_-_Verudoziv4.ogg",
        1000,
        5000,
    };
    return list;
}

int Timeline::startOf(size_t index) const {
    int start = 0;
    for (size_t i = 0; i < index && i < entries.size(); ++i) start += entries[i].duration;
    return start;
}

int Timeline::length() const {
    return startOf(entries.size());
}

size_t Timeline::sceneAt(int ms) const {
    size_t index = 0;
    while (index + 1 < entries.size() && startOf(index + 1) <= ms) ++index;
    return index;
}

int Timeline::frameTime(long frame, int fps) {
    return static_cast<int>(frame * 1000 / fps);
}

long Timeline::firstFrameAt(int ms, int fps) {
    long frame = static_cast<long>(ms) * fps / 1000;
    while (frameTime(frame, fps) < ms) ++frame;
    return frame;
}
