#include "app/window_size.h"

#include "demo/demo_state.h"

void ClampWindowToScreen(int screenWidth, int screenHeight) {
    if (screenWidth > 0 && demoState.windowWidth > screenWidth)
        demoState.windowWidth = screenWidth;
    if (screenHeight > 0 && demoState.windowHeight > screenHeight)
        demoState.windowHeight = screenHeight;
}
