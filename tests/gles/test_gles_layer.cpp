// The GL layer where the scenes' stills do not look: the plain geometry (matrices, assembly, facing),
// what only the loading bar and unusual pictures draw (a line loop, luminance-alpha rows that are not
// 4-byte aligned), and misuse reported as GL reports it.
#include "moriqgl/Assembly.h"
#include "moriqgl/Mat4.h"
#include "moriqgl/moriqgl.h"
#include "EsContext.h"
#include "LoaderBar.h"
#include "Raster.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

using namespace moriqgl;
using namespace glestest;

namespace {

void expectMatrix(const Mat4& m, const Mat4& expected) {
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(m[i], expected[i], 1e-5) << "element " << i;
}

int brightness(const Picture& p, int x, int y) {
    const RGB c = p.at(x, y);
    return (c.r + c.g + c.b) / 3;
}

// A -1..1 square view cleared black, a diffuse white light at position (under a model-view moved lightX in
// x) on a material with no ambient part; the model-view is the identity afterwards.
void litOrthoView(const float position[4], float lightX = 0.0f) {
    const float none[4] = {0, 0, 0, 1}, white[4] = {1, 1, 1, 1};
    glViewport(0, 0, 640, 480);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-1, 1, -1, 1, -10, 10);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(lightX, 0.0f, 0.0f);
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    glLoadIdentity();
    glLightfv(GL_LIGHT0, GL_AMBIENT, none);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
    glLightfv(GL_LIGHT0, GL_SPECULAR, none);
    glMaterialfv(GL_FRONT, GL_AMBIENT, none);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
}

// Every drawing test starts in a freshly loaded layer and must leave no GL error behind.
class LayerDrawing : public testing::Test {
protected:
    void SetUp() override { ASSERT_NE(startLayer(), nullptr); }
    void TearDown() override { EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)); }
};

}  // namespace

TEST(LayerMath, TransformsComposeInCallOrderAndAxesNeedNotBeUnit) {
    // glTranslate then glRotate: the rotation applies to the vertex first.
    const Mat4 m = multiply(translation(1, 2, 3), rotation(90, 0, 0, 5));
    const std::array<float, 4> p = transform(m, 1, 0, 0, 1);
    EXPECT_NEAR(p[0], 1.0f, 1e-6);
    EXPECT_NEAR(p[1], 3.0f, 1e-6);
    EXPECT_NEAR(p[2], 3.0f, 1e-6);
    expectMatrix(rotation(30, 0, 0, 0), identity());
    // gluPerspective(90, 2, 1, 3) and glOrtho(0, 640, 480, 0, 1, -1) as GL defines them.
    Mat4 persp{};
    persp[0] = 0.5f;
    persp[5] = 1.0f;
    persp[10] = -2.0f;
    persp[11] = -1.0f;
    persp[14] = -3.0f;
    expectMatrix(perspective(90, 2, 1, 3), persp);
    const std::array<float, 4> corner = transform(ortho(0, 640, 480, 0, 1, -1), 640, 480, 0.5f, 1);
    EXPECT_NEAR(corner[0], 1.0f, 1e-6);
    EXPECT_NEAR(corner[1], -1.0f, 1e-6);
    EXPECT_NEAR(corner[2], 0.5f, 1e-6);
}

TEST(LayerMath, NormalsStayPerpendicularUnderUnevenScaling) {
    // A surface along x = y, squashed in x: its normal must stay perpendicular to it.
    const Mat4 m = multiply(scaling(0.5f, 2.0f, 1.0f), rotation(40, 0, 0, 1));
    const Mat3 n = normalMatrix(m);
    const float tangent[3] = {1, 1, 0}, normal[3] = {1, -1, 0};
    float t[3], k[3];
    for (int r = 0; r < 3; ++r) {
        t[r] = m[r] * tangent[0] + m[4 + r] * tangent[1] + m[8 + r] * tangent[2];
        k[r] = n[r] * normal[0] + n[3 + r] * normal[1] + n[6 + r] * normal[2];
    }
    EXPECT_NEAR(t[0] * k[0] + t[1] * k[1] + t[2] * k[2], 0.0f, 1e-5);
}

