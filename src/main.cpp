// The demo: opens the display, builds every scene behind the loading bar, starts the soundtrack,
// plays the scenes in order and shuts down. With no arguments: full screen at 640x480; see Options.h.
#include "Cues.h"
#include "FlashFilter.h"
#include "LiveReload.h"
#include "LoaderBar.h"
#include "Music.h"
#include "Options.h"
#include "Player.h"
#include "Raster.h"
#include "SDLWindow.h"
#include "Sync.h"
#include "Timeline.h"

#include <iostream>
#include <memory>

int main(int argc, char** argv) {
    const Options options = Options::parse(argc, argv);
    switch (options.action) {
    case Options::HELP: std::cout << Options::usage(); return 0;
    case Options::VERSION: std::cout << "moriq-demo " MORIQ_VERSION << std::endl; return 0;
    case Options::LIST_TRACKS: Cues::list(std::cout, Timeline::demo()); return 0;
    case Options::BAD:
        std::cerr << "moriq-demo: " << options.error << "\nTry 'moriq-demo --help' for the options." << std::endl;
        return 2;
    case Options::PLAY: break;
    }

    SDLWindow* window =
        options.native ? new SDLWindow(0, 0) : new SDLWindow(options.width, options.height, !options.window);
    if (!window->screen) {
        // Without a video mode there is no GL context, and every later step needs one.
        std::cerr << "moriq-demo needs an X display with OpenGL; without one, try: "
                     "xvfb-run -a -s \"-screen 0 1024x768x24 -noreset\" build/moriq-demo" << std::endl;
        delete window;
        return 1;
    }
    if (!options.window) SDL_ShowCursor(0);
    // The picture's place in the frame; at 640x480 it fills it.
    Raster::fitInto(window->screen->w, window->screen->h);

    LoaderBar* bar = new LoaderBar(window->screen);
    bar->render(10);
    Music* music = new Music();
    bar->render(20);
    const Timeline& timeline = Timeline::demo();
    music->loadMusic(timeline.soundtrack);
    bar->render(50);
    Player* player = new Player(window->screen, timeline, bar);
    delete bar;
    Cues::load(player->tracks(), options.tracks, std::cerr);

    if (music->error) {
        std::cerr << "No music..." << std::endl;
        delete music;
        music = nullptr;
    }
    Player::Live how;
    how.music = music;
    how.startMs = options.startMs;
    how.controls = options.controls || options.sync;
    {
        // The editor's seeks and pauses reach the player as the viewer's keys do.
        std::unique_ptr<Sync> sync;
        std::unique_ptr<Scene::BeforeFrame> polling;
        if (options.sync) {
            sync.reset(new Sync(*player, options.syncAt, Cues::saveFolder(options.tracks)));
            polling.reset(new Scene::BeforeFrame([&sync] { sync->poll(SDL_GetTicks() / 1000.0); }));
        }
        std::unique_ptr<FlashFilter> limiter(options.reduceFlashes ? new FlashFilter() : nullptr);
        // With the viewer's keys, R turns the flash limiter on and off, as on the page; it starts afresh.
        std::unique_ptr<Scene::Controls> flashKey;
        if (how.controls)
            flashKey.reset(new Scene::Controls([&limiter](const SDL_Event& event) {
                if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_r)
                    limiter.reset(limiter ? nullptr : new FlashFilter());
                return false;
            }));
        // After the scenes, which make the textures it reloads.
        std::unique_ptr<LiveReload> reload;
        if (options.watch || options.sync) {
            reload = LiveReload::overFrames(music, timeline.soundtrack);
            const std::string folder = Cues::watchedFolder(options.tracks);
            if (!folder.empty()) reload->watch(folder);
            const LiveReload::Reader tracks = [player](const std::string& path, std::string& why) {
                return Cues::reload(player->tracks(), path, why);
            };
            reload->onChanged(tracks, ".track");
            reload->onChanged(tracks, ".rocket");
        }
        player->live(how);
    }

    delete player;
    delete music;
    delete window;
    return 0;
}
