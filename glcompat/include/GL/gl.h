// The OpenGL 1.1 of moriq-gl, in place of the system's <GL/gl.h>: GL's types, the constants the demo and the
// layer use (with GL's values) and the prototypes of exactly the calls the layer defines, so that a call it
// does not provide fails to compile rather than to link, or to draw.
#ifndef MORIQGL_GL_H
#define MORIQGL_GL_H

typedef unsigned int GLenum;
typedef unsigned char GLboolean;
typedef unsigned int GLbitfield;
typedef void GLvoid;
typedef signed char GLbyte;
typedef short GLshort;
typedef int GLint;
typedef unsigned char GLubyte;
typedef unsigned short GLushort;
typedef unsigned int GLuint;
typedef int GLsizei;
typedef float GLfloat;
typedef float GLclampf;
typedef double GLdouble;
typedef double GLclampd;

#define GL_ACCUM_BUFFER_BIT            0x00000200
#define GL_ALL_ATTRIB_BITS             0xFFFFFFFF
#define GL_ALPHA                       0x1906
#define GL_ALWAYS                      0x0207
#define GL_AMBIENT                     0x1200
#define GL_AMBIENT_AND_DIFFUSE         0x1602
#define GL_ATTRIB_STACK_DEPTH          0x0BB0
#define GL_BACK                        0x0405
#define GL_BLEND                       0x0BE2
#define GL_CCW                         0x0901
#define GL_CLAMP                       0x2900
#define GL_CLIENT_ATTRIB_STACK_DEPTH   0x0BB1
#define GL_CLIENT_PIXEL_STORE_BIT      0x00000001
#define GL_CLIENT_VERTEX_ARRAY_BIT     0x00000002
#define GL_COLOR_ARRAY                 0x8076
#define GL_COLOR_BUFFER_BIT            0x00004000
#define GL_COLOR_MATERIAL              0x0B57
#define GL_CULL_FACE                   0x0B44
#define GL_CURRENT_BIT                 0x00000001
#define GL_CURRENT_COLOR               0x0B00
#define GL_CW                          0x0900
#define GL_DEPTH_BUFFER_BIT            0x00000100
#define GL_DEPTH_TEST                  0x0B71
#define GL_DIFFUSE                     0x1201
#define GL_DONT_CARE                   0x1100
#define GL_EDGE_FLAG_ARRAY             0x8079
#define GL_EMISSION                    0x1600
#define GL_ENABLE_BIT                  0x00002000
#define GL_EYE_LINEAR                  0x2400
#define GL_FALSE                       0
#define GL_FASTEST                     0x1101
#define GL_FILL                        0x1B02
#define GL_FLOAT                       0x1406
#define GL_FOG                         0x0B60
#define GL_FOG_HINT                    0x0C54
#define GL_FRONT                       0x0404
#define GL_FRONT_AND_BACK              0x0408
#define GL_INDEX_ARRAY                 0x8077
#define GL_INVALID_ENUM                0x0500
#define GL_INVALID_OPERATION           0x0502
#define GL_INVALID_VALUE               0x0501
#define GL_LEQUAL                      0x0203
#define GL_LESS                        0x0201
#define GL_LIGHT0                      0x4000
#define GL_LIGHTING                    0x0B50
#define GL_LIGHTING_BIT                0x00000040
#define GL_LIGHT_MODEL_TWO_SIDE        0x0B52
#define GL_LINE                        0x1B01
#define GL_LINEAR                      0x2601
#define GL_LINEAR_MIPMAP_LINEAR        0x2703
#define GL_LINES                       0x0001
#define GL_LINE_BIT                    0x00000004
#define GL_LINE_LOOP                   0x0002
#define GL_LINE_SMOOTH                 0x0B20
#define GL_LINE_STRIP                  0x0003
#define GL_LINE_WIDTH                  0x0B21
#define GL_LUMINANCE                   0x1909
#define GL_LUMINANCE_ALPHA             0x190A
#define GL_MATRIX_MODE                 0x0BA0
#define GL_MODELVIEW                   0x1700
#define GL_MODELVIEW_MATRIX            0x0BA6
#define GL_MODELVIEW_STACK_DEPTH       0x0BA3
#define GL_MODULATE                    0x2100
#define GL_NEAREST                     0x2600
#define GL_NEAREST_MIPMAP_LINEAR       0x2702
#define GL_NEAREST_MIPMAP_NEAREST      0x2700
#define GL_NEVER                       0x0200
#define GL_NICEST                      0x1102
#define GL_NORMALIZE                   0x0BA1
#define GL_NORMAL_ARRAY                0x8075
#define GL_NO_ERROR                    0
#define GL_OBJECT_LINEAR               0x2401
#define GL_ONE                         1
#define GL_ONE_MINUS_SRC_ALPHA         0x0303
#define GL_PACK_ALIGNMENT              0x0D05
#define GL_PERSPECTIVE_CORRECTION_HINT 0x0C50
#define GL_POINT                       0x1B00
#define GL_POINTS                      0x0000
#define GL_POLYGON                     0x0009
#define GL_POLYGON_BIT                 0x00000008
#define GL_POSITION                    0x1203
#define GL_PROJECTION                  0x1701
#define GL_PROJECTION_MATRIX           0x0BA7
#define GL_PROJECTION_STACK_DEPTH      0x0BA4
#define GL_QUADS                       0x0007
#define GL_QUAD_STRIP                  0x0008
#define GL_REPEAT                      0x2901
#define GL_RGB                         0x1907
#define GL_RGBA                        0x1908
#define GL_S                           0x2000
#define GL_SCISSOR_BIT                 0x00080000
#define GL_SCISSOR_TEST                0x0C11
#define GL_SHININESS                   0x1601
#define GL_SMOOTH                      0x1D01
#define GL_SPECULAR                    0x1202
#define GL_SPHERE_MAP                  0x2402
#define GL_SRC_ALPHA                   0x0302
#define GL_SRC_ALPHA_SATURATE          0x0308
#define GL_SRC_COLOR                   0x0300
#define GL_STACK_OVERFLOW              0x0503
#define GL_STACK_UNDERFLOW             0x0504
#define GL_STENCIL_BUFFER_BIT          0x00000400
#define GL_T                           0x2001
#define GL_TEXTURE_1D                  0x0DE0
#define GL_TEXTURE_2D                  0x0DE1
#define GL_TEXTURE_BINDING_1D          0x8068
#define GL_TEXTURE_BINDING_2D          0x8069
#define GL_TEXTURE_BIT                 0x00040000
#define GL_TEXTURE_COORD_ARRAY         0x8078
#define GL_TEXTURE_ENV                 0x2300
#define GL_TEXTURE_ENV_MODE            0x2200
#define GL_TEXTURE_GEN_MODE            0x2500
#define GL_TEXTURE_GEN_S               0x0C60
#define GL_TEXTURE_GEN_T               0x0C61
#define GL_TEXTURE_MAG_FILTER          0x2800
#define GL_TEXTURE_MIN_FILTER          0x2801
#define GL_TEXTURE_WRAP_S              0x2802
#define GL_TEXTURE_WRAP_T              0x2803
#define GL_TRANSFORM_BIT               0x00001000
#define GL_TRIANGLES                   0x0004
#define GL_TRIANGLE_FAN                0x0006
#define GL_TRIANGLE_STRIP              0x0005
#define GL_TRUE                        1
#define GL_UNPACK_ALIGNMENT            0x0CF5
#define GL_UNSIGNED_BYTE               0x1401
#define GL_UNSIGNED_INT                0x1405
#define GL_VERTEX_ARRAY                0x8074
#define GL_VIEWPORT                    0x0BA2
#define GL_VIEWPORT_BIT                0x00000800
#define GL_ZERO                        0

