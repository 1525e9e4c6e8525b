// SDL_mixer calls behind one error flag; every failure is reported and none is fatal.
#include "Music.h"

#include "DataFiles.h"

#include <algorithm>
#include <iostream>
#include <string>
#include <utility>

namespace {
Hook<long()>& positionSource() {
    static Hook<long()> source;
    return source;
}
}  // namespace

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

bool Music::reload(const std::string& path, std::string& why) {
    if (error) {
        why = "no sound device";
        return false;
    }
    Mix_Music* fresh = Mix_LoadMUS(path.c_str());
    if (!fresh) {
        why = Mix_GetError();
        return false;
    }
    Mix_HaltMusic();
    Mix_FreeMusic(music);
    music = fresh;
    return true;
}

void Music::fadeIn(int milliSeconds) {
    if (Mix_FadeInMusic(music, 1, milliSeconds) == -1)
        std::cerr << "Couldn't play music: " << SDL_GetError() << std::endl;
}

void Music::fadeOut(int milliSeconds) {
    Mix_FadeOutMusic(milliSeconds);
}

void Music::playFrom(int ms, int fadeInMs, int fadeOutFrom, int fadeOutMs, bool paused) {
    if (error) return;
    // The mixer's thread waits meanwhile: between the start and the pause it would mix a buffer's worth.
    SDL_LockAudio();
    if (Mix_FadeInMusicPos(music, 1, std::max(0, fadeInMs - ms), ms / 1000.0) == -1) {
        std::cerr << "Couldn't play music: " << SDL_GetError() << std::endl;
    } else {
        if (ms >= fadeOutFrom) fadeOut(std::max(1, fadeOutFrom + fadeOutMs - ms));
        if (paused) pause();
    }
    SDL_UnlockAudio();
}

void Music::pause() {
    Mix_PauseMusic();
}

void Music::resume() {
    Mix_ResumeMusic();
}

long Music::position() const {
    return positionSource() ? positionSource()() : -1;
}

Music::PositionSource::PositionSource(std::function<long()> source) : Scope(positionSource(), std::move(source)) {}
