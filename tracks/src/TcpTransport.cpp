// The TCP transport over POSIX sockets.
#include "tracks/TcpTransport.h"

#include "tracks/Protocol.h"

#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tracks {

TcpTransport::~TcpTransport() {
    close();
}

void TcpTransport::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    state_ = State::Failed;
}

Transport::State TcpTransport::fail(const std::string& why) {
    close();
    reason_ = why;
    return state_;
}

void TcpTransport::open(const std::string& host, uint16_t port) {
    close();
    reason_.clear();
    if (host != resolvedHost_ || port != resolvedPort_ || addresses_.empty()) {
        addresses_.clear();
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        hints.ai_flags = AI_NUMERICSERV;
        addrinfo* found = nullptr;
        const int problem = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
        if (problem != 0) {
            fail(std::string("cannot find ") + host + ": " + gai_strerror(problem));
            return;
        }
        for (addrinfo* a = found; a; a = a->ai_next) {
            const auto* bytes = reinterpret_cast<const uint8_t*>(a->ai_addr);
            addresses_.emplace_back(bytes, bytes + a->ai_addrlen);
        }
        freeaddrinfo(found);
        resolvedHost_ = host;
        resolvedPort_ = port;
    }
    nextAddress_ = 0;
    state_ = State::Opening;
    connectNext();
}

// Starts a connect to the next address; false (Failed) when none is left.
bool TcpTransport::connectNext() {
    while (nextAddress_ < addresses_.size()) {
        const std::vector<uint8_t>& address = addresses_[nextAddress_++];
        const auto* socketAddress = reinterpret_cast<const sockaddr*>(address.data());
        if (fd_ >= 0) ::close(fd_);
        fd_ = socket(socketAddress->sa_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd_ < 0) {
            reason_ = std::string("cannot make a socket: ") + std::strerror(errno);
            continue;
        }
        connected_ = false;
        greetingSent_ = 0;
        greetingRead_.clear();
        if (connect(fd_, socketAddress, socklen_t(address.size())) == 0 || errno == EINPROGRESS) return true;
        reason_ = std::strerror(errno);
    }
    fail(reason_.empty() ? "no address" : reason_);
    return false;
}

Transport::State TcpTransport::progress() {
    if (state_ != State::Opening) return state_;
    if (!connected_) {
        pollfd ready{fd_, POLLOUT, 0};
        if (poll(&ready, 1, 0) <= 0) return state_;
        int error = 0;
        socklen_t length = sizeof error;
        if (getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
        if (error != 0) {
            reason_ = std::strerror(error);
            return connectNext() ? progress() : state_;
        }
        connected_ = true;
    }
    const size_t greetingSize = sizeof CLIENT_GREETING - 1;
    while (greetingSent_ < greetingSize) {
        const long n = send(reinterpret_cast<const uint8_t*>(CLIENT_GREETING) + greetingSent_,
                            greetingSize - greetingSent_);
        if (n < 0) return fail(reason_);
        if (n == 0) return state_;
        greetingSent_ += size_t(n);
    }
    // Only the greeting's bytes are read here: what follows it is the editor's first commands.
    const std::string expected = EDITOR_GREETING;
    while (greetingRead_.size() < expected.size()) {
        uint8_t bytes[sizeof EDITOR_GREETING];
        const long n = receive(bytes, expected.size() - greetingRead_.size());
        if (n < 0) return fail(reason_ + " before greeting");
        if (n == 0) return state_;
        greetingRead_.append(reinterpret_cast<const char*>(bytes), size_t(n));
        if (expected.compare(0, greetingRead_.size(), greetingRead_) != 0)
            return fail("the editor did not greet as a sync editor does");
    }
    state_ = State::Open;
    return state_;
}

long TcpTransport::send(const uint8_t* data, size_t size) {
    if (fd_ < 0) return -1;
    for (;;) {
        const ssize_t n = ::send(fd_, data, size, MSG_NOSIGNAL);
        if (n >= 0) return long(n);
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) return 0;
        reason_ = std::strerror(errno);
        return -1;
    }
}

long TcpTransport::receive(uint8_t* data, size_t size) {
    if (fd_ < 0) return -1;
    for (;;) {
        const ssize_t n = recv(fd_, data, size, 0);
        if (n > 0) return long(n);
        if (n == 0) {
            reason_ = "the editor closed the connection";
            return -1;
        }
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) return 0;
        reason_ = std::strerror(errno);
        return -1;
    }
}

std::unique_ptr<Transport> defaultTransport() {
    return std::make_unique<TcpTransport>();
}

}  // namespace tracks
