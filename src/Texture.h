// Texture: one OpenGL 2D texture object made from a PNG file, nearest-filtered and repeating.
#pragma once

#include <GL/gl.h>

class Texture {
public:
    explicit Texture(const char* filename);
    // Intended: texture names live until the GL context closes; nothing is released here.
    ~Texture() {}

    void bind();

private:
    GLuint texid = 0;
};
