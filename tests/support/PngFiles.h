// Test support: small PNG files written with libpng, in the formats the loader must handle.
#pragma once

#include <string>
#include <vector>

namespace moriqtest {

struct PngSpec {
    int width = 1;
    int height = 1;
    int bitDepth = 8;
    int colorType = 0;                       // PNG_COLOR_TYPE_*
    std::vector<unsigned char> rows;         // packed rows, top row first, as PNG stores them
    std::vector<unsigned char> palette;      // RGB triples for palette images
    std::vector<unsigned char> transparency; // tRNS alphas for palette images
    double gamma = 0;                        // written as a gAMA chunk when positive
    bool interlaced = false;
};

// Writes the PNG; returns false if libpng refused.
bool writePng(const std::string& path, const PngSpec& picture);

// A temporary file name unique to this test process.
std::string tempPath(const std::string& name);

}  // namespace moriqtest
