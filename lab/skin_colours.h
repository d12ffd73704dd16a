#pragma once

#include "math/colour.h"
#include "mesh/skinned_mesh.h"

// Colour scales for the views that paint the skin by a number per vertex. Pure arithmetic, so
// the renderer can colour vertices and the panel can draw the legends from the same functions.

// A vertex's weight on the upper bone (SecondBoneWeight), as weight views of modelling tools
// show it: blue at 0, cyan at 0.25, green at 0.5, yellow at 0.75, red at 1, mixed evenly
// between those stops. The stops' lightness climbs in even steps from the blue to the yellow (CIE
// L* about 39, 54, 69, 86), so a darker shade reads as less weight up to three quarters; the red
// at full weight (L* 48) stands apart by its hue. Weights outside 0 to 1 take the nearer end.
ColourRgb WeightColour(double weight);

// The determinant of a vertex's blended 3x3 matrix, how much the skin's volume there is kept:
// 1 (kept) is near white; shrinking turns it yellow at 0.75, red at 0.5 and a dark purple at 0
// (collapsed) and below; growing turns it blue, fully at DeterminantScaleMax and above.
ColourRgb DeterminantColour(double determinant);

// A vertex's distance from the skeleton over its distance at rest: 1 (kept) is near white;
// thinning turns it orange at 0.75 and dark red at RadiusScaleMin and below; bulging turns it
// light blue at 1.25 and deep blue at RadiusScaleMax and above. Diverging, so that the two ways
// of going wrong never share a colour.
ColourRgb RadiusColour(double ratio);

// A triangle's area against the bind pose (TriangleAreaRatio), on a diverging scale: 1 (kept)
// is white; squashing turns it light blue at 0.75 and dark blue at StretchScaleMin and below
// (0, collapsed, included); stretching turns it salmon at 1.25 and dark red at StretchScaleMax
// and above.
ColourRgb StretchColour(double ratio);
const double StretchScaleMin = 0.5;
const double StretchScaleMax = 1.5;

// The weights view on a model of many joints with none selected: each joint's own colour, and
// a vertex in the mix of its joints' colours by their weights (its heaviest joint's colour where
// one joint carries it all). A vertex that follows no joint shows UnweightedColour.
ColourRgb JointColour(int joint);
ColourRgb JointMixColour(const VertexInfluences &influences);
const ColourRgb UnweightedColour = {0.5f, 0.5f, 0.5f};

// A vertex's weight on joint: the sum of its influences' on it, 0 when it follows it not at all.
// The weights view with a joint selected paints it by WeightColour.
double WeightOnJoint(const VertexInfluences &influences, int joint);

const double RadiusScaleMin = 0.5;
const double RadiusScaleMax = 1.5;

// The range a legend of DeterminantColour spans.
const double DeterminantScaleMin = 0.0;
const double DeterminantScaleMax = 1.5;

// The vertex inspector's points in the scene, which the panel's rows name in the same colours:
// where the vertex's first bone alone puts it (A) and where the chain alone does (B). Each
// skinning method's result has its own colour in its row of skinningMethods.
const ColourRgb InspectorFirstColour = {1.0f, 0.35f, 0.9f}; // magenta
const ColourRgb InspectorChainColour = {0.2f, 0.8f, 1.0f};  // sky blue
// The joint's turn that takes A's position to B's: its axis, and the arc the vertex travels.
const ColourRgb InspectorAxisColour = {0.6f, 0.6f, 0.6f}; // grey
const ColourRgb InspectorArcColour = {0.7f, 0.5f, 1.0f};  // lavender
