// The editor protocol: commands parsed the same however the bytes are cut, bad commands refused with a
// reason, the client's messages byte for byte, and the editor's address as typed.
#include "tracks/Client.h"
#include "tracks/Protocol.h"
#include "tracks_bytes.h"

#include <gtest/gtest.h>

#include <limits>

using tracks::CommandParser;
using tracks::EditorCommand;

namespace {
using Stream = EditorBytes;

const Stream everyCommand = Stream()
                                .setKey(1, 16, 0.25f, 2)
                                .byte(1).word(0).word(7)
                                .byte(3).word(0x01020304)
                                .byte(4).byte(1)
                                .byte(5)
                                .byte(4).byte(0)
                                .setKey(0, 0x7FFFFFFF, -3.0f, 3);

// type track row key.row/key.value/key.interpolation [paused]
std::vector<std::string> describe(const std::vector<EditorCommand>& commands) {
    std::vector<std::string> out;
    for (const auto& c : commands)
        out.push_back(std::to_string(int(c.type)) + " t" + std::to_string(c.track) + " r" + std::to_string(c.row) +
                      " k" + std::to_string(c.key.row) + "/" + std::to_string(c.key.value) + "/" +
                      std::to_string(int(c.key.interpolation)) + (c.paused ? " paused" : ""));
    return out;
}

}  // namespace

TEST(CommandParser, SameCommandsHoweverTheBytesAreCut) {
    const std::vector<std::string> expected = {
        "0 t1 r0 k16/0.250000/2",        "1 t0 r7 k0/0.000000/0", "3 t0 r16909060 k0/0.000000/0",
        "4 t0 r0 k0/0.000000/0 paused",  "5 t0 r0 k0/0.000000/0", "4 t0 r0 k0/0.000000/0",
        "0 t0 r0 k2147483647/-3.000000/3"};
    const std::vector<uint8_t>& bytes = everyCommand.data;
    for (size_t cut = 0; cut <= bytes.size(); ++cut) {
        CommandParser parser;
        std::vector<EditorCommand> out;
        ASSERT_TRUE(parser.feed(bytes.data(), cut, 2, out));
        ASSERT_TRUE(parser.feed(bytes.data() + cut, bytes.size() - cut, 2, out)) << parser.error();
        ASSERT_EQ(describe(out), expected) << "cut at " << cut;
    }
}

TEST(CommandParser, RefusesBadCommandsKeepingTheGoodOnesBefore) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const std::vector<std::pair<Stream, std::string>> cases = {
        {Stream().byte(9), "unknown command 9"},
        {Stream().byte(2).word(1).byte('a'), "unknown command 2"},  // GET_TRACK is the client's
        {Stream().setKey(2, 0, 1.0f, 0), "SET_KEY: track 2 out of range (the demo has 2)"},
        {Stream().byte(1).word(5).word(0), "DELETE_KEY: track 5 out of range"},
        {Stream().setKey(0, 0, 1.0f, 4), "SET_KEY: unknown interpolation 4"},
        {Stream().setKey(0, 0, nan, 0), "SET_KEY: value nan is not finite"},
        {Stream().setKey(0, 0, -inf, 0), "SET_KEY: value -inf is not finite"},
        {Stream().setKey(0, 0x80000000u, 1.0f, 0), "SET_KEY: row 2147483648 out of range"},
        {Stream().byte(1).word(0).word(0xFFFFFFFFu), "DELETE_KEY: row 4294967295 out of range"},
    };
    for (const auto& [bad, reason] : cases) {
        Stream s = Stream().byte(3).word(11);
        s.data.insert(s.data.end(), bad.data.begin(), bad.data.end());
        s.byte(5);
        CommandParser parser;
        std::vector<EditorCommand> out;
        EXPECT_FALSE(parser.feed(s.data.data(), s.data.size(), 2, out)) << reason;
        EXPECT_EQ(parser.error().rfind(reason, 0), 0u) << parser.error();
        EXPECT_EQ(describe(out), std::vector<std::string>{"3 t0 r11 k0/0.000000/0"}) << reason;
        // Failed stays failed until reset, which also drops a half-read command.
        const uint8_t more[] = {5, 0, 0, 0};
        EXPECT_FALSE(parser.feed(more, 1, 2, out));
        parser.reset();
        EXPECT_TRUE(parser.feed(more, 4, 2, out) && (parser.reset(), parser.feed(more, 1, 2, out)));
        EXPECT_EQ(out.size(), 3u);
    }
}

TEST(ClientMessages, AreRocketsBytes) {
    EXPECT_EQ(tracks::encodeGetTrack("a:b"), (std::vector<uint8_t>{2, 0, 0, 0, 3, 'a', ':', 'b'}));
    const std::vector<uint8_t> longName = tracks::encodeGetTrack(std::string(300, 'x'));
    EXPECT_TRUE(longName.size() == 305u && longName[3] == 1 && longName[4] == 44);
    EXPECT_EQ(tracks::encodeSetRow(0x0A0B0C0D), (std::vector<uint8_t>{3, 0x0A, 0x0B, 0x0C, 0x0D}));

    // A stream of them is cut where each ends, and only once all of it is there.
    std::vector<uint8_t> stream = longName;
    const std::vector<uint8_t> row = tracks::encodeSetRow(7);
    stream.insert(stream.end(), row.begin(), row.end());
    EXPECT_EQ(tracks::clientMessageLength(stream.data(), stream.size()), 305u);
    EXPECT_EQ(tracks::clientMessageLength(stream.data(), 304), 0u);
    EXPECT_EQ(tracks::clientMessageLength(stream.data(), 4), 0u);
    EXPECT_EQ(tracks::clientMessageLength(stream.data() + 305, 5), 5u);
    EXPECT_EQ(tracks::clientMessageLength(stream.data() + 305, 4), 0u);
}

TEST(EditorAddress, ParsesHostAndPortOrSaysWhy) {
    const std::vector<std::tuple<std::string, std::string, uint16_t>> good = {
        {"1338", "127.0.0.1", 1338}, {"localhost:9000", "localhost", 9000}, {"[::1]:65535", "::1", 65535},
        {"10.0.0.2:1", "10.0.0.2", 1}};
    for (const auto& [text, host, port] : good) {
        tracks::Endpoint endpoint;
        std::string error;
        ASSERT_TRUE(tracks::parseEndpoint(text, endpoint, error)) << text << ": " << error;
        EXPECT_EQ(endpoint.text(), (host == "::1" ? "[::1]" : host) + ":" + std::to_string(port));
    }
    const std::vector<std::pair<std::string, std::string>> bad = {
        {"", "the port '' is not"}, {"0", "from 1 to 65535"},    {"65536", "from 1 to 65535"},
        {"host:", "the port ''"},   {":1338", "host is empty"},  {"12a", "the port '12a'"},
        {"::1:1338", "brackets"},   {"[::1]1338", "[HOST]:PORT"}, {"host:000001338", "the port"}};
    for (const auto& [text, reason] : bad) {
        tracks::Endpoint endpoint{"kept", 1};
        std::string error;
        EXPECT_FALSE(tracks::parseEndpoint(text, endpoint, error)) << text;
        EXPECT_NE(error.find(reason), std::string::npos) << text << ": " << error;
        EXPECT_NE(error.find("'" + text + "'"), std::string::npos) << error;
        EXPECT_EQ(endpoint.host, "kept");
    }
}
