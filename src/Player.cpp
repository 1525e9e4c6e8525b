// The player (see Player.h): the clock the scenes read, the chain of scenes before a moment, live play
// with the viewer's controls and the music kept with the picture, and driven play for stills and videos.
#include "Player.h"

#include "Cues.h"
#include "LoaderBar.h"
#include "Music.h"

#include <GL/gl.h>

#include <algorithm>
#include <memory>
#include <utility>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define MORIQ_LEAK_CHECKED 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define MORIQ_LEAK_CHECKED 1
#endif
#ifdef MORIQ_LEAK_CHECKED
#include <sanitizer/lsan_interface.h>
#endif

namespace {
Player* livePlayer = nullptr;
}  // namespace

Player::Player(SDL_Surface* screen, const Timeline& timeline, LoaderBar* bar)
    : timeline(timeline), drive([this] { return ticks(); }) {
    std::unique_ptr<LoaderBar> unseen(bar ? nullptr : new LoaderBar(screen));
    Cues::make(cueTracks, timeline);
    for (size_t i = 0; i < timeline.entries.size(); ++i) {
        const Timeline::Entry& entry = timeline.entries[i];
        scenes.push_back(entry.make(screen));
        std::vector<const tracks::Track*> cues;
        for (const Scene::Cue& cue : entry.cues) cues.push_back(&cueTracks.track(Cues::trackName(entry, cue)));
        scenes.back()->bindCues(std::move(cues), timeline.startOf(i));
        if (bar && entry.barAfter >= 0) bar->render(entry.barAfter);
    }
    // Undoes whatever GL state the scene constructors left behind, and keeps that state to go back to
    // when a seek returns to scenes already played.
    (bar ? bar : unseen.get())->deinit();
    glPushAttrib(GL_ALL_ATTRIB_BITS);
}

Player::~Player() {
    if (abandoned) {
        // The scenes Escape leaves behind are not deleted (no report for them) and live until the process
        // ends; the leak checker of the sanitized build is told they are kept on purpose.
#ifdef MORIQ_LEAK_CHECKED
        for (Scene* scene : scenes)
            if (scene) __lsan_ignore_object(scene);
#endif
        return;
    }
    if (started) scenes[current]->deinit();
    glPopAttrib();
    for (Scene*& scene : scenes) {
        if (scene) scene->cancelReport();
        delete scene;
        scene = nullptr;
    }
}

Player* Player::playing() {
    return livePlayer;
}

// ---- The clock ----

unsigned int Player::ticks() {
    return base + static_cast<unsigned int>(now());
}

int Player::now() {
    if (held) return heldMs;
    if (!running) return anchorMs;
    const long heard = music ? music->position() : -1;
    if (heard >= 0) {
        // The music's position is the clock while it plays; the wall clock goes on from it after.
        anchorMs = static_cast<int>(heard);
        anchorTicks = drive.below();
        return anchorMs;
    }
    return anchorMs + static_cast<int>(drive.below() - anchorTicks);
}

void Player::hold(int ms) {
    held = true;
    heldMs = ms;
}

void Player::release(int ms) {
    held = false;
    anchorMs = ms;
    anchorTicks = drive.below();
}

// ---- Getting to a moment ----

void Player::goTo(int ms, int fps) {
    Clock::cut();
    const size_t k = timeline.sceneAt(ms);
    const int sceneMs = ms - timeline.startOf(k);
    if (started && k == current) {
        ready(sceneMs, fps);
        return;
    }
    if (started) {
        // Left on the way forward, the scene is passed as if the player had come from the start.
        const size_t left = current;
        finish(false);
        if (k > left) current = left;
    }
    if (k < current) {
        resetState();
        current = 0;
    }
    for (; current < k; ++current) pass(current, fps);
    enter(k, sceneMs, fps);
}

void Player::pass(size_t index, int fps) {
    // Started afresh, the scene draws its last millisecond unseen, for the GL state it leaves to the next
    // (the model-view matrix the metaballs place their light with, the projection the greetings keep).
    Scene* scene = scenes[index];
    const int start = timeline.startOf(index);
    hold(start);
    scene->init();
    scene->startAt(0, fps);
    hold(start + timeline.entries[index].duration - 1);
    {
        const Clock::Unseen unseen;
        scene->render();
    }
    scene->deinit();
    scene->cancelReport();
}

void Player::enter(size_t index, int sceneMs, int fps) {
    hold(timeline.startOf(index));
    scenes[index]->init();
    current = index;
    started = true;
    ready(sceneMs, fps);
}

void Player::ready(int sceneMs, int fps) {
    // A frame leaves GL state the next one draws with (the terrain's ribbon takes its texture coordinate
    // from the ball of the frame before; the blobs' normals read the field pass before), so the grid's
    // frame before the moment is drawn first, unseen.
    Scene* scene = scenes[current];
    const int start = timeline.startOf(current);
    const long frame = Timeline::firstFrameAt(sceneMs, fps);
    const int from = frame > 0 ? Timeline::frameTime(frame - 1, fps) : sceneMs;
    hold(start + from);
    scene->startAt(from, fps);
    if (from < sceneMs) {
        const Clock::Unseen unseen;
        scene->render();
    }
    scene->countFrom(sceneMs);
    hold(start + sceneMs);
    lastDrawn = -1;
}

