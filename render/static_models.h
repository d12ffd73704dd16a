#pragma once

#include "math/math3d.h"

// One triangle of a static model. Corner k is vertexIndex[k], normalIndex[k] and
// texCoordIndex[k]; the corners run counter-clockwise seen from the side the normals point to,
// so that side is the front face.
struct ModelFace {
    int vertexIndex[3];
    int normalIndex[3];
    int texCoordIndex[3];
};

// A constant model: four arrays with their lengths. Every index in faces lies inside the
// matching array.
struct StaticModel {
    const ModelFace *faces;
    int faceCount;
    const Vector3 *vertices;
    int vertexCount;
    const Vector3 *normals;
    int normalCount;
    const TexCoord *texCoords;
    int texCoordCount;
};

// The 5 by 5 floor in the plane y = 0, centred at the origin, facing up; the texture spans it
// once.
extern const StaticModel floorModel;

// A slim three-sided pyramid in a bone's own frame: base of circumradius 0.1 in y = 0 facing
// down, apex at (0, 1.5, 0), the bone's length. Each face carries its own normal (flat shading).
extern const StaticModel boneMarkerModel;

// Sends every face's corners, each as normal, texture coordinate, vertex. Call between
// glBegin(GL_TRIANGLES) and glEnd.
void SendModelFaces(const StaticModel &model);

// The whole model as one GL_TRIANGLES batch.
void DrawStaticModel(const StaticModel &model);
