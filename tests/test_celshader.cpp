// The cel-shading ramp as GL samples it: three bands, and a shade of one wrapping to the darkest.
#include "CelShader.h"
#include "Clock.h"
#include "GLTest.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

using namespace moriqtest;

TEST(CelShaderRamp, ShadesFallIntoThreeBandsAndOneWrapsToTheDarkest) {
    ensureGL();
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    float data[CelShader::RAMP_SIZE][3];
    GLuint ramp[1] = {0};
    CelShader::createRamp(data, ramp);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_TEXTURE_1D);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, 640, 0, 480, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    const float shades[] = {0.0f, 0.156f, 0.15625f, 0.157f, 0.46f, 0.46875f, 0.469f, 0.999f, 1.0f};
    const int greys[] = {51, 51, 128, 128, 128, 255, 255, 255, 51};
    const Frame frame = grabFrame([&] {
        glClear(GL_COLOR_BUFFER_BIT);
        glColor3f(1, 1, 1);
        for (int i = 0; i < 9; ++i) {
            glTexCoord1f(shades[i]);  // a rectangle's corners take the current texture coordinate
            glRecti(i * 60, 100, i * 60 + 50, 300);
        }
        Clock::swapBuffers();
    });
    for (int i = 0; i < 9; ++i) {
        const RGB p = frame.at(i * 60 + 25, 240);
        EXPECT_TRUE(std::abs(p.r - greys[i]) <= 3 && p.r == p.g && p.g == p.b) << "shade " << shades[i];
    }
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glDeleteTextures(1, ramp);
    glPopAttrib();
}
