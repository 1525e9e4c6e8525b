// Player: owns the demo's time and its scenes. It builds every scene of a play list once, behind the
// loading bar, then plays them: live on the wall clock (or on the music's position where the platform can
// tell it), paused and sought by a viewer's controls; or driven at a fixed frame rate, for stills, videos
// and tests. Any moment is drawn directly: each scene before it is started and drawn once, unseen, at its
// last millisecond for the GL state it leaves to the next, and the scene holding the moment starts there.
#pragma once

#include "Clock.h"
#include "Scene.h"
#include "Timeline.h"

#include "tracks/TrackSet.h"

#include <functional>
#include <vector>

class LoaderBar;
class Music;

class Player {
public:
    // Builds the play list's scenes in order, showing the bar's percentage after each where the list
    // gives one, then restores the GL state saved when the bar was made; the bar stays the caller's.
    // Without a bar, one is made unseen for the same state handling.
    Player(SDL_Surface* screen, const Timeline& timeline, LoaderBar* bar = nullptr);
    // Deletes the scenes it still holds, except those Escape abandoned.
    ~Player();
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    // ---- Live ----
    struct Live {
        Music* music = nullptr;  // started here; null plays silently
        int startMs = 0;         // the moment the play starts at
        bool controls = false;   // the viewer's keys and seek events (see control)
    };
    // Plays from startMs to the end of the play list, as the demo does: each scene runs until its time is
    // up or its window is asked to close, the music fades out over the last one, and a scene played to its
    // end prints its report line. Returns 1 when Escape ended it (the scenes it leaves are never deleted,
    // so none of them reports), else 0. A scene left by a seek prints nothing.
    int live(const Live& how);

    // The player playing live, while one is (for a page's controls); null otherwise.
    static Player* playing();
    // The moment shown, in ms from the start of the first scene.
    int now();
    bool paused() const { return !running; }
    void togglePause();
    // The events the controls take besides keys: a seek to the event's user.code ms, a pause toggle.
    static const int SEEK_EVENT = SDL_USEREVENT;
    static const int PAUSE_EVENT = SDL_USEREVENT + 1;
    // Space or K pause and resume; the arrows go back and forward 5 s; Home goes to the start; 1 to 6 to
    // the start of a scene. Returns true when the moment to show has left the scene playing.
    bool control(const SDL_Event& event);

    // ---- Driven ----
    // Receives a finished frame (still in the back buffer) with its frame number; returns false to stop.
    // The frame number is -1 for a still drawn off the frame grid.
    using FrameSink = std::function<bool(long frame)>;
    // Draws the frames of the grid (Timeline::frameTime) from fromMs up to, not including, toMs into the
    // sink; with stillAtEnd, then one at exactly toMs. A later moment of the scene drawn last continues
    // it, as frames played in turn do; any other is reached directly. Returns false when the sink stopped.
    bool play(int fromMs, int toMs, int fps, const FrameSink& sink, bool stillAtEnd = false);

    const Timeline timeline;
    // The scenes' cues, one track each in play-list order (see Cues.h); keys set here show from the next
    // frame on.
    tracks::TrackSet& tracks() { return cueTracks; }
    // The frame rate of the grid a live moment's state is derived on.
    static const int LIVE_FPS = 60;

private:
    unsigned int ticks();
    // Makes the scene holding ms the one started, with its state for ms; the scenes between are passed.
    void goTo(int ms, int fps);
    void pass(size_t index, int fps);
    void enter(size_t index, int sceneMs, int fps);
    void ready(int sceneMs, int fps);
    // Ends the scene started: its report when it played to its end, none when it was left.
    void finish(bool played);
    void resetState();
    void hold(int ms);
    void release(int ms);
    void jump(int ms);
    bool drawFrame(int ms, long frame, int fps, const FrameSink& sink);

    tracks::TrackSet cueTracks;
    std::vector<Scene*> scenes;
    Clock::Drive drive;
    size_t current = 0;     // the scene started, or the next to start
    bool started = false;   // whether scenes[current] has been started
    int lastDrawn = -1;     // the moment of the last frame drawn, driven
    bool keep = true;       // scenes stay built when they end (seeks may come back to them)
    bool abandoned = false;

    // The clock the scenes read: base + the demo's time, which is held at heldMs or runs from an anchor.
    unsigned int base = 0;
    bool held = true;
    int heldMs = 0;
    int anchorMs = 0;
    unsigned int anchorTicks = 0;
    bool running = true;
    bool pinned = false;    // scenes entered in turn start at the play list's times, not when reached
    Music* music = nullptr;
    int target = 0;         // where a seek out of the scene playing goes
};
