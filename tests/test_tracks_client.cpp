// The editor client: against a fake editor played by the test on a loopback socket (handshake, track
// requests, keys, events, rows, the editor leaving and coming back, a bad command, a wrong greeting), and
// over a scripted transport for what depends on time (retries, a silent editor, a full queue, a flood).
#include "tracks/Client.h"
#include "tracks/TcpTransport.h"
#include "tracks_bytes.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using tracks::Client;
using tracks::Event;
using tracks::Interpolation;
using tracks::Key;
using tracks::Transport;
using Bytes = EditorBytes;

namespace {

// The demo's side: tracks, the client over TCP, the clock the test moves, what the client logged.
struct Demo {
    explicit Demo(uint16_t port) {
        auto transport = std::make_unique<tracks::TcpTransport>();
        tcp = transport.get();
        client = std::make_unique<Client>(set, tracks::Endpoint{"127.0.0.1", port}, std::move(transport),
                                          [this](const std::string& line) { log.push_back(line); });
    }
    void poll() {
        const std::vector<Event> got = client->poll(now);
        events.insert(events.end(), got.begin(), got.end());
    }
    tracks::TrackSet set;
    tracks::TcpTransport* tcp = nullptr;
    std::unique_ptr<Client> client;
    double now = 0.0;
    std::vector<std::string> log;
    std::vector<Event> events;
};

// Polls the demo until `done`, waiting between polls for `fd` to be readable. The waits only bound a
// broken client; a working one is done as soon as the bytes are there.
bool pollUntil(Demo& demo, const std::function<bool()>& done, int fd) {
    for (int round = 0; round < 100; ++round) {
        demo.poll();
        if (done()) return true;
        pollfd ready{fd, POLLIN, 0};
        ::poll(&ready, 1, 100);
    }
    return false;
}

// The editor, on a loopback port of the system's choice. A second socket holds the port (bound, never
// listening) all along, so the editor can stop listening and listen again with no other program taking it.
class FakeEditor {
public:
    FakeEditor() : holder_(bound(0)) {
        sockaddr_in address{};
        socklen_t length = sizeof address;
        getsockname(holder_, reinterpret_cast<sockaddr*>(&address), &length);
        port = ntohs(address.sin_port);
        listen();
    }
    ~FakeEditor() { hangUp(), stopListening(), close(holder_); }
    void listen() { EXPECT_EQ(::listen(listener_ = bound(port), 4), 0); }
    void stopListening() { close(listener_); }
    void hangUp() { close(connection_); }
    // Takes the demo's connection, polling the demo meanwhile.
    bool accept(Demo& demo) {
        pollUntil(demo, [&] { return (connection_ = accept4(listener_, nullptr, nullptr, SOCK_NONBLOCK)) >= 0; },
                  listener_);
        return connection_ >= 0;
    }
    // Exactly `size` bytes from the demo, polling it meanwhile; fewer if it never sends them.
    std::vector<uint8_t> read(Demo& demo, size_t size) {
        std::vector<uint8_t> got(size);
        size_t have = 0;
        pollUntil(demo, [&] {
            const ssize_t n = recv(connection_, got.data() + have, size - have, 0);
            have += n > 0 ? size_t(n) : 0;
            return have == size;
        }, connection_);
        got.resize(have);
        return got;
    }
    // What the demo sends is on the loopback socket when its call returns.
    bool quiet() {
        uint8_t byte;
        return recv(connection_, &byte, 1, 0) < 0 && errno == EAGAIN;
    }
    void send(const Bytes& bytes) {
        ASSERT_EQ(::send(connection_, bytes.data.data(), bytes.data.size(), MSG_NOSIGNAL), ssize_t(bytes.data.size()));
    }

    uint16_t port = 0;

private:
    static int bound(uint16_t port) {
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        const int on = 1;
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in address{AF_INET, htons(port), {htonl(INADDR_LOOPBACK)}, {}};
        EXPECT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0) << std::strerror(errno);
        return fd;
    }
    int holder_;
    int listener_ = -1;
    int connection_ = -1;
};

}  // namespace

