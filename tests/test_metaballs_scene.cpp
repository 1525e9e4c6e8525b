// The metaballs scene drawn for real: fades, blobs through the overlay, the wireframe second instance.
// The scene runs in a scratch directory whose data/ holds test pictures: an overlay that is clear but
// for a red top-left corner, and a green sphere map stored as RGB with an odd width.
#include "Clock.h"
#include "GLTest.h"
#include "Metaballs.h"
#include "PngFiles.h"

#include <GL/gl.h>
#include <gtest/gtest.h>
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <memory>
#include <string>

using namespace moriqtest;

namespace {

struct Point {
    int x, y;
};

// Where a world point lands on the screen under the scene's camera (top-left origin).
Point project(const Vector3d& p) {
    const double f = 1.0 / std::tan(22.5 * M_PI / 180.0);
    const double depth = 200.0 - p.z;
    return {static_cast<int>((f / 1.33 * p.x / depth + 1.0) * 320.0),
            static_cast<int>((1.0 - f * p.y / depth) * 240.0)};
}

// The balls as the scene has them at scene time ms.
std::unique_ptr<Metaballs::metaballer> ballsAt(int ms, bool second) {
    std::unique_ptr<Metaballs::metaballer> set(new Metaballs::metaballer());
    Metaballs::initmetaballs(second ? 10 : 9, 5.0, 40, 40, 40, -160, 160, -160, 160, 1, -320, set.get(), second);
    Metaballs::beveg(set.get(), ms, second);
    return set;
}

bool isGreen(RGB c) {
    return c.g > 60 && c.r < 40 && c.b < 40;
}

bool isWhite(RGB c) {
    return c.r > 250 && c.g > 250 && c.b > 250;
}

class MetaballsScene : public testing::Test {
protected:
    void SetUp() override {
        ensureGL();
        const std::string dir = tempPath("metaballs_assets");
        mkdir(dir.c_str(), 0755);
        mkdir((dir + "/data").c_str(), 0755);
        PngSpec overlay;
        overlay.width = overlay.height = 16;
        overlay.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
        overlay.rows.assign(16 * 16 * 4, 0);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x) {
                unsigned char* p = &overlay.rows[(y * 16 + x) * 4];
                p[0] = 255;
                p[3] = 255;
            }
        ASSERT_TRUE(writePng(dir + "/data/lmao.png", overlay));
        PngSpec sphere;
        sphere.width = 5;
        sphere.height = 3;
        sphere.colorType = PNG_COLOR_TYPE_RGB;
        for (int n = 0; n < 15; ++n) sphere.rows.insert(sphere.rows.end(), {0, 200, 0});
        ASSERT_TRUE(writePng(dir + "/data/meta_texture.png", sphere));

        char here[4096];
        ASSERT_NE(getcwd(here, sizeof here), nullptr);
        home = here;
        ASSERT_EQ(chdir(dir.c_str()), 0);
        // The light is placed with whatever model-view matrix is current; start every test alike.
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }
    void TearDown() override {
        clearTime();
        if (!home.empty()) {
            EXPECT_EQ(chdir(home.c_str()), 0);
        }
    }

    // Builds the scene and starts it at demo clock ms.
    Metaballs* start(unsigned int clockMs) {
        setTime(clockMs);
        Metaballs* scene = new Metaballs(nullptr);
        scene->init();
        return scene;
    }

    std::string home;
};

}  // namespace

