// Notice: one line of text over the finished picture, white on a black band along its bottom, in a small
// font of its own (5 by 7 dots, drawn as squares, so it stays sharp at any picture size): for what the
// viewer must see while it holds, such as a data file that failed to reload.
#pragma once

#include <string>

namespace Notice {

// Dots of a glyph, and the cell a character takes (a dot's space after it and under it).
const int GLYPH_WIDTH = 5;
const int GLYPH_HEIGHT = 7;
const int CELL_WIDTH = 6;
const int CELL_HEIGHT = 9;

// The line as drawn and the size of its dots in pixels of the 640x480 picture: 2 where it fits, else 1;
// a line too long even then is cut and ends in "...".
struct Line {
    std::string text;
    int dot;
};
Line fit(const std::string& text);

// The glyph of c, one row a byte from the top, bit 4 the leftmost dot; lower case is drawn as upper
// case, and a character the font lacks as '?'.
const unsigned char* glyph(char c);

// Draws text over the picture (nothing for an empty one), leaving GL's state as it was.
void draw(const std::string& text);

}  // namespace Notice
