// Reloading while the demo plays: the folder watcher over a real temporary folder with the time driven
// here, pictures read again into their textures, failures kept on show until fixed, the notice's frame.
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
using Paths = std::vector<std::string>;

namespace {

struct Folder {
    std::string path;
    Folder() {
        char name[] = "/tmp/moriq-watch-XXXXXX";
        path = mkdtemp(name);
    }
    ~Folder() { std::system(("rm -rf '" + path + "'").c_str()); }
    std::string operator/(const std::string& name) const { return path + "/" + name; }
};

void writeText(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

// A picture of one colour, 4 x 2 unless said, written in place or renamed over from a temporary beside it.
void writePicture(const std::string& path, RGB c, bool renamed = false, int side = 0) {
    const int w = side ? side : 4, h = side ? side : 2;
    std::vector<unsigned char> rows;
    for (int i = 0; i < w * h; ++i) rows.insert(rows.end(), {c.r, c.g, c.b});
    const std::string to = renamed ? path + ".part" : path;
    PNGImage::save(to.c_str(), w, h, 3, rows.data());
    if (renamed) std::rename(to.c_str(), path.c_str());
}

// The first texel of a level of a texture (at most 16 x 16 here), read without disturbing the binding.
RGB texel(const Texture& texture, int level = 0) {
    const int bound = integer(GL_TEXTURE_BINDING_2D);
    std::vector<unsigned char> texels(16 * 16 * 3);
    glBindTexture(GL_TEXTURE_2D, texture.name());
    glGetTexImage(GL_TEXTURE_2D, level, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
    glBindTexture(GL_TEXTURE_2D, bound);
    return RGB{texels[0], texels[1], texels[2]};
}

const RGB RED{255, 0, 0}, BLUE{0, 0, 255}, GREEN{0, 255, 0};

}  // namespace

TEST(DataWatch, AFilesChangesAreGivenOnceWhenItHasBeenQuietFor100Ms) {
    Folder folder;
    DataWatch watch;
    std::string why;
    ASSERT_TRUE(watch.watch(folder.path, why)) << why;
    writeText(folder / "a.track", "1");
    writeText(folder / "b.track", "1");
    EXPECT_TRUE(watch.poll(1060).empty() && watch.poll(1099).empty());
    writeText(folder / "a.track", "2");  // a's wait starts again
    EXPECT_TRUE(watch.poll(1120).empty());
    EXPECT_EQ(watch.poll(1160), Paths{folder / "b.track"});
    EXPECT_TRUE(watch.poll(1219).empty());
    EXPECT_EQ(watch.poll(1220), Paths{folder / "a.track"});
    writeText(folder / "a.track", "3");  // across a wrap of the caller's clock
    EXPECT_TRUE(watch.poll(0xFFFFFFF0u).empty() && watch.poll(83).empty());
    EXPECT_EQ(watch.poll(84), Paths{folder / "a.track"});
    EXPECT_FALSE(watch.watch("/nonexistent/moriq", why));
    EXPECT_NE(why.find("/nonexistent/moriq: No such file"), std::string::npos) << why;
    EXPECT_EQ(DataWatch::dataFolder(), "data");  // the tests run at the repository's root
}

TEST(DataWatch, ARenameOverIsTheTargetsChangeAndWhatIsGoneOrElsewhereIsNot) {
    Folder folder, outside;
    DataWatch watch;
    std::string why;
    ASSERT_TRUE(watch.watch(folder.path, why)) << why;
    // An editor's save through a temporary beside the file; a file from another folder; one gone again.
    writeText(folder / ".x.png.swp", "new");
    std::rename((folder / ".x.png.swp").c_str(), (folder / "x.png").c_str());
    writeText(outside / "y.png", "new");
    std::rename((outside / "y.png").c_str(), (folder / "y.png").c_str());
    writeText(folder / "gone.tmp", "");
    unlink((folder / "gone.tmp").c_str());
    // Not the folder's own: a subfolder's file, a new folder, an unwatched folder's file.
    mkdir((folder / "sub").c_str(), 0700);
    writeText(folder / "sub/z.png", "");
    writeText(outside / "w.png", "");
    EXPECT_TRUE(watch.poll(200).empty());
    EXPECT_EQ(watch.poll(300), (Paths{folder / "x.png", folder / "y.png"}));
}

TEST(Texture, APictureReloadsInPlaceWithItsFilteringAndABadFileKeepsIt) {
    ensureGL();
    Folder folder;
    writePicture(folder / "p.png", RED);
    writePicture(folder / "m.png", RED, false, 8);
    Texture plain((folder / "p.png").c_str()), sphere((folder / "m.png").c_str(), Texture::Upload{true, GL_RGB});
    const GLuint names[2] = {plain.name(), sphere.name()};
    sphere.bind();
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    Texture other(picture("palette8.png").c_str());
    other.bind();
    glPixelStorei(GL_UNPACK_ALIGNMENT, 8);

    writePicture(folder / "p.png", BLUE, true);
    writePicture(folder / "m.png", GREEN, false, 16);
    std::string why;
    bool known = false;
    EXPECT_TRUE(Texture::reloadFile(folder / "p.png", why, &known) && known) << why;
    EXPECT_TRUE(Texture::reloadFile(folder / "m.png", why, &known) && known) << why;
    EXPECT_TRUE(near(texel(plain), BLUE) && near(texel(sphere, 4), GREEN));
    EXPECT_TRUE(plain.name() == names[0] && sphere.name() == names[1]);
    sphere.bind();  // the mipmaps in the first upload's format; the filtering is the caller's still
    GLint format = 0, filter = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
    EXPECT_TRUE(format == GL_RGB && filter == GL_LINEAR_MIPMAP_LINEAR);
    other.bind();

    writeText(folder / "p.png", "not a picture");
    EXPECT_FALSE(Texture::reloadFile(folder / "p.png", why, &known));
    EXPECT_TRUE(why == "Not a PNG file" && near(texel(plain), BLUE));
    EXPECT_TRUE(Texture::reloadFile(folder / "q.png", why, &known) && !known);
    EXPECT_EQ(integer(GL_TEXTURE_BINDING_2D), static_cast<int>(other.name()));
    EXPECT_EQ(integer(GL_UNPACK_ALIGNMENT), 8);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glBindTexture(GL_TEXTURE_2D, 0);
}

// The gathering and a picture drawn anew are e2e_watch.py's; here what goes where and what is kept on show.
TEST(LiveReload, AFailureShowsAndIsSaidOnceUntilAGoodVersionOfItsFileArrives) {
    ensureGL();
    Folder folder;
    writePicture(folder / "p.png", RED);
    Texture texture((folder / "p.png").c_str());
    LiveReload live(nullptr, folder / "song.ogg", folder.path);
    Paths read;
    live.onChanged([&](const std::string& path, std::string& why) {
        read.push_back(path);
        std::string text;
        std::ifstream(path) >> text;
        why = "bad row " + text;
        return text != "broken";
    }, ".track");
    testing::internal::CaptureStderr();
    writeText(folder / "p.png", "not a picture");
    writeText(folder / "a.track", "broken");
    for (unsigned int t : {0, 100, 200}) live.poll(t);
    EXPECT_TRUE(near(texel(texture), RED));
    EXPECT_EQ(live.notice(), folder / "a.track: bad row broken (and 1 more)");  // the latest failure first
    std::string err = testing::internal::GetCapturedStderr();
    const std::string bad = folder / "p.png not reloaded, keeping the one before: Not a PNG file\n";
    EXPECT_TRUE(err.find(bad) != std::string::npos && err.find(bad) == err.rfind(bad)) << err;
    // The soundtrack without music, pictures and other endings never reach the reader; a fix clears its
    // failure only.
    writeText(folder / "song.ogg", "x");
    writeText(folder / "a.track~", "broken");
    writeText(folder / "a.track", "fine");
    for (unsigned int t : {300, 400}) live.poll(t);
    EXPECT_EQ(live.notice(), folder / "p.png: Not a PNG file");
    writePicture(folder / "p.png", GREEN);
    for (unsigned int t : {500, 600}) live.poll(t);
    EXPECT_EQ(live.notice(), "");
    EXPECT_TRUE(near(texel(texture), GREEN));
    EXPECT_EQ(read, (Paths{folder / "a.track", folder / "a.track"}));
}

TEST(LiveReload, TheSoundtrackIsReplacedOnlyByAFileThatLoads) {
    Music music;
    music.loadMusic("data/Tembrol_-_Verudoziv4.ogg");
    Mix_Music* const before = music.music;
    ASSERT_TRUE(before && !music.error);
    Folder folder;
    writeText(folder / "bad.ogg", std::string(4096, 'x'));
    std::string why;
    EXPECT_FALSE(music.reload(folder / "bad.ogg", why));
    EXPECT_TRUE(!why.empty() && music.music == before);
    EXPECT_TRUE(music.reload("data/Tembrol_-_Verudoziv4.ogg", why)) << why;
}

TEST(Notice, OneLineOverTheBottomOfTheFinishedPictureLeavingTheStateAsItWas) {
    EXPECT_TRUE(Notice::fit("short").dot == 2 && Notice::fit(std::string(80, 'x')).dot == 1);
    EXPECT_EQ(Notice::fit(std::string(200, 'y')).text, std::string(102, 'y') + "...");

    ensureGL();
    const Clock::Overlay notice([] { Notice::draw("L"); });
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glViewport(10, 10, 20, 20);
    const Frame frame = grabFrame([] {
        glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        Clock::present();
    });
    // A black band of 10 dots of 2 pixels; the L's stem 8 pixels in, its foot on the glyph's 7th row.
    const RGB white{255, 255, 255};
    const int top = 480 - Notice::CELL_HEIGHT * 2;
    EXPECT_EQ(countNear(frame, RGB{128, 128, 128}, 0, 0, 640, 460), 640 * 460);
    EXPECT_EQ(countNear(frame, RGB{0, 0, 0}, 0, 460, 640, 480), 640 * 20 - (2 * 14 + 8 * 2));
    EXPECT_EQ(countNear(frame, white, 8, top, 10, top + 14), 2 * 14);
    EXPECT_EQ(countNear(frame, white, 10, top + 12, 18, top + 14), 8 * 2);
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST) && glIsEnabled(GL_TEXTURE_2D) && viewport[0] == 10 && viewport[2] == 20);
    glDisable(GL_DEPTH_TEST), glDisable(GL_TEXTURE_2D), glViewport(0, 0, 640, 480);
}
