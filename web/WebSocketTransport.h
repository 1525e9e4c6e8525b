// The page's way to a sync editor: Rocket's WebSocket form through the browser's WebSocket (library.js).
// The client's byte stream is cut into its commands here, one binary message each.
#pragma once

#include "tracks/Transport.h"

#include <cstdint>
#include <string>
#include <vector>

class WebSocketTransport : public tracks::Transport {
public:
    ~WebSocketTransport() override;
    void open(const std::string& host, uint16_t port) override;
    State progress() override;
    long send(const uint8_t* data, size_t size) override;
    long receive(uint8_t* data, size_t size) override;
    void close() override;
    std::string reason() const override;

private:
    std::vector<uint8_t> pending;  // the start of a command not yet whole
};
