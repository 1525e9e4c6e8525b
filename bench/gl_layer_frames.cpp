// The GL layer's own cost per frame of each scene, as the browser pays it in wasm: the demo's frames
// drawn through moriq-gl over ES functions that do nothing but count themselves, so the figures are
// the layer's CPU time and the ES calls and bytes it hands to WebGL, not Mesa's drawing.
#include "Clock.h"
#include "LoaderBar.h"
#include "Timeline.h"
#include "moriqgl/EsFunctions.h"
#include "moriqgl/moriqgl.h"

#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
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

// Frames of one scene of the play list from fromMs on, one an iteration, at 60 fps; the scenes are built
// behind the loading bar as the demo builds them.
void sceneFrames(benchmark::State& state, size_t index, int fromMs) {
    if (!moriqgl::load(stubProc)) {
        state.SkipWithError("the layer did not start");
        return;
    }
    const Timeline& timeline = Timeline::demo();
    unsigned int now = 0;
    Clock::drive([&now] { return now; });
    std::vector<Scene*> scenes;
    LoaderBar* bar = new LoaderBar(dummyScreen());
    for (const Timeline::Entry& entry : timeline.entries) scenes.push_back(entry.make(dummyScreen()));
    bar->deinit();
    delete bar;
    // The scenes before it draw their last frame, as the capture tool plays them, for the GL state they
    // leave (the wireframe's smooth lines are the cel scene's).
    for (size_t i = 0; i < index; ++i) {
        now = static_cast<unsigned int>(timeline.startOf(i));
        scenes[i]->init();
        now = static_cast<unsigned int>(timeline.startOf(i) + timeline.entries[i].duration - 1);
        scenes[i]->render();
        delete scenes[i];
        scenes[i] = nullptr;
    }
    now = static_cast<unsigned int>(timeline.startOf(index));
    scenes[index]->init();
    now = static_cast<unsigned int>(fromMs);
    calls = bytes = 0;
    for (auto _ : state) {
        scenes[index]->render();
        now += 17;
    }
    state.counters["es_calls_per_frame"] = benchmark::Counter(static_cast<double>(calls) / state.iterations());
    state.counters["upload_kb_per_frame"] = benchmark::Counter(bytes / 1024.0 / state.iterations());
    for (Scene* scene : scenes) delete scene;
    Clock::drive(nullptr);
    moriqgl::unload();
}

}  // namespace

// Where each scene draws the most: its pictures, the cel ball, the wireframe, all fading in.
BENCHMARK_CAPTURE(sceneFrames, terrain, 0, 10000)->Iterations(200)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(sceneFrames, metaballs, 1, 40000)->Iterations(200)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(sceneFrames, greetings, 2, 62000)->Iterations(200)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(sceneFrames, cel, 3, 72000)->Iterations(200)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(sceneFrames, wireframe, 4, 96000)->Iterations(200)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(sceneFrames, background, 5, 110000)->Iterations(200)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
