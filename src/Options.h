// Options: the live demo's command line, read into a plain result before any window opens.
#pragma once

#include "SDLWindow.h"

#include "tracks/Client.h"

#include <string>

#define MORIQ_VERSION "1.0.0"

struct Options {
    enum Action { PLAY, HELP, VERSION, LIST_TRACKS, BAD } action = PLAY;
    bool window = false;             // a window instead of the whole screen
    bool native = false;             // full screen at the desktop's own size
    int width = SDLWindow::WIDTH;    // the window's size (--size); the picture fits inside it
    int height = SDLWindow::HEIGHT;
    int startMs = 0;                 // where the play starts (--start), in ms from the first scene's start
    bool controls = false;           // the viewer's keys: pause, seek (--controls)
    bool watch = false;              // changed data files are read again while the demo plays (--watch)
    bool reduceFlashes = false;      // the flash limiter on every frame (--reduce-flashes)
    bool sync = false;               // a client of the sync editor at syncAt (--sync)
    tracks::Endpoint syncAt;
    std::string tracks;              // saved tracks: a folder or an editor's project (--tracks); "" data/tracks
    std::string error;               // for BAD: what is wrong, one line

    // Reads the arguments after the program's name; no arguments: full screen at 640x480.
    static Options parse(int argc, const char* const* argv);
    // The help text: every option on a line of its own, and what the demo reads.
    static const char* usage();
};
