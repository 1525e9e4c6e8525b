// The metaballs scene drawn for real: black start, blobs through the overlay, the wireframe second
// instance. Its pictures are stand-ins: an overlay clear but for a red top-left corner, and a green
// sphere map stored as RGB with an odd width.
#include "GLTest.h"
#include "Metaballs.h"
#include "SolidPictures.h"

#include <GL/gl.h>
#include <gtest/gtest.h>
#include <png.h>

#include <cmath>
#include <memory>

using namespace moriqtest;

namespace {

bool isGreen(RGB c) { return c.g > 60 && c.r < 40 && c.b < 40; }
bool isWhite(RGB c) { return c.r > 250 && c.g > 250 && c.b > 250; }

// Builds the scene over the stand-in pictures and starts it at demo clock ms.
Metaballs* start(unsigned int clockMs) {
    PngSpec overlay, sphere;
    overlay.width = overlay.height = 16;
    overlay.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
    overlay.rows.assign(16 * 16 * 4, 0);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) overlay.rows[(y * 16 + x) * 4] = overlay.rows[(y * 16 + x) * 4 + 3] = 255;
    sphere.width = 5;
    sphere.height = 3;
    sphere.colorType = PNG_COLOR_TYPE_RGB;
    for (int n = 0; n < 15; ++n) sphere.rows.insert(sphere.rows.end(), {0, 200, 0});
    ensureGL();
    // The light is placed with whatever model-view matrix is current; start every test alike.
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    setTime(clockMs);
    Metaballs* scene = nullptr;
    withPictures({{"data/lmao.png", overlay}, {"data/meta_texture.png", sphere}}, [&] {
        scene = new Metaballs(nullptr);
        scene->init();
    });
    return scene;
}

// Screen pixels (top-left origin) of the balls well inside the grid at scene time ms, outside the red corner.
std::vector<std::pair<int, int>> ballsOnScreen(int ms, bool second) {
    Metaballs::metaballer set;
    Metaballs::initmetaballs(second ? 10 : 9, 5.0, 40, 40, 40, -160, 160, -160, 160, 1, -320, &set, second);
    Metaballs::beveg(&set, ms, second);
    const double f = 1.0 / std::tan(22.5 * M_PI / 180.0);
    std::vector<std::pair<int, int>> points;
    for (int j = 0; j < set.nballer; ++j) {
        const Vector3d c = set.baller[j].pos;
        if (std::fabs(c.x) > 120 || std::fabs(c.y) > 120 || c.z > -30 || c.z < -280) continue;
        const int x = static_cast<int>((f / 1.33 * c.x / (200.0 - c.z) + 1.0) * 320.0);
        const int y = static_cast<int>((1.0 - f * c.y / (200.0 - c.z)) * 240.0);
        if (!(x >= 64 && x < 192 && y < 112)) points.emplace_back(x, y);
    }
    return points;
}

GLint polygonMode() {
    GLint mode[2] = {0, 0};
    glGetIntegerv(GL_POLYGON_MODE, mode);
    return mode[0] == mode[1] ? mode[0] : -1;
}

}  // namespace

TEST(MetaballsScene, FirstInstanceFadesInAndShowsSolidBlobsThroughTheOverlay) {
    Metaballs* scene = start(35000);
    EXPECT_EQ(polygonMode(), GL_FILL);
    const Frame black = renderAt(scene, 35000);
    EXPECT_EQ(countNear(black, RGB{0, 0, 0}), 640 * 480);
    EXPECT_NEAR(renderAt(scene, 35500).at(620, 460).r, 128, 3);

    const Frame f = renderAt(scene, 47000);
    f.savePng(outputPath("metaballs_first_12s.png"));
    EXPECT_TRUE(isWhite(f.at(620, 460)) && isWhite(f.at(540, 440))) << "background, beside and through the overlay";
    EXPECT_TRUE(f.at(100, 50).r > 150 && f.at(100, 50).g < 30) << "the overlay's red corner";
    // Every ball well inside the grid shows as a solid sphere-mapped blob where its centre projects.
    const auto balls = ballsOnScreen(12000, false);
    EXPECT_GE(balls.size(), 5u);
    for (auto [x, y] : balls) {
        EXPECT_TRUE(isGreen(f.at(x, y))) << x << "," << y;
        for (int dy = -4; dy <= 4; ++dy)
            for (int dx = -4; dx <= 4; ++dx) EXPECT_FALSE(isWhite(f.at(x + dx, y + dy))) << x << "," << y;
    }
    delete scene;
    clearTime();
    EXPECT_EQ(polygonMode(), GL_FILL);
}

TEST(MetaballsScene, SecondInstanceDrawsItsBallsInWireframe) {
    Metaballs* scene = start(85000);
    EXPECT_EQ(polygonMode(), GL_LINE);
    const Frame f = renderAt(scene, 94000);
    f.savePng(outputPath("metaballs_second_9s.png"));
    const auto balls = ballsOnScreen(9000, true);
    EXPECT_GE(balls.size(), 3u);
    for (auto [x, y] : balls) {  // lines with the white background between them
        int green = 0, white = 0;
        for (int dy = -12; dy <= 12; ++dy)
            for (int dx = -12; dx <= 12; ++dx) green += isGreen(f.at(x + dx, y + dy)), white += isWhite(f.at(x + dx, y + dy));
        EXPECT_GT(green, 25) << x << "," << y;
        EXPECT_GT(white, 100) << x << "," << y;
    }
    delete scene;
    clearTime();
    EXPECT_EQ(polygonMode(), GL_FILL);
}
