// The demo's OpenGL 1.1 over OpenGL ES 3.0 / WebGL 2: start-up of the layer. Everything else is the GL 1.1
// and GLU entry points the demo calls, with their own names (see glcompat/README.md).
#pragma once

#include <vector>

namespace moriqgl {

// Returns the address of a real OpenGL ES 3.0 function by name (eglGetProcAddress natively,
// emscripten_webgl_get_proc_address in the browser); must never return the layer's own functions.
using GetProc = void* (*)(const char* name);

// The GL 1.1 state one of the layer's shader variants is made for. A variant is compiled when first
// drawn with, which stalls that frame (tens of ms in software WebGL); those a program draws with can be
// compiled at load instead. Switches that change nothing for the others are ignored (lighting's parts
// without lighting, normalize without lighting or a sphere map, a sphere map without a texture).
struct Variant {
    bool lighting = false;
    bool light0 = false;
    bool twoSide = false;
    bool colorMaterial = false;
    bool normalize = false;
    bool sphereS = false, sphereT = false;  // GL_TEXTURE_GEN_S/T enabled in GL_SPHERE_MAP mode
    enum Texture { NO_TEXTURE, TEXTURE_2D, TEXTURE_1D } texture = NO_TEXTURE;
    enum Lines { PLAIN, WIDE_LINES, SMOOTH_LINES } lines = PLAIN;  // lines wider than 1 pixel, or smooth
};

// Fills the table of real ES functions and builds the layer's shaders in the current context, which
// must be an OpenGL ES 3.0 (WebGL 2) context: the plain one and each of upFront (compiled again by
// reload). Call it once after the context is made current and before any GL 1.1 call. Returns false,
// and says why on standard error, if a function or shader is missing; the layer then draws nothing.
bool load(GetProc getProc, const std::vector<Variant>& upFront = {});

// After the context was lost and a new one (a restored WebGL context) is current: builds the layer's
// programs and buffers again and remakes every texture with its pictures and parameters, so the demo's
// texture names and all GL 1.1 state carry on. Returns false, saying why on standard error, if it cannot.
bool reload();

// Releases the layer's ES objects (in the current context) and forgets all GL 1.1 state, so that load
// may be called again for a new context.
void unload();

// How many shader variants the layer has compiled in this context: a count that grows after load means a
// frame waited for a compile (for tests of the list handed to load).
int compiledVariants();

// While on, GL calls change the layer's state as ever, but nothing is drawn or cleared: for frames drawn
// only for the state they leave to the next (software WebGL spends its time filling pixels).
void discard(bool on);

}  // namespace moriqgl
