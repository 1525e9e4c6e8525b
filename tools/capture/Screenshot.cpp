// Back-buffer read-back and a small libpng writer for 8-bit RGB pictures.
#include "Screenshot.h"

#include <GL/gl.h>
#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <iostream>

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
    FILE* file = fopen(path.c_str(), "wb");
    if (!file) {
        // Read before the stream writes anything: a write may change errno.
        const char* why = std::strerror(errno);
        std::cerr << "PNG: Failed to open " << path << " for writing: " << why << std::endl;
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, info ? &info : nullptr);
        fclose(file);
        std::cerr << "PNG: could not write " << path << std::endl;
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y)
        png_write_row(png, const_cast<png_bytep>(&rgb[static_cast<size_t>(y) * width * 3]));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    // The end of a picture waits in the stream's buffer until the close: a full disk may show only there.
    if (fclose(file) != 0) {
        const char* why = std::strerror(errno);
        std::cerr << "PNG: could not write " << path << ": " << why << std::endl;
        return false;
    }
    return true;
}
