// DataWatch: folders watched for files written into them or renamed over their names (inotify on the
// folders, since editors save by renaming), each change held until its file has been quiet for GATHER_MS,
// so that a save's several steps give one reload. Never blocks; the time is the caller's.
#pragma once

#include <map>
#include <string>
#include <vector>

class DataWatch {
public:
    static const unsigned int GATHER_MS = 100;

    DataWatch();
    ~DataWatch();
    DataWatch(const DataWatch&) = delete;
    DataWatch& operator=(const DataWatch&) = delete;

    // The demo's data folder as DataFiles finds it: data/ in the working directory, else the installed
    // share/moriq-demo/data; empty when neither exists.
    static std::string dataFolder();

    // Watches folder (not its subfolders); false with the reason when it cannot.
    bool watch(const std::string& folder, std::string& why);
    // Reads the changes waiting, noting each at nowMs (milliseconds of any steady clock), and returns the
    // files (folder/name) whose last change is at least GATHER_MS old, each once, oldest change first.
    // A file gone by then (an editor's temporary) is dropped.
    std::vector<std::string> poll(unsigned int nowMs);

private:
    void read(unsigned int nowMs);

    int fd = -1;
    std::string error;                      // why inotify itself is unavailable
    std::map<int, std::string> folders;     // watch descriptor -> folder
    std::vector<std::string> order;         // the changed files, by first change
    std::map<std::string, unsigned int> last;  // changed file -> time of its last change
};
