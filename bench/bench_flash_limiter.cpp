// What the flash limiter costs a frame, on the real GL (run under an X display at least 1920x1080; Xvfb
// with llvmpipe measures the software renderer), at 640x480 and 1920x1080: reading the whole frame and
// measuring its cells; FlashFilter on a still frame (that reading alone) and on a full-frame strobe it
// holds back (the frame before uploaded, blended over, read again); and the limiter's decisions alone.
#include "FlashFilter.h"
#include "FlashLimiter.h"
#include "Raster.h"
#include "SDLWindow.h"

#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

// One window of the size asked for at a time.
bool window(int width, int height) {
    static std::unique_ptr<SDLWindow> open;
    if (!open || open->screen == nullptr || open->screen->w != width || open->screen->h != height) {
        open.reset();
        open.reset(new SDLWindow(width, height, false));
    }
    if (!open->screen) return false;
    Raster::fitInto(width, height);
    return true;
}

// A frame of something: a few coloured rectangles, or all white or black for the strobe.
void drawFrame(long frame, bool strobe) {
    const float level = strobe ? static_cast<float>(frame / 3 % 2) : 0.3f;
    glClearColor(level, level, level, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    if (strobe) return;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 1, 0, 1, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glBegin(GL_QUADS);
    for (int i = 0; i < 8; ++i) {
        glColor3f(i / 8.0f, 1 - i / 8.0f, 0.5f);
        glVertex2f(i / 8.0f, 0.2f);
        glVertex2f(i / 8.0f + 0.1f, 0.2f);
        glVertex2f(i / 8.0f + 0.1f, 0.8f);
        glVertex2f(i / 8.0f, 0.8f);
    }
    glEnd();
}

void BM_CellsFromWholeFrame(benchmark::State& state) {
    const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
    if (!window(width, height)) return state.SkipWithError("no GL window (run under an X display)");
    std::vector<unsigned char> rgb(static_cast<size_t>(width) * height * 3);
    std::vector<Flashes::Colour> cells;
    long frame = 0;
    drawFrame(frame, false);
    for (auto _ : state) {
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
        Flashes::cellColours(rgb.data(), width, height, cells);
    }
}
BENCHMARK(BM_CellsFromWholeFrame)->Args({640, 480})->Args({1920, 1080})->Unit(benchmark::kMillisecond)->UseRealTime();

// FlashFilter on frames it leaves alone (still) or holds back (strobe).
void limitFrames(benchmark::State& state, bool strobe) {
    const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
    if (!window(width, height)) return state.SkipWithError("no GL window (run under an X display)");
    FlashFilter filter;
    long frame = 0;
    long held = 0;
    for (auto _ : state) {
        state.PauseTiming();
        drawFrame(frame, strobe);
        glFinish();
        state.ResumeTiming();
        filter.apply(frame * 1000 / 60, frame == 0);
        glFinish();
        held += filter.limiter().holding();
        ++frame;
    }
    state.counters["held"] = static_cast<double>(held) / frame;
}
void BM_FlashFilterStill(benchmark::State& state) {
    limitFrames(state, false);
}
void BM_FlashFilterStrobe(benchmark::State& state) {
    limitFrames(state, true);
}
BENCHMARK(BM_FlashFilterStill)->Args({640, 480})->Args({1920, 1080})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FlashFilterStrobe)->Args({640, 480})->Args({1920, 1080})->Unit(benchmark::kMillisecond)->UseRealTime();

// The decisions alone for a full-frame 10 Hz strobe: every cell is followed, most are held.
void BM_LimiterDecides(benchmark::State& state) {
    FlashLimiter limiter;
    std::vector<Flashes::Colour> cells(Flashes::CELLS * Flashes::CELLS);
    long frame = 0;
    for (auto _ : state) {
        const double level = frame / 3 % 2 ? 1.0 : 0.0;
        std::fill(cells.begin(), cells.end(), Flashes::Colour{level, level, level});
        limiter.decide(frame * 1000 / 60, cells);
        limiter.shown(cells);
        ++frame;
    }
}
BENCHMARK(BM_LimiterDecides)->Unit(benchmark::kMicrosecond);

}  // namespace
