// The player files: names, the exact bytes, round trips, and hostile files rejected with their reason
// while the track keeps its keys.
#include "tracks/TrackFile.h"
#include "tracks_bytes.h"

#include <gtest/gtest.h>

#include <fstream>
#include <limits>

namespace fs = std::filesystem;
using tracks::Interpolation;
using tracks::Key;

namespace {

// A file by hand: the count, then (row, value, interpolation) per key, little-endian.
std::vector<uint8_t> file(uint32_t count, const std::vector<std::tuple<int32_t, float, uint8_t>>& keys) {
    std::vector<uint8_t> out;
    const auto word = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
    };
    word(count);
    for (const auto& [row, value, type] : keys) {
        uint32_t bits;
        std::memcpy(&bits, &value, 4);
        word(uint32_t(row));
        word(bits);
        out.push_back(type);
    }
    return out;
}

}  // namespace

TEST(TrackFileName, EscapesEveryByteOutsideTheKeptSet) {
    EXPECT_EQ(tracks::trackFileName("a b/c_D.9:x-y#"), "sync_a-20b/c_D.9-3Ax-2Dy-23.track");
    EXPECT_EQ(tracks::trackFileName(std::string("\xC3\xA9\x7F\0", 4)), "sync_-C3-A9-7F-00.track");
    EXPECT_EQ(tracks::trackFilePath("sync", "group/fade"), "sync/sync_group/fade.track");
    for (const char* climbing : {"a/../../../etc/x", "a/./b", "a//b", "a/../b"})
        EXPECT_EQ(tracks::trackFilePath("sync", climbing), "") << climbing;
}

TEST(TrackFileFormat, ExactBytesAndABitExactRoundTripThroughTheDisk) {
    const std::vector<Key> two = {{1, 1.0f, Interpolation::Smooth}, {258, -2.0f, Interpolation::Ramp}};
    EXPECT_EQ(tracks::encodeTrackFile(two), (std::vector<uint8_t>{2, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0x80, 0x3F, 2,
                                                                  2, 1, 0, 0, 0, 0, 0, 0xC0, 3}));
    Folder folder;
    const std::vector<Key> keys = {{0, -0.0f, Interpolation::Step},
                                   {1, std::numeric_limits<float>::denorm_min(), Interpolation::Linear},
                                   {2, 0.1f, Interpolation::Smooth},
                                   {2147483647, -std::numeric_limits<float>::max(), Interpolation::Ramp}};
    const std::string path = tracks::trackFilePath(folder.path + "/new/deeper", "scene/cam:x");
    std::string error = "left from before", reason = error;  // an old message is no failure
    ASSERT_TRUE(tracks::writeTrackFile(path, keys, error)) << error;
    std::vector<Key> read;
    ASSERT_EQ(tracks::readTrackFile(path, read, reason), tracks::ReadResult::Loaded) << reason;
    EXPECT_EQ(read, keys);
    // Written again: replaced whole, no temporary left beside it.
    ASSERT_TRUE(tracks::writeTrackFile(path, two, error));
    ASSERT_EQ(tracks::readTrackFile(path, read, reason), tracks::ReadResult::Loaded);
    EXPECT_EQ(read, two);
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"new", "new/deeper", "new/deeper/sync_scene",
                                                          "new/deeper/sync_scene/cam-3Ax.track"}));
}

TEST(TrackFileFormat, WriteFailuresLeaveNothingBehind) {
    Folder folder;
    std::ofstream(folder.path + "/sync") << "a file where a folder should be";
    std::string error;
    EXPECT_FALSE(tracks::writeTrackFile(folder.path + "/sync/sync_a.track", {}, error));
    EXPECT_NE(error.find("not a folder"), std::string::npos) << error;
    // Renaming over a folder fails after the temporary was written: it must go again.
    fs::create_directories(folder.path + "/sync_b.track/inside");
    EXPECT_FALSE(tracks::writeTrackFile(folder.path + "/sync_b.track", {}, error));
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"sync", "sync_b.track", "sync_b.track/inside"}));
}

