// The editor protocol's byte forms.
#include "tracks/Protocol.h"

#include <cmath>
#include <cstring>

namespace tracks {

namespace {

uint32_t getBig(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

void putBig(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(v >> shift));
}

}  // namespace

int commandPayload(uint8_t type) {
    switch (static_cast<CommandType>(type)) {
    case CommandType::SetKey: return 13;
    case CommandType::DeleteKey: return 8;
    case CommandType::SetRow: return 4;
    case CommandType::Pause: return 1;
    case CommandType::SaveTracks: return 0;
    case CommandType::GetTrack: break;  // the client's message; the editor never sends it
    }
    return -1;
}

void CommandParser::reset() {
    have_ = 0;
    error_.clear();
}

bool CommandParser::feed(const uint8_t* data, size_t size, size_t trackCount, std::vector<EditorCommand>& out) {
    if (!error_.empty()) return false;
    for (size_t i = 0; i < size; ++i) {
        if (have_ == 0 && commandPayload(data[i]) < 0) {
            error_ = "unknown command " + std::to_string(data[i]);
            return false;
        }
        command_[have_++] = data[i];
        if (have_ == 1 + size_t(commandPayload(command_[0]))) {
            have_ = 0;
            if (!complete(trackCount, out)) return false;
        }
    }
    return true;
}

bool CommandParser::complete(size_t trackCount, std::vector<EditorCommand>& out) {
    EditorCommand command;
    command.type = static_cast<CommandType>(command_[0]);
    const uint8_t* payload = command_ + 1;
    const char* name = "";
    switch (command.type) {
    case CommandType::SetKey: {
        name = "SET_KEY";
        command.track = getBig(payload);
        const uint32_t row = getBig(payload + 4);
        const uint32_t bits = getBig(payload + 8);
        const uint8_t type = payload[12];
        std::memcpy(&command.key.value, &bits, sizeof bits);
        command.key.row = int32_t(row);
        command.key.interpolation = static_cast<Interpolation>(type);
        command.row = 0;
        if (row > uint32_t(INT32_MAX)) error_ = "row " + std::to_string(row) + " out of range";
        else if (type >= INTERPOLATION_COUNT) error_ = "unknown interpolation " + std::to_string(type);
        else if (!std::isfinite(command.key.value)) error_ = "value " + std::to_string(command.key.value) + " is not finite";
        break;
    }
    case CommandType::DeleteKey:
        name = "DELETE_KEY";
        command.track = getBig(payload);
        command.row = getBig(payload + 4);
        if (command.row > uint32_t(INT32_MAX)) error_ = "row " + std::to_string(command.row) + " out of range";
        break;
    case CommandType::SetRow: command.row = getBig(payload); break;
    case CommandType::Pause: command.paused = payload[0] != 0; break;
    case CommandType::SaveTracks:
    case CommandType::GetTrack: break;
    }
    if (error_.empty() && (command.type == CommandType::SetKey || command.type == CommandType::DeleteKey) &&
        command.track >= trackCount)
        error_ = "track " + std::to_string(command.track) + " out of range (the demo has " +
                 std::to_string(trackCount) + ")";
    if (!error_.empty()) {
        error_ = std::string(name) + ": " + error_;
        return false;
    }
    out.push_back(command);
    return true;
}

std::vector<uint8_t> encodeGetTrack(const std::string& name) {
    std::vector<uint8_t> out;
    out.reserve(5 + name.size());
    out.push_back(uint8_t(CommandType::GetTrack));
    putBig(out, uint32_t(name.size()));
    out.insert(out.end(), name.begin(), name.end());
    return out;
}

std::vector<uint8_t> encodeSetRow(uint32_t row) {
    std::vector<uint8_t> out;
    out.push_back(uint8_t(CommandType::SetRow));
    putBig(out, row);
    return out;
}

size_t clientMessageLength(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    size_t length = size;
    if (data[0] == uint8_t(CommandType::GetTrack)) {
        if (size < 5) return 0;
        length = 5 + size_t(getBig(data + 1));
    } else if (data[0] == uint8_t(CommandType::SetRow)) {
        length = 5;
    }
    return size >= length ? length : 0;
}

}  // namespace tracks
