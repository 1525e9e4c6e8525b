// Whole-file reads with the reasons a demo maker can act on.
#include "WholeFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tracks {

WholeFile readWholeFile(const std::string& path, size_t maxBytes, std::string& bytes, std::string& why) {
    std::string reason;
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) return WholeFile::Missing;
        why = std::string("cannot open: ") + std::strerror(errno);
        return WholeFile::Failed;
    }
    std::string read;
    struct stat info;
    if (fstat(fd, &info) != 0) {
        reason = std::string("cannot read: ") + std::strerror(errno);
    } else if (!S_ISREG(info.st_mode)) {
        reason = "not a regular file";
    } else if (size_t(info.st_size) > maxBytes) {
        reason = "file of " + std::to_string(info.st_size) + " bytes is larger than any the reader takes (" +
                 std::to_string(maxBytes) + ")";
    } else {
        read.resize(size_t(info.st_size));
        size_t done = 0;
        while (done < read.size()) {
            const ssize_t n = ::read(fd, read.data() + done, read.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                reason = std::string("cannot read: ") + std::strerror(errno);
                break;
            }
            if (n == 0) break;  // the file shrank while read: taken as it is now
            done += size_t(n);
        }
        read.resize(done);
    }
    close(fd);
    if (!reason.empty()) {
        why = reason;
        return WholeFile::Failed;
    }
    bytes = std::move(read);
    return WholeFile::Read;
}

}  // namespace tracks
