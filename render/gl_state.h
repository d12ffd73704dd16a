#pragma once

// Sets the fixed GL state and the light, once, right after the GL context is made current.
void InitGlState();
