// The editor's TCP connection, non-blocking throughout: the connect, the greetings, every read and write.
// The one wait left is a host name's lookup, done once on the first open (numeric addresses never wait);
// every address the name gives is tried in turn.
#pragma once

#include "tracks/Transport.h"

#include <string>
#include <vector>

struct addrinfo;

namespace tracks {

class TcpTransport : public Transport {
public:
    TcpTransport() = default;
    ~TcpTransport() override;
    TcpTransport(const TcpTransport&) = delete;
    TcpTransport& operator=(const TcpTransport&) = delete;

    void open(const std::string& host, uint16_t port) override;
    State progress() override;
    long send(const uint8_t* data, size_t size) override;
    long receive(uint8_t* data, size_t size) override;
    void close() override;
    std::string reason() const override { return reason_; }
    // The socket, or -1: for a caller that wants to wait on it (a paused demo, a test) rather than spin.
    int descriptor() const { return fd_; }

private:
    bool connectNext();
    State fail(const std::string& why);

    int fd_ = -1;
    State state_ = State::Failed;
    // The addresses of the host, resolved once: later attempts must not wait on a name lookup.
    std::string resolvedHost_;
    uint16_t resolvedPort_ = 0;
    std::vector<std::vector<uint8_t>> addresses_;
    size_t nextAddress_ = 0;
    bool connected_ = false;
    size_t greetingSent_ = 0;
    std::string greetingRead_;
    std::string reason_;
};

}  // namespace tracks
