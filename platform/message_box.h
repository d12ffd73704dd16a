#pragma once

// Shows a modal error box captioned "Error" with one OK button, owned by the window that has
// the keyboard focus, and waits until it is closed. Returns 1 when the box was shown, 0 when
// there is no display to show it on (a headless run), so the caller can report another way.
int ShowErrorBox(const char *text);
