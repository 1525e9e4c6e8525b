// Test support: a fixture holding one scene started on the driven clock, deleted after the test,
// which must leave the attribute stack as deep as it found it and no GL error behind.
#pragma once

#include "GLTest.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <functional>

namespace moriqtest {

template <class S>
class SceneFixture : public testing::Test {
protected:
    // Builds the scene with make (which may load pictures) and starts it at clock ms.
    void start(const std::function<S*()>& make, unsigned int ms = 0) {
        ensureGL();
        glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &attribDepth);
        setTime(ms);
        scene = make();
        scene->init();
    }
    void TearDown() override {
        delete scene;
        scene = nullptr;
        clearTime();
        GLint depth = 0;
        glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &depth);
        EXPECT_EQ(depth, attribDepth);
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    }
    Frame at(unsigned int t) { return renderAt(scene, t); }
    float alphaAfter(unsigned int t) {
        at(t);
        return currentAlpha();
    }
    S* scene = nullptr;
    GLint attribDepth = 0;
};

}  // namespace moriqtest
