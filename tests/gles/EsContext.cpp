// EGL context, pbuffer and picture comparison for the GL layer's tests (see EsContext.h).
#include "EsContext.h"

#include "DemoVariants.h"
#include "moriqgl/moriqgl.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

namespace glestest {

namespace {

const int WIDTH = 640;
const int HEIGHT = 480;

struct Egl {
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLConfig config = nullptr;
    EGLSurface surface = EGL_NO_SURFACE;
    EGLContext context = EGL_NO_CONTEXT;
    std::string error;

    Egl() {
        auto getPlatformDisplay =
            reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
        if (getPlatformDisplay) display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        if (display == EGL_NO_DISPLAY || !eglInitialize(display, nullptr, nullptr)) {
            error = "no surfaceless EGL display";
            return;
        }
        // RGBA8 asked for in full: with only red, green and blue named EGL ranks a 10-bit config first.
        const EGLint configAttribs[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_ES3_BIT, EGL_SURFACE_TYPE, EGL_PBUFFER_BIT,
                                        EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8, EGL_ALPHA_SIZE, 8,
                                        EGL_DEPTH_SIZE, 24, EGL_NONE};
        const EGLint surfaceAttribs[] = {EGL_WIDTH, WIDTH, EGL_HEIGHT, HEIGHT, EGL_NONE};
        EGLint count = 0;
        if (eglChooseConfig(display, configAttribs, &config, 1, &count) && count)
            surface = eglCreatePbufferSurface(display, config, surfaceAttribs);
        if (surface == EGL_NO_SURFACE) {
            error = "no 640x480 RGBA8 pbuffer with a depth buffer";
            return;
        }
        eglBindAPI(EGL_OPENGL_ES_API);
        makeContext();
    }

    // A new context made current on the pbuffer; its viewport starts at the pbuffer's size, as a
    // window's context does.
    void makeContext() {
        const EGLint contextAttribs[] = {EGL_CONTEXT_MAJOR_VERSION, 3, EGL_CONTEXT_MINOR_VERSION, 0, EGL_NONE};
        context = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttribs);
        if (context == EGL_NO_CONTEXT || !eglMakeCurrent(display, surface, surface, context))
            error = "no OpenGL ES 3.0 context";
    }
};

Egl& egl() {
    static Egl* instance = new Egl();
    return *instance;
}

void* getProc(const char* name) {
    return reinterpret_cast<void*>(eglGetProcAddress(name));
}

}  // namespace

SDL_Surface* startLayer() {
    EXPECT_EQ(egl().error, "");
    if (!egl().error.empty()) return nullptr;
    EXPECT_TRUE(moriqgl::load(getProc, demoVariants()));
    static SDL_Surface* screen = nullptr;
    if (!screen) {
        // A software mode of the dummy driver: the demo's SDL_GL_SwapBuffers then only sets an error.
        // SDL offers that driver only when the environment names it; the name is taken back at once, as
        // the native capture tool started later inherits the environment.
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        EXPECT_EQ(SDL_Init(SDL_INIT_VIDEO), 0);
        unsetenv("SDL_VIDEODRIVER");
        screen = SDL_SetVideoMode(WIDTH, HEIGHT, 32, SDL_SWSURFACE);
        EXPECT_NE(screen, nullptr);
    }
    return screen;
}

bool replaceContext() {
    Egl& e = egl();
    eglMakeCurrent(e.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglDestroyContext(e.display, e.context);
    e.makeContext();
    EXPECT_EQ(e.error, "");
    return e.error.empty();
}

Picture readFrame() {
    return Screenshot::grab(WIDTH, HEIGHT);
}

double percentDiffering(const Picture& a, const Picture& b, int tolerance) {
    if (a.width != b.width || a.height != b.height || a.rgb.size() != b.rgb.size()) return 100.0;
    size_t n = 0;
    for (size_t i = 0; i < a.rgb.size(); i += 3) {
        int worst = 0;
        for (int c = 0; c < 3; ++c) worst = std::max(worst, std::abs(a.rgb[i + c] - b.rgb[i + c]));
        n += worst > tolerance;
    }
    return 100.0 * n / (a.rgb.size() / 3);
}

}  // namespace glestest
