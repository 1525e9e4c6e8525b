// Back-buffer read-back, the one the tools and the tests of both GL paths (libGL and the GL layer) use.
#include "Screenshot.h"

#include "PNGImage.h"

#include <GL/gl.h>

#include <algorithm>

Screenshot Screenshot::grab(int width, int height) {
    Screenshot shot;
    shot.width = width;
    shot.height = height;
    std::vector<unsigned char> bottomUp(static_cast<size_t>(width) * height * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, bottomUp.data());
    shot.rgb.resize(bottomUp.size());
    const size_t row = static_cast<size_t>(width) * 3;
    for (int y = 0; y < height; ++y)
        std::copy(bottomUp.begin() + (height - 1 - y) * row, bottomUp.begin() + (height - y) * row,
                  shot.rgb.begin() + y * row);
    return shot;
}

RGB Screenshot::at(int x, int y) const {
    const unsigned char* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
    return RGB{p[0], p[1], p[2]};
}

bool Screenshot::savePng(const std::string& path) const {
    return PNGImage::save(path.c_str(), width, height, 3, rgb.data());
}
