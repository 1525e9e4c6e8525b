// Music: the soundtrack through SDL_mixer, played once with a fade-in and faded out at the end; a
// viewer's player also pauses it, resumes it and plays it from any moment.
#pragma once

#include "Hook.h"

#include <SDL_mixer.h>

#include <string>

class Music {
public:
    Music();
    ~Music();
    Music(const Music&) = delete;
    Music& operator=(const Music&) = delete;

    void loadMusic(const char* filename);
    // Loads the file at path in place of the music (which stops); a file that fails leaves the old one and
    // returns false with SDL_mixer's reason. The caller starts the new one where the play is.
    bool reload(const std::string& path, std::string& why);
    void fadeIn(int milliSeconds);
    void fadeOut(int milliSeconds);

    // Plays from ms into the soundtrack as a play from its start would sound there: the rest of the
    // fade-in over its first fadeInMs, the rest of the fade-out when ms is past fadeOutFrom. Paused, it
    // is left paused there, with no sound mixed in between.
    void playFrom(int ms, int fadeInMs, int fadeOutFrom, int fadeOutMs, bool paused = false);
    void pause();
    void resume();

    // Where the music plays, in ms from its start, where the platform's mixer can tell (the page's can;
    // SDL_mixer 1.2 cannot); negative otherwise.
    long position() const;

    // While one lives, position() reads its source.
    class PositionSource : public Hook<long()>::Scope {
    public:
        explicit PositionSource(std::function<long()> source);
    };

    bool error = false;         // the device or the file failed; the demo then plays silently
    Mix_Music* music = nullptr;
};
