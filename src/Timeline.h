// Timeline: a play list, every scene in playing order with its duration, the loading-bar percentage
// shown once it is built and the files it reads, plus the soundtrack and its fades. The demo plays
// demo(); the capture tool is handed a list to play, the demo's or a test's.
#pragma once

#include "Scene.h"

#include <cstddef>
#include <vector>

struct Timeline {
    struct Entry {
        const char* name;
        int duration;                   // milliseconds passed to run
        int barAfter;                   // loading-bar percentage after building it; negative: no frame
        std::vector<const char*> files; // the files the scene reads, in reading order
        std::vector<Scene::Cue> cues;   // the scene's cues, each on the track "name:cue"
        Scene* (*make)(SDL_Surface*);   // builds the scene (loads its pictures, makes its tables)
    };

    // The demo's play list.
    static const Timeline& demo();

    // The files of a scene class's own list of them, for an entry.
    template <size_t N>
    static std::vector<const char*> files(const char* const (&list)[N]) {
        return std::vector<const char*>(list, list + N);
    }

    // The cues of a scene class's table, for an entry.
    template <size_t N>
    static std::vector<Scene::Cue> cues(const Scene::Cue (&table)[N]) {
        return std::vector<Scene::Cue>(table, table + N);
    }

    // A play driven at a fixed rate draws frame n at floor(n * 1000 / fps) ms; the scenes start on whole
    // seconds, so a scene's own frames fall on the same grid of its own time.
    static int frameTime(long frame, int fps);
    // The first frame of the grid at or after ms.
    static long firstFrameAt(int ms, int fps);

    // Where scene index starts, counted from the start of the first scene.
    int startOf(size_t index) const;
    int length() const;
    // The scene playing at ms (the last one from its end on).
    size_t sceneAt(int ms) const;

    std::vector<Entry> entries;
    // The soundtrack starts with the first scene, fading in, and fades out over the last scene.
    const char* soundtrack;
    int musicFadeInMs;
    int musicFadeOutMs;
};
