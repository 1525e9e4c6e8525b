// Two PNG decodings at once: one stalls half-way through its rows on a pipe while another picture
// decodes from start to end; both come out whole.
#include "PNGImage.h"
#include "Screenshot.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <thread>

namespace {

// Noise compresses badly, so the rows take far more bytes than the stalled decoding is given first.
Screenshot picture(int side, unsigned seed) {
    Screenshot shot;
    shot.width = shot.height = side;
    for (int i = 0; i < side * side * 3; ++i) shot.rgb.push_back(static_cast<unsigned char>((seed = seed * 1103515245u + 12345u) >> 16));
    return shot;
}

// The decoded rows are bottom-up; the picture's top-down.
bool sameRows(const PNGImage& image, const Screenshot& shot) {
    if (!image.getData() || image.getWidth() != unsigned(shot.width) || image.getHeight() != unsigned(shot.height)) return false;
    const size_t row = shot.width * 3;
    for (int y = 0; y < shot.height; ++y)
        if (std::memcmp(image.getData() + (shot.height - 1 - y) * row, &shot.rgb[y * row], row) != 0) return false;
    return true;
}

}  // namespace

TEST(PNGImage, ADecodingStalledHalfWayIsUntouchedByAnotherOne) {
    char dir[] = "/tmp/moriq-png-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string big = std::string(dir) + "/big.png", small = std::string(dir) + "/small.png";
    const std::string fifo = std::string(dir) + "/stalled.png";
    const Screenshot bigPicture = picture(256, 1), smallPicture = picture(4, 2);
    ASSERT_TRUE(bigPicture.savePng(big) && smallPicture.savePng(small));
    std::ifstream in(big, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);

    std::unique_ptr<PNGImage> stalled;
    std::thread reader([&] { stalled.reset(new PNGImage(fifo.c_str())); });
    const int fd = open(fifo.c_str(), O_WRONLY);
    // 32 KiB fits in the pipe; once the reader has taken it all it is well into the rows, waiting for more.
    const size_t first = 32768;
    bool fed = fd >= 0 && bytes.size() > 2 * first && write(fd, bytes.data(), first) == ssize_t(first);
    for (int unread = 1; fed && unread > 0; std::this_thread::yield()) fed = ioctl(fd, FIONREAD, &unread) == 0;
    const PNGImage whole(small.c_str());
    for (size_t done = first; fed && done < bytes.size();) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        fed = n > 0;
        done += fed ? n : 0;
    }
    if (fd >= 0) close(fd);
    reader.join();

    ASSERT_TRUE(fed);
    EXPECT_TRUE(sameRows(whole, smallPicture));
    EXPECT_TRUE(sameRows(*stalled, bigPicture));
    std::system(("rm -rf " + std::string(dir)).c_str());
}
