// The editor's project files through our XML reader: a realistic project, and damaged ones refused with
// the place and the fault.
#include "tracks/RocketProject.h"
#include "tracks/Xml.h"
#include "tracks_bytes.h"

#include <gtest/gtest.h>

#include <fstream>

using tracks::Interpolation;
using tracks::Key;
using tracks::Project;

namespace {

const char* const REALISTIC = R"(<?xml version="1.0" encoding="UTF-8"?>
<!-- saved by an editor -->
<sync rows="10000">
	<tracks>
		<track name="Heightfield&#58;camera.z" folded="0" muteKeyCount="0" color="ffb27474">
			<key row="0" value="0" interpolation="1"/>
			<key row="32" value="-1e+06" interpolation='2' />
			<!-- a comment between keys -->
			<key row="64" value="0.5" interpolation="3"></key>
		</track>
		<track name='fade &amp; &lt;flash&gt; &quot;x&quot; &apos;y&apos; &#x41;'>
			<key row="8" value="1" interpolation="0"/>
		</track>
		<track name="empty"/>
	</tracks>
</sync>
)";

Project parsed(const std::string& text) {
    Project project;
    std::string reason;
    EXPECT_TRUE(tracks::parseRocketProject(text, project, reason)) << reason;
    return project;
}

// The reason a text is refused for ("" when it is taken).
std::string refusal(const std::string& text) {
    Project project;
    project.rows = -7;
    std::string reason;
    if (tracks::parseRocketProject(text, project, reason)) return "";
    EXPECT_EQ(project.rows, -7) << "a refused project must leave the output alone";
    return reason;
}

std::string inSync(const std::string& tracks) {
    return "<sync rows=\"100\"><tracks>\n" + tracks + "\n</tracks></sync>";
}

}  // namespace

TEST(RocketProject, ReadsWhatEditorsWrite) {
    const Project project = parsed(REALISTIC);
    ASSERT_TRUE(project.rows == 10000 && project.tracks.size() == 3u);
    EXPECT_EQ(project.tracks[0].name, "Heightfield:camera.z");
    EXPECT_EQ(project.tracks[0].keys, (std::vector<Key>{{0, 0.0f, Interpolation::Linear},
                                                         {32, -1e6f, Interpolation::Smooth},
                                                         {64, 0.5f, Interpolation::Ramp}}));
    EXPECT_EQ(project.tracks[1].name, "fade & <flash> \"x\" 'y' A");
    EXPECT_EQ(project.tracks[1].keys, (std::vector<Key>{{8, 1.0f, Interpolation::Step}}));
    EXPECT_TRUE(project.tracks[2].keys.empty());

    // A byte order mark, no declaration, no rows: still a project.
    EXPECT_EQ(parsed("\xEF\xBB\xBF<sync><tracks/></sync>").rows, 0);
    // Only <tracks> holds tracks: an element of the same name elsewhere is some other editor's.
    EXPECT_TRUE(parsed("<sync><extra><track name='x'/></extra></sync>").tracks.empty());
}

TEST(RocketProject, AppliesToTheTracksTheDemoHas) {
    tracks::TrackSet set;
    set.assign(set.index("empty"), {{0, 3.0f, Interpolation::Step}});
    set.index("Heightfield:camera.z");
    const std::vector<std::string> unknown = tracks::applyProject(parsed(REALISTIC), set);
    EXPECT_EQ(unknown, std::vector<std::string>{"fade & <flash> \"x\" 'y' A"});
    EXPECT_TRUE(set.size() == 2u && set[0].keys().empty());
    EXPECT_FLOAT_EQ(set[1].value(48.0, 0.0f), -499999.75f);  // smooth halfway from -1e6 to 0.5
}

