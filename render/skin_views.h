#pragma once

#include "demo/frame_record.h"

// The skinning lab's views, drawn over the frame's skin, each only while it is on:
//  - weights (demoState.weightsView): the skin again, each vertex in WeightColour of its weight
//    on bone 1 (a model's: on frame.weightsJoint, or with none the mix of its joints' colours,
//    JointMixColour);
//  - radius (demoState.radiusView): the same in RadiusColour of its distance from the skeleton
//    against the rest pose's;
//  - volume (demoState.volumeView): the same in DeterminantColour of its blended matrix's
//    determinant;
//  - stretch (demoState.stretchView): each triangle in one colour, StretchColour of its area
//    against the rest pose's;
//  - rest pose (demoState.restPoseView): the rest-pose skin as a faint wireframe, hidden where
//    the posed skin is in front of it;
//  - the inspected vertex (demoState.inspectedVertex): marked, with where each of its two
//    transforms alone puts it and each method's result, as points joined by lines, the joint's
//    axis and the arc from A's position to B's, and under the centre-of-rotation method every
//    vertex's centre, all in front of everything.
// The coloured skin takes the form the skin has (lines in wireframe, faces when filled, with
// their edges darkened over them for the shape) and lies exactly on it, unlit: a pixel shows
// the colour its scale's legend gives its value. A model's views are drawn in its framing, by
// the model's drawing. Every GL state changed here is put back before returning; with every view
// off and no vertex inspected, no GL call is made at all.
void DrawSkinViews(const FrameRecord &frame);

// Side by side (frame.sideBySide): the views of the copy of method, in the copy's place (the
// caller translates to frame.copies.offsets[method]); the inspected vertex is marked on the copy
// of the method the skin is drawn with only.
void DrawSkinViewsOfCopy(const FrameRecord &frame, int method);
