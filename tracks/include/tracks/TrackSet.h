// The demo's tracks in the order it makes them (a track's index in that order is its number in the
// editor protocol), found or made by name, with a counter of key changes so a paused demo knows to redraw.
#pragma once

#include "tracks/Track.h"

#include <cstdint>
#include <deque>
#include <string>
#include <unordered_map>
#include <vector>

namespace tracks {

class TrackSet {
public:
    // The track of that name, made (without keys) when there is none yet. The reference stays valid as
    // long as the set lives, so a scene may keep it.
    const Track& track(const std::string& name);
    // The index of the track of that name, made when there is none yet.
    size_t index(const std::string& name);
    // Null when no track has that name.
    const Track* find(const std::string& name) const;

    size_t size() const { return tracks_.size(); }
    const Track& operator[](size_t index) const { return tracks_[index]; }

    // Key changes by index; each returns whether the keys changed (the counter moves only then).
    // An index out of range or a key Track refuses changes nothing.
    bool setKey(size_t index, const Key& key);
    bool deleteKey(size_t index, int32_t row);
    bool assign(size_t index, std::vector<Key> keys);
    void clearKeys(size_t index);
    void clearAllKeys();

    // Moves on every key change, never back.
    uint64_t changes() const { return changes_; }

private:
    std::deque<Track> tracks_;  // a deque keeps references to tracks valid as tracks are added
    std::unordered_map<std::string, size_t> byName_;
    uint64_t changes_ = 0;
};

}  // namespace tracks
