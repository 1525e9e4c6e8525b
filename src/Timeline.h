// Timeline: the demo's play list, every effect scene in playing order with its duration and
// the loading-bar percentage shown once it is built. The demo, the capture tool and the tests share it.
#pragma once

#include "Scene.h"

#include <vector>

class Timeline {
public:
    struct Entry {
        const char* name;
        int duration;                   // milliseconds passed to run
        int barAfter;                   // loading-bar percentage after building it; negative: no frame
        std::vector<const char*> files; // the files the scene reads, in reading order
        Scene* (*make)(SDL_Surface*);   // builds the scene (loads its pictures, makes its tables)
    };

    static const std::vector<Entry>& entries();
    // The files of a scene class's own list of them, for an entry.
    template <size_t N>
    static std::vector<const char*> files(const char* const (&list)[N]) {
        return std::vector<const char*>(list, list + N);
    }
    // Where scene index starts on the demo's timeline, counted from the start of the first scene.
    static int startOf(size_t index);
    static int length();

    // The soundtrack starts with the first scene, fading in, and fades out over the last scene.
    static constexpr const char* SOUNDTRACK = "data/Tembrol_-_Verudoziv4.ogg";
    static const int MUSIC_FADE_IN_MS = 1000;
    static const int MUSIC_FADE_OUT_MS = 5000;
};
