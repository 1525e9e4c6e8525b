// Reloading while the demo plays: the folder watcher's gathering and renames over a real temporary folder
// with the time driven here, pictures read again into their textures, the readers' files, the failures
// kept on show until fixed, and the notice drawn over a finished frame.
#include "Clock.h"
#include "DataWatch.h"
#include "GLTest.h"
#include "LiveReload.h"
#include "Music.h"
#include "Notice.h"
#include "PNGImage.h"
#include "Texture.h"

#include <GL/gl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <vector>

using namespace moriqtest;

namespace {

class Folder {
public:
    Folder() {
        char name[] = "/tmp/moriq-watch-XXXXXX";
        path = mkdtemp(name);
    }
    ~Folder() { std::system(("rm -rf '" + path + "'").c_str()); }
    std::string operator/(const std::string& name) const { return path + "/" + name; }
    std::string path;
};

void writeText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// A picture of one colour, w x h, written in place or (renamed) through a temporary beside it.
void writePicture(const std::string& path, RGB c, bool renamed = false, int w = 4, int h = 2) {
    std::vector<unsigned char> rows;
    for (int i = 0; i < w * h; ++i) rows.insert(rows.end(), {c.r, c.g, c.b});
    const std::string to = renamed ? path + ".part" : path;
    ASSERT_TRUE(PNGImage::save(to.c_str(), w, h, 3, rows.data()));
    if (renamed) {
        ASSERT_EQ(std::rename(to.c_str(), path.c_str()), 0);
    }
}

// The first texel of a level of texture, read without disturbing the binding.
RGB texel(const Texture& texture, int level = 0) {
    const int bound = integer(GL_TEXTURE_BINDING_2D);
    glBindTexture(GL_TEXTURE_2D, texture.name());
    const int w = [&] { GLint v = 0; glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &v); return v; }();
    const int h = [&] { GLint v = 0; glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &v); return v; }();
    std::vector<unsigned char> texels(static_cast<size_t>(std::max(w * h, 1)) * 3);
    glGetTexImage(GL_TEXTURE_2D, level, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
    glBindTexture(GL_TEXTURE_2D, bound);
    return RGB{texels[0], texels[1], texels[2]};
}

const RGB RED{255, 0, 0}, BLUE{0, 0, 255}, GREEN{0, 255, 0};

}  // namespace

TEST(DataWatch, AFilesChangesAreGatheredUntilItHasBeenQuietFor100MsThenGivenOnce) {
    Folder folder;
    DataWatch watch;
    std::string why;
    ASSERT_TRUE(watch.watch(folder.path, why)) << why;
    writeText(folder / "a.track", "1");
    EXPECT_TRUE(watch.poll(1000).empty());
    writeText(folder / "b.track", "1");
    EXPECT_TRUE(watch.poll(1060).empty());
    // a is quiet from 1000, b from 1060; a second write of a restarts its wait.
    EXPECT_TRUE(watch.poll(1099).empty());
    writeText(folder / "a.track", "2");
    EXPECT_TRUE(watch.poll(1120).empty());
    EXPECT_EQ(watch.poll(1160), std::vector<std::string>{folder / "b.track"});
    EXPECT_TRUE(watch.poll(1219).empty());
    EXPECT_EQ(watch.poll(1220), std::vector<std::string>{folder / "a.track"});
    EXPECT_TRUE(watch.poll(5000).empty());
    // Across a wrap of the caller's clock the wait is the same.
    writeText(folder / "a.track", "3");
    EXPECT_TRUE(watch.poll(0xFFFFFFF0u).empty());
    EXPECT_TRUE(watch.poll(80).empty());
    EXPECT_EQ(watch.poll(84), std::vector<std::string>{folder / "a.track"});
}

TEST(DataWatch, ARenameOverIsTheTargetsChangeAndWhatIsGoneOrElsewhereIsNot) {
    Folder folder, outside;
    ASSERT_EQ(mkdir((folder / "sub").c_str(), 0700), 0);
    DataWatch watch;
    std::string why;
    ASSERT_TRUE(watch.watch(folder.path, why)) << why;
    writeText(folder / "x.png", "old");
    watch.poll(0);
    EXPECT_EQ(watch.poll(100), std::vector<std::string>{folder / "x.png"});
    // An editor's save: a temporary beside it renamed over it; one from another folder; one deleted unused.
    writeText(folder / ".x.png.swp", "new");
    ASSERT_EQ(std::rename((folder / ".x.png.swp").c_str(), (folder / "x.png").c_str()), 0);
    writeText(outside / "y.png", "new");
    ASSERT_EQ(std::rename((outside / "y.png").c_str(), (folder / "y.png").c_str()), 0);
    writeText(folder / "gone.tmp", "");
    ASSERT_EQ(unlink((folder / "gone.tmp").c_str()), 0);
    // Not in the folder itself: a subfolder's file, a new folder, an unwatched folder's file.
    writeText(folder / "sub/z.png", "");
    ASSERT_EQ(mkdir((folder / "newdir").c_str(), 0700), 0);
    writeText(outside / "w.png", "");
    EXPECT_TRUE(watch.poll(200).empty());
    EXPECT_EQ(watch.poll(300), (std::vector<std::string>{folder / "x.png", folder / "y.png"}));
}

