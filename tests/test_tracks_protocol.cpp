// The editor protocol: commands parsed the same however the bytes are cut, bad commands refused with a
// reason, the client's messages byte for byte, and the editor's address as typed.
#include "tracks/Client.h"
#include "tracks/Protocol.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

using tracks::CommandParser;
using tracks::CommandType;
using tracks::EditorCommand;

namespace {

// Editor commands by hand, big-endian.
struct Stream {
    std::vector<uint8_t> bytes;
    Stream& byte(uint8_t b) {
        bytes.push_back(b);
        return *this;
    }
    Stream& word(uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(uint8_t(v >> shift));
        return *this;
    }
    Stream& setKey(uint32_t track, uint32_t row, float value, uint8_t type) {
        uint32_t bits;
        std::memcpy(&bits, &value, 4);
        return byte(0).word(track).word(row).word(bits).byte(type);
    }
};

Stream everyCommand() {
    Stream s;
    s.setKey(1, 16, 0.25f, 2).byte(1).word(0).word(7).byte(3).word(0x01020304).byte(4).byte(1).byte(5);
    s.byte(4).byte(0).setKey(0, 0x7FFFFFFF, -3.0f, 3);
    return s;
}

std::string describe(const EditorCommand& c) {
    return std::to_string(int(c.type)) + " t" + std::to_string(c.track) + " r" + std::to_string(c.row) + " k" +
           std::to_string(c.key.row) + "/" + std::to_string(c.key.value) + "/" +
           std::to_string(int(c.key.interpolation)) + (c.paused ? " paused" : "");
}

std::vector<std::string> describeAll(const std::vector<EditorCommand>& commands) {
    std::vector<std::string> out;
    for (const auto& c : commands) out.push_back(describe(c));
    return out;
}

}  // namespace

TEST(CommandParser, ReadsEveryEditorCommand) {
    const Stream s = everyCommand();
    CommandParser parser;
    std::vector<EditorCommand> out;
    ASSERT_TRUE(parser.feed(s.bytes.data(), s.bytes.size(), 2, out)) << parser.error();
    ASSERT_EQ(out.size(), 7u);
    EXPECT_EQ(out[0].type, CommandType::SetKey);
    EXPECT_EQ(out[0].track, 1u);
    EXPECT_EQ(out[0].key, (tracks::Key{16, 0.25f, tracks::Interpolation::Smooth}));
    EXPECT_EQ(out[1].type, CommandType::DeleteKey);
    EXPECT_EQ(out[1].track, 0u);
    EXPECT_EQ(out[1].row, 7u);
    EXPECT_EQ(out[2].type, CommandType::SetRow);
    EXPECT_EQ(out[2].row, 0x01020304u);
    EXPECT_EQ(out[3].type, CommandType::Pause);
    EXPECT_TRUE(out[3].paused);
    EXPECT_EQ(out[4].type, CommandType::SaveTracks);
    EXPECT_FALSE(out[5].paused);
    EXPECT_EQ(out[6].key, (tracks::Key{0x7FFFFFFF, -3.0f, tracks::Interpolation::Ramp}));
}

TEST(CommandParser, SameCommandsHoweverTheBytesAreSplit) {
    const Stream s = everyCommand();
    std::vector<EditorCommand> whole;
    CommandParser().feed(s.bytes.data(), s.bytes.size(), 2, whole);
    const auto expected = describeAll(whole);
    for (size_t cut1 = 0; cut1 <= s.bytes.size(); ++cut1) {
        for (size_t cut2 = cut1; cut2 <= s.bytes.size(); ++cut2) {
            CommandParser parser;
            std::vector<EditorCommand> out;
            ASSERT_TRUE(parser.feed(s.bytes.data(), cut1, 2, out));
            ASSERT_TRUE(parser.feed(s.bytes.data() + cut1, cut2 - cut1, 2, out));
            ASSERT_TRUE(parser.feed(s.bytes.data() + cut2, s.bytes.size() - cut2, 2, out));
            ASSERT_EQ(describeAll(out), expected) << "cut at " << cut1 << " and " << cut2;
        }
    }
    CommandParser parser;  // and byte by byte
    std::vector<EditorCommand> out;
    for (const uint8_t b : s.bytes) ASSERT_TRUE(parser.feed(&b, 1, 2, out));
    EXPECT_EQ(describeAll(out), expected);
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
        Stream s;
        s.byte(3).word(11);
        s.bytes.insert(s.bytes.end(), bad.bytes.begin(), bad.bytes.end());
        s.byte(5);
        CommandParser parser;
        std::vector<EditorCommand> out;
        EXPECT_FALSE(parser.feed(s.bytes.data(), s.bytes.size(), 2, out)) << reason;
        EXPECT_EQ(parser.error().rfind(reason, 0), 0u) << parser.error();
        ASSERT_EQ(out.size(), 1u) << reason;  // the SET_ROW before, not the SAVE after
        EXPECT_EQ(out[0].row, 11u);
        // Failed stays failed until reset: a new connection starts clean.
        const uint8_t save = 5;
        EXPECT_FALSE(parser.feed(&save, 1, 2, out));
        parser.reset();
        EXPECT_TRUE(parser.feed(&save, 1, 2, out));
        EXPECT_EQ(out.size(), 2u);
    }
}