TEST(ClientWithEditor, LiveSessionThroughLossAndReconnection) {
    FakeEditor editor;
    Demo demo(editor.port);
    const std::string where = "sync: editor at 127.0.0.1:" + std::to_string(editor.port);
    demo.set.assign(demo.set.index("fade"), {{0, 5.0f, Interpolation::Step}});
    demo.set.assign(demo.set.index("cam:x"), {{0, 6.0f, Interpolation::Step}});
    const tracks::Track& fade = demo.set[0];

    // The demo's keys stay until the editor has greeted; the first command comes in the greeting's packet.
    ASSERT_TRUE(editor.accept(demo));
    EXPECT_EQ(editor.read(demo, 19), Bytes().text("hello, synctracker!").data);
    demo.poll();
    EXPECT_FALSE(demo.client->connected());
    EXPECT_EQ(fade.keys().size(), 1u);
    editor.send(Bytes().text("hello, demo!").byte(3).word(99));
    const std::vector<uint8_t> asked = Bytes().getTrack("fade").getTrack("cam:x").data;
    EXPECT_EQ(editor.read(demo, asked.size()), asked);
    EXPECT_TRUE(fade.keys().empty() && demo.set[1].keys().empty());
    EXPECT_EQ(demo.log, std::vector<std::string>{where + " connected"});

    // Keys are applied; row, pause and save come out as events, in order.
    editor.send(Bytes().setKey(0, 0, 1.0f, 1).setKey(0, 10, 3.0f, 0).setKey(1, 5, 2.0f, 0)
                    .byte(1).word(1).word(5).byte(4).byte(1).byte(5));
    ASSERT_TRUE(pollUntil(demo, [&] { return demo.events.size() == 3; }, demo.tcp->descriptor()));
    EXPECT_FLOAT_EQ(fade.value(5.0, 0.0f), 2.0f);
    EXPECT_TRUE(demo.set[1].keys().empty());
    EXPECT_TRUE(demo.events[0].type == Event::Type::SetRow && demo.events[0].row == 99 &&
                demo.events[1].type == Event::Type::Pause && demo.events[1].paused &&
                demo.events[2].type == Event::Type::SaveTracks);

    // A negative row goes as 0, a repeated one is not sent again; a track made now is asked for at once.
    demo.client->sendRow(-3);
    demo.client->sendRow(7);
    demo.client->sendRow(7);
    EXPECT_EQ(editor.read(demo, 10), Bytes().byte(3).word(0).byte(3).word(7).data);
    demo.set.index("late");
    EXPECT_EQ(editor.read(demo, 9), Bytes().getTrack("late").data);
    EXPECT_TRUE(editor.quiet());

    // The editor goes away: keys stay, one line says so, the refused retries say nothing more.
    editor.stopListening();
    editor.hangUp();
    ASSERT_TRUE(pollUntil(demo, [&] { return !demo.client->connected(); }, demo.tcp->descriptor()));
    EXPECT_EQ(demo.log.back(), where + " went away (the editor closed the connection); playing on, reconnecting");
    for (int i = 0; i < 20; ++i, demo.now += 0.5) demo.poll();
    EXPECT_EQ(demo.log.size(), 2u);
    EXPECT_FLOAT_EQ(fade.value(5.0, 0.0f), 2.0f);

    // Back on the same port: keys cleared, every track asked for again, the row sent anew.
    editor.listen();
    demo.now += 2.0;
    ASSERT_TRUE(editor.accept(demo));
    EXPECT_EQ(editor.read(demo, 19).size(), 19u);
    editor.send(Bytes().text("hello, demo!"));
    const std::vector<uint8_t> all = Bytes().getTrack("fade").getTrack("cam:x").getTrack("late").data;
    EXPECT_EQ(editor.read(demo, all.size()), all);
    EXPECT_TRUE(fade.keys().empty());
    EXPECT_EQ(demo.log[2], where + " connected");
    demo.client->sendRow(7);
    EXPECT_EQ(editor.read(demo, 5), Bytes().byte(3).word(7).data);

    // A bad command: what came before it stands, the connection goes, with one line.
    editor.send(Bytes().setKey(0, 2, 9.0f, 0).byte(9).setKey(0, 3, 1.0f, 0));
    ASSERT_TRUE(pollUntil(demo, [&] { return !demo.client->connected(); }, demo.tcp->descriptor()));
    EXPECT_EQ(fade.keys(), (std::vector<Key>{{2, 9.0f, Interpolation::Step}}));
    EXPECT_EQ(demo.log.back(), where + " sent a bad command (unknown command 9); playing on, reconnecting");
    EXPECT_EQ(demo.log.size(), 4u);
}

TEST(ClientWithEditor, SomethingElseThanAnEditorIsLeftAlone) {
    FakeEditor editor;
    Demo demo(editor.port);
    demo.set.assign(demo.set.index("fade"), {{0, 5.0f, Interpolation::Step}});
    ASSERT_TRUE(editor.accept(demo));
    EXPECT_EQ(editor.read(demo, 19).size(), 19u);
    editor.send(Bytes().text("hello, demon"));
    ASSERT_TRUE(pollUntil(demo, [&] { return !demo.log.empty(); }, demo.tcp->descriptor()));
    EXPECT_NE(demo.log[0].find("(the editor did not greet as a sync editor does); playing on"), std::string::npos);
    EXPECT_TRUE(!demo.client->connected() && demo.set[0].keys().size() == 1u);
}

