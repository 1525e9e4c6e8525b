// The watcher over Linux's inotify: one descriptor, read without blocking once a frame.
#include "DataWatch.h"

#include "DataFiles.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

DataWatch::DataWatch() {
#ifdef __EMSCRIPTEN__
    // The page's files live in memory, built in; nothing writes them while it plays.
    error = "the page has no folders to watch";
#else
    fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0) error = std::string("inotify: ") + std::strerror(errno);
#endif
}

DataWatch::~DataWatch() {
    if (fd >= 0) close(fd);
}

std::string DataWatch::dataFolder() {
    return DataFiles::find("data");
}

bool DataWatch::watch(const std::string& folder, std::string& why) {
    if (fd < 0) {
        why = error;
        return false;
    }
#ifdef __EMSCRIPTEN__
    const int wd = -1;
    errno = ENOSYS;
#else
    // Written and closed, renamed in, or made (a hard link, a copy's start): the file has new contents.
    const int wd = inotify_add_watch(fd, folder.c_str(), IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE | IN_ONLYDIR);
#endif
    if (wd < 0) {
        why = folder + ": " + std::strerror(errno);
        return false;
    }
    folders[wd] = folder;
    return true;
}

void DataWatch::read(unsigned int nowMs) {
    // Aligned for the event structures; a full buffer is read again until the queue is empty.
    alignas(struct inotify_event) char buffer[8192];
    for (;;) {
        const ssize_t length = ::read(fd, buffer, sizeof buffer);
        if (length <= 0) return;
        for (ssize_t at = 0; at < length;) {
            const auto* event = reinterpret_cast<const struct inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(struct inotify_event) + event->len);
            const auto folder = folders.find(event->wd);
            if (folder == folders.end() || !event->len || (event->mask & IN_ISDIR)) continue;
            const std::string path = folder->second + "/" + event->name;
            if (!last.count(path)) order.push_back(path);
            last[path] = nowMs;
        }
    }
}

std::vector<std::string> DataWatch::poll(unsigned int nowMs) {
    if (fd >= 0) read(nowMs);
    std::vector<std::string> ready;
    for (auto path = order.begin(); path != order.end();) {
        // Unsigned, so a wrap of the clock still measures the time between.
        if (nowMs - last[*path] < GATHER_MS) {
            ++path;
            continue;
        }
        if (access(path->c_str(), F_OK) == 0) ready.push_back(*path);
        last.erase(*path);
        path = order.erase(path);
    }
    return ready;
}
