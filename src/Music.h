// Music: the soundtrack through SDL_mixer, played once with a fade-in and faded out at the end.
#pragma once

#include <SDL_mixer.h>

class Music {
public:
    Music();
    ~Music();
    Music(const Music&) = delete;
    Music& operator=(const Music&) = delete;

    void loadMusic(const char* filename);
    void fadeIn(int milliSeconds);
    void fadeOut(int milliSeconds);

    bool error = false;         // the device or the file failed; the demo then plays silently
    Mix_Music* music = nullptr;
};
