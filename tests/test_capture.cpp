// The offline renderer's own faults: a capture abandoned before its later scenes started, and pictures
// written onto a full disk.
#include "GLTest.h"
#include "Heightfield.h"
#include "Metaballs.h"
#include "Player.h"
#include "Screenshot.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

using namespace moriqtest;

// The two scenes whose destructors restore the attribute state their init saved: unstarted, they must not.
TEST(Player, ScenesNeverStartedLeaveTheAttributeStackAlone) {
    ensureGL();
    GLint before = 0;
    glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &before);
    while (glGetError() != GL_NO_ERROR) {}
    {
        const Timeline list = {{{"Metaballs", 1000, -1, {}, [](SDL_Surface* s) -> Scene* { return new Metaballs(s); }},
                                {"Heightfield", 1000, -1, {}, [](SDL_Surface* s) -> Scene* { return new Heightfield(s); }},
                                {"Metaballs", 1000, -1, {}, [](SDL_Surface* s) -> Scene* { return new Metaballs(s); }}},
                               "", 1000, 1000};
        Player player(nullptr, list);
        int drawn = 0;
        player.play(0, 0, 30, [&](long) { return ++drawn, false; }, true);
        EXPECT_EQ(drawn, 1);
    }
    GLint after = 0;
    glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &after);
    EXPECT_EQ(after, before);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST(Screenshot, APictureCutShortByAFullDiskIsAFailureNamingTheFile) {
    Screenshot shot;
    shot.width = shot.height = 2;
    shot.rgb.assign(12, 200);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(shot.savePng("/dev/full"));
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("/dev/full"), std::string::npos) << err;
    EXPECT_NE(err.find("No space left on device"), std::string::npos) << err;
}
