// The demo's sync tracks (see Cues.h).
#include "Cues.h"

#include "tracks/TrackSet.h"

#include <cmath>
#include <set>

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

}  // namespace Cues
