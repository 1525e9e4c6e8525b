// Texture upload: the decoded rows go to GL bottom-up, as PNGImage stores them. The textures made from
// files are listed, so that a changed file reaches every one made from it.
#include "Texture.h"

#include "DataFiles.h"
#include "PNGImage.h"

#include <GL/glu.h>

#include <algorithm>
#include <vector>

namespace {
std::vector<Texture*>& made() {
    static std::vector<Texture*> all;
    return all;
}
}  // namespace

Texture::Texture(const char* filename) : filename(filename) {
    const PNGImage image(filename);
    glGenTextures(1, &texid);
    glBindTexture(GL_TEXTURE_2D, texid);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    upload(image);
    glBindTexture(GL_TEXTURE_2D, 0);
    made().push_back(this);
}

Texture::Texture(const char* filename, const Upload& upload) : filename(filename), how(upload) {
    const PNGImage image(filename);
    glGenTextures(1, &texid);
    glBindTexture(GL_TEXTURE_2D, texid);
    this->upload(image);
    glBindTexture(GL_TEXTURE_2D, 0);
    made().push_back(this);
}

Texture::~Texture() {
    made().erase(std::remove(made().begin(), made().end(), this), made().end());
}

void Texture::upload(const PNGImage& image) {
    const GLint format = how.internalFormat ? how.internalFormat : image.getType();
    uploadPacked([&] {
        if (how.mipmaps)
            gluBuild2DMipmaps(GL_TEXTURE_2D, format, image.getWidth(), image.getHeight(), image.getType(),
                              GL_UNSIGNED_BYTE, image.getData());
        else
            glTexImage2D(GL_TEXTURE_2D, 0, format, image.getWidth(), image.getHeight(), 0, image.getType(),
                         GL_UNSIGNED_BYTE, image.getData());
    });
}

bool Texture::reload(std::string& why) {
    const PNGImage image(filename.c_str(), why);
    if (!image.getData()) return false;
    replace(image);
    return true;
}

void Texture::replace(const PNGImage& image) {
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glBindTexture(GL_TEXTURE_2D, texid);
    upload(image);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(bound));
}

bool Texture::reloadFile(const std::string& path, std::string& why, bool* known) {
    std::vector<Texture*> from;
    for (Texture* texture : made())
        if (DataFiles::find(texture->filename) == path) from.push_back(texture);
    if (known) *known = !from.empty();
    if (from.empty()) return true;
    // Decoded once for all: the two metaballs scenes make textures of the same file.
    const PNGImage image(path.c_str(), why);
    if (!image.getData()) return false;
    for (Texture* texture : from) texture->replace(image);
    return true;
}

void Texture::uploadPacked(const std::function<void()>& upload) {
    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    upload();
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
}

void Texture::bind() {
    glBindTexture(GL_TEXTURE_2D, texid);
}
