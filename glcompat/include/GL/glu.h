// The GLU of moriq-gl, in place of the system's <GL/glu.h>: the two calls the demo makes and their error codes.
#ifndef MORIQGL_GLU_H
#define MORIQGL_GLU_H

#include <GL/gl.h>

#define GLU_INVALID_ENUM      100900
#define GLU_INVALID_OPERATION 100904
#define GLU_INVALID_VALUE     100901

#ifdef __cplusplus
extern "C" {
#endif

void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar);
GLint gluBuild2DMipmaps(GLenum target, GLint internalFormat, GLsizei width, GLsizei height, GLenum format,
                        GLenum type, const void* data);

#ifdef __cplusplus
}
#endif

#endif
