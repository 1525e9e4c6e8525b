// Reads the editor's project files on our XML reader, with the checks of the player files.
#include "tracks/RocketProject.h"

#include "WholeFile.h"
#include "tracks/Xml.h"

#include <charconv>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <set>

namespace tracks {

namespace {

// Far more than a project of a whole demo's keys (about 60 bytes a key).
constexpr size_t MAX_PROJECT_BYTES = size_t(256) << 20;

// The whole text as one number of the type, or false (no spaces, signs only where from_chars takes them).
template <typename Number>
bool parseNumber(const std::string& text, Number& out) {
    const char* end = text.data() + text.size();
    const auto [stop, problem] = std::from_chars(text.data(), end, out);
    return problem == std::errc() && stop == end && !text.empty();
}

// The same for a value: the browser build's standard library has no from_chars for floating point.
bool parseNumber(const std::string& text, float& out) {
    if (text.empty() || std::isspace(static_cast<unsigned char>(text[0]))) return false;
    char* stop = nullptr;
    out = std::strtof(text.c_str(), &stop);
    return stop == text.c_str() + text.size();
}

struct KeyReader {
    const std::string& track;
    const xml::Element& element;
    size_t index;
    std::string& reason;

    bool fail(const std::string& what) {
        reason = "line " + std::to_string(element.line) + ": track '" + track + "' key " + std::to_string(index) +
                 ": " + what;
        return false;
    }

    const std::string* need(const char* attribute) {
        const std::string* value = element.attribute(attribute);
        if (!value) fail(std::string("no ") + attribute + " attribute");
        return value;
    }

    bool read(Key& key) {
        const std::string* row = need("row");
        if (!row) return false;
        const std::string* value = need("value");
        if (!value) return false;
        const std::string* interpolation = need("interpolation");
        if (!interpolation) return false;
        if (!parseNumber(*row, key.row)) return fail("row '" + *row + "' is not a whole number");
        if (!parseNumber(*value, key.value)) return fail("value '" + *value + "' is not a number");
        unsigned type = 0;
        if (!parseNumber(*interpolation, type) || type >= INTERPOLATION_COUNT)
            return fail("unknown interpolation '" + *interpolation + "'");
        key.interpolation = static_cast<Interpolation>(type);
        if (key.row < 0) return fail("negative row " + *row);
        if (!std::isfinite(key.value)) return fail("value " + *value + " is not finite");
        return true;
    }
};

bool readTrack(const xml::Element& element, ProjectTrack& track, std::string& reason) {
    const std::string* name = element.attribute("name");
    if (!name || name->empty()) {
        reason = "line " + std::to_string(element.line) + ": a track without a name";
        return false;
    }
    track.name = *name;
    for (const xml::Element& child : element.children) {
        if (child.name != "key") continue;
        Key key;
        if (!KeyReader{track.name, child, track.keys.size(), reason}.read(key)) return false;
        if (!track.keys.empty() && key.row <= track.keys.back().row) {
            KeyReader{track.name, child, track.keys.size(), reason}.fail(
                "rows not increasing (row " + std::to_string(key.row) + " after row " +
                std::to_string(track.keys.back().row) + ")");
            return false;
        }
        track.keys.push_back(key);
    }
    return true;
}

}  // namespace

bool parseRocketProject(const std::string& text, Project& project, std::string& reason) {
    xml::Element root;
    if (!xml::parse(text, root, reason)) return false;
    if (root.name != "sync") {
        reason = "the root element is <" + root.name + ">, not <sync>";
        return false;
    }
    Project read;
    if (const std::string* rows = root.attribute("rows")) {
        if (!parseNumber(*rows, read.rows) || read.rows < 0) {
            reason = "line " + std::to_string(root.line) + ": rows '" + *rows + "' is not a row count";
            return false;
        }
    }
    std::set<std::string> names;
    for (const xml::Element& group : root.children) {
        if (group.name != "tracks") continue;
        for (const xml::Element& element : group.children) {
            if (element.name != "track") continue;
            ProjectTrack track;
            if (!readTrack(element, track, reason)) return false;
            if (!names.insert(track.name).second) {
                reason = "line " + std::to_string(element.line) + ": a second track named '" + track.name + "'";
                return false;
            }
            read.tracks.push_back(std::move(track));
        }
    }
    project = std::move(read);
    return true;
}

bool readRocketProject(const std::string& path, Project& project, std::string& reason) {
    std::string text, why;
    switch (readWholeFile(path, MAX_PROJECT_BYTES, text, why)) {
    case WholeFile::Missing: why = "no such file"; break;
    case WholeFile::Failed: break;
    case WholeFile::Read:
        if (parseRocketProject(text, project, why)) return true;
        break;
    }
    reason = path + ": " + why;
    return false;
}

std::vector<std::string> applyProject(const Project& project, TrackSet& set) {
    std::vector<std::string> unknown;
    for (const ProjectTrack& track : project.tracks) {
        const Track* known = set.find(track.name);
        if (!known) {
            unknown.push_back(track.name);
            continue;
        }
        set.assign(set.index(track.name), track.keys);
    }
    return unknown;
}

}  // namespace tracks
