#include "tests/support/offscreen_gl.h"

#include <SDL.h>
#include <SDL_opengl.h>
#include <cstdio>
#include <cstdlib>

namespace {

SDL_Window *window = nullptr;
SDL_GLContext context = nullptr;

int CreateContext() {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "SDL_Init: %s\n", SDL_GetError());
        return 0;
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    window = SDL_CreateWindow("test", 0, 0, OffscreenWidth, OffscreenHeight,
                              SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!window) {
        std::fprintf(stderr, "SDL_CreateWindow: %s\n", SDL_GetError());
        return 0;
    }
    context = SDL_GL_CreateContext(window);
    if (!context) {
        std::fprintf(stderr, "SDL_GL_CreateContext: %s\n", SDL_GetError());
        return 0;
    }
    return 1;
}

} // namespace

int UseOffscreenGl() {
    if (!context && !CreateContext())
        return 0;
    return SDL_GL_MakeCurrent(window, context) == 0;
}

Rgb ReadPixel(int x, int y) {
    unsigned char rgba[4] = {0, 0, 0, 0};
    glReadBuffer(GL_BACK);
    // Four bytes a pixel: any pack alignment fits, so the GL's setting is left alone.
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    return Rgb{rgba[0], rgba[1], rgba[2]};
}
