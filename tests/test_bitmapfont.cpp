// The bitmap font: case folding (Norwegian letters included), a lookup that stays inside its table,
// and glyphs drawn from the right cells at the right pen positions, read back from the screen.
#include "Bitmapfont.h"
#include "Clock.h"
#include "GLTest.h"
#include "SolidPictures.h"

#include <GL/gl.h>
#include <gtest/gtest.h>
#include <png.h>

#include <string>

using namespace moriqtest;

namespace {

// The letters, the digits, four marks and the Norwegian capitals in ISO 8859-1 (cells 40 to 42).
char TABLE[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789.,!?\xC6\xD8\xC5";

// Test atlas of 4 by 4 texel cells: red tells the column, green the row (counted in texture space,
// from the bottom of the file), blue the quarter of the cell.
RGB cellColour(int column, int row, bool lowerInFile, bool right) {
    return RGB{static_cast<unsigned char>(column * 16 + 8), static_cast<unsigned char>(row * 64 + 32),
               static_cast<unsigned char>(40 + (lowerInFile ? 100 : 0) + (right ? 50 : 0))};
}

const int W = 16, H = 24;  // drawn glyph size in pixels

// Each screen quarter of a glyph shows its cell quarter; the glyph's top takes the cell's lower half.
void expectGlyph(const Frame& f, int x, int y, int index, const char* what) {
    for (int top = 0; top < 2; ++top)
        for (int right = 0; right < 2; ++right)
            EXPECT_TRUE(near(f.at(x + W / 4 + right * W / 2, y + H / 4 + (1 - top) * H / 2),
                             cellColour(index % 16, index / 16, top, right)))
                << what << " quarter " << top << right;
}

// Draws text at (100, 50) with a font over a test atlas whose cell colours tell where they came from.
Frame drawText(const std::string& text) {
    ensureGL();
    PngSpec atlas;
    atlas.width = 64;
    atlas.height = 16;
    atlas.colorType = PNG_COLOR_TYPE_RGB;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 64; ++x) {
            const RGB c = cellColour(x / 4, 3 - y / 4, y % 4 >= 2, x % 4 >= 2);
            atlas.rows.insert(atlas.rows.end(), {c.r, c.g, c.b});
        }
    Bitmapfont* font = nullptr;
    withPictures({{"data/font.png", atlas}}, [&] { font = new Bitmapfont("data/font.png", TABLE, W, H); });
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, 640.0, 480.0, 0.0, 1.0, -1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_TEXTURE_2D);
    const Frame f = grabFrame([&] {
        glClear(GL_COLOR_BUFFER_BIT);
        font->drawString(nullptr, 100, 50, text);
        Clock::swapBuffers();
    });
    glPopAttrib();
    delete font;
    return f;
}

}  // namespace

TEST(FontLookup, FoldsCaseFindsCellsAndNeverLooksPastTheTable) {
    for (char c = 'a'; c <= 'z'; ++c) EXPECT_EQ(Bitmapfont::cellIndex(TABLE, c), c - 'a') << c;
    for (int i = 0; i < 3; ++i) EXPECT_EQ(Bitmapfont::cellIndex(TABLE, "\xE6\xF8\xE5"[i]), 40 + i);  // small ae, o, a
    EXPECT_EQ(Bitmapfont::foldCase(0xE9), 0xE9);          // e acute has no cell and stays as it is
    float s = -1, t = -1;
    Bitmapfont::cellOrigin(Bitmapfont::cellIndex(TABLE, 'u'), &s, &t);  // position 20
    EXPECT_FLOAT_EQ(s, 0.25f);
    EXPECT_FLOAT_EQ(t, 0.25f);

    EXPECT_EQ(Bitmapfont::cellIndex(TABLE, '#'), -1);
    EXPECT_EQ(Bitmapfont::cellIndex(TABLE, '\0'), 0);
    EXPECT_EQ(Bitmapfont::cellIndex(nullptr, 'A'), -1);
    const char cutShort[] = {'A', 'B', '\0', 'C'};
    EXPECT_EQ(Bitmapfont::cellIndex(cutShort, 'C'), -1);
}

TEST(FontDrawing, DrawsGlyphsFromTheirCellsAtThePenWithLineBreaks) {
    // Lower and upper case alike, a gap for the unknown '#', a new line back at the starting x.
    const Frame f = drawText("aU\n\xE5#b");
    expectGlyph(f, 100, 50, 0, "a");
    expectGlyph(f, 100 + W, 50, 20, "U");
    expectGlyph(f, 100, 50 + H, 42, "a with ring");
    expectGlyph(f, 100 + 2 * W, 50 + H, 1, "b");
    for (int y = 50 + H; y < 50 + 2 * H; y += 3)
        for (int x = 100 + W; x < 100 + 2 * W; x += 3) EXPECT_TRUE(near(f.at(x, y), RGB{0, 0, 0})) << x << "," << y;
    for (const std::pair<int, int>& outside : {std::pair<int, int>{99, 60}, {100 + 2 * W, 60}, {110, 49}, {110, 50 + 2 * H}})
        EXPECT_TRUE(near(f.at(outside.first, outside.second), RGB{0, 0, 0})) << outside.first << "," << outside.second;

    for (const std::string& nothing : {std::string(), std::string("# \n$%")}) {
        const Frame g = drawText(nothing);
        for (size_t i = 0; i < g.rgb.size(); ++i) ASSERT_EQ(g.rgb[i], 0) << '"' << nothing << '"';
    }
}
