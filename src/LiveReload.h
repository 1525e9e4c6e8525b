// LiveReload: the demo's data read again while it plays (--watch). Pictures and the soundtrack written or
// renamed over in the watched folders are reloaded in place; other files go to the readers given (the
// sync tracks). A file that fails keeps what was there and is named, with the reason, on standard error
// once and in a notice over the picture until a good version arrives.
#pragma once

#include "Clock.h"
#include "DataWatch.h"

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class Music;

class LiveReload {
public:
    // Reads the changed file at path; false with the reason when it fails.
    using Reader = std::function<bool(const std::string& path, std::string& why)>;

    // Watches folder (none when empty); the file DataFiles finds for soundtrack is reloaded into music
    // (null: not at all).
    LiveReload(Music* music, const std::string& soundtrack, const std::string& folder);
    // The demo's: watches its data folder (DataWatch::dataFolder) and, until it ends, polls once each shown
    // frame and draws the notice over it (Clock::Overlay). Says on standard error when it cannot watch.
    static std::unique_ptr<LiveReload> overFrames(Music* music, const std::string& soundtrack);

    // Watches another folder too (data/tracks, the folder of a track file), and says so on standard
    // error; false, with the reason there, when it cannot.
    bool watch(const std::string& folder);
    // A changed file that is neither a picture nor the soundtrack goes to each reader given for the end of
    // its name (".track", ".rocket"; "" takes every one), so editors' temporaries reach none.
    void onChanged(Reader reader, const std::string& ending = "");

    // Reads the changes and reloads the files gathered by nowMs (see DataWatch). GL calls: main thread.
    void poll(unsigned int nowMs);
    // The notice's line: the file last failing and its reason, and how many others fail; empty when none.
    std::string notice() const;

private:
    void reload(const std::string& path);
    void failed(const std::string& path, const std::string& why);
    void succeeded(const std::string& path);
    // Drops path's failure, if it has one.
    void forget(const std::string& path);

    Music* music;
    std::string soundtrack;
    DataWatch watcher;
    std::vector<std::pair<std::string, Reader>> readers;  // ending, reader
    std::vector<std::pair<std::string, std::string>> failing;  // path, reason; the latest last
    std::unique_ptr<Clock::Overlay> shown;
};
