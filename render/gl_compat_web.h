#pragma once

// The browser build's fixed-function GL is an emulation on WebGL that leaves out or bends part
// of what the program uses: its lighting normalises every normal and takes one material per
// primitive, it has no colour material, no attribute stack and no line polygon mode, and it
// reads a primitive's vertex layout from its first vertex. The build includes this header
// ahead of every file that calls the GL, so those calls reach the stand-ins below, which keep
// the GL's own meaning (they light each vertex with the GL's lighting equation and hand the
// emulation plain coloured vertices); the files themselves are the same as on the desktop.
// Calls not named here go to the emulation as they are.

#include <GL/gl.h>
#include <GL/glu.h>

void CompatGlBegin(GLenum mode);
void CompatGlEnd();
void CompatGlVertex3f(GLfloat x, GLfloat y, GLfloat z);
void CompatGlNormal3f(GLfloat x, GLfloat y, GLfloat z);
void CompatGlTexCoord2f(GLfloat s, GLfloat t);
void CompatGlColor4f(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha);
void CompatGlColor3f(GLfloat red, GLfloat green, GLfloat blue);
void CompatGlColor4fv(const GLfloat *rgba);
void CompatGlMaterialfv(GLenum face, GLenum pname, const GLfloat *params);
void CompatGlMaterialf(GLenum face, GLenum pname, GLfloat param);
void CompatGlColorMaterial(GLenum face, GLenum mode);
void CompatGlLightfv(GLenum light, GLenum pname, const GLfloat *params);
void CompatGlLightModelfv(GLenum pname, const GLfloat *params);
void CompatGlLightModelf(GLenum pname, GLfloat param);
void CompatGlLightModeli(GLenum pname, GLint param);
void CompatGlShadeModel(GLenum mode);
void CompatGlEnable(GLenum capability);
void CompatGlDisable(GLenum capability);
void CompatGlPolygonMode(GLenum face, GLenum mode);
void CompatGlPolygonOffset(GLfloat factor, GLfloat units);
void CompatGlCullFace(GLenum mode);
void CompatGlDepthFunc(GLenum function);
void CompatGlDepthMask(GLboolean flag);
void CompatGlBlendFunc(GLenum source, GLenum destination);
void CompatGlLineWidth(GLfloat width);
void CompatGlPointSize(GLfloat size);
void CompatGlViewport(GLint x, GLint y, GLsizei width, GLsizei height);
void CompatGlMatrixMode(GLenum mode);
void CompatGlPushAttrib(GLbitfield mask);
void CompatGlPopAttrib();
void CompatGlTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width,
                        GLsizei height, GLint border, GLenum format, GLenum type,
                        const GLvoid *pixels);
void CompatGlReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type,
                        GLvoid *pixels);
void CompatGluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar);
// Client-side arrays, as a model's skin is drawn: kept here and sent through the same stand-ins
// as glBegin and glEnd, so a model is lit, textured and outlined (line mode) as the limb is.
// Floats only, positions of 3 and texture coordinates of 2, unsigned int indices.
void CompatGlEnableClientState(GLenum array);
void CompatGlDisableClientState(GLenum array);
void CompatGlVertexPointer(GLint size, GLenum type, GLsizei stride, const GLvoid *pointer);
void CompatGlNormalPointer(GLenum type, GLsizei stride, const GLvoid *pointer);
void CompatGlTexCoordPointer(GLint size, GLenum type, GLsizei stride, const GLvoid *pointer);
void CompatGlDrawElements(GLenum mode, GLsizei count, GLenum type, const GLvoid *indices);

// Puts the browser's GL back to the state the stand-ins keep (switches, depth, blending, line
// and point sizes, polygon offset, viewport) after something drew past them (the panel), from
// what they know: reading it back would make the browser wait for the GPU.
void CompatRestorePassedOnState();

#define glBegin CompatGlBegin
#define glEnableClientState CompatGlEnableClientState
#define glDisableClientState CompatGlDisableClientState
#define glVertexPointer CompatGlVertexPointer
#define glNormalPointer CompatGlNormalPointer
#define glTexCoordPointer CompatGlTexCoordPointer
#define glDrawElements CompatGlDrawElements
#define glEnd CompatGlEnd
#define glVertex3f CompatGlVertex3f
#define glNormal3f CompatGlNormal3f
#define glTexCoord2f CompatGlTexCoord2f
#define glColor4f CompatGlColor4f
#define glColor3f CompatGlColor3f
#define glColor4fv CompatGlColor4fv
#define glMaterialfv CompatGlMaterialfv
#define glMaterialf CompatGlMaterialf
#define glColorMaterial CompatGlColorMaterial
#define glLightfv CompatGlLightfv
#define glLightModelfv CompatGlLightModelfv
#define glLightModelf CompatGlLightModelf
#define glLightModeli CompatGlLightModeli
#define glShadeModel CompatGlShadeModel
#define glEnable CompatGlEnable
#define glDisable CompatGlDisable
#define glPolygonMode CompatGlPolygonMode
#define glPolygonOffset CompatGlPolygonOffset
#define glCullFace CompatGlCullFace
#define glDepthFunc CompatGlDepthFunc
#define glDepthMask CompatGlDepthMask
#define glBlendFunc CompatGlBlendFunc
#define glLineWidth CompatGlLineWidth
#define glPointSize CompatGlPointSize
#define glViewport CompatGlViewport
#define glMatrixMode CompatGlMatrixMode
#define glPushAttrib CompatGlPushAttrib
#define glPopAttrib CompatGlPopAttrib
#define glTexImage2D CompatGlTexImage2D
#define glReadPixels CompatGlReadPixels
#define gluPerspective CompatGluPerspective