TEST(LayerAssembly, LoopsCloseAndQuadDiagonalsAreNoEdges) {
    std::vector<Segment> segments;
    assembleSegments(GL_LINE_LOOP, 4, segments);
    ASSERT_EQ(segments.size(), 4u);
    EXPECT_EQ(segments.back().a, 3u);
    EXPECT_EQ(segments.back().b, 0u);
    segments.clear();
    assembleSegments(GL_LINES, 5, segments);
    EXPECT_EQ(segments.size(), 2u);

    // Each quad edge exactly once, the split diagonal never.
    std::vector<Triangle> triangles;
    assembleTriangles(GL_QUADS, 9, triangles);
    ASSERT_EQ(triangles.size(), 4u);
    int edges[4][4] = {};
    for (size_t t = 0; t < 2; ++t)
        for (int e = 0; e < 3; ++e)
            if (triangles[t].edges & (1 << e)) {
                const uint32_t a = triangles[t].v[e], b = triangles[t].v[(e + 1) % 3];
                ++edges[std::min(a, b)][std::max(a, b)];
            }
    EXPECT_EQ(edges[0][1] + edges[1][2] + edges[2][3] + edges[0][3], 4);
    EXPECT_EQ(edges[1][3] + edges[0][2], 0);
    // Split through the second and fourth corners, as Mesa splits quads (it shows on quads that are not
    // flat or not parallelograms, as the terrain's tilted overlay).
    for (size_t t = 0; t < 2; ++t) {
        EXPECT_NE(std::find(triangles[t].v, triangles[t].v + 3, 1u), triangles[t].v + 3);
        EXPECT_NE(std::find(triangles[t].v, triangles[t].v + 3, 3u), triangles[t].v + 3);
    }
    EXPECT_EQ(triangles[2].v[0], 4u);
}

TEST(LayerAssembly, FacingFollowsWindowWindingAlsoAcrossTheEye) {
    const float a[3] = {0, 0, 1}, b[3] = {1, 0, 1}, c[3] = {0, 1, 1};
    EXPECT_TRUE(isFrontFacing(a, b, c, GL_CCW));
    EXPECT_FALSE(isFrontFacing(a, c, b, GL_CCW));
    EXPECT_TRUE(isFrontFacing(a, c, b, GL_CW));
    // One corner behind the eye: the part in front runs from a and b off towards (-1, -3) and (-2, -3),
    // clockwise, though dividing that corner by its w would put it at (2, 3), counter-clockwise.
    const float behind[3] = {-2, -3, -1};
    EXPECT_FALSE(isFrontFacing(a, b, behind, GL_CCW));
}

TEST_F(LayerDrawing, LoadingBarOutlineAndFill) {
    LoaderBar bar(nullptr);
    bar.render(50);
    const Picture p = readFrame();
    bar.deinit();
    // The outline runs from x 64 to 576 at y 216 and 264 (0.1 of the half-height around the middle);
    // the fill reaches x = 320 at 50 %, inside it.
    EXPECT_GT(brightness(p, 450, 216) + brightness(p, 450, 215) + brightness(p, 450, 217), 200) << "top edge";
    EXPECT_GT(brightness(p, 450, 263) + brightness(p, 450, 264) + brightness(p, 450, 265), 200) << "bottom edge";
    EXPECT_GT(brightness(p, 575, 240) + brightness(p, 576, 240) + brightness(p, 574, 240), 200) << "closing edge";
    EXPECT_GT(brightness(p, 64, 240) + brightness(p, 63, 240) + brightness(p, 65, 240), 200) << "left edge";
    EXPECT_EQ(brightness(p, 200, 240), 255);
    EXPECT_EQ(brightness(p, 450, 240), 0);
    EXPECT_EQ(brightness(p, 330, 240), 0);
    EXPECT_EQ(brightness(p, 20, 20), 0);
}

// A frame drawn only for the state it leaves: nothing reaches the picture, the state changes as ever.
TEST_F(LayerDrawing, WhileDiscardingNothingIsDrawnOrClearedButTheStateChanges) {
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    moriqgl::discard(true);
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glColor3f(0.0f, 1.0f, 0.0f);
    glBegin(GL_TRIANGLES);
    glVertex2f(-1, -1);
    glVertex2f(3, -1);
    glVertex2f(-1, 3);
    glEnd();
    moriqgl::discard(false);
    EXPECT_EQ(brightness(readFrame(), 320, 240), 0);
    float colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(colour[1], 1.0f);
}

TEST_F(LayerDrawing, BarsAroundAWidePictureAreClearedInsideTheScissorBoxAndTheStateComesBack) {
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    // A 640x360 frame in the bottom of the framebuffer: its 480x360 picture leaves 80-pixel bars.
    Raster::fitInto(640, 360);
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glColorMask(GL_TRUE, GL_FALSE, GL_TRUE, GL_TRUE);
    Raster::clearBars();
    Picture p = readFrame();
    EXPECT_EQ(brightness(p, 40, 300), 0) << "left bar";
    EXPECT_EQ(brightness(p, 600, 300), 0) << "right bar";
    EXPECT_EQ(brightness(p, 320, 300), 255) << "the picture";
    EXPECT_EQ(brightness(p, 40, 60), 255) << "outside the frame";
    // The colour mask, the scissor test and the clear colour are as they were: a clear reaches everywhere
    // and leaves green alone.
    glClear(GL_COLOR_BUFFER_BIT);
    p = readFrame();
    EXPECT_TRUE(p.at(40, 300).r == 255 && p.at(40, 300).g == 0);
    Raster::fitInto(640, 480);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
}