void Player::finish(bool played) {
    Scene* scene = scenes[current];
    if (!played) scene->cancelReport();
    if (keep) {
        scene->deinit();
        scene->report();
    } else {
        delete scene;
        scenes[current] = nullptr;
    }
    started = false;
    ++current;
}

void Player::resetState() {
    // Back to the state kept when the scenes were built; the scenes that set it up are played again.
    glPopAttrib();
    glPushAttrib(GL_ALL_ATTRIB_BITS);
}

// ---- Live ----

int Player::live(const Live& how) {
    music = how.music;
    keep = pinned = how.controls;
    running = true;
    Player* const outer = std::exchange(livePlayer, this);
    std::unique_ptr<Scene::Controls> keys;
    // An event that does not leave the scene goes on to the controls around the player's (main's R key).
    if (how.controls)
        keys.reset(new Scene::Controls([this, &keys](const SDL_Event& event) {
            return control(event) || (keys->replaced() && keys->replaced()(event));
        }));

    const int length = timeline.length();
    base = drive.below();
    Clock::cut();
    if (how.startMs > 0) {
        jump(how.startMs);
    } else {
        if (music) music->fadeIn(timeline.musicFadeInMs);
        release(0);
        current = 0;
    }
    int result = 0;
    for (;;) {
        if (!started) {
            // The next scene in turn; the music fades out over the last one.
            if (current + 1 == scenes.size() && music) music->fadeOut(timeline.musicFadeOutMs);
            scenes[current]->init();
            if (pinned) scenes[current]->startTime = base + static_cast<unsigned int>(timeline.startOf(current));
            scenes[current]->startAt(0, LIVE_FPS);
            started = true;
        }
        result = scenes[current]->run(timeline.entries[current].duration);
        if (result == 1) {
            // Escape abandons the play list: the scenes left are not deleted, so none of them reports.
            abandoned = true;
            break;
        }
        if (result == Scene::LEFT) {
            jump(target);
            continue;
        }
        finish(true);
        if (current == scenes.size()) break;
        if (pinned) {
            // The clock may have left the next scene behind (a close request, a tab the browser hid): the
            // play goes on from the later of the clock's moment and that scene's start.
            const int t = now();
            if (t >= length) break;
            const int start = timeline.startOf(current);
            if (t < start || t >= start + timeline.entries[current].duration) jump(std::max(t, start));
        }
    }
    livePlayer = outer;
    music = nullptr;
    return result == 1 ? 1 : 0;
}

void Player::jump(int ms) {
    goTo(ms, LIVE_FPS);
    release(ms);
    playMusicAt(ms);
}

void Player::playMusicHere() {
    playMusicAt(now());
}

void Player::playMusicAt(int ms) {
    if (!music) return;
    music->playFrom(ms, timeline.musicFadeInMs, timeline.startOf(timeline.entries.size() - 1),
                    timeline.musicFadeOutMs, !running);
}

bool Player::control(const SDL_Event& event) {
    int to = -1;
    if (event.type == SEEK_EVENT) {
        to = event.user.code;
    } else if (event.type == PAUSE_EVENT) {
        togglePause();
    } else if (event.type == SDL_KEYDOWN) {
        const SDLKey key = event.key.keysym.sym;
        if (key == SDLK_SPACE || key == SDLK_k) togglePause();
        else if (key == SDLK_LEFT) to = std::max(0, now() - 5000);
        else if (key == SDLK_RIGHT) to = now() + 5000;
        else if (key == SDLK_HOME) to = 0;
        else if (key >= SDLK_1 && key <= SDLK_9 && static_cast<size_t>(key - SDLK_1) < scenes.size())
            to = timeline.startOf(key - SDLK_1);
    }
    if (to < 0) return false;
    to = std::min(to, timeline.length() - 1);
    if (timeline.sceneAt(to) != current) {
        target = to;
        return true;
    }
    jump(to);
    return false;
}

void Player::togglePause() {
    if (running) {
        anchorMs = now();
        running = false;
        if (music) music->pause();
    } else {
        running = true;
        anchorTicks = drive.below();
        if (music) music->resume();
    }
}

// ---- Driven ----

bool Player::play(int fromMs, int toMs, int fps, const FrameSink& sink, bool stillAtEnd) {
    base = 0;
    for (long frame = Timeline::firstFrameAt(fromMs, fps); Timeline::frameTime(frame, fps) < toMs; ++frame)
        if (!drawFrame(Timeline::frameTime(frame, fps), frame, fps, sink)) return false;
    return !stillAtEnd || drawFrame(toMs, -1, fps, sink);
}

bool Player::drawFrame(int ms, long frame, int fps, const FrameSink& sink) {
    // A later moment of the scene drawn last continues it, as frames played in turn do, and so does the
    // next scene's first frame after the last one's; any other moment is reached directly.
    const size_t k = timeline.sceneAt(ms);
    const bool later = started && lastDrawn >= 0 && lastDrawn < ms;
    if (later && k == current + 1 && Timeline::frameTime(Timeline::firstFrameAt(ms, fps) - 1, fps) == lastDrawn) {
        finish(true);
        enter(k, ms - timeline.startOf(k), fps);
    } else if (!later || k != current) {
        goTo(ms, fps);
    }
    hold(ms);
    bool go = true;
    {
        const Clock::OnFrame hand([&] { go = sink(frame); });
        scenes[current]->frame();
    }
    ++scenes[current]->framesDrawn;
    lastDrawn = ms;
    return go;
}