TEST(DataWatch, AFolderThatCannotBeWatchedSaysWhyAndTheDemosIsFoundLikeItsFiles) {
    DataWatch watch;
    std::string why;
    EXPECT_FALSE(watch.watch("/nonexistent/moriq", why));
    EXPECT_NE(why.find("/nonexistent/moriq: No such file"), std::string::npos) << why;
    Folder folder;
    writeText(folder / "file", "");
    EXPECT_FALSE(watch.watch(folder / "file", why));
    EXPECT_NE(why.find(folder / "file"), std::string::npos) << why;
    EXPECT_TRUE(watch.poll(1000).empty());
    // The tests run at the repository's root, whose data/ the demo reads.
    EXPECT_EQ(DataWatch::dataFolder(), "data");
}

TEST(Texture, APictureReloadsInPlaceWithItsFilteringAndABadFileKeepsIt) {
    ensureGL();
    Folder folder;
    writePicture(folder / "p.png", RED);
    writePicture(folder / "m.png", RED, false, 8, 8);
    Texture plain((folder / "p.png").c_str());
    Texture sphere((folder / "m.png").c_str(), Texture::Upload{true, GL_RGB});
    glBindTexture(GL_TEXTURE_2D, sphere.name());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    Texture other(picture("palette8.png").c_str());
    other.bind();
    glPixelStorei(GL_UNPACK_ALIGNMENT, 8);
    const GLuint names[2] = {plain.name(), sphere.name()};

    writePicture(folder / "p.png", BLUE, true, 5, 3);
    writePicture(folder / "m.png", GREEN, false, 16, 16);
    std::string why;
    bool known = false;
    EXPECT_TRUE(Texture::reloadFile(folder / "p.png", why, &known) && known) << why;
    EXPECT_TRUE(Texture::reloadFile(folder / "m.png", why, &known) && known) << why;
    EXPECT_TRUE(near(texel(plain), BLUE));
    // The mipmaps are made again, in the format of the first upload; the filtering is the caller's still.
    EXPECT_TRUE(near(texel(sphere, 4), GREEN));
    glBindTexture(GL_TEXTURE_2D, sphere.name());
    GLint format = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
    EXPECT_EQ(format, GL_RGB);
    GLint filter = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
    EXPECT_EQ(filter, GL_LINEAR_MIPMAP_LINEAR);
    glBindTexture(GL_TEXTURE_2D, plain.name());
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &filter);
    EXPECT_EQ(filter, GL_NEAREST);
    other.bind();
    EXPECT_EQ(plain.name(), names[0]);
    EXPECT_EQ(sphere.name(), names[1]);

    // A file that fails keeps the picture; one no texture came from is nobody's.
    writeText(folder / "p.png", "not a picture");
    EXPECT_FALSE(Texture::reloadFile(folder / "p.png", why, &known));
    EXPECT_TRUE(known);
    EXPECT_NE(why.find("Not a PNG file"), std::string::npos) << why;
    EXPECT_TRUE(near(texel(plain), BLUE));
    EXPECT_TRUE(Texture::reloadFile(folder / "q.png", why, &known));
    EXPECT_FALSE(known);
    EXPECT_EQ(integer(GL_TEXTURE_BINDING_2D), static_cast<int>(other.name()));
    EXPECT_EQ(integer(GL_UNPACK_ALIGNMENT), 8);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glBindTexture(GL_TEXTURE_2D, 0);
}