TEST_F(LayerDrawing, LuminanceAlphaRowsOfOddWidthModulateTheColour) {
    // 3 x 2 texels, rows of 6 bytes read with an alignment of 1: left column 40 %, the rest full,
    // alpha 255 in the bottom row and 0 in the top row.
    const unsigned char texels[] = {102, 255, 255, 255, 255, 255, 102, 0, 255, 0, 255, 0};
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_LUMINANCE_ALPHA, 3, 2, 0, GL_LUMINANCE_ALPHA, GL_UNSIGNED_BYTE, texels);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glClearColor(0, 0, 1, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor3f(1.0f, 0.5f, 1.0f);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2f(-1, -1);
    glTexCoord2f(1, 0);
    glVertex2f(1, -1);
    glTexCoord2f(1, 1);
    glVertex2f(1, 1);
    glTexCoord2f(0, 1);
    glVertex2f(-1, 1);
    glEnd();
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
    glDeleteTextures(1, &texture);
    const Picture p = readFrame();
    const RGB left = p.at(100, 400), right = p.at(540, 400), top = p.at(540, 100);
    EXPECT_TRUE(std::abs(left.r - 102) <= 2 && std::abs(left.g - 51) <= 2) << int(left.r) << " " << int(left.g);
    EXPECT_TRUE(std::abs(right.r - 255) <= 2 && std::abs(right.g - 128) <= 2) << int(right.r) << " " << int(right.g);
    EXPECT_TRUE(top.r == 0 && top.b == 255);
}

TEST_F(LayerDrawing, TheLightStaysWhereTheModelViewOfItsCallPutIt) {
    // A light placed 0.9 to the right of the eye, then a flat white surface across the view, lit from
    // the front with no ambient light: it is brightest on the right, where the light stands.
    const float position[4] = {0, 0, 0.3f, 1}, white[4] = {1, 1, 1, 1};
    litOrthoView(position, 0.9f);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, white);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glNormal3f(0, 0, 1);
    // A thin strip of quads through the light's height, so that the per-vertex lighting can follow it.
    glBegin(GL_QUADS);
    for (int i = 0; i < 20; ++i) {
        const float x0 = -1 + i * 0.1f, x1 = x0 + 0.1f;
        glVertex2f(x0, -0.05f);
        glVertex2f(x1, -0.05f);
        glVertex2f(x1, 0.05f);
        glVertex2f(x0, 0.05f);
    }
    glEnd();
    glDisable(GL_LIGHTING);
    glDisable(GL_LIGHT0);
    const Picture p = readFrame();
    EXPECT_GT(brightness(p, 608, 240), 200);
    EXPECT_LT(brightness(p, 32, 240), 100);
    EXPECT_GT(brightness(p, 608, 240), brightness(p, 320, 240));
}

TEST_F(LayerDrawing, EachShaderVariantKeepsItsOwnUniformsAcrossSwitches) {
    // Lit red on the left, unlit green on the right, then lit blue over it on the right: the lit program
    // last saw the left-hand matrix, so it must be given the right-hand one although the unlit program
    // already has it.
    const float front[4] = {0, 0, 1, 0};
    const float red[4] = {1, 0, 0, 1}, blue[4] = {0, 0, 1, 1};
    litOrthoView(front);
    auto square = [](float x, const float* diffuse, bool lit) {
        glLoadIdentity();
        glTranslatef(x, 0, 0);
        if (lit) {
            glMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
            glEnable(GL_LIGHTING);
            glEnable(GL_LIGHT0);
        } else {
            glDisable(GL_LIGHTING);
            glColor3f(0, 1, 0);
        }
        glNormal3f(0, 0, 1);
        glBegin(GL_QUADS);
        glVertex2f(-0.2f, -0.2f);
        glVertex2f(0.2f, -0.2f);
        glVertex2f(0.2f, 0.2f);
        glVertex2f(-0.2f, 0.2f);
        glEnd();
    };
    square(-0.6f, red, true);
    square(0.6f, nullptr, false);
    square(0.6f, blue, true);
    glDisable(GL_LIGHTING);
    glDisable(GL_LIGHT0);
    glLoadIdentity();
    const Picture p = readFrame();
    const RGB left = p.at(128, 240), right = p.at(512, 240);
    EXPECT_TRUE(left.r > 240 && left.b < 16 && right.g < 16 && right.b > 240);
}