TEST(RocketProject, RefusesDamagedProjectsSayingWhereAndWhy) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {inSync("<track name=\"a\"><key row=\"1\" value=\"2\" interpolation=\"1\"/>"), "line 3, column 1: the end tag </tracks> does not close <track>"},
        {"<sync><tracks>", "the element <tracks> is not closed"},
        {inSync("<track name=a/>"), "line 2, column 13: a quoted value was expected"},
        {inSync("<track name=\"a\" name=\"b\"/>"), "the attribute name is given twice"},
        {inSync("<track name=\"a&nbsp;\"/>"), "unknown entity '&nbsp;'"},
        {inSync("<track name=\"a&#xD800;\"/>"), "names no character"},
        {inSync("<track name=\"&#x110000;\"/>"), "names no character"},
        {inSync("<track name=\"a & b\"/>"), "an '&' that starts no entity"},
        {inSync("<track name=\"a<b\"/>"), "a '<' inside an attribute value"},
        {inSync("<track name=\"a\"b=\"1\"/>"), "a space was expected between attributes"},
        {"<!DOCTYPE sync><sync/>", "document type declaration"},
        {"<sync/>junk", "text outside the root element"},
        {"<sync/><sync/>", "a second root element"},
        {"<!-- only a comment -->", "no root element"},
        {"<sync><!-- open", "a comment is not closed"},
        {"<project/>", "the root element is <project>, not <sync>"},
        {"<sync rows=\"many\"/>", "rows 'many' is not a row count"},
        {std::string(200, ' ') + std::string(100, '<') , "a name was expected"},
        {inSync("<track><key row=\"1\" value=\"1\" interpolation=\"0\"/></track>"), "line 2: a track without a name"},
        {inSync("<track name=\"a\"/><track name=\"a\"/>"), "a second track named 'a'"},
        {inSync("<track name=\"t\">\n<key row=\"0\" value=\"1\" interpolation=\"0\"/>\n"
                "<key row=\"-1\" value=\"1\" interpolation=\"0\"/></track>"),
         "line 4: track 't' key 1: negative row -1"},
        {inSync("<track name=\"t\"><key row=\"1.5\" value=\"1\" interpolation=\"0\"/></track>"), "row '1.5' is not a whole number"},
        {inSync("<track name=\"t\"><key row=\"1\" value=\"nan\" interpolation=\"0\"/></track>"), "value nan is not finite"},
        {inSync("<track name=\"t\"><key row=\"1\" value=\"1e99\" interpolation=\"0\"/></track>"), "value 1e99 is not finite"},
        {inSync("<track name=\"t\"><key row=\"1\" value=\" 1\" interpolation=\"0\"/></track>"), "value ' 1' is not a number"},
        {inSync("<track name=\"t\"><key row=\"1\" value=\"1\" interpolation=\"4\"/></track>"), "key 0: unknown interpolation '4'"},
        {inSync("<track name=\"t\"><key row=\"1\" interpolation=\"0\"/></track>"), "key 0: no value attribute"},
        {inSync("<track name=\"t\"><key row=\"5\" value=\"1\" interpolation=\"0\"/>"
                "<key row=\"5\" value=\"2\" interpolation=\"0\"/></track>"), "key 1: rows not increasing (row 5 after row 5)"},
    };
    for (const auto& [text, reason] : cases) {
        const std::string got = refusal(text);
        EXPECT_NE(got.find(reason), std::string::npos) << "'" << got << "' instead of '" << reason << "' for " << text;
    }
}

TEST(RocketProject, HostileNestingAndSizesStayBounded) {
    std::string deep;
    for (int i = 0; i < 100000; ++i) deep += "<a>";
    EXPECT_NE(refusal("<sync>" + deep).find("nested deeper than"), std::string::npos);

    // Many entities and lines: linear work, and the line count still right at the end.
    std::string wide = "<sync>\n";
    for (int i = 0; i < 20000; ++i) wide += "<x a=\"&amp;&#65;&lt;\"/>\n";
    wide += "<bad";
    EXPECT_NE(refusal(wide).find("line 20002, column 5: the tag <bad> is not closed"), std::string::npos) << refusal(wide);
}

TEST(RocketProject, ReadsFilesAndNamesTheFileInReasons) {
    const Folder folder;
    const std::string path = folder.path + "/demo.rocket";
    Project project;
    std::string reason;
    std::ofstream(path) << "<sync>";
    EXPECT_FALSE(tracks::readRocketProject(path, project, reason));
    EXPECT_EQ(reason.rfind(path + ": line 1", 0), 0u) << reason;
    std::filesystem::remove(path);
    EXPECT_FALSE(tracks::readRocketProject(path, project, reason));
    EXPECT_EQ(reason, path + ": no such file");
    EXPECT_FALSE(tracks::readRocketProject(folder.path, project, reason));
    EXPECT_EQ(reason, folder.path + ": not a regular file");
    // A reason left from before does not make a good file fail.
    std::ofstream(path) << REALISTIC;
    EXPECT_TRUE(tracks::readRocketProject(path, project, reason) && project.tracks.size() == 3u) << reason;
}
