// The editor client over a scripted transport (the session: keys, events, rows, the editor leaving and
// coming back, a bad command, retries, a silent editor, a full queue, a flood), and once over loopback TCP
// for the greetings and a refused connection. e2e_sync.py plays a whole session against the demo over TCP.
#include "tracks/Client.h"
#include "tracks/TcpTransport.h"
#include "tracks_bytes.h"

#include <gtest/gtest.h>

#include <algorithm>
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
        if (gone) return -1;
        for (size_t i = 0; flood && i < size; ++i) data[i] = (floodAt++ % 5 == 0) ? 3 : 0;
        if (flood) return long(size);
        const size_t n = std::min(size, inbox.size());
        std::copy_n(inbox.begin(), n, data);
        inbox.erase(inbox.begin(), inbox.begin() + long(n));
        return long(n);
    }
    void close() override { isOpen = false; }
    std::string reason() const override { return gone ? "connection reset" : "connection refused"; }

    State opening = State::Failed;
    bool takesBytes = true, gone = false, flood = false, isOpen = false;
    size_t floodAt = 0;
    int opens = 0;
    std::vector<uint8_t> sent, inbox;
};

// The demo's side: tracks, the client, what it logged and handed on.
struct Demo {
    explicit Demo(std::unique_ptr<Transport> transport = std::make_unique<ScriptedTransport>(), uint16_t port = 1338)
        : transport(dynamic_cast<ScriptedTransport*>(transport.get())),
          client(set, tracks::Endpoint{"127.0.0.1", port}, std::move(transport),
                 [this](const std::string& line) { log.push_back(line); }) {}
    void poll(double now) {
        const std::vector<Event> got = client.poll(now);
        events.insert(events.end(), got.begin(), got.end());
    }
    tracks::TrackSet set;
    std::vector<std::string> log;
    std::vector<Event> events;
    ScriptedTransport* transport;  // only when scripted
    Client client;
};

const std::string WHERE = "sync: editor at 127.0.0.1:1338";

}  // namespace

TEST(ClientSession, KeysEventsRowsThroughLossReconnectionAndABadCommand) {
    Demo s;
    s.set.assign(s.set.index("fade"), {{0, 5.0f, Interpolation::Step}});
    s.set.assign(s.set.index("cam:x"), {{0, 6.0f, Interpolation::Step}});
    const tracks::Track& fade = s.set[0];

    // The demo's keys stay until the editor has greeted; then every track is asked for.
    s.transport->opening = Transport::State::Opening;
    s.poll(0.0);
    EXPECT_TRUE(!s.client.connected() && fade.keys().size() == 1u && s.transport->sent.empty());
    s.transport->opening = Transport::State::Open;
    s.poll(0.1);
    EXPECT_EQ(s.transport->sent, Bytes().getTrack("fade").getTrack("cam:x").data);
    EXPECT_TRUE(fade.keys().empty() && s.set[1].keys().empty());
    EXPECT_EQ(s.log, std::vector<std::string>{WHERE + " connected"});

    // Keys are applied; row, pause and save come out as events, in order.
    s.transport->inbox = Bytes().setKey(0, 0, 1.0f, 1).setKey(0, 10, 3.0f, 0).setKey(1, 5, 2.0f, 0)
                             .byte(1).word(1).word(5).byte(3).word(99).byte(4).byte(1).byte(5).data;
    s.poll(0.2);
    EXPECT_FLOAT_EQ(fade.value(5.0, 0.0f), 2.0f);
    EXPECT_TRUE(s.set[1].keys().empty());
    ASSERT_EQ(s.events.size(), 3u);
    EXPECT_TRUE(s.events[0].type == Event::Type::SetRow && s.events[0].row == 99 &&
                s.events[1].type == Event::Type::Pause && s.events[1].paused &&
                s.events[2].type == Event::Type::SaveTracks);

    // A negative row goes as 0, a repeated one is not sent again; a track made now is asked for at once.
    s.transport->sent.clear();
    for (int row : {-3, 7, 7}) s.client.sendRow(row);
    s.set.index("late");
    s.poll(0.3);
    EXPECT_EQ(s.transport->sent, Bytes().byte(3).word(0).byte(3).word(7).getTrack("late").data);

    // The editor goes away: keys stay, one line says so, the refused retries say nothing more.
    s.transport->gone = true;
    s.poll(0.4);
    EXPECT_FALSE(s.client.connected());
    EXPECT_EQ(s.log.back(), WHERE + " went away (connection reset); playing on, reconnecting");
    s.transport->gone = false;
    s.transport->opening = Transport::State::Failed;
    for (double t = 0.5; t < 10; t += 0.5) s.poll(t);
    EXPECT_EQ(s.log.size(), 2u);
    EXPECT_FLOAT_EQ(fade.value(5.0, 0.0f), 2.0f);

    // Back: keys cleared, every track asked for again, the row sent anew.
    s.transport->opening = Transport::State::Open;
    s.transport->sent.clear();
    s.poll(12.0);
    EXPECT_EQ(s.transport->sent, Bytes().getTrack("fade").getTrack("cam:x").getTrack("late").data);
    EXPECT_TRUE(fade.keys().empty());
    EXPECT_EQ(s.log.back(), WHERE + " connected");
    s.transport->sent.clear();
    s.client.sendRow(7);
    EXPECT_EQ(s.transport->sent, Bytes().byte(3).word(7).data);

    // A bad command: what came before it stands, the connection goes, with one line.
    s.transport->inbox = Bytes().setKey(0, 2, 9.0f, 0).byte(9).setKey(0, 3, 1.0f, 0).data;
    s.poll(12.1);
    EXPECT_FALSE(s.client.connected());
    EXPECT_EQ(fade.keys(), (std::vector<Key>{{2, 9.0f, Interpolation::Step}}));
    EXPECT_EQ(s.log.back(), WHERE + " sent a bad command (unknown command 9); playing on, reconnecting");
    EXPECT_EQ(s.log.size(), 4u);
}

