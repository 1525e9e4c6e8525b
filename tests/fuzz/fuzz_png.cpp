// libFuzzer target for the PNG loader. Each input is put in a memory file and decoded through the
// loader's own constructor by path (/proc/self/fd/N), so the fuzzed code is exactly what the demo runs.
// Whatever the input, the image must be one a texture upload can read whole: width * height pixels of
// its format, all inside the buffer, or the 8x8 placeholder.
#include "PNGImage.h"

#include <GL/gl.h>
#include <sanitizer/asan_interface.h>
#include <sys/mman.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t maxSize);

namespace {

int memoryFile = -1;
std::string memoryPath;

size_t channels(int type) {
    switch (type) {
    case GL_LUMINANCE: return 1;
    case GL_LUMINANCE_ALPHA: return 2;
    case GL_RGB: return 3;
    case GL_RGBA: return 4;
    default: return 0;
    }
}

uint32_t readBig(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

// Rewrites the CRC of every whole chunk: the loader rejects a bad CRC of a critical chunk at once, so
// without this nearly every mutation would end in the same check and never reach the decoding.
void fixChunkCrcs(uint8_t* data, size_t size) {
    size_t at = 8;
    while (at + 12 <= size) {
        const uint32_t length = readBig(data + at);
        if (length > size - at - 12) return;
        const uLong crc = crc32(0, data + at + 4, length + 4);
        uint8_t* out = data + at + 8 + length;
        out[0] = uint8_t(crc >> 24);
        out[1] = uint8_t(crc >> 16);
        out[2] = uint8_t(crc >> 8);
        out[3] = uint8_t(crc);
        at += 12 + length;
    }
}

[[noreturn]] void fail(const char* what, const PNGImage& image) {
    fprintf(stderr, "fuzz_png: %s (%ux%u, type 0x%x, placeholder %d)\n", what, image.getWidth(),
            image.getHeight(), image.getType(), image.isPlaceholder());
    abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    memoryFile = memfd_create("fuzz_png", 0);
    if (memoryFile < 0) {
        perror("fuzz_png: memfd_create");
        abort();
    }
    memoryPath = "/proc/self/fd/" + std::to_string(memoryFile);
    return 0;
}

// Most mutations keep the chunk CRCs right (see fixChunkCrcs); one in eight leaves them as mutated,
// so the CRC checks themselves are fuzzed too.
extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t maxSize, unsigned int seed) {
    size = LLVMFuzzerMutate(data, size, maxSize);
    if (seed % 8 != 0) fixChunkCrcs(data, size);
    return size;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (ftruncate(memoryFile, 0) != 0 || pwrite(memoryFile, data, size, 0) != static_cast<ssize_t>(size)) {
        perror("fuzz_png: writing the memory file");
        abort();
    }
    PNGImage image(memoryPath.c_str());

    const size_t perPixel = channels(image.getType());
    if (!image.getData() || perPixel == 0 || image.getWidth() == 0 || image.getHeight() == 0)
        fail("an image without pixels", image);
    if (image.isPlaceholder() &&
        (image.getWidth() != PNGImage::PLACEHOLDER_SIDE || image.getHeight() != PNGImage::PLACEHOLDER_SIDE ||
         image.getType() != GL_RGBA))
        fail("a placeholder of the wrong shape", image);
    if (image.getWidth() > PNGImage::MAX_SIDE || image.getHeight() > PNGImage::MAX_SIDE)
        fail("an image over the size limit", image);

    const size_t bytes = size_t(image.getWidth()) * image.getHeight() * perPixel;
    if (void* bad = __asan_region_is_poisoned(image.getData(), bytes)) {
        fprintf(stderr, "fuzz_png: byte %zu of %zu is outside the pixel buffer\n",
                static_cast<size_t>(static_cast<unsigned char*>(bad) - image.getData()), bytes);
        fail("a buffer smaller than its pixels", image);
    }
    return 0;
}
