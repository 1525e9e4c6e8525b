// What the flash limiter costs a frame, on the real GL (run under an X display at least 1920x1080; Xvfb
// with llvmpipe measures the software renderer), at 640x480 and 1920x1080: reading the whole frame and
// measuring its cells; FlashFilter on a still frame (that reading alone), on a full-frame strobe it
// holds back (the frame before uploaded, blended over, read again) and on a strobe over the top-left
// corner, 0.3 of each side (only the part held uploaded and read again); the limiter's decisions alone; and
// the whole limiter on the CPU.
#include "FlashFilter.h"
#include "FlashLimiter.h"
#include "Raster.h"
#include "SDLWindow.h"

#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <algorithm>
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

enum class Picture { Still, Strobe, PartStrobe };

// A frame of something: a few coloured rectangles, all white or black for the strobe, or the rectangles
// with the strobe over the top-left corner.
void drawFrame(long frame, Picture picture) {
    const float level = static_cast<float>(frame / 3 % 2);
    glClearColor(picture == Picture::Strobe ? level : 0.3f, picture == Picture::Strobe ? level : 0.3f,
                 picture == Picture::Strobe ? level : 0.3f, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    if (picture == Picture::Strobe) return;
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
    if (picture == Picture::PartStrobe) {
        glColor3f(level, level, level);
        glVertex2f(0.0f, 0.7f);
        glVertex2f(0.3f, 0.7f);
        glVertex2f(0.3f, 1.0f);
        glVertex2f(0.0f, 1.0f);
    }
    glEnd();
}

void BM_CellsFromWholeFrame(benchmark::State& state) {
    const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
    if (!window(width, height)) return state.SkipWithError("no GL window (run under an X display)");
    std::vector<unsigned char> rgb(static_cast<size_t>(width) * height * 3);
    std::vector<Flashes::Colour> cells;
    long frame = 0;
    drawFrame(frame, Picture::Still);
    for (auto _ : state) {
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
        Flashes::cellColours(rgb.data(), width, height, cells);
    }
}
BENCHMARK(BM_CellsFromWholeFrame)->Args({640, 480})->Args({1920, 1080})->Unit(benchmark::kMillisecond)->UseRealTime();

// FlashFilter on frames it leaves alone (still) or holds back (strobes).
void limitFrames(benchmark::State& state, Picture picture) {
    const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
    if (!window(width, height)) return state.SkipWithError("no GL window (run under an X display)");
    FlashFilter filter;
    long frame = 0;
    long held = 0;
    for (auto _ : state) {
        state.PauseTiming();
        drawFrame(frame, picture);
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
    limitFrames(state, Picture::Still);
}
void BM_FlashFilterStrobe(benchmark::State& state) {
    limitFrames(state, Picture::Strobe);
}
void BM_FlashFilterPartStrobe(benchmark::State& state) {
    limitFrames(state, Picture::PartStrobe);
}
BENCHMARK(BM_FlashFilterStill)->Args({640, 480})->Args({1920, 1080})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FlashFilterStrobe)->Args({640, 480})->Args({1920, 1080})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FlashFilterPartStrobe)->Args({640, 480})->Args({1920, 1080})->Unit(benchmark::kMillisecond)->UseRealTime();

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

// The whole limiter on the CPU (FlashLimiter::limit) at 640x480, over a strobe filling the frame (0) or
// its top-left corner, 0.3 of each side (1), on a grey ground.
void BM_LimitOnCpu(benchmark::State& state) {
    const int width = 640, height = 480;
    const bool part = state.range(0) != 0;
    std::vector<unsigned char> frames[2];
    for (int lit = 0; lit < 2; ++lit) {
        frames[lit].assign(static_cast<size_t>(width) * height * 3, 77);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (!part || (x < width * 3 / 10 && y < height * 3 / 10))
                    std::fill_n(&frames[lit][(static_cast<size_t>(y) * width + x) * 3], 3, lit ? 255 : 0);
    }
    FlashLimiter limiter;
    std::vector<unsigned char> rgb;
    long frame = 0, held = 0;
    for (auto _ : state) {
        state.PauseTiming();
        rgb = frames[frame / 3 % 2];
        state.ResumeTiming();
        limiter.limit(frame * 1000 / 60, rgb.data(), width, height);
        held += limiter.holding();
        ++frame;
    }
    state.counters["held"] = static_cast<double>(held) / frame;
}
BENCHMARK(BM_LimitOnCpu)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
