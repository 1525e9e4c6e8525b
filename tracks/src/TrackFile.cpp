// Rocket's player files: the name escaping, the binary form, and safe reading and writing.
#include "tracks/TrackFile.h"

#include "WholeFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tracks {

namespace {

constexpr size_t KEY_BYTES = 9;
constexpr size_t MAX_FILE_BYTES = 4 + KEY_BYTES * size_t(MAX_FILE_KEYS);

bool keptInName(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '_' ||
           c == '/';
}

void putLittle(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}

uint32_t getLittle(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

std::string systemError(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

// Makes every missing folder above `path`'s last component.
bool makeParents(const std::string& path, std::string& error) {
    for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
        const std::string folder = path.substr(0, slash);
        if (mkdir(folder.c_str(), 0777) == 0 || errno == EEXIST) {
            struct stat info;
            if (stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) continue;
            error = folder + " is not a folder";
            return false;
        }
        error = systemError("cannot make the folder " + folder);
        return false;
    }
    return true;
}

bool writeAll(int fd, const std::vector<uint8_t>& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += size_t(n);
    }
    return true;
}

}  // namespace

std::string trackFileName(const std::string& trackName) {
    static const char hex[] = "0123456789ABCDEF";
    std::string name = "sync_";
    for (const char c : trackName) {
        const auto byte = static_cast<unsigned char>(c);
        if (keptInName(byte)) {
            name += c;
        } else {
            name += '-';
            name += hex[byte >> 4];
            name += hex[byte & 15];
        }
    }
    return name + ".track";
}

std::string trackFilePath(const std::string& folder, const std::string& trackName) {
    const std::string name = trackFileName(trackName);
    // The first part starts with "sync_", so only the parts after a '/' can climb.
    for (size_t slash = name.find('/'); slash != std::string::npos; slash = name.find('/', slash + 1)) {
        const size_t end = name.find('/', slash + 1);
        const std::string part = name.substr(slash + 1, (end == std::string::npos ? name.size() : end) - slash - 1);
        if (part.empty() || part == "." || part == ".." || part == ".track") return "";
    }
    return folder.empty() ? name : folder + "/" + name;
}

std::vector<uint8_t> encodeTrackFile(const std::vector<Key>& keys) {
    std::vector<uint8_t> out;
    out.reserve(4 + KEY_BYTES * keys.size());
    putLittle(out, uint32_t(keys.size()));
    for (const Key& key : keys) {
        uint32_t bits;
        std::memcpy(&bits, &key.value, sizeof bits);
        putLittle(out, uint32_t(key.row));
        putLittle(out, bits);
        out.push_back(static_cast<uint8_t>(key.interpolation));
    }
    return out;
}

bool decodeTrackFile(const uint8_t* data, size_t size, std::vector<Key>& keys, std::string& reason) {
    if (size < 4) {
        reason = size == 0 ? "empty file" : "truncated in the key count";
        return false;
    }
    const auto count = int32_t(getLittle(data));
    if (count < 0) {
        reason = "negative key count " + std::to_string(count);
        return false;
    }
    const size_t expected = 4 + KEY_BYTES * size_t(count);
    if (expected != size) {
        // A plausible count over too few bytes is a cut file; anything else a count that is wrong.
        if (size < expected && count <= MAX_FILE_KEYS)
            reason = "truncated after " + std::to_string((size - 4) / KEY_BYTES) + " of " + std::to_string(count) +
                     " keys";
        else
            reason = "count " + std::to_string(count) + " does not match the file's " + std::to_string(size) +
                     " bytes";
        return false;
    }
    std::vector<Key> decoded(static_cast<size_t>(count));
    for (size_t i = 0; i < decoded.size(); ++i) {
        const uint8_t* p = data + 4 + KEY_BYTES * i;
        const uint32_t bits = getLittle(p + 4);
        decoded[i].row = int32_t(getLittle(p));
        std::memcpy(&decoded[i].value, &bits, sizeof bits);
        decoded[i].interpolation = static_cast<Interpolation>(p[8]);
    }
    reason = keysProblem(decoded);
    if (!reason.empty()) return false;
    keys = std::move(decoded);
    return true;
}

ReadResult readTrackFile(const std::string& path, std::vector<Key>& keys, std::string& reason) {
    std::string bytes;
    switch (readWholeFile(path, MAX_FILE_BYTES, bytes, reason)) {
    case WholeFile::Missing: return ReadResult::Missing;
    case WholeFile::Failed: return ReadResult::Rejected;
    case WholeFile::Read: break;
    }
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    return decodeTrackFile(data, bytes.size(), keys, reason) ? ReadResult::Loaded : ReadResult::Rejected;
}

bool writeTrackFile(const std::string& path, const std::vector<Key>& keys, std::string& error) {
    if (!makeParents(path, error)) return false;
    std::string temporary = path + ".XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0) {
        error = systemError("cannot make a temporary file beside " + path);
        return false;
    }
    std::string problem;
    if (fchmod(fd, 0644) != 0 || !writeAll(fd, encodeTrackFile(keys))) problem = systemError("cannot write " + temporary);
    if (close(fd) != 0 && problem.empty()) problem = systemError("cannot write " + temporary);
    if (problem.empty() && rename(temporary.c_str(), path.c_str()) != 0) problem = systemError("cannot replace " + path);
    if (problem.empty()) return true;
    unlink(temporary.c_str());
    error = problem;
    return false;
}

bool saveTracks(const TrackSet& set, const std::string& folder, std::string& error) {
    for (size_t i = 0; i < set.size(); ++i) {
        const std::string path = trackFilePath(folder, set[i].name());
        if (path.empty()) {
            error = "track '" + set[i].name() + "' makes no safe file name";
            return false;
        }
        if (!writeTrackFile(path, set[i].keys(), error)) return false;
    }
    return true;
}

size_t loadTracks(TrackSet& set, const std::string& folder, std::vector<std::string>& problems) {
    size_t loaded = 0;
    for (size_t i = 0; i < set.size(); ++i) {
        const std::string path = trackFilePath(folder, set[i].name());
        if (path.empty()) {
            problems.push_back("track '" + set[i].name() + "' makes no safe file name");
            continue;
        }
        std::vector<Key> keys;
        std::string reason;
        switch (readTrackFile(path, keys, reason)) {
        case ReadResult::Loaded:
            set.assign(i, std::move(keys));
            ++loaded;
            break;
        case ReadResult::Missing: break;
        case ReadResult::Rejected: problems.push_back(path + ": " + reason); break;
        }
    }
    return loaded;
}

}  // namespace tracks
