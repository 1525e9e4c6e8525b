// Frame rates of the greetings and closing scenes and the cost of drawing text, on the real GL
// (run under an X display; Xvfb with llvmpipe measures the software renderer).
#include "Bitmapfont.h"
#include "Clock.h"
#include "FunkyBackground.h"
#include "Greetings.h"
#include "SDLWindow.h"

#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <iostream>
#include <memory>

namespace {

unsigned int now = 0;

bool haveGL() {
    static std::unique_ptr<SDLWindow> window(new SDLWindow());
    return window->screen != nullptr;
}

// Plays a scene through its duration in 1/60 s steps, one frame per iteration.
template <class S>
void playScene(benchmark::State& state, int durationMs) {
    if (!haveGL()) {
        state.SkipWithError("no GL window (run under an X display)");
        return;
    }
    const Clock::Drive drive([] { return now; });
    now = 0;
    std::cout.setstate(std::ios::failbit);  // the end-of-scene line is not wanted here
    S* scene = new S(nullptr);
    scene->init();
    long frame = 0;
    for (auto _ : state) {
        now = static_cast<unsigned int>(frame++ * 1000 / 60 % durationMs);
        scene->frame();
        glFinish();
    }
    delete scene;
    std::cout.clear();
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_GreetingsFrame(benchmark::State& state) {
    playScene<Greetings>(state, 10000);
}
BENCHMARK(BM_GreetingsFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FunkyBackgroundFrame(benchmark::State& state) {
    playScene<FunkyBackground>(state, 5000);
}
BENCHMARK(BM_FunkyBackgroundFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

char TABLE[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789.,!?\xC6\xD8\xC5";

// A screenful of text, 40 columns by 20 lines, in the pixel projection.
void BM_BitmapfontScreenOfText(benchmark::State& state) {
    if (!haveGL()) {
        state.SkipWithError("no GL window (run under an X display)");
        return;
    }
    // The demo has no font atlas; any picture will do, the cost does not depend on the glyphs.
    Bitmapfont font("data/hils.png", TABLE, 16, 24);
    std::string text;
    for (int line = 0; line < 20; ++line) text += "THE QUICK BROWN FOX JUMPS OVER THE LAZY\n";
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, 640.0, 480.0, 0.0, 1.0, -1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_TEXTURE_2D);
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT);
        font.drawString(nullptr, 0, 0, text);
        Clock::present();
        glFinish();
    }
    glDisable(GL_TEXTURE_2D);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_BitmapfontScreenOfText)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
