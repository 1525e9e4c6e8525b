// EGL context, framebuffer and picture files for the GL layer's tests (see EsContext.h).
#include "EsContext.h"


#include "moriqgl/moriqgl.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <SDL.h>
#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace glestest {

namespace {

const int WIDTH = 640;
const int HEIGHT = 480;

// Framebuffer objects through the real ES functions (the layer defines none of these).
struct Fbo {
    void (*genFramebuffers)(int, unsigned*);
    void (*bindFramebuffer)(unsigned, unsigned);
    void (*genRenderbuffers)(int, unsigned*);
    void (*bindRenderbuffer)(unsigned, unsigned);
    void (*renderbufferStorage)(unsigned, unsigned, int, int);
    void (*framebufferRenderbuffer)(unsigned, unsigned, unsigned, unsigned);
    unsigned (*checkFramebufferStatus)(unsigned);
};

template <typename T>
void fetch(T& slot, const char* name) {
    slot = reinterpret_cast<T>(eglGetProcAddress(name));
}

struct Egl {
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLConfig config = nullptr;
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
        const EGLint configAttribs[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_ES3_BIT, EGL_SURFACE_TYPE, EGL_PBUFFER_BIT,
                                        EGL_NONE};
        EGLint count = 0;
        eglChooseConfig(display, configAttribs, &config, 1, &count);
        if (!count) config = EGL_NO_CONFIG_KHR;
        eglBindAPI(EGL_OPENGL_ES_API);
        makeContext();
    }

    // A new context made current, with its own framebuffer to draw in.
    void makeContext() {
        const EGLint contextAttribs[] = {EGL_CONTEXT_MAJOR_VERSION, 3, EGL_CONTEXT_MINOR_VERSION, 0, EGL_NONE};
        context = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttribs);
        if (context == EGL_NO_CONTEXT || !eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context)) {
            error = "no OpenGL ES 3.0 context";
            return;
        }
        Fbo f;
        fetch(f.genFramebuffers, "glGenFramebuffers");
        fetch(f.bindFramebuffer, "glBindFramebuffer");
        fetch(f.genRenderbuffers, "glGenRenderbuffers");
        fetch(f.bindRenderbuffer, "glBindRenderbuffer");
        fetch(f.renderbufferStorage, "glRenderbufferStorage");
        fetch(f.framebufferRenderbuffer, "glFramebufferRenderbuffer");
        fetch(f.checkFramebufferStatus, "glCheckFramebufferStatus");
        const unsigned FRAMEBUFFER = 0x8D40, RENDERBUFFER = 0x8D41, RGBA8 = 0x8058, DEPTH24 = 0x81A6,
                       COLOR0 = 0x8CE0, DEPTH = 0x8D00, COMPLETE = 0x8CD5;
        unsigned framebuffer = 0, buffers[2];
        f.genFramebuffers(1, &framebuffer);
        f.bindFramebuffer(FRAMEBUFFER, framebuffer);
        f.genRenderbuffers(2, buffers);
        f.bindRenderbuffer(RENDERBUFFER, buffers[0]);
        f.renderbufferStorage(RENDERBUFFER, RGBA8, WIDTH, HEIGHT);
        f.framebufferRenderbuffer(FRAMEBUFFER, COLOR0, RENDERBUFFER, buffers[0]);
        f.bindRenderbuffer(RENDERBUFFER, buffers[1]);
        f.renderbufferStorage(RENDERBUFFER, DEPTH24, WIDTH, HEIGHT);
        f.framebufferRenderbuffer(FRAMEBUFFER, DEPTH, RENDERBUFFER, buffers[1]);
        if (f.checkFramebufferStatus(FRAMEBUFFER) != COMPLETE) error = "framebuffer incomplete";
        // Without a window ES starts with an empty viewport; a window's context starts with its size.
        void (*viewport)(int, int, int, int) = nullptr;
        fetch(viewport, "glViewport");
        viewport(0, 0, WIDTH, HEIGHT);
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
    EXPECT_TRUE(moriqgl::load(getProc));
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

bool loadPng(const std::string& path, Picture* picture) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    image.format = PNG_FORMAT_RGB;
    picture->width = image.width;
    picture->height = image.height;
    picture->rgb.assign(PNG_IMAGE_SIZE(image), 0);
    if (!png_image_finish_read(&image, nullptr, picture->rgb.data(), 0, nullptr)) {
        png_image_free(&image);
        return false;
    }
    return true;
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
