// The demo's OpenGL 1.1 over OpenGL ES 3.0 / WebGL 2: start-up of the layer. Everything else is the GL 1.1
// and GLU entry points the demo calls, with their own names (see glcompat/README.md).
#pragma once

namespace moriqgl {

// Returns the address of a real OpenGL ES 3.0 function by name (eglGetProcAddress natively,
// emscripten_webgl_get_proc_address in the browser); must never return the layer's own functions.
using GetProc = void* (*)(const char* name);

// Fills the table of real ES functions and builds the layer's shaders in the current context, which
// must be an OpenGL ES 3.0 (WebGL 2) context. Call it once after the context is made current and
// before any GL 1.1 call. Returns false, and says why on standard error, if a function or shader is
// missing; the layer then draws nothing.
bool load(GetProc getProc);

// After the context was lost and a new one (a restored WebGL context) is current: builds the layer's
// programs and buffers again and remakes every texture with its pictures and parameters, so the demo's
// texture names and all GL 1.1 state carry on. Returns false, saying why on standard error, if it cannot.
bool reload();

// Releases the layer's ES objects (in the current context) and forgets all GL 1.1 state, so that load
// may be called again for a new context.
void unload();

// How many shader variants the layer has compiled in this context: load compiles every one the demo
// draws with, so a count that grows later means a frame waited for a compile (for tests).
int compiledVariants();

// While on, GL calls change the layer's state as ever, but nothing is drawn or cleared: for frames drawn
// only for the state they leave to the next (software WebGL spends its time filling pixels).
void discard(bool on);

}  // namespace moriqgl