TEST(ClientSession, RetriesEveryTwoSecondsAndSaysSoOnce) {
    Demo s;
    s.poll(10.0);
    EXPECT_TRUE(s.transport->opens == 1 && !s.transport->isOpen);
    EXPECT_EQ(s.log, std::vector<std::string>{
                         "sync: no editor at 127.0.0.1:1338 (connection refused); playing on, trying every 2 s"});
    s.poll(11.99);
    EXPECT_EQ(s.transport->opens, 1);
    for (double t : {12.0, 13.0, 14.5}) s.poll(t);
    EXPECT_EQ(s.transport->opens, 3);

    // A silent editor (connected, never greeting) is given up after 2 s, and tried again.
    s.transport->opening = Transport::State::Opening;
    for (double t : {17.0, 18.9}) s.poll(t);
    EXPECT_TRUE(s.transport->isOpen);
    s.poll(19.0);
    EXPECT_FALSE(s.transport->isOpen);
    s.poll(19.1);
    EXPECT_TRUE(s.transport->opens == 5 && s.log.size() == 1u);
}

TEST(ClientSession, DropsAnEditorThatStopsReadingAndStartsAfresh) {
    Demo s;
    s.set.index("fade");
    s.transport->opening = Transport::State::Open;
    s.poll(0.0);
    EXPECT_EQ(s.transport->sent, Bytes().getTrack("fade").data);
    s.transport->takesBytes = false;
    int row = 0;
    while (s.client.connected() && row < 1000000) s.client.sendRow(row++);
    EXPECT_EQ(size_t(row), Client::MAX_QUEUED_BYTES / 5 + 1);  // just past the limit, in 5-byte SET_ROWs
    EXPECT_NE(s.log.back().find("stopped reading"), std::string::npos) << s.log.back();

    // Two seconds later, a new connection; the old queue is not sent to it.
    s.transport->takesBytes = true;
    s.transport->sent.clear();
    s.poll(1.9);
    EXPECT_FALSE(s.client.connected());
    s.poll(2.0);
    EXPECT_EQ(s.transport->sent, Bytes().getTrack("fade").data);
}

