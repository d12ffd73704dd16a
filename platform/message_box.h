#pragma once

// Shows a modal error box captioned "Error" with one OK button, owned by the window that has
// the keyboard focus. Without a display the text goes to standard error instead.
//
// Declared here, defined by the platform library. Code below the platform layer (the image
// loader) only includes this header; whoever links the final program supplies the definition,
// which lets tests link their own recorder instead of opening a box.
void ShowErrorMessage(const char *text);
