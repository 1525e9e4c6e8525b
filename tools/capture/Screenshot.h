// Screenshot: a finished frame read back from the GL back buffer, saved as PNG by the tools and tests.
#pragma once

#include <string>
#include <vector>

struct RGB {
    unsigned char r, g, b;
};

class Screenshot {
public:
    // Reads the back buffer; call it just before the swap (Clock::OnFrame) to get the finished frame.
    static Screenshot grab(int width = 640, int height = 480);

    RGB at(int x, int y) const;  // top-left origin, like the screen
    bool savePng(const std::string& path) const;

    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;  // rows top to bottom, 3 bytes a pixel
};
