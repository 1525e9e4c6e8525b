// The table of real OpenGL ES 3.0 functions the layer draws with, filled at start-up (they have the same
// names as the GL 1.1 functions the layer itself defines), and the ES-only enums.
#pragma once

#include "moriqgl/EsFunctions.h"

#include <GL/gl.h>

namespace moriqgl {

struct EsTable {
#define MORIQGL_MEMBER(name, ret, params) ret(*name) params = nullptr;
    MORIQGL_ES_FUNCTIONS(MORIQGL_MEMBER)
#undef MORIQGL_MEMBER
};

// The table of the context the layer was loaded in.
extern EsTable es;

namespace esenum {
const GLenum ARRAY_BUFFER = 0x8892;
const GLenum ELEMENT_ARRAY_BUFFER = 0x8893;
const GLenum STREAM_DRAW = 0x88E0;
const GLenum STATIC_DRAW = 0x88E4;
const GLenum FRAGMENT_SHADER = 0x8B30;
const GLenum VERTEX_SHADER = 0x8B31;
const GLenum COMPILE_STATUS = 0x8B81;
const GLenum LINK_STATUS = 0x8B82;
const GLenum TEXTURE0 = 0x84C0;
const GLenum CLAMP_TO_EDGE = 0x812F;
}  // namespace esenum

}  // namespace moriqgl
