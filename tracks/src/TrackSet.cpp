// The demo's tracks by name and by index, and the counter of key changes.
#include "tracks/TrackSet.h"

namespace tracks {

size_t TrackSet::index(const std::string& name) {
    const auto found = byName_.find(name);
    if (found != byName_.end()) return found->second;
    tracks_.emplace_back(name);
    byName_.emplace(name, tracks_.size() - 1);
    return tracks_.size() - 1;
}

const Track& TrackSet::track(const std::string& name) {
    return tracks_[index(name)];
}

const Track* TrackSet::find(const std::string& name) const {
    const auto found = byName_.find(name);
    return found == byName_.end() ? nullptr : &tracks_[found->second];
}

bool TrackSet::setKey(size_t index, const Key& key) {
    if (index >= tracks_.size() || !tracks_[index].setKey(key)) return false;
    ++changes_;
    return true;
}

bool TrackSet::deleteKey(size_t index, int32_t row) {
    if (index >= tracks_.size() || !tracks_[index].deleteKey(row)) return false;
    ++changes_;
    return true;
}

bool TrackSet::assign(size_t index, std::vector<Key> keys) {
    if (index >= tracks_.size() || !tracks_[index].assign(std::move(keys))) return false;
    ++changes_;
    return true;
}

void TrackSet::clearKeys(size_t index) {
    if (index >= tracks_.size() || tracks_[index].keys().empty()) return;
    tracks_[index].clear();
    ++changes_;
}

void TrackSet::clearAllKeys() {
    for (size_t i = 0; i < tracks_.size(); ++i) clearKeys(i);
}

}  // namespace tracks