TEST(LiveReload, PicturesAndOtherFilesReloadAndAFailureShowsOnceUntilAGoodVersionArrives) {
    ensureGL();
    Folder folder;
    writePicture(folder / "p.png", RED);
    Texture texture((folder / "p.png").c_str());
    LiveReload live(nullptr, folder / "song.ogg", folder.path);
    std::vector<std::string> read;
    live.onChanged([&](const std::string& path, std::string& why) {
        read.push_back(path);
        std::ifstream in(path);
        std::string text;
        in >> text;
        why = "bad row " + text;
        return text != "broken";
    });
    testing::internal::CaptureStderr();
    writePicture(folder / "p.png", BLUE, true);
    live.poll(0);
    live.poll(99);
    EXPECT_TRUE(near(texel(texture), RED));
    live.poll(100);
    EXPECT_TRUE(near(texel(texture), BLUE));

    writeText(folder / "p.png", "not a picture");
    writeText(folder / "a.track", "broken");
    live.poll(200);
    live.poll(300);
    live.poll(400);
    EXPECT_TRUE(near(texel(texture), BLUE));
    const std::string notice = live.notice();
    // Released in the order of their first change: the track failed last.
    EXPECT_EQ(notice, folder / "a.track: bad row broken (and 1 more)");
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err.find(folder / "p.png not reloaded"), err.rfind(folder / "p.png not reloaded")) << err;
    EXPECT_NE(err.find(folder / "p.png not reloaded, keeping the one before: Not a PNG file\n"), std::string::npos);
    EXPECT_NE(err.find(folder / "a.track not reloaded, keeping the one before: bad row broken\n"), std::string::npos);

    // The soundtrack without music, and pictures, never reach the readers; fixing one failure leaves the other.
    testing::internal::CaptureStderr();
    writeText(folder / "song.ogg", "x");
    writeText(folder / "a.track", "fine");
    live.poll(500);
    live.poll(600);
    EXPECT_EQ(live.notice(), folder / "p.png: Not a PNG file");
    writePicture(folder / "p.png", GREEN);
    live.poll(700);
    live.poll(800);
    EXPECT_EQ(live.notice(), "");
    EXPECT_TRUE(near(texel(texture), GREEN));
    err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find(folder / "p.png reloaded\n"), std::string::npos) << err;
    EXPECT_EQ(err.find("not reloaded"), std::string::npos) << err;
    EXPECT_EQ(read, (std::vector<std::string>{folder / "a.track", folder / "a.track"}));
}

TEST(LiveReload, TheSoundtrackIsReplacedOnlyByAFileThatLoads) {
    Music music;
    ASSERT_FALSE(music.error);
    music.loadMusic("data/Tembrol_-_Verudoziv4.ogg");
    Mix_Music* const before = music.music;
    ASSERT_TRUE(before);
    Folder folder;
    writeText(folder / "bad.ogg", std::string(4096, 'x'));
    std::string why;
    EXPECT_FALSE(music.reload(folder / "bad.ogg", why));
    EXPECT_FALSE(why.empty());
    EXPECT_EQ(music.music, before);
    EXPECT_TRUE(music.reload("data/Tembrol_-_Verudoziv4.ogg", why)) << why;
    EXPECT_NE(music.music, nullptr);
    EXPECT_FALSE(music.error);
}

TEST(Notice, OneLineFitsThePictureInTheFontsGlyphs) {
    EXPECT_EQ(Notice::fit("short").dot, 2);
    const std::string longer(80, 'x'), longest(200, 'y');
    EXPECT_EQ(Notice::fit(longer).dot, 1);
    EXPECT_EQ(Notice::fit(longer).text, longer);
    const Notice::Line cut = Notice::fit(longest);
    EXPECT_EQ(cut.dot, 1);
    EXPECT_LE(static_cast<int>(cut.text.size()) * Notice::CELL_WIDTH, 640);
    EXPECT_GT(static_cast<int>(cut.text.size()) * Notice::CELL_WIDTH, 600);
    EXPECT_EQ(cut.text.substr(cut.text.size() - 3), "...");
    EXPECT_EQ(Notice::glyph('a'), Notice::glyph('A'));
    EXPECT_EQ(Notice::glyph('~'), Notice::glyph('?'));
    EXPECT_NE(Notice::glyph('O'), Notice::glyph('0'));
}

TEST(Notice, IsDrawnOverTheFinishedPictureAlongItsBottomAndLeavesTheStateAsItWas) {
    ensureGL();
    const Clock::Overlay notice([] { Notice::draw("L"); });
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glViewport(10, 10, 20, 20);
    const Frame frame = grabFrame([] {
        glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        Clock::present();
    });
    // The band: 10 dots of 2 pixels from the bottom; the L's stem 8 pixels in and its foot on the 7th row.
    const RGB grey{128, 128, 128}, black{0, 0, 0}, white{255, 255, 255};
    EXPECT_EQ(countNear(frame, grey, 0, 0, 640, 460), 640 * 460);
    EXPECT_TRUE(near(frame.at(4, 465), black) && near(frame.at(600, 470), black));
    const int top = 480 - Notice::CELL_HEIGHT * 2;
    EXPECT_EQ(countNear(frame, white, 8, top, 10, top + 14), 2 * 14);
    EXPECT_EQ(countNear(frame, white, 10, top, 18, top + 12), 0);
    EXPECT_EQ(countNear(frame, white, 8, top + 12, 18, top + 14), 10 * 2);
    EXPECT_EQ(countNear(frame, white, 0, 0, 640, 480), 2 * 14 + 8 * 2);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST) && glIsEnabled(GL_TEXTURE_2D) && glIsEnabled(GL_BLEND));
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_TRUE(viewport[0] == 10 && viewport[2] == 20);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glViewport(0, 0, 640, 480);
}
