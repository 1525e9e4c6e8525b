// The live demo's command line and the size helpers it shares with the capture tool, without a display:
// what each option turns into, and every way a line is refused before any window opens.
#include "Options.h"
#include "Raster.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

Options parse(std::vector<const char*> args) {
    args.insert(args.begin(), "moriq-demo");
    return Options::parse(static_cast<int>(args.size()), args.data());
}

}  // namespace

// What --window, --size and --native do is seen on the screen by e2e_live_sizes.py.
TEST(Options, EachLineTurnsIntoItsActionOrIsRefusedWithWhatIsWrongOnOneLine) {
    const Options plain = parse({});
    EXPECT_TRUE(plain.action == Options::PLAY && !plain.window && !plain.native && !plain.reduceFlashes);
    EXPECT_TRUE(parse({"--window", "--reduce-flashes"}).reduceFlashes);
    EXPECT_EQ(plain.width * 1000 + plain.height, 640480);
    EXPECT_TRUE(!plain.watch && parse({"--window", "--watch"}).watch);
    const struct {
        std::vector<const char*> args;
        Options::Action action;
        std::string why;
    } lines[] = {
        // Asking for help or the version wins over whatever else is on the line.
        {{"--native", "--help", "--bogus"}, Options::HELP, ""},
        {{"--version"}, Options::VERSION, ""},
        {{"--bogus"}, Options::BAD, "unknown option '--bogus'"},
        {{"window"}, Options::BAD, "unknown option 'window'"},
        {{"--window", "--size"}, Options::BAD, "--size needs a size"},
        {{"--window", "--size", "800x"}, Options::BAD, "not '800x'"},
        {{"--window", "--size", "0x600"}, Options::BAD, "not '0x600'"},
        {{"--window", "--size", "3x600"}, Options::BAD, "has no room for a 4:3 picture"},
        {{"--size", "800x600"}, Options::BAD, "--size goes with --window"},
        {{"--native", "--size", "800x600"}, Options::BAD, "--size goes with --window"},
        {{"--native", "--window"}, Options::BAD, "exclude each other"},
        {{"--window", "--list-tracks"}, Options::LIST_TRACKS, ""},
        {{"--sync", "host:"}, Options::BAD, "--sync: editor address 'host:'"},
        {{"--sync", "70000"}, Options::BAD, "is not a number from 1 to 65535"},
        {{"--tracks"}, Options::BAD, "--tracks needs a folder"},
    };
    for (const auto& line : lines) {
        const Options options = parse(line.args);
        EXPECT_EQ(options.action, line.action) << line.why;
        EXPECT_NE(options.error.find(line.why), std::string::npos) << options.error;
        EXPECT_EQ(options.error.find('\n'), std::string::npos) << options.error;
    }
    // A bare --sync is the editor's own default; an address may follow it, or the next option.
    const Options bare = parse({"--sync", "--window"}), far = parse({"--sync", "studio:4000"});
    EXPECT_TRUE(bare.sync && bare.window && bare.syncAt.text() == "127.0.0.1:1338") << bare.error;
    EXPECT_EQ(far.syncAt.text(), "studio:4000");
}

TEST(Raster, SizesParseStrictlyAndThePictureIsTheLargest4By3CentredInTheFrame) {
    int w = 7, h = 9;
    for (const char* text : {"", "x", "640", "640x", "x480", "640x480x", "640*480", "-640x480", " 640x480", "640x 480",
                             "0x480", "640x0", "100001x480", "640x100001"}) {
        EXPECT_FALSE(Raster::parseSize(text, w, h)) << text;
        EXPECT_EQ(w * 10 + h, 79) << text;
    }
    EXPECT_TRUE(Raster::parseSize("1920X1080", w, h));
    EXPECT_EQ(w * 10000 + h, 19201080);
    EXPECT_TRUE(Raster::parseSize("100000x1", w, h));

    auto area = [](int width, int height) {
        const Raster::Area a = Raster::pictureArea(width, height);
        return std::vector<int>{a.x, a.y, a.width, a.height};
    };
    EXPECT_EQ(area(640, 480), (std::vector<int>{0, 0, 640, 480}));
    EXPECT_EQ(area(1920, 1080), (std::vector<int>{240, 0, 1440, 1080}));
    EXPECT_EQ(area(1280, 1024), (std::vector<int>{0, 32, 1280, 960}));
    EXPECT_EQ(area(643, 481), (std::vector<int>{1, 0, 640, 480}));  // odd leftovers: the extra pixel right and below
    EXPECT_EQ(area(3, 600)[2], 0);
}
