// Sync: the live demo as the client of a sync editor (GNU Rocket's protocol). Once a frame it lets the
// client talk to the editor, turns the editor's row into a seek and its pause into the player's, sends
// the row while playing, and saves every track when the editor asks. Keys the editor sets go straight
// into the player's tracks, so they show on the next frame, paused or not.
#pragma once

#include "tracks/Client.h"

#include <memory>
#include <string>

class Player;

class Sync {
public:
    // Reaches the editor at endpoint over transport (null: the platform's, TCP natively, WebSocket on the
    // page); SAVE writes the tracks into saveFolder.
    Sync(Player& player, const tracks::Endpoint& endpoint, std::string saveFolder,
         std::unique_ptr<tracks::Transport> transport = nullptr);

    // Once a frame, before its events are taken (Scene::BeforeFrame), nowSeconds on a steady clock.
    void poll(double nowSeconds);

    bool connected() const { return client.connected(); }

private:
    Player& player;
    tracks::Client client;
    std::string saveFolder;
};
