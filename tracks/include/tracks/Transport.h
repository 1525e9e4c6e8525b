// The way to the editor, swappable: the client speaks the protocol over any Transport. The TCP one is
// TcpTransport; a browser build plugs in a WebSocket one (the greetings as text messages, then each
// command as one binary message, whose payloads the transport hands on as one byte stream).
// No call may block: the client calls them from the demo's frame loop.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace tracks {

class Transport {
public:
    enum class State { Opening, Open, Failed };

    virtual ~Transport() = default;

    // Starts reaching the editor at host:port (closing any earlier connection first).
    virtual void open(const std::string& host, uint16_t port) = 0;
    // Moves the opening on (connecting, sending CLIENT_GREETING, reading EDITOR_GREETING): Open once the
    // editor has greeted, Failed (reason()) when it cannot be reached or greets wrongly.
    virtual State progress() = 0;
    // Takes what it can of the bytes now: how many (0 when the way is full), or -1 when the connection is
    // gone (reason()).
    virtual long send(const uint8_t* data, size_t size) = 0;
    // What has arrived, up to `size` bytes: how many (0 when nothing has), or -1 when the connection is
    // gone or the editor closed it (reason()).
    virtual long receive(uint8_t* data, size_t size) = 0;
    virtual void close() = 0;
    // Why the last Failed or -1 happened, in a few words ("connection refused", "the editor closed the connection").
    virtual std::string reason() const = 0;
};

// The way a Client takes when given none: TCP (TcpTransport.cpp). A build without TCP sockets leaves that
// file out and links its own, as the page does with its WebSocket.
std::unique_ptr<Transport> defaultTransport();

}  // namespace tracks
