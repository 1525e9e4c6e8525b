// The GL layer's own cost per frame of each scene, as the browser pays it in wasm: the demo's frames
// drawn through moriq-gl over ES functions that do nothing but count themselves, so the figures are
// the layer's CPU time and the ES calls and bytes it hands to WebGL, not Mesa's drawing.
#include "Clock.h"
#include "Player.h"
#include "Timeline.h"
#include "DemoVariants.h"
#include "moriqgl/EsFunctions.h"
#include "moriqgl/moriqgl.h"

#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

namespace {

long calls = 0;
long bytes = 0;

template <typename F>
struct Stub;

template <typename R, typename... A>
struct Stub<R(A...)> {
    static R call(A...) {
        ++calls;
        return R(1);
    }
};

template <typename... A>
struct Stub<void(A...)> {
    static void call(A...) { ++calls; }
};

// The few calls whose answers the layer reads: compile and link status, the viewport, buffer sizes.
void getIv(GLuint, GLenum, GLint* out) {
    *out = 1;
}
void getIntegerv(GLenum, GLint* out) {
    out[0] = out[1] = 0;
    out[2] = 640;
    out[3] = 480;
}
void bufferData(GLenum, std::ptrdiff_t size, const void*, GLenum) {
    ++calls;
    bytes += size;
}

void* stubProc(const char* name) {
    const std::string n(name);
    if (n == "glGetShaderiv" || n == "glGetProgramiv") return reinterpret_cast<void*>(&getIv);
    if (n == "glGetIntegerv") return reinterpret_cast<void*>(&getIntegerv);
    if (n == "glBufferData") return reinterpret_cast<void*>(&bufferData);
#define MORIQGL_STUB(fn, ret, params) \
    if (n == "gl" #fn) return reinterpret_cast<void*>(&Stub<ret params>::call);
    MORIQGL_ES_FUNCTIONS(MORIQGL_STUB)
#undef MORIQGL_STUB
    return nullptr;
}

SDL_Surface* dummyScreen() {
    static SDL_Surface* screen = nullptr;
    if (!screen) {
        // The dummy driver's software mode makes the demo's buffer swap a harmless no-op.
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        SDL_Init(SDL_INIT_VIDEO);
        screen = SDL_SetVideoMode(640, 480, 32, SDL_SWSURFACE);
    }
    return screen;
}

// Frames of the scene holding fromMs, from there on, one an iteration, at 60 fps; the scenes are built
// behind the loading bar as the demo builds them.
void sceneFrames(benchmark::State& state, int fromMs) {
    if (!moriqgl::load(stubProc, demoVariants())) {
        state.SkipWithError("the layer did not start");
        return;
    }
    std::cout.setstate(std::ios::failbit);  // the end-of-scene lines are not wanted here
    {
        // The scenes before it draw their last frame, as the player reaches a moment, for the GL state they
        // leave (the wireframe's smooth lines are the cel scene's).
        Player player(dummyScreen(), Timeline::demo());
        int ms = fromMs;
        const Player::FrameSink ignore = [](long) { return true; };
        player.play(ms, ms, 60, ignore, true);
        calls = bytes = 0;
        for (auto _ : state) {
            ms += 17;
            player.play(ms, ms, 60, ignore, true);
        }
    }
    std::cout.clear();
    state.counters["es_calls_per_frame"] = benchmark::Counter(static_cast<double>(calls) / state.iterations());
    state.counters["upload_kb_per_frame"] = benchmark::Counter(bytes / 1024.0 / state.iterations());
    moriqgl::unload();
}

}  // namespace

// Where each scene draws the most: its pictures, the cel ball, the wireframe, all fading in.
BENCHMARK_CAPTURE(sceneFrames, terrain, 10000)->Iterations(200)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(sceneFrames, metaballs, 40000)->Iterations(200)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(sceneFrames, greetings, 62000)->Iterations(200)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(sceneFrames, cel, 72000)->Iterations(200)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(sceneFrames, wireframe, 96000)->Iterations(200)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(sceneFrames, background, 110000)->Iterations(200)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
