// The demo's side of a sync editor session (see Sync.h).
#include "Sync.h"

#include "Cues.h"
#include "Player.h"

#include "tracks/TrackFile.h"

#include <SDL.h>

#include <cmath>
#include <iostream>
#include <utility>

namespace {

void push(int type, int code = 0) {
    SDL_Event event = {};
    // SDL 1.2 keeps the type in a byte; the page's SDL in a wider field, where its user events lie above 255.
    event.type = static_cast<decltype(event.type)>(type);
    event.user.code = code;
    SDL_PushEvent(&event);
}

}  // namespace

Sync::Sync(Player& player, const tracks::Endpoint& endpoint, std::string saveFolder,
           std::unique_ptr<tracks::Transport> transport)
    : player(player), client(player.tracks(), endpoint, std::move(transport)), saveFolder(std::move(saveFolder)) {}

void Sync::poll(double nowSeconds) {
    // The editor's pause wins over a pause toggled in the same poll: its flag is the state it shows.
    bool pauseAsked = false, pause = false;
    for (const tracks::Event& event : client.poll(nowSeconds)) {
        switch (event.type) {
        case tracks::Event::Type::SetRow: {
            const int ms = Cues::msAt(event.row);
            push(Player::SEEK_EVENT, ms < player.timeline.length() ? ms : player.timeline.length() - 1);
            break;
        }
        case tracks::Event::Type::Pause:
            pauseAsked = true;
            pause = event.paused;
            break;
        case tracks::Event::Type::SaveTracks: {
            std::string error;
            if (tracks::saveTracks(player.tracks(), saveFolder, error))
                std::cerr << "sync: saved " << player.tracks().size() << " tracks into " << saveFolder << std::endl;
            else
                std::cerr << "sync: could not save the tracks: " << error << std::endl;
            break;
        }
        }
    }
    if (pauseAsked && pause != player.paused()) push(Player::PAUSE_EVENT);
    // The row playing, as the editor's cursor follows it; a paused demo stays where the editor put it.
    if (!player.paused() && !(pauseAsked && pause))
        client.sendRow(static_cast<int>(std::floor(Cues::rowAt(player.now()))));
}
