// The demo's window as every program of ours opens it: its exact title, full screen at 640x480 by default
// or a window of the size asked for, with OpenGL either way (an X display is needed).
#include "SDLWindow.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// size: width * 1000 + height.
void expectDemoWindow(const SDLWindow& window, int size, bool fullScreen) {
    ASSERT_NE(window.screen, nullptr) << "no GL window; run under an X display (Xvfb)";
    char* title = nullptr;
    char* icon = nullptr;
    SDL_WM_GetCaption(&title, &icon);
    EXPECT_EQ(std::string(title ? title : ""), "Moriq-demo zu@r");
    EXPECT_EQ(window.screen->w * 1000 + window.screen->h, size);
    EXPECT_EQ((window.screen->flags & SDL_FULLSCREEN) != 0, fullScreen) << size;
    EXPECT_TRUE(window.screen->flags & SDL_OPENGL);
}

}  // namespace

// One after the other, each opening and closing SDL's video, as the page opens one for every still.
TEST(Window, TheDemosOwnTitleFullScreenByDefaultOrAWindowOfTheSizeAskedFor) {
    {
        SDLWindow window;
        expectDemoWindow(window, 640480, true);
    }
    {
        SDLWindow window(1000, 600, false);
        expectDemoWindow(window, 1000600, false);
    }
}
