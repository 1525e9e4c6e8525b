// The player files: names, the exact bytes, round trips, and hostile files rejected with their reason
// while the track keeps its keys.
#include "tracks/TrackFile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>

namespace fs = std::filesystem;
using tracks::Interpolation;
using tracks::Key;
using tracks::ReadResult;

namespace {

class Folder {
public:
    Folder() {
        std::string pattern = (fs::temp_directory_path() / "tracks-test-XXXXXX").string();
        path = mkdtemp(pattern.data());
    }
    ~Folder() { fs::remove_all(path); }
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::recursive_directory_iterator(path))
            names.push_back(fs::relative(entry.path(), path).string());
        std::sort(names.begin(), names.end());
        return names;
    }
    std::string path;
};

void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

// A file body by hand: count, then (row, value bits, interpolation) per key, little-endian.
struct Bytes {
    std::vector<uint8_t> data;
    Bytes& word(uint32_t v) {
        for (int i = 0; i < 4; ++i) data.push_back(uint8_t(v >> (8 * i)));
        return *this;
    }
    Bytes& key(int32_t row, float value, uint8_t type) {
        uint32_t bits;
        std::memcpy(&bits, &value, 4);
        word(uint32_t(row)).word(bits);
        data.push_back(type);
        return *this;
    }
};

}  // namespace

TEST(TrackFileName, EscapesEveryByteOutsideTheKeptSet) {
    EXPECT_EQ(tracks::trackFileName("Heightfield:camera.z"), "sync_Heightfield-3Acamera.z.track");
    EXPECT_EQ(tracks::trackFileName("a b/c_D.9"), "sync_a-20b/c_D.9.track");
    EXPECT_EQ(tracks::trackFileName("x-y#"), "sync_x-2Dy-23.track");
    EXPECT_EQ(tracks::trackFileName("\xC3\xA9\x7F"), "sync_-C3-A9-7F.track");
    EXPECT_EQ(tracks::trackFileName(std::string("a\0b", 3)), "sync_a-00b.track");

    EXPECT_EQ(tracks::trackFilePath("sync", "group/fade"), "sync/sync_group/fade.track");
    for (const char* climbing : {"a/../../../etc/x", "a/./b", "a//b", "a/../b"})
        EXPECT_EQ(tracks::trackFilePath("sync", climbing), "") << climbing;
}

TEST(TrackFileFormat, BytesAreLittleEndianAndUnpadded) {
    const std::vector<Key> keys = {{1, 1.0f, Interpolation::Smooth}, {258, -2.0f, Interpolation::Ramp}};
    const std::vector<uint8_t> expected = {2, 0, 0, 0,                          //
                                           1, 0, 0, 0, 0, 0, 0x80, 0x3F, 2,     //
                                           2, 1, 0, 0, 0, 0, 0, 0xC0, 3};
    EXPECT_EQ(tracks::encodeTrackFile(keys), expected);
    std::vector<Key> decoded;
    std::string reason;
    ASSERT_TRUE(tracks::decodeTrackFile(expected.data(), expected.size(), decoded, reason)) << reason;
    EXPECT_EQ(decoded, keys);
}

TEST(TrackFileFormat, RoundTripIsBitExactThroughTheDisk) {
    Folder folder;
    const std::vector<Key> keys = {{0, -0.0f, Interpolation::Step},
                                   {1, std::numeric_limits<float>::denorm_min(), Interpolation::Linear},
                                   {2, 0.1f, Interpolation::Smooth},
                                   {2147483647, -std::numeric_limits<float>::max(), Interpolation::Ramp}};
    // Folders that do not exist yet are made.
    const std::string path = tracks::trackFilePath(folder.path + "/new/deeper", "scene/cam:x");
    std::string error;
    ASSERT_TRUE(tracks::writeTrackFile(path, keys, error)) << error;
    std::vector<Key> read;
    std::string reason;
    ASSERT_EQ(tracks::readTrackFile(path, read, reason), ReadResult::Loaded) << reason;
    EXPECT_EQ(read, keys);

    // Writing again replaces the file whole and leaves no temporary behind.
    ASSERT_TRUE(tracks::writeTrackFile(path, {}, error)) << error;
    ASSERT_EQ(tracks::readTrackFile(path, read, reason), ReadResult::Loaded);
    EXPECT_TRUE(read.empty());
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"new", "new/deeper", "new/deeper/sync_scene",
                                                          "new/deeper/sync_scene/cam-3Ax.track"}));
}

TEST(TrackFileFormat, WriteFailureLeavesNothingBehind) {
    Folder folder;
    writeBytes(folder.path + "/sync", {1});  // a file where the folder should be
    std::string error;
    EXPECT_FALSE(tracks::writeTrackFile(folder.path + "/sync/sync_a.track", {{0, 1.0f, Interpolation::Step}}, error));
    EXPECT_NE(error.find("not a folder"), std::string::npos) << error;
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"sync"});

    // Renaming over a folder fails after the temporary was written: it must be removed again.
    fs::create_directories(folder.path + "/sync_b.track/inside");
    EXPECT_FALSE(tracks::writeTrackFile(folder.path + "/sync_b.track", {}, error));
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"sync", "sync_b.track", "sync_b.track/inside"}));
}

