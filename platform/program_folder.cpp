#include "platform/program_folder.h"

#include <SDL.h>

int PlatformProgramFolder(char *folder, int size) {
    char *basePath = SDL_GetBasePath();
    if (!basePath)
        return 0;
    int fits = (int)SDL_strlcpy(folder, basePath, (size_t)size) < size;
    SDL_free(basePath);
    return fits;
}
