// The OpenGL ES 3.0 functions moriqgl::load asks its lookup function for, as a list macro: a program
// that hands the layer stand-ins (a benchmark counting calls, a recorder) builds them from it.
#pragma once

#include <GL/gl.h>

#include <cstddef>

// name, return type, parameters
#define MORIQGL_ES_FUNCTIONS(X)                                                                             \
    X(ActiveTexture, void, (GLenum))                                                                       \
    X(AttachShader, void, (GLuint, GLuint))                                                                \
    X(BindAttribLocation, void, (GLuint, GLuint, const char*))                                             \
    X(BindBuffer, void, (GLenum, GLuint))                                                                  \
    X(BindTexture, void, (GLenum, GLuint))                                                                 \
    X(BindVertexArray, void, (GLuint))                                                                     \
    X(BlendFunc, void, (GLenum, GLenum))                                                                   \
    X(BufferData, void, (GLenum, std::ptrdiff_t, const void*, GLenum))                                     \
    X(BufferSubData, void, (GLenum, std::ptrdiff_t, std::ptrdiff_t, const void*))                          \
    X(Clear, void, (GLbitfield))                                                                           \
    X(ClearColor, void, (GLfloat, GLfloat, GLfloat, GLfloat))                                              \
    X(ColorMask, void, (GLboolean, GLboolean, GLboolean, GLboolean))                                       \
    X(ClearDepthf, void, (GLfloat))                                                                        \
    X(CompileShader, void, (GLuint))                                                                       \
    X(CreateProgram, GLuint, ())                                                                           \
    X(CreateShader, GLuint, (GLenum))                                                                      \
    X(CullFace, void, (GLenum))                                                                            \
    X(DeleteBuffers, void, (GLsizei, const GLuint*))                                                       \
    X(DeleteProgram, void, (GLuint))                                                                       \
    X(DeleteShader, void, (GLuint))                                                                        \
    X(DeleteTextures, void, (GLsizei, const GLuint*))                                                      \
    X(DeleteVertexArrays, void, (GLsizei, const GLuint*))                                                  \
    X(DepthFunc, void, (GLenum))                                                                           \
    X(DepthMask, void, (GLboolean))                                                                        \
    X(Disable, void, (GLenum))                                                                             \
    X(DrawArrays, void, (GLenum, GLint, GLsizei))                                                          \
    X(DrawElements, void, (GLenum, GLsizei, GLenum, const void*))                                          \
    X(Enable, void, (GLenum))                                                                              \
    X(EnableVertexAttribArray, void, (GLuint))                                                             \
    X(GenBuffers, void, (GLsizei, GLuint*))                                                                \
    X(GenTextures, void, (GLsizei, GLuint*))                                                               \
    X(GenVertexArrays, void, (GLsizei, GLuint*))                                                           \
    X(GenerateMipmap, void, (GLenum))                                                                      \
    X(GetIntegerv, void, (GLenum, GLint*))                                                                 \
    X(GetProgramInfoLog, void, (GLuint, GLsizei, GLsizei*, char*))                                         \
    X(GetProgramiv, void, (GLuint, GLenum, GLint*))                                                        \
    X(GetShaderInfoLog, void, (GLuint, GLsizei, GLsizei*, char*))                                          \
    X(GetShaderiv, void, (GLuint, GLenum, GLint*))                                                         \
    X(GetUniformLocation, GLint, (GLuint, const char*))                                                    \
    X(LinkProgram, void, (GLuint))                                                                         \
    X(PixelStorei, void, (GLenum, GLint))                                                                  \
    X(ReadPixels, void, (GLint, GLint, GLsizei, GLsizei, GLenum, GLenum, void*))                           \
    X(Scissor, void, (GLint, GLint, GLsizei, GLsizei))                                                     \
    X(ShaderSource, void, (GLuint, GLsizei, const char* const*, const GLint*))                             \
    X(TexImage2D, void, (GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum, GLenum, const void*))      \
    X(TexParameteri, void, (GLenum, GLenum, GLint))                                                        \
    X(TexSubImage2D, void, (GLenum, GLint, GLint, GLint, GLsizei, GLsizei, GLenum, GLenum, const void*))   \
    X(Uniform1f, void, (GLint, GLfloat))                                                                   \
    X(Uniform1i, void, (GLint, GLint))                                                                     \
    X(Uniform2f, void, (GLint, GLfloat, GLfloat))                                                          \
    X(Uniform2i, void, (GLint, GLint, GLint))                                                              \
    X(Uniform4fv, void, (GLint, GLsizei, const GLfloat*))                                                  \
    X(UniformMatrix3fv, void, (GLint, GLsizei, GLboolean, const GLfloat*))                                 \
    X(UniformMatrix4fv, void, (GLint, GLsizei, GLboolean, const GLfloat*))                                 \
    X(UseProgram, void, (GLuint))                                                                          \
    X(VertexAttribPointer, void, (GLuint, GLint, GLenum, GLboolean, GLsizei, const void*))                 \
    X(Viewport, void, (GLint, GLint, GLsizei, GLsizei))
