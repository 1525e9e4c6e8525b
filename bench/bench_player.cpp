// Seek latency natively: the player drawing a moment of each scene directly, as a viewer's seek and a
// capture-tool still do (run from the repository root under an X display; Xvfb with llvmpipe measures
// the software renderer). Within a scene: 5 s back and forth. Into a scene: from 5 s into the first scene
// to a late moment of it, passing the scenes between.
#include "Player.h"
#include "SDLWindow.h"

#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <iostream>
#include <memory>

namespace {

// A late moment of each scene: 500 ms before its end.
const int LATE[] = {34500, 59500, 69500, 84500, 109500, 114500};

bool haveGL() {
    static std::unique_ptr<SDLWindow> window(new SDLWindow());
    return window->screen != nullptr;
}

void draw(Player& player, int ms) {
    player.play(ms, ms, 60, [](long) { return true; }, true);
    glFinish();
}

void BM_SeekWithinScene(benchmark::State& state) {
    if (!haveGL()) return state.SkipWithError("no GL window (run under an X display)");
    std::cout.setstate(std::ios::failbit);  // the end-of-scene lines are not wanted here
    {
        Player player(nullptr, Timeline::demo());
        const int late = LATE[state.range(0)];
        long n = 0;
        for (auto _ : state) draw(player, late - (n++ % 2) * 4000);
    }
    std::cout.clear();
}

void BM_SeekIntoScene(benchmark::State& state) {
    if (!haveGL()) return state.SkipWithError("no GL window (run under an X display)");
    std::cout.setstate(std::ios::failbit);
    {
        Player player(nullptr, Timeline::demo());
        for (auto _ : state) {
            state.PauseTiming();
            draw(player, 5000);
            state.ResumeTiming();
            draw(player, LATE[state.range(0)]);
        }
    }
    std::cout.clear();
}

}  // namespace

BENCHMARK(BM_SeekWithinScene)->DenseRange(0, 5)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_SeekIntoScene)->DenseRange(0, 5)->Unit(benchmark::kMillisecond)->Iterations(10);
