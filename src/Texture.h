// Texture: one OpenGL 2D texture object made from a PNG file, nearest-filtered and repeating.
#pragma once

#include <GL/gl.h>

#include <functional>

class Texture {
public:
    explicit Texture(const char* filename);
    // Intended: texture names live until the GL context closes; nothing is released here.
    ~Texture() {}

    void bind();

    // Runs upload with an unpack alignment of 1, then puts the caller's back: decoded rows are tightly
    // packed, and any other alignment would skew odd-width pictures or read past their end.
    static void uploadPacked(const std::function<void()>& upload);

private:
    GLuint texid = 0;
};
