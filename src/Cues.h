// Cues: the demo's sync tracks. Every scene of a play list names its cues in a table; each becomes the
// track "Scene:cue" of one set, in play-list order (scenes of one name share their tracks), which an
// editor, saved track files or an editor's project fill with keys. Rows run at 8 a beat.
#pragma once

#include "Timeline.h"

#include <ostream>
#include <string>

namespace tracks {
class TrackSet;
}

namespace Cues {

// 8 rows a beat of the soundtrack, 550 ms a beat: the one place the row rate is written.
constexpr double ROW_MS = 550.0 / 8;

// The row playing at ms from the start of the first scene, fractional.
double rowAt(int ms);
// The moment a row starts, in ms from the start of the first scene.
int msAt(long row);

std::string trackName(const Timeline::Entry& entry, const Scene::Cue& cue);
// Makes every cue's track in the set, in play-list order.
void make(tracks::TrackSet& set, const Timeline& timeline);
// One line a track, in the set's order: name, the code's value, what it moves.
void list(std::ostream& out, const Timeline& timeline);

// Where the demo keeps its saved tracks: data/tracks, looked for as the pictures are.
constexpr const char* FOLDER = "data/tracks";
// Reads saved keys into the set: the player files of a folder (`where`, or FOLDER when empty) or an
// editor's project (`where` ending in .rocket). Each file that fails is named on err with its reason and
// its track keeps the code's values. Returns false when `where` itself could not be read.
bool load(tracks::TrackSet& set, const std::string& where, std::ostream& err);
// The folder an editor's save writes into: `where` when it is a folder, else FOLDER.
std::string saveFolder(const std::string& where);
bool isProject(const std::string& where);

}  // namespace Cues
