// libFuzzer target for the editor's project files (our XML reader under the project reader). Whatever the
// text: a refusal has a reason and leaves the project alone; an accepted project has uniquely named tracks
// whose keys a track takes.
#include "tracks/RocketProject.h"
#include "fuzz_fail.h"

#include <set>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    tracks::Project project;
    project.rows = -1;
    std::string reason;
    if (!tracks::parseRocketProject(text, project, reason)) {
        if (reason.empty()) fail("a refusal without a reason", "");
        if (project.rows != -1 || !project.tracks.empty()) fail("a refused file changed the project", reason);
        return 0;
    }
    if (project.rows < 0) fail("a negative row count", std::to_string(project.rows));
    std::set<std::string> names;
    for (const tracks::ProjectTrack& track : project.tracks) {
        if (track.name.empty() || !names.insert(track.name).second) fail("an empty or repeated name", track.name);
        const std::string problem = tracks::keysProblem(track.keys);
        if (!problem.empty()) fail("accepted keys a track refuses", track.name + ": " + problem);
    }
    return 0;
}
