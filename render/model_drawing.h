#pragma once

#include "demo/frame_record.h"

// A model from a file, drawn from the frame's skin with vertex arrays: one glDrawElements per
// primitive, placed in the scene by the shown model's framing. The limb's own drawing is left
// as it is.

// 1 when frame is of the shown model (demo/shown_model.h), not the limb.
int FrameShowsLoadedModel(const FrameRecord &frame);

// The shown model's skin in frame (or, side by side, every method's copy in its place), lit,
// textured with its base colour when it has one and textures are on, or in outline in the
// wireframe mode; the normals too when they are shown.
void DrawLoadedModel(const FrameRecord &frame);
