#include "render/static_models.h"

#include <GL/gl.h>

namespace {

const Vector3 floorVertices[] = {
    {-2.5f, 0.0f, 2.5f},
    {2.5f, 0.0f, 2.5f},
    {-2.5f, 0.0f, -2.5f},
    {2.5f, 0.0f, -2.5f},
};

const Vector3 floorNormals[] = {
    {0.0f, 1.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, {0.0f, 1.0f, 0.0f},
    {0.0f, 1.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, {0.0f, 1.0f, 0.0f},
};

// s = (x + 2.5) / 5 and t = (2.5 - z) / 5 at each face's corners.
const TexCoord floorTexCoords[] = {
    {0.0f, 0.0f}, {1.0f, 0.0f}, {0.0f, 1.0f}, {1.0f, 0.0f}, {1.0f, 1.0f}, {0.0f, 1.0f},
};

const ModelFace floorFaces[] = {
    {{0, 1, 2}, {0, 1, 2}, {0, 1, 2}},
    {{1, 3, 2}, {3, 4, 5}, {3, 4, 5}},
};

// Base corners at 0, 120 and 240 degrees about y on a circle of radius 0.1.
const Vector3 markerVertices[] = {
    {-0.05f, 0.0f, -0.086603f},
    {-0.05f, 0.0f, 0.086603f},
    {0.1f, 0.0f, 0.0f},
    {0.0f, 1.5f, 0.0f},
};

const Vector3 markerNormals[] = {
    {0.0f, -1.0f, 0.0f},
    {0.0f, -1.0f, 0.0f},
    {0.0f, -1.0f, 0.0f},
    {-0.999445f, 0.0333148f, 0.0f},
    {-0.999445f, 0.0333148f, 0.0f},
    {-0.999445f, 0.0333148f, 0.0f},
    {0.499724f, 0.033315f, 0.865544f},
    {0.499724f, 0.033315f, 0.865544f},
    {0.499724f, 0.033315f, 0.865544f},
    {0.499724f, 0.033315f, -0.865544f},
    {0.499724f, 0.033315f, -0.865544f},
    {0.499724f, 0.033315f, -0.865544f},
};

// Sent with every corner for uniformity; the markers are drawn untextured.
const TexCoord markerTexCoords[] = {
    {0.25f, 0.066987f}, {1.0f, 0.5f},      {0.25f, 0.933013f}, {0.0f, 0.0f},
    {0.333333f, 0.0f},  {0.5f, 1.0f},      {0.333333f, 0.0f},  {0.666667f, 0.0f},
    {0.5f, 1.0f},       {0.666667f, 0.0f}, {1.0f, 0.0f},       {0.5f, 1.0f},
};

const ModelFace markerFaces[] = {
    {{0, 2, 1}, {0, 1, 2}, {0, 1, 2}}, // base
    {{0, 1, 3}, {3, 4, 5}, {3, 4, 5}},
    {{1, 2, 3}, {6, 7, 8}, {6, 7, 8}},
    {{2, 0, 3}, {9, 10, 11}, {9, 10, 11}},
};

template <typename T, int N> constexpr int CountOf(const T (&)[N]) {
    return N;
}

} // namespace

const StaticModel floorModel = {
    floorFaces,   CountOf(floorFaces),   floorVertices,  CountOf(floorVertices),
    floorNormals, CountOf(floorNormals), floorTexCoords, CountOf(floorTexCoords),
};

const StaticModel boneMarkerModel = {
    markerFaces,   CountOf(markerFaces),   markerVertices,  CountOf(markerVertices),
    markerNormals, CountOf(markerNormals), markerTexCoords, CountOf(markerTexCoords),
};

void SendModelFaces(const StaticModel &model) {
    for (int f = 0; f < model.faceCount; ++f) {
        const ModelFace &face = model.faces[f];
        for (int k = 0; k < 3; ++k) {
            const Vector3 &normal = model.normals[face.normalIndex[k]];
            const TexCoord &texCoord = model.texCoords[face.texCoordIndex[k]];
            const Vector3 &vertex = model.vertices[face.vertexIndex[k]];
            glNormal3f(normal.x, normal.y, normal.z);
            glTexCoord2f(texCoord.u, texCoord.v);
            glVertex3f(vertex.x, vertex.y, vertex.z);
        }
    }
}

void DrawStaticModel(const StaticModel &model) {
    glBegin(GL_TRIANGLES);
    SendModelFaces(model);
    glEnd();
}
