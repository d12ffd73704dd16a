#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include "render/gl_check.h"
#include "render/gl_state.h"
#include "render/materials.h"
#include "render/static_models.h"
#include "tests/support/offscreen_gl.h"

namespace {

void ExpectWellFormed(const StaticModel &model) {
    for (int f = 0; f < model.faceCount; ++f) {
        SCOPED_TRACE(f);
        const ModelFace &face = model.faces[f];
        for (int k = 0; k < 3; ++k) {
            EXPECT_TRUE(face.vertexIndex[k] >= 0 && face.vertexIndex[k] < model.vertexCount);
            EXPECT_TRUE(face.normalIndex[k] >= 0 && face.normalIndex[k] < model.normalCount);
            EXPECT_TRUE(face.texCoordIndex[k] >= 0 && face.texCoordIndex[k] < model.texCoordCount);
        }
        // Counter-clockwise seen from the side the normals point to.
        const Vector3 *v = model.vertices;
        Vector3 edge1 = Subtract(v[face.vertexIndex[1]], v[face.vertexIndex[0]]);
        Vector3 edge2 = Subtract(v[face.vertexIndex[2]], v[face.vertexIndex[0]]);
        Vector3 front = CrossProduct(edge1, edge2);
        for (int k = 0; k < 3; ++k) {
            const Vector3 &normal = model.normals[face.normalIndex[k]];
            EXPECT_NEAR(VectorLength(normal), 1.0, 1e-5);
            EXPECT_NEAR(CosAngle(front, normal), 1.0, 1e-5);
        }
    }
}

// The floor alone, seen from 10 units away, 30 degrees above or below its plane.
int DrawFloorSeenFrom(float elevationDegrees) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glViewport(0, 0, OffscreenWidth, OffscreenHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(60.0, (double)OffscreenWidth / OffscreenHeight, 1.0, 30.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -10.0f);
    glRotatef(elevationDegrees, 1.0f, 0.0f, 0.0f);
    SetMaterial(FloorMaterial);
    DrawStaticModel(floorModel);
    Rgb centre = ReadPixel(OffscreenWidth / 2, OffscreenHeight / 2);
    return centre.r;
}

} // namespace

TEST(StaticModels, FacesIndexTheirArraysAndWindTowardTheirNormals) {
    ExpectWellFormed(floorModel);
    ExpectWellFormed(boneMarkerModel);
}

TEST(StaticModels, FloorIsSeenFromAboveAndCulledFromBelow) {
    ASSERT_TRUE(UseOffscreenGl());
    InitGlState();
    EXPECT_GT(DrawFloorSeenFrom(30.0f), 100); // grey
    EXPECT_EQ(DrawFloorSeenFrom(-30.0f), 0);  // black background
    EXPECT_EQ(TakeGlError(), (unsigned int)GL_NO_ERROR);
}
