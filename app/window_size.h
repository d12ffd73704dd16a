#pragma once

// Lowers demoState's start-up window size to the screen size, each dimension on its own;
// nothing is ever enlarged. A screen size of 0 (unknown) leaves that dimension alone.
void ClampWindowToScreen(int screenWidth, int screenHeight);
