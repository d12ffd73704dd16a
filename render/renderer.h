#pragma once

// GL texture names of the two surfaces; 0 (the default texture, no image) until loaded.
extern unsigned int skinTexture;
extern unsigned int floorTexture;

// Draws one complete frame into the current GL context and then calls presentFrame (the
// platform's buffer swap) to show it. viewAngle is the camera yaw in degrees.
void RenderScene(void (*presentFrame)(void), double viewAngle);
