// PNG decoding through libpng's read API: palette and low bit depths expanded, transparency
// turned into alpha, 16-bit samples scaled to 8 bits, rows stored bottom-up for OpenGL; and writing
// 8-bit RGB and RGBA pictures through its write API.
#include "PNGImage.h"

#include "DataFiles.h"

#include <GL/gl.h>
#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

namespace {

// Upper bound on a decoded buffer (a 4096x4096 RGBA picture); larger images are refused as
// decompression bombs. It must stay below MAX_SIDE^2 * 4 or only the side limit would ever act.
const size_t MAX_BYTES = 64u * 1024u * 1024u;

// One decoding's state, owned by the caller of decodeInto: libpng's error jump returns into decodeInto,
// and what it wrote through its reference is in memory then, where its locals changed since the jump
// point would not be. One a call, so decodings in different threads or interleaved stay apart.
struct Decoding {
    // Why it failed: the open, libpng (its message in why) or a limit; why is one line without the file's name.
    enum Failure { NONE, OPEN, DECODE, LIMIT } failure = NONE;
    std::string why;
    FILE* file = nullptr;
    png_structp png = nullptr;
    png_infop info = nullptr;
    png_bytep* rows = nullptr;
    unsigned char* pixels = nullptr;
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int colorType = 0;

    ~Decoding() {
        if (png) png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
        free(rows);
        free(pixels);
        if (file) fclose(file);
    }
};

int glTypeOf(int colorType) {
    switch (colorType) {
    case PNG_COLOR_TYPE_GRAY: return GL_LUMINANCE;
    case PNG_COLOR_TYPE_GRAY_ALPHA: return GL_LUMINANCE_ALPHA;
    case PNG_COLOR_TYPE_RGB_ALPHA: return GL_RGBA;
    default: return GL_RGB;
    }
}

// libpng's errors end in the jump back into decodeInto, their message kept for the caller to tell.
void keepError(png_structp png, png_const_charp message) {
    static_cast<Decoding*>(png_get_error_ptr(png))->why = message;
    png_longjmp(png, 1);
}

bool fail(Decoding& d, Decoding::Failure failure, const std::string& why) {
    d.failure = failure;
    d.why = why;
    return false;
}

// Decodes filename into d; false, with the reason in d, when it can't. d releases whatever it holds.
bool decodeInto(Decoding& d, const char* filename) {
    const std::string path = DataFiles::find(filename);
    d.file = path.empty() ? nullptr : fopen(path.c_str(), "rb");
    if (!d.file) return fail(d, Decoding::OPEN, path.empty() ? "no such file" : std::strerror(errno));
    d.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &d, keepError, nullptr);
    if (!d.png) return fail(d, Decoding::LIMIT, "png_create_read_struct() failed");
    d.info = png_create_info_struct(d.png);
    if (!d.info) return fail(d, Decoding::LIMIT, "png_create_info_struct() failed");
    if (setjmp(png_jmpbuf(d.png))) return fail(d, Decoding::DECODE, d.why);

    png_init_io(d.png, d.file);
    png_read_info(d.png, d.info);

    png_uint_32 w = 0, h = 0;
    int bitDepth = 0, colorType = 0;
    png_get_IHDR(d.png, d.info, &w, &h, &bitDepth, &colorType, nullptr, nullptr, nullptr);
    if (w > PNGImage::MAX_SIDE || h > PNGImage::MAX_SIDE)
        return fail(d, Decoding::LIMIT, "is " + std::to_string(w) + "x" + std::to_string(h) + ", larger than " +
                                            std::to_string(PNGImage::MAX_SIDE) + " pixels a side; refused");

    if (colorType == PNG_COLOR_TYPE_PALETTE || bitDepth < 8) png_set_expand(d.png);
    if (png_get_valid(d.png, d.info, PNG_INFO_tRNS)) png_set_expand(d.png);
    // 16-bit samples are scaled to 8 so every texture upload can take unsigned bytes.
    if (bitDepth == 16) png_set_scale_16(d.png);
    double fileGamma = 1.0;
    if (png_get_gAMA(d.png, d.info, &fileGamma))
        png_set_gamma(d.png, 1.0, fileGamma);
    else
        png_set_gamma(d.png, 1.0, 1.0);
    png_set_interlace_handling(d.png);

    png_read_update_info(d.png, d.info);
    d.colorType = png_get_color_type(d.png, d.info);
    const size_t rowBytes = png_get_rowbytes(d.png, d.info);
    if (rowBytes == 0 || h == 0 || rowBytes > MAX_BYTES / h)
        return fail(d, Decoding::LIMIT, "needs more than " + std::to_string(MAX_BYTES) + " bytes; refused");

    d.pixels = static_cast<unsigned char*>(calloc(h, rowBytes));
    d.rows = static_cast<png_bytep*>(calloc(h, sizeof(png_bytep)));
    if (!d.pixels || !d.rows) return fail(d, Decoding::LIMIT, "out of memory");
    for (png_uint_32 i = 0; i < h; ++i) d.rows[h - 1 - i] = d.pixels + i * rowBytes;

    png_read_image(d.png, d.rows);
    png_read_end(d.png, nullptr);

    d.width = w;
    d.height = h;
    return true;
}

}  // namespace

PNGImage::PNGImage(const char* filename) {
    std::string why;
    if (!decode(filename, why, true)) makePlaceholder(filename);
}

PNGImage::PNGImage(const char* filename, std::string& why) {
    decode(filename, why, false);
}

PNGImage::~PNGImage() {
    if (data) free(data);
}

bool PNGImage::decode(const char* filename, std::string& why, bool tell) {
    Decoding d;
    if (!decodeInto(d, filename)) {
        why = d.why;
        if (!tell) return false;
        if (d.failure == Decoding::OPEN) {
            const std::string where = DataFiles::lookedAt(filename, true);
            std::cerr << "PNG: Failed to open " << filename << " for reading" << (where.empty() ? "" : "; ") << where
                      << std::endl;
        } else if (d.failure == Decoding::DECODE) {
            std::cerr << "PNG: setjmp() failed\nPNG: " << filename << " could not be decoded: " << why << std::endl;
        } else {
            std::cerr << "PNG: " << filename << " " << why << std::endl;
        }
        return false;
    }
    width = d.width;
    height = d.height;
    type = glTypeOf(d.colorType);
    data = d.pixels;
    d.pixels = nullptr;
    return true;
}

void PNGImage::makePlaceholder(const char* filename) {
    std::cerr << "PNG: showing a placeholder for " << filename << std::endl;
    width = height = PLACEHOLDER_SIDE;
    type = GL_RGBA;
    placeholder = true;
    // RGBA so callers that assume four channels (the sphere map) read within the buffer.
    data = static_cast<unsigned char*>(calloc(width * height, 4));
    if (!data) {
        width = height = 0;
        return;
    }
    for (unsigned int y = 0; y < height; ++y) {
        for (unsigned int x = 0; x < width; ++x) {
            unsigned char* p = data + 4 * (y * width + x);
            const bool magenta = ((x / 2) + (y / 2)) % 2 == 0;
            p[0] = magenta ? 255 : 0;
            p[1] = 0;
            p[2] = magenta ? 255 : 0;
            p[3] = 255;
        }
    }
}

bool PNGImage::save(const char* path, int width, int height, int channels, const unsigned char* rows) {
    FILE* file = fopen(path, "wb");
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
    png_set_IHDR(png, info, width, height, 8, channels == 4 ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y)
        png_write_row(png, const_cast<png_bytep>(rows + static_cast<size_t>(y) * width * channels));
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
