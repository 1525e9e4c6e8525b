// GNU Rocket's editor protocol: the greetings, an incremental parser of the editor's commands (bytes in
// any chunks, complete commands out) and the encoders of the client's messages. Numbers are big-endian,
// floats travel as their IEEE bits.
#pragma once

#include "tracks/Track.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tracks {

constexpr char CLIENT_GREETING[] = "hello, synctracker!";
constexpr char EDITOR_GREETING[] = "hello, demo!";

enum class CommandType : uint8_t { SetKey = 0, DeleteKey = 1, GetTrack = 2, SetRow = 3, Pause = 4, SaveTracks = 5 };

// One command from the editor; the fields its type carries are set, the others are zero.
struct EditorCommand {
    CommandType type = CommandType::SetKey;
    uint32_t track = 0;  // SetKey, DeleteKey
    Key key;             // SetKey
    uint32_t row = 0;    // DeleteKey, SetRow
    bool paused = false; // Pause
};

class CommandParser {
public:
    // Parses the bytes after those fed before, appending each completed command to `out`; a command cut
    // at the chunk's end waits for the next chunk (at most 13 bytes are held). False at the first bad
    // command (reason in error()): an unknown command byte, a track index not below `trackCount`, a row
    // beyond int32, an unknown interpolation, a value that is not finite. The commands before it are in
    // `out`; after a failure the parser takes nothing more until reset().
    bool feed(const uint8_t* data, size_t size, size_t trackCount, std::vector<EditorCommand>& out);
    const std::string& error() const { return error_; }
    // Forgets any partial command and failure: for a new connection.
    void reset();

private:
    bool complete(size_t trackCount, std::vector<EditorCommand>& out);

    uint8_t command_[14] = {};  // the command being read: its type byte and payload so far
    size_t have_ = 0;
    std::string error_;
};

// The payload size of an editor command, or -1 for a byte that is no editor command.
int commandPayload(uint8_t type);

// The client's messages: asking for a track's keys by name, and telling the editor the demo's row.
std::vector<uint8_t> encodeGetTrack(const std::string& name);
std::vector<uint8_t> encodeSetRow(uint32_t row);
// The length of the client message at the start of data once it is all there, else 0: where a transport
// that sends each message on its own (a WebSocket) cuts the client's bytes. A byte that starts no client
// message takes the rest along, so nothing waits for bytes that never come.
size_t clientMessageLength(const uint8_t* data, size_t size);

}  // namespace tracks
