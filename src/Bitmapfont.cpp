// Bitmap font: cell lookup in the character table and one textured quad per glyph.
#include "Bitmapfont.h"

#include <GL/gl.h>

namespace {

const float CELL_WIDTH = 1.0f / Bitmapfont::COLUMNS;
const float CELL_HEIGHT = 1.0f / Bitmapfont::ROWS;
const int LAST_CELL = Bitmapfont::COLUMNS * Bitmapfont::ROWS - 1;

}  // namespace

Bitmapfont::Bitmapfont(const char* filename, char* characters, int characterWidth, int characterHeight)
    : fontMap(new Texture(filename)),
      characters(characters),
      characterWidth(characterWidth),
      characterHeight(characterHeight) {}

Bitmapfont::~Bitmapfont() {
    delete fontMap;
}

unsigned char Bitmapfont::foldCase(unsigned char c) {
    if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 32);
    switch (c) {
    case 230: return 198;  // ae ligature
    case 248: return 216;  // o with stroke
    case 229: return 197;  // a with ring
    default: return c;
    }
}

int Bitmapfont::cellIndex(const char* characters, char c) {
    const unsigned char folded = foldCase(static_cast<unsigned char>(c));
    if (folded == 0) return 0;
    if (!characters) return -1;
    for (int i = 0; characters[i] != '\0'; ++i) {
        if (static_cast<unsigned char>(characters[i]) == folded) return i < LAST_CELL ? i : LAST_CELL;
    }
    return -1;
}

void Bitmapfont::cellOrigin(int index, float* s, float* t) {
    int column = index;
    int row = 0;
    while (column > COLUMNS - 1) {
        column -= COLUMNS;
        ++row;
    }
    *s = column * CELL_WIDTH;
    *t = row * CELL_HEIGHT;
}

bool Bitmapfont::getCharacterPosition(char c, float* x, float* y) {
    const int index = cellIndex(characters, c);
    if (index < 0) return false;
    cellOrigin(index, x, y);
    return true;
}

void Bitmapfont::drawCharacter(SDL_Surface*, int x, int y, char c) {
    float s = 0.0f;
    float t = 0.0f;
    if (!getCharacterPosition(c, &s, &t)) return;
    fontMap->bind();
    glColor3ub(255, 255, 255);
    glBegin(GL_QUADS);
    glTexCoord2f(s + CELL_WIDTH, t);
    glVertex2i(x + characterWidth, y);
    glTexCoord2f(s, t);
    glVertex2i(x, y);
    glTexCoord2f(s, t + CELL_HEIGHT);
    glVertex2i(x, y + characterHeight);
    glTexCoord2f(s + CELL_WIDTH, t + CELL_HEIGHT);
    glVertex2i(x + characterWidth, y + characterHeight);
    glEnd();
}

void Bitmapfont::drawString(SDL_Surface* screen, int x, int y, const std::string& text) {
    int penX = x;
    int penY = y;
    for (char c : text) {
        if (c == '\n') {
            penX = x;
            penY += characterHeight;
        } else {
            drawCharacter(screen, penX, penY, c);
            penX += characterWidth;
        }
    }
}
