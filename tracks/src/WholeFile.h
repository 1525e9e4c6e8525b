// Reading a whole small file in one go, for the track and project readers (internal to the library).
#pragma once

#include <cstddef>
#include <string>

namespace tracks {

enum class WholeFile { Read, Missing, Failed };
// The file's bytes, refusing anything but a regular file of at most `maxBytes`; on Failed, `reason` says why.
WholeFile readWholeFile(const std::string& path, size_t maxBytes, std::string& bytes, std::string& reason);

}  // namespace tracks
