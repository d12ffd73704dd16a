#pragma once

#include <imgui.h>

// The panel's sliders. Beside what ImGui's own give, each of them:
//  - shows its value inside the frame on the side away from the grab, so the grab never hides
//    a digit;
//  - opens a text field to type a value on Ctrl+click or on a double click;
//  - while the pointer rests on it, is outlined and takes the arrow keys, each one exact step
//    (PanelSliderTakesKey); elsewhere the arrows keep their own meaning.
// They return true when the value changed, as ImGui's do.
bool PanelSliderFloat(const char *label, float *value, float min, float max, float step,
                      const char *format, ImGuiSliderFlags flags = 0);
bool PanelSliderInt(const char *label, int *value, int min, int max);

// Offers a key press to the focused slider: 1 when it takes it (an arrow key while a slider has
// the focus: Right and Up step it up, Left and Down down), for the next frame's panel to apply;
// 0 when the key is not the sliders'.
int PanelSliderTakesKey(int keyCode);

// Ends a build of the panel: the slider the pointer rests on now takes the arrows until the
// next build.
void EndPanelSliders();

// Forgets the focus and the pending steps: for a new panel.
void ResetPanelSliders();

// The one line that tells people how the sliders can be typed into and nudged.
extern const char PanelSliderHint[];

// An angle as the panel shows it: within (-180, 180], the same turn as the one given, and no
// "-0.00" for a speck of rounding below zero.
float WrappedDegrees(double angle);