TEST(ClientSession, AFloodOfCommandsIsReadAcrossFrames) {
    Demo s;
    s.transport->opening = Transport::State::Open;
    s.transport->flood = true;
    s.poll(0.0);
    EXPECT_GT(s.events.size(), 1000u);
    EXPECT_LE(s.events.size(), Client::MAX_READ_PER_POLL / 5 + 1);
    const size_t first = s.events.size();
    s.poll(0.02);
    EXPECT_GT(s.events.size(), first);
}

// The real transport once: the greetings (the editor's first command in the greeting's packet), a wrong
// greeting, the editor hanging up, and a refused connection. The waits only bound a broken client.
TEST(ClientOverTcp, GreetingsHangUpAndRefusal) {
    int fds[2];
    uint16_t ports[2];
    for (int i = 0; i < 2; ++i) {  // both bound, only the first listening
        fds[i] = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
        socklen_t length = sizeof address;
        ASSERT_EQ(bind(fds[i], reinterpret_cast<sockaddr*>(&address), length), 0);
        getsockname(fds[i], reinterpret_cast<sockaddr*>(&address), &length);
        ports[i] = ntohs(address.sin_port);
    }
    ASSERT_EQ(listen(fds[0], 4), 0);
    Demo demo(std::make_unique<tracks::TcpTransport>(), ports[0]), refused(std::make_unique<tracks::TcpTransport>(), ports[1]);
    demo.set.assign(demo.set.index("fade"), {{0, 5.0f, Interpolation::Step}});
    int editor = -1;
    const auto until = [&](Demo& d, double now, const std::function<bool()>& done) {
        for (int round = 0; round < 100; ++round) {
            d.poll(now);
            if (done()) return true;
            pollfd ready[2] = {{fds[0], POLLIN, 0}, {editor, POLLIN, 0}};
            ::poll(ready, 2, 20);
        }
        return false;
    };
    const auto greet = [&](double now, const std::string& greeting) {
        ASSERT_TRUE(until(demo, now, [&] { return (editor = accept4(fds[0], nullptr, nullptr, SOCK_NONBLOCK)) >= 0; }));
        std::vector<uint8_t> got(19);
        size_t have = 0;
        until(demo, now, [&] { const ssize_t n = recv(editor, &got[have], 19 - have, 0); return (have += n > 0 ? size_t(n) : 0) == 19; });
        EXPECT_EQ(got, Bytes().text("hello, synctracker!").data);
        EXPECT_FALSE(demo.client.connected());
        const Bytes packet = Bytes().text(greeting).byte(3).word(99);
        ASSERT_EQ(send(editor, packet.data.data(), packet.data.size(), MSG_NOSIGNAL), ssize_t(packet.data.size()));
    };
    const std::string where = "127.0.0.1:" + std::to_string(ports[0]);
    greet(0.0, "hello, demon");
    ASSERT_TRUE(until(demo, 0.0, [&] { return !demo.log.empty(); }));
    EXPECT_EQ(demo.log[0], "sync: no editor at " + where +
                               " (the editor did not greet as a sync editor does); playing on, trying every 2 s");
    EXPECT_TRUE(!demo.client.connected() && demo.set[0].keys().size() == 1u);
    close(editor);
    editor = -1;
    greet(2.0, "hello, demo!");
    ASSERT_TRUE(until(demo, 2.0, [&] { return !demo.events.empty(); }));
    EXPECT_TRUE(demo.client.connected() && demo.events[0].row == 99 && demo.set[0].keys().empty());
    shutdown(editor, SHUT_WR);
    ASSERT_TRUE(until(demo, 2.0, [&] { return !demo.client.connected(); }));
    EXPECT_EQ(demo.log.back(), "sync: editor at " + where +
                                   " went away (the editor closed the connection); playing on, reconnecting");
    ASSERT_TRUE(until(refused, 0.0, [&] { return !refused.log.empty(); }));
    EXPECT_EQ(refused.log[0], "sync: no editor at 127.0.0.1:" + std::to_string(ports[1]) +
                                  " (Connection refused); playing on, trying every 2 s");
    close(editor), close(fds[0]), close(fds[1]);
}
