#pragma once

// Placing the panel's rows so that nothing overlaps, however narrow the panel: an item goes
// beside the one before it only where it fits, else on a line of its own.

// Keeps the next item, width wide, on this line when it fits, else starts a new line.
void SameLineIfFits(float width);

// Puts the next item, width wide, in the panel's second column (from its middle) when the item
// before ends short of the middle and this one fits there; else on a line of its own.
void SecondColumnIfFits(float width);

// How wide a check box or radio button with this label is.
float ToggleWidth(const char *label);

// Whether the panel is laid out for fingers (panel.cpp decides, each frame): then a button that
// is a small one for a mouse is as tall as any other row.
void SetFingerLayout(int fingers);
int FingerLayout();
bool RowButton(const char *label);
