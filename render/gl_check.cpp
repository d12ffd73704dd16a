#include "render/gl_check.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <cstdio>

namespace {

// A driver keeps one flag per kind of error; more rounds than kinds means something is wrong
// (for example no current context answering with the same error forever).
const int MaxErrorFlags = 16;

} // namespace

unsigned int TakeGlError() {
    GLenum first = GL_NO_ERROR;
    for (int round = 0; round < MaxErrorFlags; ++round) {
        GLenum error = glGetError();
        if (error == GL_NO_ERROR)
            break;
        if (first == GL_NO_ERROR)
            first = error;
    }
    return first;
}

void CheckGlAfterFrame() {
#ifndef NDEBUG
    // Reports stop after this many, so a fault in every frame cannot flood the terminal.
    const int MaxReports = 20;
    static int reports = 0;
    GLenum error = TakeGlError();
    if (error == GL_NO_ERROR || reports >= MaxReports)
        return;
    ++reports;
    std::fprintf(stderr, "GL error 0x%04X (%s) in a frame%s\n", error,
                 (const char *)gluErrorString(error),
                 reports == MaxReports ? "; further GL errors not reported" : "");
#endif
}
