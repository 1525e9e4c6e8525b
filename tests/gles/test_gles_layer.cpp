// The GL layer where the page's stills of the scenes do not look: normals under uneven scaling, facing
// with a corner behind the eye, the loading bar (the demo's one line loop), frames drawn only for the
// state they leave, a light placed by its call's model-view, each shader variant's own uniforms, bars
// around a wide picture, the polygon group's pop, a texture's sub-image, and misuse reported as GL reports
// it.
#include "moriqgl/Assembly.h"
#include "moriqgl/Mat4.h"
#include "moriqgl/moriqgl.h"
#include "EsContext.h"
#include "LoaderBar.h"
#include "Raster.h"

#include <EGL/egl.h>
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>

using namespace moriqgl;
using namespace glestest;

namespace {

int brightness(const Picture& p, int x, int y) {
    const RGB c = p.at(x, y);
    return (c.r + c.g + c.b) / 3;
}

// Every drawing test starts in a freshly loaded layer (GL's initial state, the viewport the framebuffer's
// size) and must leave no GL error behind.
class LayerDrawing : public testing::Test {
protected:
    void SetUp() override { ASSERT_NE(startLayer(), nullptr); }
    void TearDown() override { EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)); }
};

}  // namespace

TEST(LayerGeometry, NormalsStayPerpendicularUnderUnevenScalingAndFacingFollowsTheWindingAcrossTheEye) {
    // A surface along x = y, squashed in x: its normal must stay perpendicular to it.
    const Mat4 m = multiply(scaling(0.5f, 2.0f, 1.0f), rotation(40, 0, 0, 1));
    const Mat3 n = normalMatrix(m);
    const std::array<float, 4> t = transform(m, 1, 1, 0, 0);
    // The tangent (1, 1, 0) and the normal (1, -1, 0), each transformed, dotted.
    EXPECT_NEAR(t[0] * (n[0] - n[3]) + t[1] * (n[1] - n[4]) + t[2] * (n[2] - n[5]), 0.0f, 1e-5);
    // Corners as clip x, y and w, one behind the eye: the part in front runs from a and b off towards
    // (-1, -3) and (-2, -3), clockwise, though dividing that corner by its w would put it at (2, 3).
    const float a[3] = {0, 0, 1}, b[3] = {1, 0, 1}, behind[3] = {-2, -3, -1};
    EXPECT_FALSE(isFrontFacing(a, b, behind, GL_CCW));
}

TEST_F(LayerDrawing, LoadingBarOutlineAndFill) {
    LoaderBar bar(nullptr);
    bar.render(50);
    const Picture p = readFrame();
    bar.deinit();
    // The outline runs from x 64 to 576 at y 216 and 264 (0.1 of the half-height around the middle);
    // the fill reaches x = 320 at 50 %, inside it.
    // Each edge within a pixel of its place (x, y, along: 0 for a row, 1 for a column).
    for (auto [x, y, along] : {std::array{450, 216, 0}, {450, 264, 0}, {575, 240, 1}, {64, 240, 1}})
        EXPECT_GT(brightness(p, x - along, y - !along) + brightness(p, x, y) + brightness(p, x + along, y + !along), 200)
            << x << "," << y;
    EXPECT_TRUE(brightness(p, 200, 240) == 255 && brightness(p, 450, 240) + brightness(p, 330, 240) + brightness(p, 20, 20) == 0);
}