TEST_F(LayerDrawing, PoppingThePolygonGroupBringsBackBothFacesLineMode) {
    // As the wireframe blobs' fades do: lines for both faces, the group pushed, filled and popped.
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    glPushAttrib(GL_POLYGON_BIT);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glPopAttrib();
    glViewport(0, 0, 640, 480);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    glColor3f(1, 1, 1);
    // A square wound clockwise (a back face) on the left, one counter-clockwise on the right.
    const float corners[8][2] = {{-0.8f, -0.3f}, {-0.8f, 0.3f}, {-0.2f, 0.3f}, {-0.2f, -0.3f},
                                 {0.2f, -0.3f},  {0.8f, -0.3f}, {0.8f, 0.3f},  {0.2f, 0.3f}};
    glBegin(GL_QUADS);
    for (const auto& c : corners) glVertex2f(c[0], c[1]);
    glEnd();
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    const Picture p = readFrame();
    for (int x : {160, 480}) {
        EXPECT_EQ(brightness(p, x, 240), 0) << "filled at x " << x;
        EXPECT_GT(brightness(p, x, 167) + brightness(p, x, 168) + brightness(p, x, 169), 200) << "no outline at x " << x;
    }
}

TEST_F(LayerDrawing, MisuseIsReportedWithGlsCodeAndChangesNothing) {
    const struct {
        const char* what;
        void (*call)();
        GLenum error;
    } misuses[] = {
        {"an empty model-view stack popped", [] { glPopMatrix(); }, GL_STACK_UNDERFLOW},
        {"the projection stack pushed past its depth",
         [] {
             glMatrixMode(GL_PROJECTION);
             for (int i = 0; i < 40; ++i) glPushMatrix();
             glMatrixMode(GL_MODELVIEW);
         },
         GL_STACK_OVERFLOW},
        {"an empty attribute stack popped", [] { glPopAttrib(); }, GL_STACK_UNDERFLOW},
        {"an empty client attribute stack popped", [] { glPopClientAttrib(); }, GL_STACK_UNDERFLOW},
        {"the attribute stack pushed past its depth",
         [] {
             for (int i = 0; i < 20; ++i) glPushAttrib(GL_ENABLE_BIT);
         },
         GL_STACK_OVERFLOW},
        {"a state change between glBegin and glEnd",
         [] {
             glBegin(GL_TRIANGLES);
             glMatrixMode(GL_PROJECTION);
             glEnd();
         },
         GL_INVALID_OPERATION},
        {"glEnd without glBegin", [] { glEnd(); }, GL_INVALID_OPERATION},
        {"an unknown capability", [] { glEnable(GL_FOG); }, GL_INVALID_ENUM},
        {"a begin mode that is none", [] { glBegin(0x20); }, GL_INVALID_ENUM},
        {"a negative viewport, then an empty stack popped",
         [] {
             glViewport(0, 0, -1, 10);
             glPopMatrix();
         },
         GL_INVALID_VALUE},
        {"a line width of zero", [] { glLineWidth(0.0f); }, GL_INVALID_VALUE},
    };
    for (const auto& m : misuses) {
        ASSERT_NE(startLayer(), nullptr);
        m.call();
        // The first error is kept until read, once; the offending calls changed nothing.
        EXPECT_EQ(glGetError(), m.error) << m.what;
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)) << m.what;
        GLint mode = 0, viewport[4] = {}, depth = 0;
        float width = 0;
        glGetIntegerv(GL_MATRIX_MODE, &mode);
        glGetIntegerv(GL_VIEWPORT, viewport);
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
        glGetFloatv(GL_LINE_WIDTH, &width);
        EXPECT_EQ(viewport[2], 640) << m.what;
        EXPECT_EQ(depth, 1) << m.what;
        EXPECT_EQ(width, 1.0f) << m.what;
        EXPECT_EQ(mode, GL_MODELVIEW) << m.what;
    }
}

TEST_F(LayerDrawing, ACallBeforeLoadIsSaidOnceAndDoesNothing) {
    moriqgl::unload();
    testing::internal::CaptureStderr();
    glClearColor(1, 1, 1, 1);
    glEnable(GL_BLEND);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_NE(said.find("glClearColor called before moriqgl::load"), std::string::npos) << said;
    ASSERT_NE(startLayer(), nullptr);
    glClear(GL_COLOR_BUFFER_BIT);
    EXPECT_EQ(brightness(readFrame(), 320, 240), 0);
}
