// Offline timeline playback for the capture tool and the tests.
#include "Capture.h"

#include "Clock.h"
#include "LoaderBar.h"

#include <algorithm>

Capture::Capture(SDL_Surface* screen, const Timeline& timeline) : timeline(timeline) {
    Clock::drive([this] { return now; });
    // The bar saves the GL state the scene constructors may change, as it does in the demo.
    LoaderBar* bar = new LoaderBar(screen);
    for (const Timeline::Entry& entry : timeline.entries) scenes.push_back(entry.make(screen));
    bar->deinit();
    delete bar;
}

Capture::~Capture() {
    for (Scene* scene : scenes) delete scene;
    Clock::onSwap(nullptr);
    Clock::drive(nullptr);
}

int Capture::frameTime(long frame, int fps) {
    return static_cast<int>(frame * 1000 / fps);
}

long Capture::firstFrameAt(int ms, int fps) {
    long frame = static_cast<long>(ms) * fps / 1000;
    while (frameTime(frame, fps) < ms) ++frame;
    return frame;
}

bool Capture::drawFrame(Scene* scene, int ms, long frame, const FrameSink* sink) {
    bool go = true;
    now = static_cast<unsigned int>(ms);
    if (sink) Clock::onSwap([&] { go = (*sink)(frame, ms); });
    scene->render();
    ++scene->framesDrawn;
    Clock::onSwap(nullptr);
    return go;
}

bool Capture::play(int fromMs, int toMs, int fps, const FrameSink& sink, bool stillAtEnd) {
    for (; current < scenes.size(); ++current, started = false) {
        const int start = timeline.startOf(current);
        const int end = start + timeline.entries[current].duration;
        if (start > toMs || (start == toMs && !stillAtEnd)) return true;
        Scene* scene = scenes[current];
        if (!started) {
            now = static_cast<unsigned int>(start);
            scene->init();
            started = true;
        }
        if (end <= fromMs) {
            drawFrame(scene, end - 1, -1, nullptr);
        } else {
            for (long frame = firstFrameAt(start, fps); frameTime(frame, fps) < std::min(end, toMs); ++frame) {
                const int ms = frameTime(frame, fps);
                if (!drawFrame(scene, ms, frame, ms >= fromMs ? &sink : nullptr)) return false;
            }
            if (toMs < end) return stillAtEnd ? drawFrame(scene, toMs, -1, &sink) : true;
        }
        now = static_cast<unsigned int>(end);
        delete scene;
        scenes[current] = nullptr;
    }
    return true;
}
