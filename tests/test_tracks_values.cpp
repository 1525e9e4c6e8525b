// Track values against hand-worked interpolation, and the set's indices and change counter.
#include "tracks/TrackSet.h"

#include <gtest/gtest.h>

#include <limits>

using tracks::Interpolation;
using tracks::Key;
using tracks::Track;

namespace {

// Linear 10 (2) -> 14 (10), smooth -> 18 (2), ramp -> 22 (6), step -> 26 (-1); given out of order.
Track fiveKeys() {
    Track track("camera.z");
    for (const Key& key : {Key{22, 6.0f, Interpolation::Step}, Key{10, 2.0f, Interpolation::Linear},
                           Key{18, 2.0f, Interpolation::Ramp}, Key{26, -1.0f, Interpolation::Linear},
                           Key{14, 10.0f, Interpolation::Smooth}})
        EXPECT_TRUE(track.setKey(key));
    return track;
}

}  // namespace

TEST(TrackValue, EachInterpolationAndBeyondTheKeys) {
    const Track track = fiveKeys();
    // smooth t=0.25 -> 0.15625, t=0.5 -> 0.5; ramp t=0.25 -> 0.0625, t=0.75 -> 0.5625
    const std::vector<std::pair<double, float>> expected = {
        {-5.5, 2.0f}, {9.999, 2.0f}, {10.0, 2.0f}, {11.0, 4.0f},  {12.5, 7.0f},   {15.0, 8.75f}, {16.0, 6.0f},
        {19.0, 2.25f}, {21.0, 4.25f}, {22.0, 6.0f}, {25.99, 6.0f}, {26.0, -1.0f}, {1e9, -1.0f}};
    for (const auto& [row, value] : expected) EXPECT_FLOAT_EQ(track.value(row, 99.0f), value) << "row " << row;

    EXPECT_FLOAT_EQ(Track("fade").value(3.0, 7.5f), 7.5f);  // no keys: the code's own value
}

TEST(TrackValue, ReplacedDeletedAndRefusedKeys) {
    Track track = fiveKeys();
    EXPECT_TRUE(track.setKey({14, 6.0f, Interpolation::Linear}));  // replaces the key on row 14
    EXPECT_EQ(track.keys().size(), 5u);
    EXPECT_FLOAT_EQ(track.value(16.0, 99.0f), 4.0f);  // linear 14 (6) -> 18 (2)
    EXPECT_TRUE(track.deleteKey(18) && !track.deleteKey(18) && !track.deleteKey(17));
    EXPECT_FLOAT_EQ(track.value(18.0, 99.0f), 6.0f);  // linear 14 (6) -> 22 (6)
    EXPECT_TRUE(track.deleteKey(10));
    EXPECT_FLOAT_EQ(track.value(10.0, 99.0f), 6.0f);  // row 14's key is the first now

    const std::vector<Key> before = track.keys();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (const Key& bad : {Key{-1, 1.0f, Interpolation::Step}, Key{3, nan, Interpolation::Step},
                           Key{3, std::numeric_limits<float>::infinity(), Interpolation::Step},
                           Key{3, 1.0f, static_cast<Interpolation>(4)}})
        EXPECT_FALSE(track.setKey(bad));
    EXPECT_FALSE(track.assign({{5, 1.0f, Interpolation::Step}, {5, 2.0f, Interpolation::Step}}));
    EXPECT_FALSE(track.assign({{6, 1.0f, Interpolation::Step}, {5, 2.0f, Interpolation::Step}}));
    EXPECT_EQ(track.keys(), before);
}

TEST(TrackSet, IndicesInTheOrderMadeAndACounterOfKeyChanges) {
    tracks::TrackSet set;
    const Track& first = set.track("fade");
    EXPECT_TRUE(set.index("camera:x") == 1u && set.index("fade") == 0u && set.find("none") == nullptr);
    for (int i = 0; i < 1000; ++i) set.index("t" + std::to_string(i));
    EXPECT_EQ(&set[0], &first);  // references survive the set's growth
    EXPECT_EQ(set[1].name(), "camera:x");

    uint64_t seen = set.changes();
    const auto moved = [&] {
        const bool did = set.changes() != seen;
        seen = set.changes();
        return did;
    };
    EXPECT_TRUE(set.setKey(0, {0, 1.0f, Interpolation::Linear}) && moved());
    EXPECT_TRUE(set.setKey(0, {0, 2.0f, Interpolation::Linear}) && moved());
    EXPECT_FALSE(set.setKey(0, {-3, 2.0f, Interpolation::Linear}) || set.setKey(5000, {0, 2.0f}) || moved());
    EXPECT_FALSE(set.deleteKey(0, 9) || moved());
    EXPECT_TRUE(set.deleteKey(0, 0) && moved());
    set.clearKeys(0);  // already empty
    EXPECT_FALSE(moved());
    EXPECT_TRUE(set.assign(1, {{1, 1.0f, Interpolation::Step}}) && moved());
    set.clearAllKeys();
    EXPECT_TRUE(moved());
    EXPECT_TRUE(set[1].keys().empty());
}
