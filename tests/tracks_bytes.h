// For the sync-tracks tests: editor protocol bytes written by hand, big-endian as on the wire, and a
// temporary folder.
#pragma once

#include <stdlib.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
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

// A new empty folder, removed with what it holds at the end; entries() lists it, sorted.
struct Folder {
    Folder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tracks-test-XXXXXX").string();
        path = mkdtemp(pattern.data());
    }
    ~Folder() { std::filesystem::remove_all(path); }
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(path))
            names.push_back(std::filesystem::relative(entry.path(), path).string());
        std::sort(names.begin(), names.end());
        return names;
    }
    std::string path;
};
