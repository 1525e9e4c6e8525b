// SDL_mixer calls behind one error flag; every failure is reported and none is fatal.
#include "Music.h"

#include "DataFiles.h"

#include <iostream>
#include <string>

Music::Music() {
    if (Mix_OpenAudio(44100, AUDIO_S16LSB, 2, 4096) == -1) {
        std::cerr << "Couldn't initialize SDL_mixer: " << SDL_GetError() << std::endl;
        error = true;
    } else {
        error = false;
    }
}

Music::~Music() {
    Mix_FreeMusic(music);
    Mix_CloseAudio();
}

void Music::loadMusic(const char* filename) {
    if (error) return;
    const std::string path = DataFiles::find(filename);
    music = Mix_LoadMUS(path.empty() ? filename : path.c_str());
    if (!music) {
        std::cerr << "Couldn't load music: " << SDL_GetError();
        if (path.empty()) std::cerr << "; " << DataFiles::lookedAt(filename, false);
        std::cerr << std::endl;
        error = true;
    }
}

void Music::fadeIn(int milliSeconds) {
    if (Mix_FadeInMusic(music, 1, milliSeconds) == -1)
        std::cerr << "Couldn't play music: " << SDL_GetError() << std::endl;
}

void Music::fadeOut(int milliSeconds) {
    Mix_FadeOutMusic(milliSeconds);
}
