#pragma once

// Sets the fixed GL state and the light, once, right after the GL context is made current:
// light 0's colours, lighting, depth test, back-face culling, two-sided lighting, filled
// polygons and smooth shading. Everything else keeps the GL default for the whole run.
void InitGlState();
