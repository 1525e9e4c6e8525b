// Texture: one OpenGL 2D texture object made from a PNG file, nearest-filtered and repeating, or uploaded
// with mipmaps for a caller that sets its own filtering. Every texture made from a file can read it again
// in place (the demo's --watch): same GL name, same filtering, so whoever binds it sees the new picture.
#pragma once

#include <GL/gl.h>

#include <functional>
#include <string>

class Texture {
public:
    // How the picture goes to GL: with mipmaps or not, and in the picture's own format (0) or another.
    struct Upload {
        bool mipmaps = false;
        GLint internalFormat = 0;
    };

    explicit Texture(const char* filename);
    // Only the upload: the filtering and wrapping are the caller's, and stay through reloads.
    Texture(const char* filename, const Upload& upload);
    // Only leaves the list of reloadable textures. Intended: texture names live until the GL context
    // closes; nothing is released here.
    ~Texture();
    Texture(const Texture&) = delete;
    Texture& operator=(const Texture&) = delete;

    void bind();
    GLuint name() const { return texid; }

    // Decodes the file again into the same texture; a picture that fails to decode leaves the one shown
    // and returns false with the reason. The GL bindings and unpack state are left as they were.
    bool reload(std::string& why);
    // Reloads every texture made from the file at path (as DataFiles finds their names). False with the
    // reason when the file fails; *known tells whether any texture came from it.
    static bool reloadFile(const std::string& path, std::string& why, bool* known = nullptr);

    // Runs upload with an unpack alignment of 1, then puts the caller's back: decoded rows are tightly
    // packed, and any other alignment would skew odd-width pictures or read past their end.
    static void uploadPacked(const std::function<void()>& upload);

private:
    void upload(const class PNGImage& image);
    // Uploads image into this texture, leaving the 2D binding as it was.
    void replace(const class PNGImage& image);

    GLuint texid = 0;
    std::string filename;
    Upload how;
};
