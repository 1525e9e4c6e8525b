// libFuzzer target for the player files' decoder. Whatever the bytes: a refusal has a reason and leaves
// the keys alone; an accepted file is keys a track takes, whose values between keys stay finite, and
// which encode back to the very same bytes.
#include "tracks/TrackFile.h"
#include "fuzz_fail.h"

#include <cmath>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<tracks::Key> before = {{7, 1.5f, tracks::Interpolation::Ramp}};
    std::vector<tracks::Key> keys = before;
    std::string reason;
    if (!tracks::decodeTrackFile(data, size, keys, reason)) {
        if (reason.empty()) fail("a refusal without a reason", "");
        if (keys != before) fail("a refused file changed the keys", reason);
        return 0;
    }
    const std::string problem = tracks::keysProblem(keys);
    if (!problem.empty()) fail("accepted keys a track refuses", problem);
    const std::vector<uint8_t> again = tracks::encodeTrackFile(keys);
    if (again.size() != size || std::memcmp(again.data(), data, size) != 0)
        fail("the keys do not encode to the file's bytes", std::to_string(again.size()) + " bytes");
    tracks::Track track("fuzz");
    if (!track.assign(keys)) fail("the track refused the keys", "");
    for (size_t i = 0; i + 1 < keys.size() && i < 64; ++i) {
        const double middle = keys[i].row + (double(keys[i + 1].row) - keys[i].row) * 0.37;
        if (!std::isfinite(track.value(middle, 0.0f))) fail("a value that is not finite", std::to_string(i));
    }
    return 0;
}
