// The demo's sync tracks (see Cues.h).
#include "Cues.h"

#include "DataFiles.h"

#include "tracks/RocketProject.h"
#include "tracks/TrackFile.h"
#include "tracks/TrackSet.h"

#include <sys/stat.h>

#include <cmath>
#include <set>
#include <vector>

namespace Cues {

double rowAt(int ms) {
    return ms / ROW_MS;
}

int msAt(long row) {
    return static_cast<int>(std::lround(row * ROW_MS));
}

std::string trackName(const Timeline::Entry& entry, const Scene::Cue& cue) {
    return std::string(entry.name) + ":" + cue.name;
}

void make(tracks::TrackSet& set, const Timeline& timeline) {
    for (const Timeline::Entry& entry : timeline.entries)
        for (const Scene::Cue& cue : entry.cues) set.index(trackName(entry, cue));
}

void list(std::ostream& out, const Timeline& timeline) {
    std::set<std::string> listed;
    for (const Timeline::Entry& entry : timeline.entries)
        for (const Scene::Cue& cue : entry.cues) {
            const std::string name = trackName(entry, cue);
            if (!listed.insert(name).second) continue;
            out << name << '\t' << cue.fallback << '\t' << cue.description << '\n';
        }
}

bool isProject(const std::string& where) {
    const std::string suffix = ".rocket";
    return where.size() > suffix.size() && where.compare(where.size() - suffix.size(), suffix.size(), suffix) == 0;
}

std::string saveFolder(const std::string& where) {
    return where.empty() || isProject(where) ? FOLDER : where;
}

bool load(tracks::TrackSet& set, const std::string& where, std::ostream& err) {
    if (isProject(where)) {
        tracks::Project project;
        std::string reason;
        if (!tracks::readRocketProject(where, project, reason)) {
            err << "tracks: " << where << ": " << reason << "; playing the demo's own values" << std::endl;
            return false;
        }
        for (const std::string& name : tracks::applyProject(project, set))
            err << "tracks: " << where << ": the demo has no track '" << name << "'" << std::endl;
        return true;
    }
    // The default folder is optional; one named on the command line must be there.
    const std::string folder = where.empty() ? DataFiles::find(FOLDER) : where;
    struct stat info;
    if (folder.empty()) return true;
    if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        err << "tracks: no folder " << folder << "; playing the demo's own values" << std::endl;
        return false;
    }
    std::vector<std::string> problems;
    tracks::loadTracks(set, folder, problems);
    for (const std::string& problem : problems) err << "tracks: " << problem << std::endl;
    return true;
}

}  // namespace Cues
