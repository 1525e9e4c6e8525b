// The working directory, then <prefix>/share/moriq-demo beside <prefix>/bin (found from /proc/self/exe).
#include "DataFiles.h"

#include <unistd.h>

#include <climits>

namespace {

#ifndef __EMSCRIPTEN__
std::string parent(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos || slash == 0 ? "/" : path.substr(0, slash);
}
#endif

std::string workingDirectory() {
    char buffer[PATH_MAX];
    return getcwd(buffer, sizeof buffer) ? std::string(buffer) : std::string(".");
}

// <prefix>/share/moriq-demo for a program in <prefix>/bin; empty where the program cannot be found.
std::string shareFolder() {
#ifdef __EMSCRIPTEN__
    // The page's file system holds the data in its working directory only.
    return std::string();
#else
    char buffer[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0) return std::string();
    const std::string prefix = parent(parent(std::string(buffer, static_cast<size_t>(length))));
    return (prefix == "/" ? "" : prefix) + "/share/moriq-demo";
#endif
}

}  // namespace

namespace DataFiles {

std::vector<std::string> places(const std::string& name) {
    if (name.empty() || name[0] == '/') return {name};
    const std::string cwd = workingDirectory();
    std::vector<std::string> all = {cwd + (cwd == "/" ? "" : "/") + name};
    const std::string share = shareFolder();
    if (!share.empty()) all.push_back(share + "/" + name);
    return all;
}

std::string find(const std::string& name) {
    const std::vector<std::string> all = places(name);
    // Found where it was always read, the name stays as it was given, and so do the messages naming it.
    if (access(name.c_str(), F_OK) == 0) return name;
    for (size_t i = 1; i < all.size(); ++i)
        if (access(all[i].c_str(), F_OK) == 0) return all[i];
    return std::string();
}

std::string describe(const std::vector<std::string>& places) {
    std::string text;
    for (size_t i = 0; i < places.size(); ++i) {
        if (i > 0) text += i + 1 == places.size() ? " and " : ", ";
        text += places[i];
    }
    return text;
}

std::string lookedAt(const std::string& name, bool named) {
    const std::vector<std::string> all = places(name);
    return named && all.size() < 2 ? std::string() : "looked at " + describe(all);
}

}  // namespace DataFiles
