#pragma once

#include "app/options.h"
#include "demo/frame_record.h"

#include <cstdio>

// The options that open a model file and write the skinned mesh out: the program's share of
// showing a model, outside the window's own code.

// Loads options.modelFile (when given), picks options.clip and holds at options.time, and shows
// the model. Returns 1, or 0 after printing one line to standard error: the program's name, the
// file and the fault (for a bad file, a clip the file lacks).
int OpenModelOfOptions(const DemoOptions &options, const char *programName);

// Writes the skin of record (a model's, or the limb's) to path as Wavefront OBJ: its vertices
// in their order, their unit normals, then the triangles, corners counter-clockwise seen from
// the front as OBJ has them. Returns 1, or 0 after printing why to standard error.
int ExportObj(const char *path, const FrameRecord &record, const char *programName);

// --turn JOINT:X,Y,Z: selects JOINT of the shown model (a name, or a number from 0) and turns it
// X, Y and Z degrees about its own axes, as the forward mode's keys and sliders do. Returns 1
// (also without the option), or 0 after one line on what is wrong.
int TurnJointOfOptions(const DemoOptions &options, const char *programName);

// The --stats line of the shown model: file, sizes, clip and time; nothing for the limb.
void PrintModelStats(std::FILE *out);
