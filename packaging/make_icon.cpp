// The desktop icon, made at build time from one of the demo's own pictures: a square RGBA PNG scaled down
// to SIDE x SIDE by averaging (alpha-weighted, so transparent pixels lend no colour to the edges).
//   make_icon IN.png OUT.png SIDE
#include "PNGImage.h"

#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv) {
    const int side = argc == 4 ? std::atoi(argv[3]) : 0;
    if (side <= 0) {
        std::fprintf(stderr, "usage: make_icon IN.png OUT.png SIDE\n");
        return 2;
    }
    PNGImage image(argv[1]);
    const int w = static_cast<int>(image.getWidth());
    const int h = static_cast<int>(image.getHeight());
    if (image.isPlaceholder() || image.getType() != GL_RGBA || w != h || w % side != 0) {
        std::fprintf(stderr, "make_icon: %s must be a square RGBA picture a multiple of %d pixels wide\n", argv[1], side);
        return 1;
    }
    const int n = w / side;
    std::vector<unsigned char> icon(static_cast<size_t>(side) * side * 4);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            unsigned long sums[4] = {0, 0, 0, 0};
            for (int dy = 0; dy < n; ++dy)
                for (int dx = 0; dx < n; ++dx) {
                    // PNGImage keeps the file's last row first.
                    const unsigned char* p = image.getData() + 4 * (static_cast<size_t>(h - 1 - (y * n + dy)) * w + x * n + dx);
                    for (int c = 0; c < 3; ++c) sums[c] += static_cast<unsigned long>(p[c]) * p[3];
                    sums[3] += p[3];
                }
            unsigned char* out = &icon[4 * (static_cast<size_t>(y) * side + x)];
            for (int c = 0; c < 3; ++c) out[c] = static_cast<unsigned char>(sums[3] ? (sums[c] + sums[3] / 2) / sums[3] : 0);
            out[3] = static_cast<unsigned char>((sums[3] + n * n / 2) / (n * n));
        }
    if (!PNGImage::save(argv[2], side, side, 4, icon.data())) return 1;
    return 0;
}
