// PNG decoding: formats expanded to what GL takes, rows bottom-up, and every bad file a placeholder.
#include "PNGImage.h"
#include "PngFiles.h"

#include <GL/gl.h>
#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <cstdio>
#include <fstream>

using moriqtest::PngSpec;
using moriqtest::tempPath;
using moriqtest::writePng;

namespace {

std::string written(const std::string& name, const PngSpec& picture) {
    const std::string path = tempPath(name);
    EXPECT_TRUE(writePng(path, picture));
    return path;
}

void appendChunk(std::string& out, const char* type, const std::string& body) {
    const unsigned long n = body.size();
    const char length[4] = {char(n >> 24), char(n >> 16), char(n >> 8), char(n)};
    out.append(length, 4);
    std::string typed = std::string(type) + body;
    out += typed;
    const unsigned long crc = crc32(0, reinterpret_cast<const Bytef*>(typed.data()), typed.size());
    const char c[4] = {char(crc >> 24), char(crc >> 16), char(crc >> 8), char(crc)};
    out.append(c, 4);
}

// A well-formed PNG declaring a huge RGBA picture with no pixel data behind it.
std::string bombFile(unsigned int side, unsigned int height = 0) {
    if (!height) height = side;
    std::string png("\x89PNG\r\n\x1a\n", 8);
    std::string ihdr;
    for (unsigned int n : {side, height}) {
        const char s[4] = {char(n >> 24), char(n >> 16), char(n >> 8), char(n)};
        ihdr.append(s, 4);
    }
    ihdr += std::string("\x08\x06\x00\x00\x00", 5);
    appendChunk(png, "IHDR", ihdr);
    // The header is read up to the first IDAT; an empty deflate stream is all it carries.
    appendChunk(png, "IDAT", std::string("\x78\x9c\x03\x00\x00\x00\x00\x01", 8));
    appendChunk(png, "IEND", "");
    const std::string path = tempPath("bomb.png");
    std::ofstream(path, std::ios::binary) << png;
    return path;
}

bool isPlaceholderChecker(const PNGImage& image) {
    return image.isPlaceholder() && image.getType() == GL_RGBA && image.getWidth() == 8 &&
           image.getData()[0] == 255 && image.getData()[1] == 0 && image.getData()[3] == 255;
}

}  // namespace

TEST(PNGImage, ExpandsPaletteGreyAndSixteenBitSamples) {
    PngSpec palette;
    palette.width = 3;
    palette.bitDepth = 4;
    palette.colorType = PNG_COLOR_TYPE_PALETTE;
    palette.palette = {255, 0, 0, 0, 255, 0, 0, 0, 255};
    palette.transparency = {0, 128};
    palette.rows = {0x01, 0x20};  // indices 0, 1, 2
    PNGImage rgba(written("palette.png", palette).c_str());
    ASSERT_EQ(rgba.getType(), GL_RGBA);
    const unsigned char expected[] = {255, 0, 0, 0, 0, 255, 0, 128, 0, 0, 255, 255};
    EXPECT_EQ(std::vector<unsigned char>(rgba.getData(), rgba.getData() + 12),
              std::vector<unsigned char>(expected, expected + 12));

    PngSpec grey;
    grey.width = 4;
    grey.rows = {0, 85, 170, 255};
    PNGImage luminance(written("grey.png", grey).c_str());
    EXPECT_EQ(luminance.getType(), GL_LUMINANCE);
    EXPECT_EQ(luminance.getData()[1], 85);
    EXPECT_EQ(luminance.getData()[3], 255);

    // 16-bit samples come out as 8-bit ones, so a texture upload of unsigned bytes shows them right.
    PngSpec deep;
    deep.width = 2;
    deep.bitDepth = 16;
    deep.colorType = PNG_COLOR_TYPE_RGB;
    deep.rows = {0xff, 0xff, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x40, 0x00, 0xff, 0xff};
    PNGImage eight(written("deep.png", deep).c_str());
    EXPECT_EQ(eight.getType(), GL_RGB);
    const unsigned char rgb[] = {255, 128, 0, 0, 64, 255};
    EXPECT_EQ(std::vector<unsigned char>(eight.getData(), eight.getData() + 6),
              std::vector<unsigned char>(rgb, rgb + 6));

    PngSpec interlaced = grey;
    interlaced.interlaced = true;
    interlaced.width = 2;
    interlaced.height = 2;
    interlaced.rows = {1, 2, 3, 4};
    PNGImage adam7(written("adam7.png", interlaced).c_str());
    EXPECT_EQ(std::vector<unsigned char>(adam7.getData(), adam7.getData() + 4),
              (std::vector<unsigned char>{3, 4, 1, 2}));
}

