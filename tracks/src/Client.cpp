// The live editor session: connection states, the track requests, applying and handing on commands.
#include "tracks/Client.h"


#include <cstdio>

namespace tracks {

std::string Endpoint::text() const {
    const bool ipv6 = host.find(':') != std::string::npos;
    return (ipv6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

bool parseEndpoint(const std::string& text, Endpoint& endpoint, std::string& error) {
    Endpoint parsed;
    std::string port = text;
    if (!text.empty() && text[0] == '[') {
        const size_t close = text.find(']');
        if (close == std::string::npos || close + 1 >= text.size() || text[close + 1] != ':') {
            error = "editor address '" + text + "': expected [HOST]:PORT";
            return false;
        }
        parsed.host = text.substr(1, close - 1);
        port = text.substr(close + 2);
    } else if (const size_t colon = text.rfind(':'); colon != std::string::npos) {
        parsed.host = text.substr(0, colon);
        port = text.substr(colon + 1);
        if (parsed.host.find(':') != std::string::npos) {
            error = "editor address '" + text + "': an IPv6 host goes in brackets, [HOST]:PORT";
            return false;
        }
    }
    if (parsed.host.empty()) {
        error = "editor address '" + text + "': the host is empty";
        return false;
    }
    unsigned long value = 0;
    bool digits = !port.empty() && port.size() <= 5;
    for (const char c : port) {
        if (c < '0' || c > '9') digits = false;
        else value = value * 10 + unsigned(c - '0');
    }
    if (!digits || value == 0 || value > 65535) {
        error = "editor address '" + text + "': the port '" + port + "' is not a number from 1 to 65535";
        return false;
    }
    parsed.port = uint16_t(value);
    endpoint = parsed;
    return true;
}

Client::Client(TrackSet& tracks, Endpoint endpoint, std::unique_ptr<Transport> transport, Log log)
    : tracks_(tracks), endpoint_(std::move(endpoint)), transport_(std::move(transport)), log_(std::move(log)) {
    if (!transport_) transport_ = defaultTransport();
    if (!log_) log_ = [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); };
}

std::vector<Event> Client::poll(double now) {
    std::vector<Event> events;
    now_ = now;
    if (state_ == State::Waiting && (!waitingStarted_ || now >= nextAttempt_)) startOpening(now);
    if (state_ == State::Opening) {
        const Transport::State opening = transport_->progress();
        if (opening == Transport::State::Open)
            onConnected();
        else if (opening == Transport::State::Failed || now - openedAt_ >= RETRY_SECONDS)
            giveUp(opening == Transport::State::Failed ? transport_->reason() : "no answer");
    }
    if (state_ != State::Connected) return events;
    // Tracks the demo made since the connection are asked for as they come, as Rocket's player does.
    for (; tracksAsked_ < tracks_.size(); ++tracksAsked_) queue(encodeGetTrack(tracks_[tracksAsked_].name()));
    receive(events);
    if (state_ == State::Connected) flush();
    return events;
}

void Client::startOpening(double now) {
    waitingStarted_ = true;
    openedAt_ = now;
    state_ = State::Opening;
    transport_->open(endpoint_.host, endpoint_.port);
}

void Client::giveUp(const std::string& why) {
    if (!saidUnreachable_)
        log_("sync: no editor at " + endpoint_.text() + " (" + why + "); playing on, trying every 2 s");
    saidUnreachable_ = true;
    transport_->close();
    state_ = State::Waiting;
    nextAttempt_ = openedAt_ + RETRY_SECONDS;
}

void Client::onConnected() {
    state_ = State::Connected;
    log_("sync: editor at " + endpoint_.text() + " connected");
    parser_.reset();
    outgoing_.clear();
    outgoingSent_ = 0;
    lastRowSent_ = -1;
    // The editor's keys replace ours: it sends every key of each track asked for.
    tracks_.clearAllKeys();
    tracksAsked_ = 0;
}

void Client::drop(const std::string& why) {
    log_("sync: editor at " + endpoint_.text() + " " + why + "; playing on, reconnecting");
    transport_->close();
    state_ = State::Waiting;
    saidUnreachable_ = true;  // the line above said it: the failed attempts after it stay quiet
    nextAttempt_ = now_ + RETRY_SECONDS;
}

void Client::queue(const std::vector<uint8_t>& bytes) {
    outgoing_.insert(outgoing_.end(), bytes.begin(), bytes.end());
}

bool Client::flush() {
    while (outgoingSent_ < outgoing_.size()) {
        const long n = transport_->send(outgoing_.data() + outgoingSent_, outgoing_.size() - outgoingSent_);
        if (n < 0) {
            drop("went away (" + transport_->reason() + ")");
            return false;
        }
        if (n == 0) break;
        outgoingSent_ += size_t(n);
    }
    if (outgoingSent_ == outgoing_.size()) {
        outgoing_.clear();
        outgoingSent_ = 0;
    } else if (outgoing_.size() - outgoingSent_ > MAX_QUEUED_BYTES) {
        drop("stopped reading (" + std::to_string(outgoing_.size() - outgoingSent_) + " bytes unsent)");
        return false;
    }
    return true;
}

void Client::receive(std::vector<Event>& events) {
    uint8_t buffer[4096];
    std::vector<EditorCommand> commands;
    for (size_t total = 0; total < MAX_READ_PER_POLL;) {
        const long n = transport_->receive(buffer, sizeof buffer);
        if (n == 0) return;
        if (n < 0) {
            drop("went away (" + transport_->reason() + ")");
            return;
        }
        total += size_t(n);
        commands.clear();
        const bool good = parser_.feed(buffer, size_t(n), tracks_.size(), commands);
        for (const EditorCommand& command : commands) {
            switch (command.type) {
            case CommandType::SetKey: tracks_.setKey(command.track, command.key); break;
            case CommandType::DeleteKey: tracks_.deleteKey(command.track, int32_t(command.row)); break;
            case CommandType::SetRow: events.push_back({Event::Type::SetRow, command.row, false}); break;
            case CommandType::Pause: events.push_back({Event::Type::Pause, 0, command.paused}); break;
            case CommandType::SaveTracks: events.push_back({Event::Type::SaveTracks, 0, false}); break;
            case CommandType::GetTrack: break;
            }
        }
        if (!good) {
            drop("sent a bad command (" + parser_.error() + ")");
            return;
        }
    }
}

void Client::sendRow(int row) {
    if (state_ != State::Connected) return;
    const uint32_t sent = row < 0 ? 0 : uint32_t(row);
    if (int64_t(sent) == lastRowSent_) return;
    lastRowSent_ = sent;
    queue(encodeSetRow(sent));
    flush();
}

}  // namespace tracks
