// The page's WebSocket way to a sync editor (see WebSocketTransport.h).
#include "WebSocketTransport.h"

#include "tracks/Protocol.h"

#include <memory>

extern "C" {
// From library.js.
void moriq_sync_open(const char* host, int port);
int moriq_sync_progress(void);
long moriq_sync_send(const uint8_t* data, size_t size);
long moriq_sync_receive(uint8_t* data, size_t size);
void moriq_sync_close(void);
void moriq_sync_reason(char* out, int size);
}

WebSocketTransport::~WebSocketTransport() {
    moriq_sync_close();
}

void WebSocketTransport::open(const std::string& host, uint16_t port) {
    pending.clear();
    moriq_sync_open(host.c_str(), port);
}

tracks::Transport::State WebSocketTransport::progress() {
    switch (moriq_sync_progress()) {
    case 0: return State::Opening;
    case 1: return State::Open;
    default: return State::Failed;
    }
}

long WebSocketTransport::send(const uint8_t* data, size_t size) {
    pending.insert(pending.end(), data, data + size);
    for (size_t length; (length = tracks::clientMessageLength(pending.data(), pending.size())) > 0;) {
        if (moriq_sync_send(pending.data(), length) < 0) return -1;
        pending.erase(pending.begin(), pending.begin() + static_cast<long>(length));
    }
    return static_cast<long>(size);
}

long WebSocketTransport::receive(uint8_t* data, size_t size) {
    return moriq_sync_receive(data, size);
}

void WebSocketTransport::close() {
    pending.clear();
    moriq_sync_close();
}

std::string WebSocketTransport::reason() const {
    char text[200] = "";
    moriq_sync_reason(text, sizeof text);
    return text;
}

// The page's sync client reaches the editor this way (the tracks library's TCP is left out of the page).
std::unique_ptr<tracks::Transport> tracks::defaultTransport() {
    return std::make_unique<WebSocketTransport>();
}