TEST(CommandParser, ResetDropsAHalfReadCommand) {
    CommandParser parser;
    std::vector<EditorCommand> out;
    const std::vector<uint8_t> half = {0, 0, 0};
    ASSERT_TRUE(parser.feed(half.data(), half.size(), 1, out));
    parser.reset();
    const std::vector<uint8_t> row = {3, 0, 0, 1, 0};
    ASSERT_TRUE(parser.feed(row.data(), row.size(), 1, out));
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].row, 256u);
}

TEST(ClientMessages, AreRocketsBytes) {
    EXPECT_EQ(tracks::encodeGetTrack("a:b"), (std::vector<uint8_t>{2, 0, 0, 0, 3, 'a', ':', 'b'}));
    EXPECT_EQ(tracks::encodeGetTrack(std::string(300, 'x')).size(), 305u);
    EXPECT_EQ(tracks::encodeGetTrack(std::string(300, 'x'))[3], 1);
    EXPECT_EQ(tracks::encodeSetRow(0x0A0B0C0D), (std::vector<uint8_t>{3, 0x0A, 0x0B, 0x0C, 0x0D}));
    EXPECT_STREQ(tracks::CLIENT_GREETING, "hello, synctracker!");
    EXPECT_STREQ(tracks::EDITOR_GREETING, "hello, demo!");
}

TEST(EditorAddress, ParsesHostAndPort) {
    const std::vector<std::tuple<std::string, std::string, uint16_t>> good = {
        {"1338", "127.0.0.1", 1338}, {"localhost:9000", "localhost", 9000}, {"[::1]:65535", "::1", 65535},
        {"10.0.0.2:1", "10.0.0.2", 1}};
    for (const auto& [text, host, port] : good) {
        tracks::Endpoint endpoint;
        std::string error;
        ASSERT_TRUE(tracks::parseEndpoint(text, endpoint, error)) << text << ": " << error;
        EXPECT_EQ(endpoint.host, host);
        EXPECT_EQ(endpoint.port, port);
    }
    EXPECT_EQ((tracks::Endpoint{"::1", 80}).text(), "[::1]:80");
    EXPECT_EQ(tracks::Endpoint().text(), "127.0.0.1:1338");

    const std::vector<std::pair<std::string, std::string>> bad = {
        {"", "the port '' is not"},      {"0", "from 1 to 65535"},        {"65536", "from 1 to 65535"},
        {"host:", "the port ''"},        {":1338", "the host is empty"},  {"12a", "the port '12a'"},
        {"::1:1338", "in brackets"},     {"[::1]1338", "[HOST]:PORT"},    {"-5", "the port '-5'"},
        {"host:000001338", "the port"},
    };
    for (const auto& [text, reason] : bad) {
        tracks::Endpoint endpoint{"kept", 1};
        std::string error;
        EXPECT_FALSE(tracks::parseEndpoint(text, endpoint, error)) << text;
        EXPECT_NE(error.find(reason), std::string::npos) << text << ": " << error;
        EXPECT_NE(error.find("'" + text + "'"), std::string::npos) << error;
        EXPECT_EQ(endpoint.host, "kept");
    }
}
