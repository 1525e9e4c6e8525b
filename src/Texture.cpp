// Texture upload: the decoded rows go to GL bottom-up, as PNGImage stores them.
#include "Texture.h"

#include "PNGImage.h"

Texture::Texture(const char* filename) {
    PNGImage* image = new PNGImage(filename);

    glGenTextures(1, &texid);
    glBindTexture(GL_TEXTURE_2D, texid);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);

    uploadPacked([&] {
        glTexImage2D(GL_TEXTURE_2D, 0, image->getType(), image->getWidth(), image->getHeight(), 0,
                     image->getType(), GL_UNSIGNED_BYTE, image->getData());
    });

    delete image;
    glBindTexture(GL_TEXTURE_2D, 0);
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
