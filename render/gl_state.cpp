#include "render/gl_state.h"

// Placeholder until the renderer lands.
void InitGlState() {}
