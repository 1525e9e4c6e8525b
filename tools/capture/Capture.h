// Capture: plays a timeline offline with a driven clock at a fixed frame rate, so stills and
// videos come out the same on every machine. Scenes are built as the demo builds them.
#pragma once

#include "Scene.h"
#include "Timeline.h"

#include <functional>
#include <vector>

class Capture {
public:
    // Receives a finished frame (still in the back buffer) with its frame number and demo time;
    // returns false to stop playing. The frame number is -1 for a still drawn off the frame grid.
    using FrameSink = std::function<bool(long frame, int ms)>;

    // Builds every scene of the timeline; the loading bar's GL state handling is kept, its frames are not shown.
    Capture(SDL_Surface* screen, const Timeline& timeline);
    // Deletes the scenes not played to their end.
    ~Capture();
    Capture(const Capture&) = delete;
    Capture& operator=(const Capture&) = delete;

    // Frame n of the timeline is drawn at demo time floor(n * 1000 / fps) milliseconds.
    static int frameTime(long frame, int fps);
    // The first frame of the grid drawn at or after ms.
    static long firstFrameAt(int ms, int fps);

    // Plays the frame grid up to (not including) toMs; frames from fromMs on go to the sink.
    // Scenes that end before fromMs draw one frame only (for the GL state they leave behind);
    // the scene holding fromMs plays from its own start, so state kept between frames is right.
    // With stillAtEnd a last frame is drawn at exactly toMs and handed over too.
    // Returns false when the sink stopped it.
    bool play(int fromMs, int toMs, int fps, const FrameSink& sink, bool stillAtEnd = false);

private:
    bool drawFrame(Scene* scene, int ms, long frame, const FrameSink* sink);

    Timeline timeline;
    std::vector<Scene*> scenes;
    size_t current = 0;    // the scene playing or next to play
    bool started = false;  // whether scenes[current] has had its init
    unsigned int now = 0;  // the driven clock, in demo milliseconds
};
