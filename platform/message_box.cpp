#include "platform/message_box.h"

#include <SDL.h>
#include <cstring>

namespace {

// Drivers that render without a screen can show no box (and a box opened on some other
// display would wait for a click that never comes).
int RunsWithoutDisplay() {
    if (!SDL_WasInit(SDL_INIT_VIDEO))
        return 0;
    const char *driver = SDL_GetCurrentVideoDriver();
    return driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
}

} // namespace

int ShowErrorBox(const char *text) {
    if (RunsWithoutDisplay())
        return 0;
    return SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "Error", text ? text : "",
                                    SDL_GetKeyboardFocus()) == 0;
}
