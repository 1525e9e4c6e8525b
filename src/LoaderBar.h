// LoaderBar: the progress bar drawn while the scenes are built; never run as a scene.
// It saves the whole GL attribute state when created, and deinit restores it after loading.
#pragma once

#include "Scene.h"

class LoaderBar : public Scene {
public:
    explicit LoaderBar(SDL_Surface* surface);
    ~LoaderBar() override;
    void init() override;
    void render() override;
    // Draws and shows one frame with the bar filled to percent (not clamped).
    void render(int percent);
};
