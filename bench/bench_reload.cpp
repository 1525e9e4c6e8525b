// What a reload adds to the frame that takes it (--watch): each of the demo's pictures read again into its
// texture, the sphere map with its mipmaps, and the soundtrack read again and started where the play is;
// the gathered change handed over by LiveReload::poll as the live demo does. A frame is due every 16.7 ms;
// the goal is no frame over 50 ms with a reload in it. Run from the repository root under an X display.
#include "LiveReload.h"
#include "Music.h"
#include "SDLWindow.h"
#include "Texture.h"
#include "Timeline.h"

#include <GL/gl.h>
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

bool haveGL() {
    static std::unique_ptr<SDLWindow> window(new SDLWindow());
    return window->screen != nullptr;
}

// The demo's pictures in play-list order, without repeats.
std::vector<std::string> pictures() {
    std::vector<std::string> all;
    for (const Timeline::Entry& entry : Timeline::demo().entries)
        for (const std::string file : entry.files)
            if (file.size() > 4 && file.compare(file.size() - 4, 4, ".png") == 0 &&
                std::find(all.begin(), all.end(), file) == all.end())
                all.push_back(file);
    return all;
}

void copy(const std::string& from, const std::string& to) {
    std::ofstream(to, std::ios::binary) << std::ifstream(from, std::ios::binary).rdbuf();
}

void BM_ReloadPicture(benchmark::State& state) {
    if (!haveGL()) return state.SkipWithError("no GL window (run under an X display)");
    const std::string file = pictures()[state.range(0)];
    char name[] = "/tmp/moriq-bench-reload-XXXXXX";
    const std::string folder = mkdtemp(name);
    const std::string path = folder + file.substr(file.rfind('/'));
    copy(file, path);
    {
        // The sphere map goes up as the metaballs make it: with mipmaps, in RGB.
        const bool sphere = file.find("meta_texture") != std::string::npos;
        Texture texture(path.c_str(), sphere ? Texture::Upload{true, GL_RGB} : Texture::Upload{});
        LiveReload live(nullptr, "", folder);
        unsigned int now = 0;
        for (auto _ : state) {
            state.PauseTiming();
            copy(file, path);
            live.poll(now);
            now += 1000;
            state.ResumeTiming();
            live.poll(now);
            glFinish();
        }
        state.SetLabel(file);
    }
    remove(path.c_str());
    remove(folder.c_str());
}

void BM_ReloadSoundtrack(benchmark::State& state) {
    Music music;
    if (music.error) return state.SkipWithError("no sound device (SDL_AUDIODRIVER=dummy will do)");
    const Timeline& timeline = Timeline::demo();
    music.loadMusic(timeline.soundtrack);
    std::string why;
    for (auto _ : state) {
        if (!music.reload(timeline.soundtrack, why)) return state.SkipWithError(why.c_str());
        music.playFrom(60000, timeline.musicFadeInMs, timeline.startOf(timeline.entries.size() - 1),
                       timeline.musicFadeOutMs);
    }
}

}  // namespace

BENCHMARK(BM_ReloadPicture)->DenseRange(0, 8)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_ReloadSoundtrack)->Unit(benchmark::kMillisecond)->Iterations(10);
