// The editor's project file (FILE.rocket): <sync rows=".."><tracks><track name=".."><key row=".."
// value=".." interpolation=".."/>...</track></tracks></sync>. Other elements and attributes the editors
// write (bookmarks, folded, muteKeyCount, colours) are ignored. Reading is all or nothing for the file.
#pragma once

#include "tracks/Track.h"
#include "tracks/TrackSet.h"

#include <string>
#include <vector>

namespace tracks {

struct ProjectTrack {
    std::string name;
    std::vector<Key> keys;
};

struct Project {
    int32_t rows = 0;  // the editor's row count; 0 when the file gives none
    std::vector<ProjectTrack> tracks;
};

// False with a reason naming the line, track and key at fault; `project` is only written on success.
bool parseRocketProject(const std::string& text, Project& project, std::string& reason);
// The same from a file; a missing or unreadable file is a failure here, since the caller named it.
bool readRocketProject(const std::string& path, Project& project, std::string& reason);

// Replaces the keys of the set's tracks that the project names; returns the project's track names the
// set does not have (the demo never asked for them), which the caller may report.
std::vector<std::string> applyProject(const Project& project, TrackSet& set);

}  // namespace tracks