TEST(TrackFileFormat, HostileFilesAreRejectedWithTheirReason) {
    Bytes tenCut;
    tenCut.word(10);
    for (int i = 0; i < 3; ++i) tenCut.key(i, 1.0f, 1);
    tenCut.data.insert(tenCut.data.end(), {9, 0, 0});  // a fourth key begun

    Bytes nan, outOfOrder, negative, badType, negativeCount, trailing;
    nan.word(3).key(0, 1, 0).key(1, 2, 0).key(2, std::numeric_limits<float>::quiet_NaN(), 0);
    outOfOrder.word(5).key(0, 1, 0).key(1, 1, 0).key(2, 1, 0).key(9, 1, 0).key(7, 1, 0);
    negative.word(1).key(-4, 1, 0);
    badType.word(2).key(0, 1, 0).key(1, 1, 9);
    negativeCount.word(uint32_t(-2));
    trailing.word(1).key(0, 1, 0).data.push_back(0);
    std::vector<uint8_t> huge = Bytes().word(2000000000).data;
    huge.resize(45);
    Bytes duplicate, infinite;
    duplicate.word(2).key(3, 1, 0).key(3, 2, 0);
    infinite.word(1).key(0, -std::numeric_limits<float>::infinity(), 0);

    const std::vector<std::pair<std::vector<uint8_t>, std::string>> cases = {
        {tenCut.data, "truncated after 3 of 10 keys"},
        {huge, "count 2000000000 does not match the file's 45 bytes"},
        {nan.data, "key 2 has value nan"},
        {infinite.data, "key 0 has value -inf"},
        {outOfOrder.data, "rows not increasing at key 4"},
        {duplicate.data, "rows not increasing at key 1"},
        {negative.data, "negative row -4 at key 0"},
        {badType.data, "unknown interpolation 9 at key 1"},
        {negativeCount.data, "negative key count -2"},
        {trailing.data, "count 1 does not match the file's 14 bytes"},
        {{1, 0}, "truncated in the key count"},
        {{}, "empty file"},
    };
    Folder folder;
    tracks::TrackSet set;
    const size_t cam = set.index("cam");
    const std::vector<Key> codeKeys = {{0, 5.0f, Interpolation::Linear}, {8, 6.0f, Interpolation::Step}};
    set.assign(cam, codeKeys);
    const std::string path = tracks::trackFilePath(folder.path, "cam");
    for (const auto& [bytes, reason] : cases) {
        writeBytes(path, bytes);
        std::vector<std::string> problems;
        const uint64_t before = set.changes();
        EXPECT_EQ(tracks::loadTracks(set, folder.path, problems), 0u);
        ASSERT_EQ(problems.size(), 1u) << reason;
        EXPECT_EQ(problems[0].rfind(path + ": ", 0), 0u) << problems[0];
        EXPECT_NE(problems[0].find(reason), std::string::npos) << problems[0] << " instead of " << reason;
        EXPECT_EQ(set[cam].keys(), codeKeys) << reason;
        EXPECT_EQ(set.changes(), before);
    }
}

TEST(TrackFileFormat, MissingFilesAreQuietUnreadableOnesAreNot) {
    Folder folder;
    tracks::TrackSet set;
    set.assign(set.index("kept"), {{0, 1.0f, Interpolation::Step}});
    set.index("dir");
    set.index("loaded");
    fs::create_directory(tracks::trackFilePath(folder.path, "dir"));
    std::string error;
    ASSERT_TRUE(tracks::writeTrackFile(tracks::trackFilePath(folder.path, "loaded"),
                                       {{3, 2.0f, Interpolation::Ramp}}, error));

    std::vector<std::string> problems;
    EXPECT_EQ(tracks::loadTracks(set, folder.path, problems), 1u);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find("sync_dir.track: not a regular file"), std::string::npos) << problems[0];
    EXPECT_EQ(set[0].keys().size(), 1u);  // no file: the track keeps what it has
    EXPECT_EQ(set[2].keys(), (std::vector<Key>{{3, 2.0f, Interpolation::Ramp}}));

    std::vector<Key> keys = {{1, 1.0f, Interpolation::Step}};
    std::string reason;
    EXPECT_EQ(tracks::readTrackFile(folder.path + "/none.track", keys, reason), ReadResult::Missing);
    EXPECT_EQ(keys.size(), 1u);
}

TEST(TrackFileFormat, SaveThenLoadGivesEveryTrackBack) {
    Folder folder;
    tracks::TrackSet saved;
    saved.assign(saved.index("a:b"), {{0, 1.0f, Interpolation::Linear}, {4, 3.0f, Interpolation::Step}});
    saved.index("empty");
    saved.assign(saved.index("group/c"), {{2, -7.5f, Interpolation::Smooth}});
    std::string error;
    ASSERT_TRUE(tracks::saveTracks(saved, folder.path + "/sync", error)) << error;

    tracks::TrackSet loaded;
    loaded.index("group/c");
    loaded.index("a:b");
    loaded.assign(loaded.index("empty"), {{1, 1.0f, Interpolation::Step}});
    std::vector<std::string> problems;
    EXPECT_EQ(tracks::loadTracks(loaded, folder.path + "/sync", problems), 3u);
    EXPECT_TRUE(problems.empty());
    for (size_t i = 0; i < saved.size(); ++i)
        EXPECT_EQ(loaded.find(saved[i].name())->keys(), saved[i].keys()) << saved[i].name();

    tracks::TrackSet unsafe;
    unsafe.index("../../x");
    EXPECT_FALSE(tracks::saveTracks(unsafe, folder.path, error));
    EXPECT_NE(error.find("no safe file name"), std::string::npos);
}
