// The demo: opens the display, builds every scene behind the loading bar, starts the soundtrack,
// plays the scenes in order and shuts down. With no arguments: full screen at 640x480; see Options.h.
#include "LoaderBar.h"
#include "Music.h"
#include "Options.h"
#include "Raster.h"
#include "SDLWindow.h"
#include "Timeline.h"

#include <iostream>
#include <vector>

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

// The scenes Escape leaves behind are not deleted (no report for them) and live until the process
// ends; the leak checker of the sanitized build is told they are kept on purpose.
void keepUntilExit(const std::vector<Scene*>& scenes) {
#ifdef MORIQ_LEAK_CHECKED
    for (Scene* scene : scenes)
        if (scene) __lsan_ignore_object(scene);
#else
    (void)scenes;
#endif
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = Options::parse(argc, argv);
    switch (options.action) {
    case Options::HELP: std::cout << Options::usage(); return 0;
    case Options::VERSION: std::cout << "moriq-demo " MORIQ_VERSION << std::endl; return 0;
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

    const std::vector<Timeline::Entry>& playList = timeline.entries;
    std::vector<Scene*> scenes;
    for (const Timeline::Entry& entry : playList) {
        scenes.push_back(entry.make(window->screen));
        if (entry.barAfter >= 0) bar->render(entry.barAfter);
    }
    // Undoes whatever GL state the scene constructors left behind.
    bar->deinit();
    delete bar;

    if (music->error) {
        std::cerr << "No music..." << std::endl;
        delete music;
        music = nullptr;
    } else {
        music->fadeIn(timeline.musicFadeInMs);
    }

    for (size_t i = 0; i < scenes.size(); ++i) {
        if (i + 1 == scenes.size() && music) music->fadeOut(timeline.musicFadeOutMs);
        scenes[i]->init();
        // Escape abandons the play list; the scenes left are not deleted, so no report is printed.
        if (scenes[i]->run(playList[i].duration) != 0) {
            keepUntilExit(scenes);
            break;
        }
        delete scenes[i];
        scenes[i] = nullptr;
    }

    delete music;
    delete window;
    return 0;
}
