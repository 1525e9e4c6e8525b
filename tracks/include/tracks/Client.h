// The demo's side of a live session with a sync editor. poll() once a frame never blocks: it connects
// (and reconnects every 2 s while no editor listens), asks for every track's keys, applies the editor's
// key changes to the TrackSet itself and hands row, pause and save commands to the caller as events.
// Time comes from the caller, so tests drive it.
#pragma once

#include "tracks/Protocol.h"
#include "tracks/TrackSet.h"
#include "tracks/Transport.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tracks {

struct Endpoint {
    std::string host = "127.0.0.1";
    uint16_t port = 1338;

    std::string text() const;  // "host:port", with an IPv6 host in brackets
};

// "[HOST:]PORT": "1338", "localhost:1338", "[::1]:1338". False with a reason naming the text.
bool parseEndpoint(const std::string& text, Endpoint& endpoint, std::string& error);

struct Event {
    enum class Type { SetRow, Pause, SaveTracks };
    Type type = Type::SetRow;
    uint32_t row = 0;     // SetRow: the row the editor moved to
    bool paused = false;  // Pause
};

class Client {
public:
    using Log = std::function<void(const std::string& line)>;

    static constexpr double RETRY_SECONDS = 2.0;
    // Unsent bytes beyond this mean the editor stopped reading: the connection is dropped.
    static constexpr size_t MAX_QUEUED_BYTES = size_t(1) << 20;
    // Bytes read in one poll at most, so a flood of commands cannot stall a frame; the rest waits a frame.
    static constexpr size_t MAX_READ_PER_POLL = size_t(256) << 10;

    // `transport` null: TCP. `log` null: one line a state change on stderr.
    Client(TrackSet& tracks, Endpoint endpoint, std::unique_ptr<Transport> transport = nullptr, Log log = nullptr);

    // Once a frame, `now` in seconds on any steady clock. Returns the editor's row, pause and save commands
    // of this poll, in order.
    std::vector<Event> poll(double now);
    // Tells the editor the demo's row (negative rows as 0), when it differs from the last one sent on this
    // connection, as Rocket's player does.
    void sendRow(int row);
    bool connected() const { return state_ == State::Connected; }

private:
    enum class State { Waiting, Opening, Connected };

    void startOpening(double now);
    void giveUp(const std::string& why);
    void onConnected();
    void drop(const std::string& why);
    void queue(const std::vector<uint8_t>& bytes);
    bool flush();
    void receive(std::vector<Event>& events);

    TrackSet& tracks_;
    Endpoint endpoint_;
    std::unique_ptr<Transport> transport_;
    Log log_;
    CommandParser parser_;
    State state_ = State::Waiting;
    double now_ = 0.0;  // the time of the current poll
    double nextAttempt_ = 0.0;
    bool waitingStarted_ = false;  // the first poll starts the first attempt at once
    double openedAt_ = 0.0;
    bool saidUnreachable_ = false;  // one line while no editor answers, not one per attempt
    size_t tracksAsked_ = 0;
    std::vector<uint8_t> outgoing_;
    size_t outgoingSent_ = 0;
    int64_t lastRowSent_ = -1;
};

}  // namespace tracks