TEST_F(MetaballsScene, FirstInstanceFadesAndShowsSolidBlobsThroughTheOverlay) {
    Metaballs* scene = start(35000);
    GLint mode[2] = {0, 0};
    glGetIntegerv(GL_POLYGON_MODE, mode);
    EXPECT_EQ(mode[0], GL_FILL);

    Frame black = grabFrame([&] { scene->render(); });
    for (Point p : {Point{0, 0}, Point{320, 240}, Point{639, 479}, Point{100, 50}, Point{406, 240}}) {
        const RGB c = black.at(p.x, p.y);
        EXPECT_TRUE(c.r == 0 && c.g == 0 && c.b == 0) << p.x << "," << p.y;
    }
    setTime(35500);
    Frame half = grabFrame([&] { scene->render(); });
    EXPECT_NEAR(half.at(620, 460).r, 128, 3);
    EXPECT_NEAR(half.at(620, 460).g, 128, 3);

    setTime(47000);
    Frame f = grabFrame([&] { scene->render(); });
    f.savePng(outputPath("metaballs_first_12s.png"));
    EXPECT_TRUE(isWhite(f.at(620, 460))) << "background outside the overlay";
    EXPECT_TRUE(isWhite(f.at(540, 440))) << "background through the clear part of the overlay";
    const RGB corner = f.at(100, 50);
    EXPECT_GT(corner.r, 150);
    EXPECT_LT(corner.g, 30);
    EXPECT_LT(corner.b, 30);
    // Every ball well inside the grid shows as a sphere-mapped blob where its centre projects.
    std::unique_ptr<Metaballs::metaballer> balls = ballsAt(12000, false);
    int seen = 0;
    for (int j = 0; j < 9; ++j) {
        const Vector3d c = balls->baller[j].pos;
        if (std::fabs(c.x) > 120 || std::fabs(c.y) > 120 || c.z > -30 || c.z < -280) continue;
        const Point p = project(c);
        if (p.x >= 64 && p.x < 192 && p.y < 112) continue;  // under the red corner
        EXPECT_TRUE(isGreen(f.at(p.x, p.y))) << "ball " << j << " at " << p.x << "," << p.y;
        // Solid: no background shows anywhere near the centre.
        for (int dy = -4; dy <= 4; ++dy)
            for (int dx = -4; dx <= 4; ++dx) EXPECT_FALSE(isWhite(f.at(p.x + dx, p.y + dy))) << "ball " << j;
        ++seen;
    }
    EXPECT_GE(seen, 5);

    setTime(35000 + 24500);
    Frame out = grabFrame([&] { scene->render(); });
    EXPECT_NEAR(out.at(620, 460).r, 128, 3);
    delete scene;
    glGetIntegerv(GL_POLYGON_MODE, mode);
    EXPECT_EQ(mode[0], GL_FILL);
}

TEST_F(MetaballsScene, SecondInstanceDrawsTenBallsInWireframe) {
    Metaballs* scene = start(85000);
    GLint mode[2] = {0, 0};
    glGetIntegerv(GL_POLYGON_MODE, mode);
    EXPECT_EQ(mode[0], GL_LINE);
    EXPECT_EQ(mode[1], GL_LINE);

    setTime(85000 + 9000);
    Frame f = grabFrame([&] { scene->render(); });
    f.savePng(outputPath("metaballs_second_9s.png"));
    std::unique_ptr<Metaballs::metaballer> balls = ballsAt(9000, true);
    int seen = 0;
    for (int j = 0; j < 10; ++j) {
        const Vector3d c = balls->baller[j].pos;
        if (std::fabs(c.x) > 120 || std::fabs(c.y) > 120) continue;
        const Point p = project(c);
        if (p.x >= 64 && p.x < 192 && p.y < 112) continue;
        // Lines with the white background between them.
        int green = 0, white = 0;
        for (int dy = -12; dy <= 12; ++dy)
            for (int dx = -12; dx <= 12; ++dx) {
                const RGB c2 = f.at(p.x + dx, p.y + dy);
                green += isGreen(c2);
                white += isWhite(c2);
            }
        EXPECT_GT(green, 25) << "ball " << j;
        EXPECT_GT(white, 100) << "ball " << j;
        ++seen;
    }
    EXPECT_GE(seen, 3);
    delete scene;
    glGetIntegerv(GL_POLYGON_MODE, mode);
    EXPECT_EQ(mode[0], GL_FILL);
}
