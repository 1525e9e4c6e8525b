// A sync track: keys (row, value, interpolation) sorted by row, and its value at any row, computed as
// GNU Rocket computes it, so a demo plays exactly what the editor shows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tracks {

enum class Interpolation : uint8_t { Step = 0, Linear = 1, Smooth = 2, Ramp = 3 };
constexpr unsigned INTERPOLATION_COUNT = 4;

struct Key {
    int32_t row = 0;
    float value = 0.0f;
    Interpolation interpolation = Interpolation::Step;
};

// Compares values by their bits, so a file round trip can be checked exactly (-0 differs from 0).
bool operator==(const Key& a, const Key& b);
inline bool operator!=(const Key& a, const Key& b) { return !(a == b); }

// Why a key cannot be on a track, or "" when it can: a negative row, a value that is not finite, an
// interpolation outside 0..3. `index` names the key in the reason.
std::string keyProblem(const Key& key, size_t index);
// The first problem of a key list read from outside (a file, a project), or "": each key's own
// problem, then rows that do not strictly increase.
std::string keysProblem(const std::vector<Key>& keys);

class Track {
public:
    explicit Track(std::string name) : name_(std::move(name)) {}

    const std::string& name() const { return name_; }
    const std::vector<Key>& keys() const { return keys_; }

    // The value at a fractional row: the first key's value before it, the last's after it, `fallback`
    // (the code's own value) on a track without keys.
    float value(double row, float fallback) const;

    // Puts a key on its row, replacing the key there; false (track unchanged) for a key keyProblem refuses.
    bool setKey(const Key& key);
    // False when no key is on that row.
    bool deleteKey(int32_t row);
    void clear() { keys_.clear(); }
    // Takes a whole key list; false (track unchanged) when keysProblem finds one.
    bool assign(std::vector<Key> keys);

private:
    std::string name_;
    std::vector<Key> keys_;
};

}  // namespace tracks
