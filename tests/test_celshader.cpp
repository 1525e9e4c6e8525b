// The cel-shading procedure: the ramp as GL samples it, the shade of a corner, and the state the
// drawing call leaves behind for each of its two styles.
#include "CelShader.h"
#include "Clock.h"
#include "GLTest.h"
#include "Scene.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>

using namespace moriqtest;

TEST(CelShaderRamp, ShadesFallIntoThreeBandsAndOneWrapsToTheDarkest) {
    ensureGL();
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    float data[CelShader::RAMP_SIZE][3];
    GLuint ramp[1] = {0};
    CelShader::createRamp(data, ramp);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_1D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), ramp[0]);

    glDisable(GL_TEXTURE_2D);
    glEnable(GL_TEXTURE_1D);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glDisable(GL_CULL_FACE);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, 640, 0, 480, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();

    struct Probe {
        float shade;
        float grey;
    };
    const Probe probes[] = {{0.0f, 0.2f},   {0.156f, 0.2f},   {0.15625f, 0.5f}, {0.157f, 0.5f}, {0.46f, 0.5f},
                            {0.469f, 1.0f}, {0.46875f, 1.0f}, {0.999f, 1.0f},   {1.0f, 0.2f}};
    const int count = sizeof probes / sizeof probes[0];
    const Frame frame = grabFrame([&] {
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        glColor3f(1, 1, 1);
        for (int i = 0; i < count; ++i) {
            glBegin(GL_QUADS);
            glTexCoord1f(probes[i].shade);
            glVertex2i(i * 60, 100);
            glVertex2i(i * 60 + 50, 100);
            glVertex2i(i * 60 + 50, 300);
            glVertex2i(i * 60, 300);
            glEnd();
        }
        Clock::swapBuffers();
    });
    for (int i = 0; i < count; ++i) {
        const RGB p = frame.at(i * 60 + 25, 240);
        const int expected = static_cast<int>(probes[i].grey * 255 + 0.5f);
        EXPECT_NEAR(p.r, expected, 3) << "shade " << probes[i].shade;
        EXPECT_EQ(p.r, p.g);
        EXPECT_EQ(p.r, p.b);
    }

    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glDeleteTextures(1, ramp);
    glPopAttrib();
}

TEST(CelShaderShade, TurnsTheNormalIntoEyeSpaceAndCutsOffBelowZero) {
    const Vector3d light(0, 0, 1);
    // Column-major: a translation column that must be ignored, and a turn of 90 degrees about x.
    const float moved[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 5, 5, 5, 1};
    const float turned[16] = {1, 0, 0, 0, 0, 0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1};
    const float scaled[16] = {1.01f, 0, 0, 0, 0, 1.01f, 0, 0, 0, 0, 1.01f, 0, 0, 0, -2, 1};
    const float toward[3] = {0, 0, 1}, slanted[3] = {0.6f, 0, 0.8f}, away[3] = {0, 0, -1};
    const float up[3] = {0, 1, 0}, longer[3] = {0, 0, 2}, zero[3] = {0, 0, 0};

    EXPECT_FLOAT_EQ(CelShader::shade(moved, toward, light), 1.0f);
    EXPECT_FLOAT_EQ(CelShader::shade(moved, slanted, light), 0.8f);
    EXPECT_FLOAT_EQ(CelShader::shade(moved, away, light), 0.0f);
    EXPECT_FLOAT_EQ(CelShader::shade(moved, longer, light), 1.0f);
    EXPECT_FLOAT_EQ(CelShader::shade(moved, zero, light), 0.0f);
    EXPECT_FLOAT_EQ(CelShader::shade(turned, up, light), 1.0f);
    EXPECT_FLOAT_EQ(CelShader::shade(turned, toward, light), 0.0f);
    EXPECT_FLOAT_EQ(CelShader::shade(scaled, slanted, light), 0.8f);
}

