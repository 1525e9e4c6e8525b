// The window or a framebuffer object (entry points fetched from SDL, GL's size limits checked first).
#include "FrameTarget.h"

#include "FlashFilter.h"
#include "Raster.h"

#include <GL/glext.h>
#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <iostream>
#include <string>

namespace {

struct FramebufferCalls {
    PFNGLGENFRAMEBUFFERSPROC genFramebuffers;
    PFNGLBINDFRAMEBUFFERPROC bindFramebuffer;
    PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers;
    PFNGLGENRENDERBUFFERSPROC genRenderbuffers;
    PFNGLBINDRENDERBUFFERPROC bindRenderbuffer;
    PFNGLRENDERBUFFERSTORAGEPROC renderbufferStorage;
    PFNGLDELETERENDERBUFFERSPROC deleteRenderbuffers;
    PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer;
    PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus;
};

bool hasExtension(const char* name) {
    const char* all = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    const size_t length = std::strlen(name);
    for (const char* p = all; p && (p = std::strstr(p, name)); p += length)
        if ((p == all || p[-1] == ' ') && (p[length] == ' ' || p[length] == '\0')) return true;
    return false;
}

template <class F>
bool fetch(F& call, const char* name, const char* suffix) {
    const std::string full = std::string(name) + suffix;
    call = reinterpret_cast<F>(SDL_GL_GetProcAddress(full.c_str()));
    return call != nullptr;
}

// The ARB calls and the EXT ones take the same arguments and enumerations; null when there are neither.
const FramebufferCalls* framebufferCalls() {
    static FramebufferCalls calls;
    static const bool found = [] {
        const char* suffix = hasExtension("GL_ARB_framebuffer_object") ? ""
                             : hasExtension("GL_EXT_framebuffer_object") ? "EXT"
                                                                         : nullptr;
        return suffix && fetch(calls.genFramebuffers, "glGenFramebuffers", suffix) &&
               fetch(calls.bindFramebuffer, "glBindFramebuffer", suffix) &&
               fetch(calls.deleteFramebuffers, "glDeleteFramebuffers", suffix) &&
               fetch(calls.genRenderbuffers, "glGenRenderbuffers", suffix) &&
               fetch(calls.bindRenderbuffer, "glBindRenderbuffer", suffix) &&
               fetch(calls.renderbufferStorage, "glRenderbufferStorage", suffix) &&
               fetch(calls.deleteRenderbuffers, "glDeleteRenderbuffers", suffix) &&
               fetch(calls.framebufferRenderbuffer, "glFramebufferRenderbuffer", suffix) &&
               fetch(calls.checkFramebufferStatus, "glCheckFramebufferStatus", suffix);
    }();
    return found ? &calls : nullptr;
}

GLenum depthFormat(GLint bits) {
    if (bits > 24) return GL_DEPTH_COMPONENT32;
    if (bits > 16) return GL_DEPTH_COMPONENT24;
    return GL_DEPTH_COMPONENT16;
}

}  // namespace

FrameTarget::FrameTarget(const Letterbox& box) : box(box) {
    if (inWindow()) return;
    const int width = box.drawnWidth();
    const int height = box.drawnHeight();
    const FramebufferCalls* gl = framebufferCalls();
    if (!gl) {
        std::cerr << "moriq-capture: this OpenGL has no framebuffer objects, so it cannot draw frames offscreen"
                  << std::endl;
        return;
    }
    GLint maxSize = 0;
    GLint maxViewport[2] = {0, 0};
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &maxSize);
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, maxViewport);
    const GLint maxWidth = std::min(maxSize, maxViewport[0]);
    const GLint maxHeight = std::min(maxSize, maxViewport[1]);
    if (width > maxWidth || height > maxHeight) {
        std::cerr << "moriq-capture: this OpenGL draws offscreen pictures of at most " << maxWidth << "x"
                  << maxHeight << " pixels; " << width << "x" << height
                  << " were asked for (the 4:3 picture times --supersample)" << std::endl;
        return;
    }
    GLint depthBits = 16;
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    while (glGetError() != GL_NO_ERROR) {}

    gl->genRenderbuffers(1, &colour);
    gl->bindRenderbuffer(GL_RENDERBUFFER, colour);
    gl->renderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    gl->genRenderbuffers(1, &depth);
    gl->bindRenderbuffer(GL_RENDERBUFFER, depth);
    gl->renderbufferStorage(GL_RENDERBUFFER, depthFormat(depthBits), width, height);
    gl->bindRenderbuffer(GL_RENDERBUFFER, 0);
    gl->genFramebuffers(1, &framebuffer);
    gl->bindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    gl->framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
    gl->framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
    const GLenum error = glGetError();
    const GLenum status = gl->checkFramebufferStatus(GL_FRAMEBUFFER);
    if (error != GL_NO_ERROR || status != GL_FRAMEBUFFER_COMPLETE) {
        std::cerr << "moriq-capture: OpenGL could not make a " << width << "x" << height
                  << " offscreen picture (" << (error == GL_OUT_OF_MEMORY ? "out of memory" : "not supported")
                  << ")" << std::endl;
        release();
        return;
    }
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    // What a window of this size would start with; the loading bar saves and restores it for the scenes.
    Raster::setSize(width, height);
    Raster::reset();
}

FrameTarget::~FrameTarget() {
    release();
}

void FrameTarget::release() {
    if (framebuffer) {
        Raster::restore(before);
        Raster::reset();
    }
    const FramebufferCalls* gl = framebufferCalls();
    if (!gl) return;
    if (framebuffer) {
        gl->bindFramebuffer(GL_FRAMEBUFFER, 0);
        gl->deleteFramebuffers(1, &framebuffer);
    }
    if (depth) gl->deleteRenderbuffers(1, &depth);
    if (colour) gl->deleteRenderbuffers(1, &colour);
    framebuffer = colour = depth = 0;
}

bool FrameTarget::inWindow() const {
    return box.width == Raster::WIDTH && box.height == Raster::HEIGHT && box.supersample == 1;
}

std::unique_ptr<FlashFilter> FrameTarget::flashFilter() const {
    if (inWindow()) return std::unique_ptr<FlashFilter>(new FlashFilter());
    const Letterbox copy = box;
    const FlashFilter::Placement placement{box.width, box.height, box.pictureX, box.pictureY, box.pictureWidth,
                                           box.pictureHeight};
    return std::unique_ptr<FlashFilter>(new FlashFilter(
        placement, [copy](const unsigned char* drawn, unsigned char* frame) { copy.compose(drawn, frame); }));
}

const Screenshot& FrameTarget::grab() {
    if (inWindow()) return frame = Screenshot::grab(Raster::WIDTH, Raster::HEIGHT);
    // Both buffers are kept from frame to frame: a new one each time costs more than reading it.
    drawn.resize(static_cast<size_t>(box.drawnWidth()) * box.drawnHeight() * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glReadPixels(0, 0, box.drawnWidth(), box.drawnHeight(), GL_RGB, GL_UNSIGNED_BYTE, drawn.data());
    frame.width = box.width;
    frame.height = box.height;
    frame.rgb.resize(static_cast<size_t>(box.width) * box.height * 3);
    box.compose(drawn.data(), frame.rgb.data());
    return frame;
}
