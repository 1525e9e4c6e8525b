// GNU Rocket's player files: one file a track, `sync_` + the escaped track name + `.track`, holding an
// int32 key count and then per key an int32 row, a float32 value and a uint8 interpolation, little-endian,
// unpadded. Reading is all or nothing: a file that fails any check gives no keys and a reason.
#pragma once

#include "tracks/Track.h"
#include "tracks/TrackSet.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tracks {

// More keys than any track holds: a larger count is a damaged file, not a big one.
constexpr int32_t MAX_FILE_KEYS = 1 << 20;

// "sync_" + the name with every byte outside A-Za-z0-9._/ written as '-' and two upper-case hex
// digits + ".track": "Heightfield:camera.z" -> "sync_Heightfield-3Acamera.z.track".
std::string trackFileName(const std::string& trackName);
// The track's file under `folder`; "" when a '/' in the name would make a path with an empty, "." or
// ".." part below the folder (such a name could write outside it).
std::string trackFilePath(const std::string& folder, const std::string& trackName);

std::vector<uint8_t> encodeTrackFile(const std::vector<Key>& keys);
// False with a reason ("truncated after 3 of 10 keys", "key 2 has value nan", ...); `keys` is only
// written on success.
bool decodeTrackFile(const uint8_t* data, size_t size, std::vector<Key>& keys, std::string& reason);

// A missing file is no error: the track simply has no file yet, and the demo plays its own values.
// A file that exists but cannot be read (no permission, a directory, an I/O error) is rejected like a
// damaged one, because someone meant it to be used.
enum class ReadResult { Loaded, Missing, Rejected };
ReadResult readTrackFile(const std::string& path, std::vector<Key>& keys, std::string& reason);
// Writes the whole file to a temporary beside it and renames it over the old one, so a reader never sees
// half a file; makes the missing folders on the way. False with a reason, leaving nothing behind.
bool writeTrackFile(const std::string& path, const std::vector<Key>& keys, std::string& error);

// Every track of the set into `folder`; stops at the first failure, whose reason names the file.
bool saveTracks(const TrackSet& set, const std::string& folder, std::string& error);
// Every track of the set from `folder`: a loaded file replaces the track's keys, a missing one leaves the
// track as it is, a rejected one too, with "PATH: reason" added to `problems`. Returns the files loaded.
size_t loadTracks(TrackSet& set, const std::string& folder, std::vector<std::string>& problems);

}  // namespace tracks
