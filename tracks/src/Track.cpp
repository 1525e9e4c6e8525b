// Keys of one track and GNU Rocket's interpolation between them.
#include "tracks/Track.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace tracks {

bool operator==(const Key& a, const Key& b) {
    uint32_t bitsA, bitsB;
    std::memcpy(&bitsA, &a.value, sizeof bitsA);
    std::memcpy(&bitsB, &b.value, sizeof bitsB);
    return a.row == b.row && bitsA == bitsB && a.interpolation == b.interpolation;
}

std::string keyProblem(const Key& key, size_t index) {
    const std::string at = std::to_string(index);
    if (key.row < 0) return "negative row " + std::to_string(key.row) + " at key " + at;
    if (std::isnan(key.value)) return "key " + at + " has value nan";
    if (std::isinf(key.value)) return "key " + at + " has value " + (key.value > 0 ? "inf" : "-inf");
    const unsigned type = static_cast<uint8_t>(key.interpolation);
    if (type >= INTERPOLATION_COUNT) return "unknown interpolation " + std::to_string(type) + " at key " + at;
    return "";
}

std::string keysProblem(const std::vector<Key>& keys) {
    for (size_t i = 0; i < keys.size(); ++i) {
        std::string problem = keyProblem(keys[i], i);
        if (!problem.empty()) return problem;
        if (i > 0 && keys[i].row <= keys[i - 1].row)
            return "rows not increasing at key " + std::to_string(i) + " (row " + std::to_string(keys[i].row) +
                   " after row " + std::to_string(keys[i - 1].row) + ")";
    }
    return "";
}

float Track::value(double row, float fallback) const {
    if (keys_.empty()) return fallback;
    // The first key after the row; the key before it is the one in force.
    const auto next = std::upper_bound(keys_.begin(), keys_.end(), row,
                                       [](double r, const Key& key) { return r < key.row; });
    if (next == keys_.begin()) return keys_.front().value;
    if (next == keys_.end()) return keys_.back().value;
    const Key& from = *(next - 1);
    const Key& to = *next;
    // In double, as Rocket's player computes it.
    double t = (row - from.row) / (double(to.row) - double(from.row));
    switch (from.interpolation) {
    case Interpolation::Step: return from.value;
    case Interpolation::Linear: break;
    case Interpolation::Smooth: t = t * t * (3.0 - 2.0 * t); break;
    case Interpolation::Ramp: t = t * t; break;
    }
    return float(double(from.value) + (double(to.value) - double(from.value)) * t);
}

bool Track::setKey(const Key& key) {
    if (!keyProblem(key, 0).empty()) return false;
    const auto at = std::lower_bound(keys_.begin(), keys_.end(), key.row,
                                     [](const Key& k, int32_t row) { return k.row < row; });
    if (at != keys_.end() && at->row == key.row)
        *at = key;
    else
        keys_.insert(at, key);
    return true;
}

bool Track::deleteKey(int32_t row) {
    const auto at = std::lower_bound(keys_.begin(), keys_.end(), row,
                                     [](const Key& k, int32_t r) { return k.row < r; });
    if (at == keys_.end() || at->row != row) return false;
    keys_.erase(at);
    return true;
}

bool Track::assign(std::vector<Key> keys) {
    if (!keysProblem(keys).empty()) return false;
    keys_ = std::move(keys);
    return true;
}

}  // namespace tracks
