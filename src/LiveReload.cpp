// Each gathered change goes to the picture's textures, the music or the readers; the failures are kept
// until a good version of their file arrives.
#include "LiveReload.h"

#include "DataFiles.h"
#include "Music.h"
#include "Notice.h"
#include "Player.h"
#include "Texture.h"

#include <algorithm>
#include <chrono>
#include <iostream>

namespace {
bool endsWith(const std::string& text, const std::string& ending) {
    return text.size() >= ending.size() && text.compare(text.size() - ending.size(), ending.size(), ending) == 0;
}
}  // namespace

LiveReload::LiveReload(Music* music, const std::string& soundtrack, const std::string& folder)
    : music(music), soundtrack(soundtrack) {
    if (!folder.empty()) watch(folder);
}

std::unique_ptr<LiveReload> LiveReload::overFrames(Music* music, const std::string& soundtrack) {
    const std::string folder = DataWatch::dataFolder();
    if (folder.empty())
        std::cerr << "moriq-demo: no data folder to watch; " << DataFiles::lookedAt("data", false) << std::endl;
    std::unique_ptr<LiveReload> live(new LiveReload(music, soundtrack, folder));
    LiveReload* self = live.get();
    live->shown.reset(new Clock::Overlay([self] {
        // The wall clock's: the player's stands still while paused, and changes must still arrive then.
        const auto now = std::chrono::steady_clock::now().time_since_epoch();
        self->poll(static_cast<unsigned int>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count()));
        Notice::draw(self->notice());
    }));
    return live;
}

bool LiveReload::watch(const std::string& folder) {
    std::string why;
    const bool watching = watcher.watch(folder, why);
    // Said once the folder is watched: a change from then on is seen (the e2e tests wait for it).
    if (watching) std::cerr << "moriq-demo: watching " << folder << " for changes" << std::endl;
    else std::cerr << "moriq-demo: cannot watch " << why << std::endl;
    return watching;
}

void LiveReload::onChanged(Reader reader, const std::string& ending) {
    readers.emplace_back(ending, std::move(reader));
}

void LiveReload::poll(unsigned int nowMs) {
    for (const std::string& path : watcher.poll(nowMs)) reload(path);
}

void LiveReload::reload(const std::string& path) {
    std::string why;
    if (path == DataFiles::find(soundtrack)) {
        if (!music) return;
        if (!music->reload(path, why)) return failed(path, why);
        if (Player* player = Player::playing()) player->playMusicHere();
        return succeeded(path);
    }
    if (endsWith(path, ".png")) {
        bool known = false;
        if (!Texture::reloadFile(path, why, &known)) return failed(path, why);
        if (known) succeeded(path);
        return;
    }
    bool any = false;
    for (const auto& reader : readers) {
        if (!endsWith(path, reader.first)) continue;
        any = true;
        if (!reader.second(path, why)) return failed(path, why);
    }
    if (any) succeeded(path);
}

void LiveReload::failed(const std::string& path, const std::string& why) {
    std::cerr << "moriq-demo: " << path << " not reloaded, keeping the one before: " << why << std::endl;
    forget(path);
    failing.emplace_back(path, why);
}

void LiveReload::succeeded(const std::string& path) {
    std::cerr << "moriq-demo: " << path << " reloaded" << std::endl;
    forget(path);
}

void LiveReload::forget(const std::string& path) {
    failing.erase(std::remove_if(failing.begin(), failing.end(), [&](const auto& f) { return f.first == path; }),
                  failing.end());
}

std::string LiveReload::notice() const {
    if (failing.empty()) return std::string();
    const auto& last = failing.back();
    std::string line = last.first + ": " + last.second;
    if (failing.size() > 1) line += " (and " + std::to_string(failing.size() - 1) + " more)";
    return line;
}