namespace {

// A transport whose behaviour the test sets: how opening ends, whether sends are taken, what arrives.
struct ScriptedTransport : Transport {
    void open(const std::string&, uint16_t) override { ++opens, isOpen = true; }
    State progress() override { return opening; }
    long send(const uint8_t* data, size_t size) override {
        if (gone || !takesBytes) return gone ? -1 : 0;
        sent.insert(sent.end(), data, data + size);
        return long(size);
    }
    // A flood is an endless stream of SET_ROWs, cut wherever the buffer ends.
    long receive(uint8_t* data, size_t size) override {
        for (size_t i = 0; flood && i < size; ++i) data[i] = (floodAt++ % 5 == 0) ? 3 : 0;
        return gone ? -1 : flood ? long(size) : 0;
    }
    void close() override { isOpen = false; }
    std::string reason() const override { return gone ? "connection reset" : "connection refused"; }

    State opening = State::Failed;
    bool takesBytes = true, gone = false, flood = false, isOpen = false;
    size_t floodAt = 0;
    int opens = 0;
    std::vector<uint8_t> sent;
};

struct Scripted {
    Scripted() {
        auto owned = std::make_unique<ScriptedTransport>();
        transport = owned.get();
        client = std::make_unique<Client>(set, tracks::Endpoint{}, std::move(owned),
                                          [this](const std::string& line) { log.push_back(line); });
    }
    tracks::TrackSet set;
    ScriptedTransport* transport;
    std::vector<std::string> log;
    std::unique_ptr<Client> client;
};

}  // namespace

TEST(ClientTiming, RetriesEveryTwoSecondsAndSaysSoOnce) {
    Scripted s;
    s.client->poll(10.0);
    EXPECT_TRUE(s.transport->opens == 1 && !s.transport->isOpen);
    EXPECT_EQ(s.log, std::vector<std::string>{
                         "sync: no editor at 127.0.0.1:1338 (connection refused); playing on, trying every 2 s"});
    s.client->poll(11.99);
    EXPECT_EQ(s.transport->opens, 1);
    for (double t : {12.0, 13.0, 14.5}) s.client->poll(t);
    EXPECT_EQ(s.transport->opens, 3);

    // A silent editor (connected, never greeting) is given up after 2 s, and tried again.
    s.transport->opening = Transport::State::Opening;
    for (double t : {17.0, 18.9}) s.client->poll(t);
    EXPECT_TRUE(s.transport->isOpen);
    s.client->poll(19.0);
    EXPECT_FALSE(s.transport->isOpen);
    s.client->poll(19.1);
    EXPECT_TRUE(s.transport->opens == 5 && s.log.size() == 1u);
}

TEST(ClientTiming, DropsAnEditorThatStopsReadingAndStartsAfresh) {
    Scripted s;
    s.set.index("fade");
    s.transport->opening = Transport::State::Open;
    s.client->poll(0.0);
    EXPECT_EQ(s.transport->sent, Bytes().getTrack("fade").data);
    s.transport->takesBytes = false;
    int row = 0;
    while (s.client->connected() && row < 1000000) s.client->sendRow(row++);
    EXPECT_EQ(size_t(row), Client::MAX_QUEUED_BYTES / 5 + 1);  // just past the limit, in 5-byte SET_ROWs
    EXPECT_NE(s.log.back().find("stopped reading"), std::string::npos) << s.log.back();

    // Two seconds later, a new connection; the old queue is not sent to it.
    s.transport->takesBytes = true;
    s.transport->sent.clear();
    s.client->poll(1.9);
    EXPECT_FALSE(s.client->connected());
    s.client->poll(2.0);
    EXPECT_EQ(s.transport->sent, Bytes().getTrack("fade").data);
}

TEST(ClientTiming, AFloodOfCommandsIsReadAcrossFrames) {
    Scripted s;
    s.transport->opening = Transport::State::Open;
    s.transport->flood = true;
    const size_t first = s.client->poll(0.0).size();
    EXPECT_GT(first, 1000u);
    EXPECT_LE(first, Client::MAX_READ_PER_POLL / 5 + 1);
    EXPECT_FALSE(s.client->poll(0.02).empty());
    s.transport->flood = !(s.transport->gone = true);
    s.client->poll(0.04);
    EXPECT_FALSE(s.client->connected());
    EXPECT_NE(s.log.back().find("went away (connection reset)"), std::string::npos) << s.log.back();
}