TEST(TrackFileFormat, HostileFilesAreRejectedWithTheirReasonAndChangeNothing) {
    std::vector<uint8_t> cut = file(10, {{0, 1, 1}, {1, 1, 1}, {2, 1, 1}});
    cut.insert(cut.end(), {9, 0, 0});
    std::vector<uint8_t> huge = file(2000000000, {});
    huge.resize(45);
    std::vector<uint8_t> trailing = file(1, {{0, 1, 0}});
    trailing.push_back(0);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::vector<std::pair<std::vector<uint8_t>, std::string>> cases = {
        {cut, "truncated after 3 of 10 keys"},
        {huge, "count 2000000000 does not match the file's 45 bytes"},
        {trailing, "count 1 does not match the file's 14 bytes"},
        {file(3, {{0, 1, 0}, {1, 2, 0}, {2, nan, 0}}), "key 2 has value nan"},
        {file(4, {{0, 1, 0}, {1, 1, 0}, {9, 1, 0}, {9, 1, 0}}), "rows not increasing at key 3"},
        {file(1, {{-4, 1, 0}}), "negative row -4 at key 0"},
        {file(2, {{0, 1, 0}, {1, 1, 9}}), "unknown interpolation 9 at key 1"},
        {file(uint32_t(-2), {}), "negative key count -2"},
        {{1, 0}, "truncated in the key count"},
        {{}, "empty file"},
    };
    Folder folder;
    tracks::TrackSet set;
    const std::vector<Key> codeKeys = {{0, 5.0f, Interpolation::Linear}, {8, 6.0f, Interpolation::Step}};
    set.assign(set.index("cam"), codeKeys);
    const std::string path = tracks::trackFilePath(folder.path, "cam");
    for (const auto& [bytes, reason] : cases) {
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        std::vector<std::string> problems;
        const uint64_t before = set.changes();
        EXPECT_EQ(tracks::loadTracks(set, folder.path, problems), 0u);
        ASSERT_EQ(problems.size(), 1u) << reason;
        EXPECT_EQ(problems[0].rfind(path + ": " + reason, 0), 0u) << problems[0] << " instead of " << reason;
        EXPECT_EQ(set[0].keys(), codeKeys) << reason;
        EXPECT_EQ(set.changes(), before);
    }
}

TEST(TrackFileFormat, SaveAndLoadEveryTrackMissingFilesQuietUnreadableOnesNot) {
    Folder folder;
    tracks::TrackSet saved;
    saved.assign(saved.index("a:b"), {{0, 1.0f, Interpolation::Linear}, {4, 3.0f, Interpolation::Step}});
    saved.index("empty");
    saved.assign(saved.index("group/c"), {{2, -7.5f, Interpolation::Smooth}});
    std::string error;
    ASSERT_TRUE(tracks::saveTracks(saved, folder.path + "/sync", error)) << error;

    tracks::TrackSet loaded;  // another order, a track without a file, one whose file is a folder
    loaded.index("group/c");
    loaded.assign(loaded.index("no file"), {{1, 1.0f, Interpolation::Step}});
    loaded.index("a:b");
    loaded.assign(loaded.index("empty"), {{1, 1.0f, Interpolation::Step}});
    loaded.index("dir");
    fs::create_directory(tracks::trackFilePath(folder.path + "/sync", "dir"));
    std::vector<std::string> problems;
    EXPECT_EQ(tracks::loadTracks(loaded, folder.path + "/sync", problems), 3u);
    EXPECT_EQ(problems, std::vector<std::string>{folder.path + "/sync/sync_dir.track: not a regular file"});
    for (size_t i = 0; i < saved.size(); ++i)
        EXPECT_EQ(loaded.find(saved[i].name())->keys(), saved[i].keys()) << saved[i].name();
    EXPECT_EQ(loaded.find("no file")->keys().size(), 1u);
    tracks::TrackSet unsafe;
    unsafe.index("../../x");
    EXPECT_FALSE(tracks::saveTracks(unsafe, folder.path, error));
    EXPECT_NE(error.find("no safe file name"), std::string::npos);
}
