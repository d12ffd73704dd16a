#pragma once

#include "app/options.h"
#include "demo/frame_record.h"

#include <cstdio>
#include <string>

// The options that open a model file and write the skinned mesh out: the program's share of
// showing a model, outside the window's own code.

// The one way a model file is opened, whoever asks: loads path, picks the clip named by clipText
// (by name or number; null for every clip together) and shows the model from the clip's start
// (or held at *holdAt seconds on it, the play animation stopped) in place of the limb or the
// model before, with its chain the branch to its last joint, and clears modelFault. Returns 1,
// or 0 with error set to one line naming the file and the fault (a bad file, a clip the file
// lacks), the model shown before left as it was.
int OpenModelFile(const char *path, const char *clipText, const double *holdAt, std::string &error);

// Loads options.modelFile (when given), picks options.clip and holds at options.time, and shows
// the model. Returns 1, or 0 after printing one line to standard error: the program's name, the
// file and the fault (for a bad file, a clip the file lacks).
int OpenModelOfOptions(const DemoOptions &options, const char *programName);

// A file dropped on the window (or, on a page, dropped or picked): shown from the start of all
// its clips, the inverse mode started afresh on it. Returns 1, or 0 after printing one line to
// standard error as the command line does, that line kept in modelFault for the panel and the
// model shown before left on screen.
int OpenDroppedModel(const char *path, const char *programName);

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
