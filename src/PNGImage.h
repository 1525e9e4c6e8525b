// PNGImage: one PNG file decoded into a pixel buffer ready for glTexImage2D (rows bottom-up).
// A file that cannot be read or decoded becomes a small magenta-and-black checker, so the demo
// plays on and the missing picture is obvious. PNGImage::save writes 8-bit pictures, for the tools.
#pragma once

#include <string>

class PNGImage {
public:
    explicit PNGImage(const char* filename);
    // Decodes filename without a placeholder or a word on standard error: a file that fails leaves the
    // image empty (no data) and says why, in one line without the file's name.
    PNGImage(const char* filename, std::string& why);
    ~PNGImage();
    PNGImage(const PNGImage&) = delete;
    PNGImage& operator=(const PNGImage&) = delete;

    unsigned int getWidth() const { return width; }
    unsigned int getHeight() const { return height; }
    int getType() const { return type; }
    unsigned char* getData() const { return data; }
    bool isPlaceholder() const { return placeholder; }

    // Writes width x height pixels of channels bytes each (3: RGB, 4: RGBA), rows top first, to path as an
    // 8-bit PNG. False, with the reason and the path on standard error, if the file cannot be written.
    static bool save(const char* path, int width, int height, int channels, const unsigned char* rows);

    // Sides beyond this are refused before anything is allocated (no GL takes them anyway).
    static const unsigned int MAX_SIDE = 8192;
    static const unsigned int PLACEHOLDER_SIDE = 8;

private:
    // tell: the reason, naming the file, goes to standard error too.
    bool decode(const char* filename, std::string& why, bool tell);
    void makePlaceholder(const char* filename);

    unsigned int width = 0;
    unsigned int height = 0;
    int type = 0;                  // GL_LUMINANCE, GL_LUMINANCE_ALPHA, GL_RGB or GL_RGBA
    unsigned char* data = nullptr; // calloc'd, height rows, the file's last row first
    bool placeholder = false;
};
