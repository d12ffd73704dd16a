#pragma once

// A line plot whose words never cover its line: the title above the drawing area, the scale
// (0 at the bottom, top at the top) at its left side, and optionally a level drawn across it as
// a line with its name, such as a tolerance. values are read from offset on, wrapping round,
// as ImGui::PlotLines reads them; values above top are drawn at the top.
void ScaledPlot(const char *id, const char *title, const float *values, int count, int offset,
                float top, float height, float level, const char *levelName);
