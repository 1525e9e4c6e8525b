// Editor protocol bytes written by hand for the sync-tracks tests, big-endian as on the wire.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

struct EditorBytes {
    std::vector<uint8_t> data;
    EditorBytes& text(const std::string& s) { return data.insert(data.end(), s.begin(), s.end()), *this; }
    EditorBytes& byte(uint8_t b) { return data.push_back(b), *this; }
    EditorBytes& word(uint32_t v) { return byte(v >> 24).byte(v >> 16).byte(v >> 8).byte(v); }
    EditorBytes& setKey(uint32_t track, uint32_t row, float value, uint8_t type) {
        uint32_t bits;
        std::memcpy(&bits, &value, 4);
        return byte(0).word(track).word(row).word(bits).byte(type);
    }
    EditorBytes& getTrack(const std::string& name) { return byte(2).word(uint32_t(name.size())).text(name); }
};
