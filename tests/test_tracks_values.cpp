// Track values against hand-worked interpolation, and the set's indices and change counter.
#include "tracks/TrackSet.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using tracks::Interpolation;
using tracks::Key;
using tracks::Track;
using tracks::TrackSet;

namespace {

// Keys given out of order on purpose: the track sorts them.
Track fiveKeys() {
    Track track("camera.z");
    for (const Key& key : {Key{22, 6.0f, Interpolation::Step}, Key{10, 2.0f, Interpolation::Linear},
                           Key{18, 2.0f, Interpolation::Ramp}, Key{26, -1.0f, Interpolation::Linear},
                           Key{14, 10.0f, Interpolation::Smooth}})
        EXPECT_TRUE(track.setKey(key));
    return track;
}

}  // namespace

TEST(TrackValue, EachInterpolationBetweenItsKeys) {
    const Track track = fiveKeys();
    // Linear 10 (2) -> 14 (10)
    EXPECT_FLOAT_EQ(track.value(10.0, 99.0f), 2.0f);
    EXPECT_FLOAT_EQ(track.value(11.0, 99.0f), 4.0f);
    EXPECT_FLOAT_EQ(track.value(12.5, 99.0f), 7.0f);
    // Smooth 14 (10) -> 18 (2): t=0.25 gives 0.15625, t=0.5 gives 0.5
    EXPECT_FLOAT_EQ(track.value(15.0, 99.0f), 8.75f);
    EXPECT_FLOAT_EQ(track.value(16.0, 99.0f), 6.0f);
    // Ramp 18 (2) -> 22 (6): t=0.25 gives 0.0625, t=0.75 gives 0.5625
    EXPECT_FLOAT_EQ(track.value(19.0, 99.0f), 2.25f);
    EXPECT_FLOAT_EQ(track.value(21.0, 99.0f), 4.25f);
    // Step 22 (6) holds until the next key's row
    EXPECT_FLOAT_EQ(track.value(22.0, 99.0f), 6.0f);
    EXPECT_FLOAT_EQ(track.value(25.99, 99.0f), 6.0f);
    EXPECT_FLOAT_EQ(track.value(26.0, 99.0f), -1.0f);
}

TEST(TrackValue, OutsideTheKeysAndWithoutKeys) {
    const Track track = fiveKeys();
    EXPECT_FLOAT_EQ(track.value(0.0, 99.0f), 2.0f);
    EXPECT_FLOAT_EQ(track.value(-5.5, 99.0f), 2.0f);
    EXPECT_FLOAT_EQ(track.value(9.999, 99.0f), 2.0f);
    EXPECT_FLOAT_EQ(track.value(26.5, 99.0f), -1.0f);
    EXPECT_FLOAT_EQ(track.value(1e9, 99.0f), -1.0f);

    const Track empty("fade");
    EXPECT_FLOAT_EQ(empty.value(3.0, 7.5f), 7.5f);
    Track single("speed");
    single.setKey({5, 3.0f, Interpolation::Linear});
    EXPECT_FLOAT_EQ(single.value(0.0, 7.5f), 3.0f);
    EXPECT_FLOAT_EQ(single.value(50.0, 7.5f), 3.0f);
}

TEST(TrackValue, ReplacedAndDeletedKeysChangeTheCurve) {
    Track track = fiveKeys();
    EXPECT_TRUE(track.setKey({14, 6.0f, Interpolation::Linear}));  // replaces the key on row 14
    EXPECT_EQ(track.keys().size(), 5u);
    EXPECT_FLOAT_EQ(track.value(16.0, 99.0f), 4.0f);  // linear 14 (6) -> 18 (2)

    EXPECT_TRUE(track.deleteKey(18));
    EXPECT_FALSE(track.deleteKey(18));
    EXPECT_FALSE(track.deleteKey(17));
    EXPECT_FLOAT_EQ(track.value(18.0, 99.0f), 6.0f);  // linear 14 (6) -> 22 (6)
    EXPECT_TRUE(track.deleteKey(10));
    EXPECT_FLOAT_EQ(track.value(10.0, 99.0f), 6.0f);  // the first key is now row 14's

    for (size_t i = 1; i < track.keys().size(); ++i) EXPECT_LT(track.keys()[i - 1].row, track.keys()[i].row);
}

TEST(TrackValue, RefusesKeysNoFileMayHold) {
    Track track = fiveKeys();
    const std::vector<Key> before = track.keys();
    EXPECT_FALSE(track.setKey({-1, 1.0f, Interpolation::Step}));
    EXPECT_FALSE(track.setKey({3, std::numeric_limits<float>::quiet_NaN(), Interpolation::Step}));
    EXPECT_FALSE(track.setKey({3, std::numeric_limits<float>::infinity(), Interpolation::Step}));
    EXPECT_FALSE(track.setKey({3, 1.0f, static_cast<Interpolation>(4)}));
    EXPECT_FALSE(track.assign({{5, 1.0f, Interpolation::Step}, {5, 2.0f, Interpolation::Step}}));
    EXPECT_FALSE(track.assign({{6, 1.0f, Interpolation::Step}, {5, 2.0f, Interpolation::Step}}));
    EXPECT_EQ(track.keys(), before);
}

TEST(TrackSet, IndicesFollowTheOrderTracksAreMade) {
    TrackSet set;
    const Track& first = set.track("fade");
    EXPECT_EQ(set.index("camera:x"), 1u);
    EXPECT_EQ(set.index("fade"), 0u);
    EXPECT_EQ(&set.track("fade"), &first);
    EXPECT_EQ(set.find("none"), nullptr);
    for (int i = 0; i < 1000; ++i) set.index("t" + std::to_string(i));  // references must survive growth
    EXPECT_EQ(&set[0], &first);
    EXPECT_EQ(set.size(), 1002u);
    EXPECT_EQ(set[1].name(), "camera:x");
}

TEST(TrackSet, CountsEveryKeyChangeAndNothingElse) {
    TrackSet set;
    const size_t fade = set.index("fade");
    uint64_t seen = set.changes();
    const auto moved = [&] {
        const bool did = set.changes() != seen;
        seen = set.changes();
        return did;
    };
    EXPECT_TRUE(set.setKey(fade, {0, 1.0f, Interpolation::Linear}));
    EXPECT_TRUE(moved());
    EXPECT_TRUE(set.setKey(fade, {0, 2.0f, Interpolation::Linear}));
    EXPECT_TRUE(moved());
    EXPECT_FALSE(set.setKey(fade, {-3, 2.0f, Interpolation::Linear}));
    EXPECT_FALSE(set.setKey(7, {0, 2.0f, Interpolation::Linear}));
    EXPECT_FALSE(moved());
    EXPECT_FALSE(set.deleteKey(fade, 9));
    EXPECT_FALSE(moved());
    EXPECT_TRUE(set.deleteKey(fade, 0));
    EXPECT_TRUE(moved());
    set.clearKeys(fade);  // already empty
    EXPECT_FALSE(moved());
    EXPECT_TRUE(set.assign(fade, {{1, 1.0f, Interpolation::Step}}));
    EXPECT_TRUE(moved());
    set.clearAllKeys();
    EXPECT_TRUE(moved());
    EXPECT_TRUE(set[fade].keys().empty());
}