TEST(PNGImage, RowsAreStoredBottomUpAndTightlyPacked) {
    PngSpec one;
    one.width = 3;
    one.colorType = PNG_COLOR_TYPE_GRAY_ALPHA;
    one.rows = {1, 2, 3, 4, 5, 6};
    PNGImage single(written("one.png", one).c_str());
    EXPECT_EQ(single.getType(), GL_LUMINANCE_ALPHA);
    EXPECT_EQ(single.getHeight(), 1u);
    EXPECT_EQ(single.getData()[5], 6);

    // Five RGB pixels make 15-byte rows: no padding between them.
    PngSpec odd;
    odd.width = 5;
    odd.height = 2;
    odd.colorType = PNG_COLOR_TYPE_RGB;
    for (int i = 0; i < 30; ++i) odd.rows.push_back(static_cast<unsigned char>(i < 15 ? 10 + i : 100 + i));
    PNGImage two(written("two.png", odd).c_str());
    ASSERT_EQ(two.getWidth(), 5u);
    EXPECT_EQ(two.getData()[0], 115);   // the file's second row comes first
    EXPECT_EQ(two.getData()[15], 10);   // and the first row right after it
    EXPECT_EQ(two.getData()[29], 24);
}

TEST(PNGImage, GammaOfOneDecodesLikeNoGamma) {
    PngSpec plain;
    plain.width = 4;
    plain.rows = {0, 60, 128, 250};
    PngSpec withGamma = plain;
    withGamma.gamma = 1.0;
    PNGImage a(written("plain.png", plain).c_str());
    PNGImage b(written("gamma1.png", withGamma).c_str());
    EXPECT_EQ(std::vector<unsigned char>(a.getData(), a.getData() + 4),
              std::vector<unsigned char>(b.getData(), b.getData() + 4));
    // A file gamma of 0.45455 is corrected for a linear display: mid grey darkens.
    PngSpec srgb = plain;
    srgb.gamma = 0.45455;
    PNGImage c(written("gamma045.png", srgb).c_str());
    EXPECT_LT(c.getData()[2], 70);
}

TEST(PNGImage, BadFilesBecomeThePlaceholderWithAMessage) {
    testing::internal::CaptureStderr();
    PNGImage missing("/nonexistent/picture.png");
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(isPlaceholderChecker(missing));
    EXPECT_NE(err.find("PNG: Failed to open /nonexistent/picture.png for reading\n"), std::string::npos);

    const std::string garbage = tempPath("garbage.png");
    std::ofstream(garbage) << "this is not a picture at all";
    testing::internal::CaptureStderr();
    PNGImage notPng(garbage.c_str());
    err = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(isPlaceholderChecker(notPng));
    EXPECT_NE(err.find("PNG: setjmp() failed\n"), std::string::npos);
    EXPECT_NE(err.find("garbage.png"), std::string::npos);

    PngSpec big;
    big.width = 64;
    big.height = 64;
    big.colorType = PNG_COLOR_TYPE_RGB;
    for (int i = 0; i < 64 * 64 * 3; ++i) big.rows.push_back(static_cast<unsigned char>(i * 7));
    const std::string whole = written("whole.png", big);
    std::ifstream in(whole, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string cut = tempPath("cut.png");
    std::ofstream(cut, std::ios::binary) << bytes.substr(0, bytes.size() / 2);
    testing::internal::CaptureStderr();
    PNGImage truncated(cut.c_str());
    err = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(isPlaceholderChecker(truncated));
    EXPECT_NE(err.find("cut.png"), std::string::npos);

    testing::internal::CaptureStderr();
    PNGImage bomb(bombFile(100000).c_str());
    err = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(isPlaceholderChecker(bomb));
    EXPECT_NE(err.find("PNG: "), std::string::npos);
    EXPECT_NE(err.find("bomb.png"), std::string::npos);

    // Sides within the limit, but more pixels than any picture of the demo: refused before decoding.
    testing::internal::CaptureStderr();
    PNGImage wide(bombFile(8192, 2049).c_str());
    err = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(isPlaceholderChecker(wide));
    EXPECT_NE(err.find("bomb.png needs more than"), std::string::npos) << err;
}