namespace {

const float TRIANGLE_VERTICES[3][3] = {{-0.5f, -0.5f, 0}, {0.5f, -0.5f, 0}, {0, 0.5f, 0}};
const float TRIANGLE_NORMALS[3][3] = {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}};
const int TRIANGLE_FACES[1][3] = {{0, 1, 2}};
const int TRIANGLE_COUNT = 1;

}  // namespace

TEST(CelShaderDraw, LeavesTheStateEachStyleAsks) {
    ensureGL();
    const CelShader::Mesh mesh = {TRIANGLE_COUNT, TRIANGLE_VERTICES, TRIANGLE_NORMALS, TRIANGLE_FACES};
    const CelShader::Style fadingBall = {false, false, {0, 0, 0}, false, {0, 0, 0}, 1.0f, 10000, true};
    const CelShader::Style star = {true, true, {0.6f, 0.9f, 0.6f}, true, {0, 0, 0}, 0.5f, -1, false};
    struct Case {
        const CelShader::Style* style;
        bool smooth;
        unsigned int t;
        float wireAlpha;
    };
    const Case cases[] = {{&fadingBall, true, 11000, 0.5f}, {&fadingBall, false, 12000, 1.0f},
                          {&fadingBall, true, 12001, 1.0f}, {&star, false, 11000, 0.5f}, {&star, true, 0, 0.5f}};
    Scene clockOwner;
    for (const Case& c : cases) {
        glPushAttrib(GL_ALL_ATTRIB_BITS);
        GLuint ramp[1];
        float data[CelShader::RAMP_SIZE][3];
        CelShader::createRamp(data, ramp);
        glEnable(GL_CULL_FACE);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        setTime(c.t);
        CelShader::draw(clockOwner, mesh, *c.style, c.smooth, 3.0f, Vector3d(0, 0, 1), ramp);

        float colour[4], matrix[16], width = 0;
        GLint polygon[2], depth = 0, cull = 0, bound = -1, source = 0, destination = 0;
        glGetFloatv(GL_CURRENT_COLOR, colour);
        glGetFloatv(GL_MODELVIEW_MATRIX, matrix);
        glGetFloatv(GL_LINE_WIDTH, &width);
        glGetIntegerv(GL_POLYGON_MODE, polygon);
        glGetIntegerv(GL_DEPTH_FUNC, &depth);
        glGetIntegerv(GL_CULL_FACE_MODE, &cull);
        glGetIntegerv(GL_TEXTURE_BINDING_1D, &bound);
        glGetIntegerv(GL_BLEND_SRC, &source);
        glGetIntegerv(GL_BLEND_DST, &destination);

        SCOPED_TRACE(testing::Message() << "t " << c.t << " translate " << c.style->translate);
        EXPECT_FLOAT_EQ(colour[3], c.wireAlpha);
        EXPECT_EQ(colour[0] + colour[1] + colour[2], 0.0f);
        EXPECT_FLOAT_EQ(matrix[14], c.style->translate ? -2.0f : 0.0f);
        // Whatever the turn, each axis of the matrix carries the 1.01 enlargement of the wireframe.
        EXPECT_NEAR(matrix[0] * matrix[0] + matrix[1] * matrix[1] + matrix[2] * matrix[2], 1.0201, 1e-5);
        EXPECT_EQ(width, 1.0f);
        EXPECT_EQ(polygon[0], GL_FILL);
        EXPECT_EQ(polygon[1], GL_FILL);
        EXPECT_EQ(depth, GL_LESS);
        EXPECT_EQ(cull, GL_BACK);
        EXPECT_EQ(glIsEnabled(GL_LINE_SMOOTH), c.smooth ? GL_TRUE : GL_FALSE);
        EXPECT_EQ(glIsEnabled(GL_BLEND), c.style->keepBlending ? GL_TRUE : GL_FALSE);
        EXPECT_EQ(static_cast<GLuint>(bound), c.style->keepBlending ? 0u : ramp[0]);
        EXPECT_EQ(source, GL_SRC_ALPHA);
        EXPECT_EQ(destination, GL_ONE_MINUS_SRC_ALPHA);

        glDeleteTextures(1, ramp);
        glLoadIdentity();
        glPopAttrib();
    }
    clearTime();
}