#ifdef __cplusplus
extern "C" {
#endif

GLenum glGetError(void);
void glEnable(GLenum cap);
void glDisable(GLenum cap);
void glEnableClientState(GLenum array);
void glDisableClientState(GLenum array);
void glHint(GLenum target, GLenum mode);
void glShadeModel(GLenum mode);
void glPixelStorei(GLenum name, GLint value);
void glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a);
void glClearDepth(GLclampd depth);
void glClear(GLbitfield mask);
void glViewport(GLint x, GLint y, GLsizei width, GLsizei height);
void glScissor(GLint x, GLint y, GLsizei width, GLsizei height);
void glColorMask(GLboolean r, GLboolean g, GLboolean b, GLboolean a);
void glLineWidth(GLfloat width);
void glPolygonMode(GLenum face, GLenum mode);
void glCullFace(GLenum mode);
void glDepthFunc(GLenum func);
void glDepthMask(GLboolean flag);
void glBlendFunc(GLenum src, GLenum dst);
void glPushAttrib(GLbitfield mask);
void glPopAttrib(void);
void glPushClientAttrib(GLbitfield mask);
void glPopClientAttrib(void);
void glGetIntegerv(GLenum name, GLint* out);
void glGetFloatv(GLenum name, GLfloat* out);
void glReadBuffer(GLenum mode);
void glReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type, GLvoid* pixels);
void glMatrixMode(GLenum mode);
void glLoadIdentity(void);
void glPushMatrix(void);
void glPopMatrix(void);
void glTranslatef(GLfloat x, GLfloat y, GLfloat z);
void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z);
void glScalef(GLfloat x, GLfloat y, GLfloat z);
void glOrtho(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble zNear, GLdouble zFar);
void glBegin(GLenum mode);
void glEnd(void);
void glVertex2f(GLfloat x, GLfloat y);
void glVertex2i(GLint x, GLint y);
void glVertex3f(GLfloat x, GLfloat y, GLfloat z);
void glVertex3fv(const GLfloat* v);
void glColor3f(GLfloat r, GLfloat g, GLfloat b);
void glColor3fv(const GLfloat* v);
void glColor3ub(GLubyte r, GLubyte g, GLubyte b);
void glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a);
void glNormal3f(GLfloat x, GLfloat y, GLfloat z);
void glTexCoord1f(GLfloat s);
void glTexCoord2f(GLfloat s, GLfloat t);
void glTexCoord2i(GLint s, GLint t);
void glVertexPointer(GLint size, GLenum type, GLsizei stride, const GLvoid* pointer);
void glNormalPointer(GLenum type, GLsizei stride, const GLvoid* pointer);
void glDrawArrays(GLenum mode, GLint first, GLsizei count);
void glLightfv(GLenum light, GLenum name, const GLfloat* v);
void glLightModelf(GLenum name, GLfloat value);
void glMaterialfv(GLenum face, GLenum name, const GLfloat* v);
void glGenTextures(GLsizei n, GLuint* names);
void glDeleteTextures(GLsizei n, const GLuint* names);
void glBindTexture(GLenum target, GLuint name);
void glTexParameteri(GLenum target, GLenum name, GLint value);
void glTexEnvi(GLenum target, GLenum name, GLint value);
void glTexGeni(GLenum coord, GLenum name, GLint value);
void glTexImage1D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLint border, GLenum format,
                  GLenum type, const GLvoid* pixels);
void glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height, GLint border,
                  GLenum format, GLenum type, const GLvoid* pixels);
void glTexSubImage2D(GLenum target, GLint level, GLint xoffset, GLint yoffset, GLsizei width, GLsizei height,
                     GLenum format, GLenum type, const GLvoid* pixels);

#ifdef __cplusplus
}
#endif

#endif
