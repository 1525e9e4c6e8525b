// Test support: single-colour pictures in a throw-away working directory, and a colour count.
#include "SolidPictures.h"

#include <gtest/gtest.h>
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>

namespace moriqtest {

void withSolidPictures(const std::vector<std::pair<std::string, RGB>>& pictures, const std::function<void()>& build) {
    std::vector<std::pair<std::string, PngSpec>> written;
    for (const auto& picture : pictures) {
        PngSpec png;
        png.width = png.height = 4;
        png.colorType = PNG_COLOR_TYPE_RGB;
        for (int i = 0; i < 16; ++i) png.rows.insert(png.rows.end(), {picture.second.r, picture.second.g, picture.second.b});
        written.emplace_back(picture.first, png);
    }
    withPictures(written, build);
}

void withPictures(const std::vector<std::pair<std::string, PngSpec>>& pictures, const std::function<void()>& build) {
    std::string root = tempPath("pictures-XXXXXX");
    char cwd[PATH_MAX];
    ASSERT_NE(mkdtemp(&root[0]), nullptr);
    ASSERT_EQ(mkdir((root + "/data").c_str(), 0755), 0);
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    for (const auto& picture : pictures) ASSERT_TRUE(writePng(root + "/" + picture.first, picture.second));
    ASSERT_EQ(chdir(root.c_str()), 0);
    build();
    EXPECT_EQ(chdir(cwd), 0);
    for (const auto& picture : pictures) std::remove((root + "/" + picture.first).c_str());
    rmdir((root + "/data").c_str());
    rmdir(root.c_str());
}

int countNear(const Screenshot& frame, RGB c, int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) n += near(frame.at(x, y), c, 3);
    return n;
}

}  // namespace moriqtest
