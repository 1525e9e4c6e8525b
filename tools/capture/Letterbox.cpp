// The 4:3 picture's place in a capture frame and the supersampled picture's reduction into it.
#include "Letterbox.h"

#include "Raster.h"

#include <algorithm>
#include <cstring>
#include <vector>

Letterbox::Letterbox(int width, int height, int supersample)
    : width(width), height(height), supersample(supersample) {
    const Raster::Area area = Raster::pictureArea(width, height);
    pictureX = area.x;
    pictureY = area.y;
    pictureWidth = area.width;
    pictureHeight = area.height;
}

void Letterbox::compose(const unsigned char* drawn, unsigned char* frame) const {
    const size_t frameRow = static_cast<size_t>(width) * 3;
    const size_t left = static_cast<size_t>(pictureX) * 3;
    const size_t right = frameRow - left - static_cast<size_t>(pictureWidth) * 3;
    std::memset(frame, 0, pictureY * frameRow);
    std::memset(frame + (pictureY + pictureHeight) * frameRow, 0, (height - pictureY - pictureHeight) * frameRow);
    for (int y = pictureY; y < pictureY + pictureHeight; ++y) {
        std::memset(frame + y * frameRow, 0, left);
        std::memset(frame + (y + 1) * frameRow - right, 0, right);
    }
    const int n = supersample;
    const size_t drawnRow = static_cast<size_t>(drawnWidth()) * 3;
    const size_t rowBytes = static_cast<size_t>(pictureWidth) * 3;
    const unsigned int blockPixels = static_cast<unsigned int>(n * n);
    std::vector<unsigned int> sums(rowBytes);
    for (int y = 0; y < pictureHeight; ++y) {
        unsigned char* out = frame + (pictureY + y) * frameRow + pictureX * 3;
        // Picture row y (from the top) is drawn rows from the top y*n .. y*n+n-1, which GL numbers from the bottom.
        const unsigned char* first = drawn + (drawnHeight() - 1 - y * n) * drawnRow;
        if (n == 1) {
            std::memcpy(out, first, rowBytes);
            continue;
        }
        std::fill(sums.begin(), sums.end(), 0u);
        for (int dy = 0; dy < n; ++dy) {
            const unsigned char* in = first - dy * drawnRow;
            for (int x = 0; x < pictureWidth; ++x)
                for (int dx = 0; dx < n; ++dx)
                    for (int c = 0; c < 3; ++c) sums[x * 3 + c] += in[(x * n + dx) * 3 + c];
        }
        for (size_t i = 0; i < rowBytes; ++i) out[i] = static_cast<unsigned char>((sums[i] + blockPixels / 2) / blockPixels);
    }
}
