// Scene: base of every effect and of the loading bar; owns the scene clock, the frame counter,
// the event loop and the flat projections that overlays and fades draw in.
#pragma once

#include "Hook.h"
#include "Raster.h"

#include <SDL.h>

#include <cstddef>
#include <functional>
#include <ostream>
#include <vector>

class Texture;
namespace tracks {
class Track;
}

class Scene {
public:
    Scene();
    virtual ~Scene();
    // The clock, a black clear colour, the viewport and the 4:3 perspective. Only the closing scene builds
    // on it (intended): the others set the clock and their GL state themselves.
    virtual void init();
    // Restores the GL attributes the scene saved with pushState; nothing when it saved none.
    virtual void deinit();
    // Plays until the time is up (0), a close request was handled (0) or Escape is pressed (1); with a
    // viewer's controls, also until they move the moment shown out of this scene (LEFT).
    virtual int run(int milliseconds);
    // Draws the scene's picture; it is shown by frame.
    virtual void render();
    // Draws and shows one whole frame at one moment: every reading of the time while it draws agrees.
    void frame();
    // Readies the scene to draw scene time ms next without the frames before it, as if it had been played
    // on a grid of fps frames a second of scene time: what a scene carries from frame to frame in its own
    // members is derived here (what GL carries, the player gets by drawing the frame before unseen). The
    // scenes whose pictures follow from the time alone need nothing.
    virtual void startAt(int ms, int fps);

    static const int LEFT = 2;

    // While one lives, run hands every event but Escape and the close request to it: a viewer's controls.
    // It returns true when the moment to show has left the scene, and run then returns LEFT at once.
    // Without one, such events are ignored.
    class Controls : public Hook<bool(const SDL_Event&)>::Scope {
    public:
        explicit Controls(std::function<bool(const SDL_Event&)> handler);
    };

    // While one lives, run calls it once before each frame, before the events are taken, so that what it
    // pushes (a sync editor's seek, say) is handled with that frame's events.
    class BeforeFrame : public Hook<void()>::Scope {
    public:
        explicit BeforeFrame(std::function<void()> hook);
    };

    // Milliseconds since init, from the shared clock; a wrap of the tick counter is harmless.
    int getTime();

    // The end-of-scene line: frames drawn and their average rate over elapsed milliseconds.
    static void writeReport(std::ostream& out, unsigned int frames, int elapsedMs);
    // Prints the end-of-scene line to standard output, once per start of the scene; nothing for a scene
    // never started, or one whose report was cancelled (left by a seek).
    void report();
    void cancelReport() { reportDue = false; }
    // The report counts frames and time from scene time ms on: where a player started the scene's play.
    void countFrom(int ms);

    SDL_Surface* surface = nullptr;
    SDL_Event event;
    int done;
    unsigned int startTime = 0;
    unsigned int framesDrawn = 0;

    // One of a scene's cues: the name of its sync track after "Scene:", the code's own value and what the
    // value moves. A scene's cues are a table of its class (CUES), in the order its tracks are made.
    struct Cue {
        const char* name;
        double fallback;
        const char* description;
    };
    // The scene reads its cues from these tracks, one per entry of its table (null: the code's value),
    // the scene's time counted from startMs of the play list.
    void bindCues(std::vector<const tracks::Track*> tracks, int startMs);

    // One corner of a picture laid over the frame: texture coordinate (s, t) at screen pixel (x, y).
    struct Corner {
        float s, t, x, y;
    };
    // Moves a picture before it is drawn: an offset in pixels, then a tilt in degrees.
    struct Placement {
        bool translate;
        float dx, dy;
        bool rotate;
        float angle;
    };

protected:
    // The scene's table of cues, set by its constructor.
    template <size_t N>
    void useCues(const Cue (&table)[N]) {
        cueTable = table;
        cueCount = N;
    }
    // A cue's value at the frame's moment, or at scene time ms: its track's where the track has keys,
    // else exactly the code's own value.
    float cue(size_t index) { return static_cast<float>(cueAt(index, getTime())); }
    double cueAt(size_t index, int ms) const;
    // The same truncated to an int, as a cast would, but pinned to the int range: times and counts.
    int cueInt(size_t index) { return Scene::toInt(cueAt(index, getTime())); }
    int cueIntAt(size_t index, int ms) const { return Scene::toInt(cueAt(index, ms)); }
    static int toInt(double value);

    // Saves every GL attribute group for deinit; a scene's init calls it before changing any.
    void pushState();
    // Restarts the scene's clock and frame count, as every init does.
    void startClock();
    // A 45-degree perspective projection; the model-view matrix is selected again and left as it is.
    void perspective(double aspect, double zNear, double zFar);
    void setOrtho();
    void set640x480();
    void unsetOrtho();
    // A full-screen black quad at alpha (passed on unclamped): the fades. Whatever the scene has
    // switched on, it covers the frame, and it leaves the GL state as it found it.
    void fade(float alpha);
    // A picture over the frame in screen pixels (origin top left), white at alpha and blended, its
    // corners drawn in the order given. Leaves the GL state, the bound texture included, as it found it.
    void overlay(Texture* picture, const Corner (&corners)[4], float alpha, bool depthTested = false,
                 const Placement& place = Placement{false, 0.0f, 0.0f, false, 0.0f});
    // The alpha at t of a picture shown from ms `from` until `to`: rising over its first second,
    // falling over its last, 1 between.
    static float shownAlpha(int t, int from, int to);

private:
    bool statePushed = false;
    bool reportDue = false;
    int countedFrom = 0;
    Raster::Saved pushedSize{};  // the picture's size when pushState saved the viewport and line width
    const Cue* cueTable = nullptr;
    size_t cueCount = 0;
    std::vector<const tracks::Track*> cueTracks;
    int cueStart = 0;
};
