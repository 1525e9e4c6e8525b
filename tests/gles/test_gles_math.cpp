// The GL layer's plain geometry, where a fault would not show in the scenes' pictures.
#include "../../web/gl/Assembly.h"
#include "../../web/gl/Mat4.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

using namespace moriqgl;

TEST(LayerMath, Placeholder) {
    EXPECT_EQ(identity()[0], 1.0f);
}
