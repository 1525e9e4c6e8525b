// Bitmapfont: draws text as textured quads from a font atlas of 16 by 4 glyph cells, in whatever
// projection is current (screen pixels, y downward, under the pixel projection of Scene).
// Cells are addressed in texture space, where t = 0 is the bottom of the PNG: cell row 0 is the
// bottom quarter of the file, and a glyph's top edge on screen takes the lower edge of its cell,
// so an atlas for this font is stored upside down.
#pragma once

#include "Texture.h"

#include <SDL.h>

#include <string>

class Bitmapfont {
public:
    // characters lists the glyph of each cell in order (ISO 8859-1 bytes); it is not copied and must
    // outlive the font. A null table is an empty one.
    Bitmapfont(const char* filename, char* characters, int characterWidth, int characterHeight);
    ~Bitmapfont();
    Bitmapfont(const Bitmapfont&) = delete;
    Bitmapfont& operator=(const Bitmapfont&) = delete;

    // One glyph from corner (x, y) to (x + characterWidth, y + characterHeight); the surface is unused.
    // Texturing must be enabled by the caller. A character missing from the table draws nothing.
    void drawCharacter(SDL_Surface* screen, int x, int y, char c);
    // Draws text from (x, y); a newline returns to x one characterHeight lower. No wrapping or clipping.
    void drawString(SDL_Surface* screen, int x, int y, const std::string& text);

    // The atlas holds upper case only: a-z and the Norwegian lower-case letters fold to upper case.
    static unsigned char foldCase(unsigned char c);
    // The cell of c in the table (after folding), capped at 63; code 0 is cell 0; -1 when c is missing.
    static int cellIndex(const char* characters, char c);
    // Texture coordinates of the top-left origin of a cell.
    static void cellOrigin(int index, float* s, float* t);

    static const int COLUMNS = 16;
    static const int ROWS = 4;

private:
    // The cell origin for c; false (and nothing written) when c has no cell.
    bool getCharacterPosition(char c, float* x, float* y);

    Texture* fontMap = nullptr;
    char* characters;
    int characterWidth;
    int characterHeight;
};