// A frame drawn only for the state it leaves: nothing reaches the picture, the state changes as ever.
TEST_F(LayerDrawing, WhileDiscardingNothingIsDrawnOrClearedButTheStateChanges) {
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

TEST_F(LayerDrawing, TheLightKeepsItsPlaceAndEachShaderVariantItsOwnUniforms) {
    // The light given as from behind under a model-view turned half round: GL places it by that, in front.
    const float behind[4] = {0, 0, -1, 0}, none[4] = {0, 0, 0, 1}, red[4] = {1, 0, 0, 1}, blue[4] = {0, 0, 1, 1};
    glRotatef(180, 0, 1, 0);
    glLightfv(GL_LIGHT0, GL_POSITION, behind);
    glMaterialfv(GL_FRONT, GL_AMBIENT, none);
    glClear(GL_COLOR_BUFFER_BIT);
    // Lit red on the left, unlit green on the right, then lit blue over it on the right: the lit program
    // last saw the left-hand matrix, so it must be given the right-hand one although the unlit program
    // already has it.
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
    const Picture p = readFrame();
    const RGB left = p.at(128, 240), right = p.at(512, 240);
    EXPECT_TRUE(left.r > 240 && left.b < 16) << "the lit square is dark: the light was not placed where it was set";
    EXPECT_TRUE(right.g < 16 && right.b > 240) << "the lit program kept the unlit one's matrix";
}

// Bars are cleared through the layer where the page draws a still wider than 4:3 (?size=): the clear keeps
// to the scissor box and the colour mask, and both come back after.
TEST_F(LayerDrawing, BarsAroundAWidePictureAreClearedInsideTheScissorBoxAndTheStateComesBack) {
    // A 640x360 frame in the bottom of the framebuffer: its 480x360 picture leaves 80-pixel bars.
    Raster::fitInto(640, 360);
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glColorMask(GL_TRUE, GL_FALSE, GL_TRUE, GL_TRUE);
    Raster::clearBars();
    Picture p = readFrame();
    EXPECT_EQ(brightness(p, 40, 300) + brightness(p, 600, 300), 0) << "the bars";
    EXPECT_EQ(brightness(p, 320, 300), 255) << "the picture";
    EXPECT_EQ(brightness(p, 40, 60), 255) << "outside the frame";
    // A clear after reaches everywhere and leaves green alone.
    glClear(GL_COLOR_BUFFER_BIT);
    p = readFrame();
    EXPECT_TRUE(p.at(40, 300).r == 255 && p.at(40, 300).g == 0);
    Raster::fitInto(640, 480);
}

TEST_F(LayerDrawing, PoppingThePolygonGroupBringsBackBothFacesLineMode) {
    // As the wireframe blobs' fades do: lines for both faces, the group pushed, filled and popped. Then a
    // square wound clockwise (a back face) on the left, one counter-clockwise on the right.
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    glPushAttrib(GL_POLYGON_BIT);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glPopAttrib();
    glClear(GL_COLOR_BUFFER_BIT);
    const float corners[8][2] = {{-0.8f, -0.3f}, {-0.8f, 0.3f}, {-0.2f, 0.3f}, {-0.2f, -0.3f},
                                 {0.2f, -0.3f},  {0.8f, -0.3f}, {0.8f, 0.3f},  {0.2f, 0.3f}};
    glBegin(GL_QUADS);
    for (const auto& c : corners) glVertex2f(c[0], c[1]);
    glEnd();
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
        {"the projection stack pushed past its depth", [] {
             glMatrixMode(GL_PROJECTION);
             for (int i = 0; i < 40; ++i) glPushMatrix();
             glMatrixMode(GL_MODELVIEW);
         }, GL_STACK_OVERFLOW},
        {"an empty attribute stack popped", [] { glPopAttrib(); }, GL_STACK_UNDERFLOW},
        {"an empty client attribute stack popped", [] { glPopClientAttrib(); }, GL_STACK_UNDERFLOW},
        {"the attribute stack pushed past its depth", [] { for (int i = 0; i < 20; ++i) glPushAttrib(GL_ENABLE_BIT); },
         GL_STACK_OVERFLOW},
        {"a state change between glBegin and glEnd", [] { glBegin(GL_TRIANGLES), glMatrixMode(GL_PROJECTION), glEnd(); },
         GL_INVALID_OPERATION},
        {"glEnd without glBegin", [] { glEnd(); }, GL_INVALID_OPERATION},
        {"an unknown capability", [] { glEnable(GL_FOG); }, GL_INVALID_ENUM},
        {"a begin mode that is none", [] { glBegin(0x20); }, GL_INVALID_ENUM},
        {"a negative viewport, then an empty stack popped", [] { glViewport(0, 0, -1, 10), glPopMatrix(); },
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

TEST_F(LayerDrawing, TheVariantsHandedToLoadAreCompiledThereAndAgainInANewContext) {
    const moriqgl::GetProc proc = [](const char* name) { return reinterpret_cast<void*>(eglGetProcAddress(name)); };
    ASSERT_TRUE(moriqgl::load(proc));
    EXPECT_EQ(moriqgl::compiledVariants(), 1) << "only the plain variant without a list";
    moriqgl::Variant lit;
    lit.lighting = lit.light0 = true;
    // Switches that change nothing without lighting or a texture make the plain variant again.
    moriqgl::Variant plain;
    plain.twoSide = plain.sphereS = plain.normalize = true;
    ASSERT_TRUE(moriqgl::load(proc, {lit, plain, lit}));
    EXPECT_EQ(moriqgl::compiledVariants(), 2);
    ASSERT_TRUE(moriqgl::reload());
    EXPECT_EQ(moriqgl::compiledVariants(), 2);
    // Drawing with the state of one compiles nothing more.
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glBegin(GL_TRIANGLES);
    glVertex3f(0, 0, 0);
    glVertex3f(1, 0, 0);
    glVertex3f(0, 1, 0);
    glEnd();
    EXPECT_EQ(moriqgl::compiledVariants(), 2);
}

TEST_F(LayerDrawing, ASubImageReplacesItsRectangleAlsoInANewContextAndNothingOutsideTheTexture) {
    // A black 4x4 texture over the whole frame, its top-right quarter then replaced with red from rows of
    // 2 RGB pixels at byte alignment (GL's rows bottom first: row 2 up is the top half).
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    const std::array<unsigned char, 4 * 4 * 3> black{};
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 4, 4, 0, GL_RGB, GL_UNSIGNED_BYTE, black.data());
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    const unsigned char red[2 * 2 * 3] = {255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0};
    glTexSubImage2D(GL_TEXTURE_2D, 0, 2, 2, 2, 2, GL_RGB, GL_UNSIGNED_BYTE, red);
    for (int across : {0, 1}) {
        glTexSubImage2D(GL_TEXTURE_2D, 0, 1 + 2 * across, 3 - 2 * across, 2, 2, GL_RGB, GL_UNSIGNED_BYTE, red);
        EXPECT_EQ(glGetError(), GLenum(GL_INVALID_VALUE)) << "a rectangle past the texture's edge, across " << across;
    }
    glEnable(GL_TEXTURE_2D);
    auto drawn = [] {
        glClear(GL_COLOR_BUFFER_BIT);
        glBegin(GL_QUADS);
        glTexCoord2f(0, 0), glVertex2f(-1, -1);
        glTexCoord2f(1, 0), glVertex2f(1, -1);
        glTexCoord2f(1, 1), glVertex2f(1, 1);
        glTexCoord2f(0, 1), glVertex2f(-1, 1);
        glEnd();
        return readFrame();
    };
    for (const char* context : {"as replaced", "in a new context"}) {
        const Picture p = drawn();
        EXPECT_EQ(p.at(480, 120).r, 255) << context;
        EXPECT_EQ(p.at(480, 120).g, 0) << context;
        for (const auto& at : {std::array<int, 2>{160, 120}, {160, 360}, {480, 360}})
            EXPECT_EQ(brightness(p, at[0], at[1]), 0) << context << " at " << at[0] << "," << at[1];
        ASSERT_TRUE(moriqgl::reload());
    }
    glDeleteTextures(1, &texture);
}
