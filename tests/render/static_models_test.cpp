#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glu.h>
#include <cmath>

#include "render/gl_check.h"
#include "render/gl_state.h"
#include "render/materials.h"
#include "render/static_models.h"
#include "tests/support/offscreen_gl.h"

namespace {

double Dot(const Vector3 &a, const Vector3 &b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

void ExpectWellFormed(const StaticModel &model) {
    for (int f = 0; f < model.faceCount; ++f) {
        SCOPED_TRACE(f);
        const ModelFace &face = model.faces[f];
        for (int k = 0; k < 3; ++k) {
            EXPECT_GE(face.vertexIndex[k], 0);
            EXPECT_LT(face.vertexIndex[k], model.vertexCount);
            EXPECT_GE(face.normalIndex[k], 0);
            EXPECT_LT(face.normalIndex[k], model.normalCount);
            EXPECT_GE(face.texCoordIndex[k], 0);
            EXPECT_LT(face.texCoordIndex[k], model.texCoordCount);
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

TEST(StaticModels, FloorIsFiveUnitsSquareFacingUpWithTheTextureSpanningItOnce) {
    for (int f = 0; f < floorModel.faceCount; ++f) {
        for (int k = 0; k < 3; ++k) {
            const Vector3 &v = floorModel.vertices[floorModel.faces[f].vertexIndex[k]];
            const TexCoord &st = floorModel.texCoords[floorModel.faces[f].texCoordIndex[k]];
            EXPECT_EQ(std::fabs(v.x), 2.5f);
            EXPECT_EQ(v.y, 0.0f);
            EXPECT_EQ(std::fabs(v.z), 2.5f);
            EXPECT_FLOAT_EQ(st.s, (v.x + 2.5f) / 5.0f);
            EXPECT_FLOAT_EQ(st.t, (2.5f - v.z) / 5.0f);
        }
    }
}

TEST(StaticModels, MarkerIsASlimPyramidAsLongAsABone) {
    const Vector3 *v = boneMarkerModel.vertices;
    for (int corner = 0; corner < 3; ++corner) {
        EXPECT_EQ(v[corner].y, 0.0f);
        EXPECT_NEAR(std::hypot(v[corner].x, v[corner].z), 0.1, 1e-5);
    }
    EXPECT_EQ(v[3].y, 1.5f);
    // The base faces down, the sides outwards (away from the bone's axis).
    EXPECT_EQ(boneMarkerModel.normals[boneMarkerModel.faces[0].normalIndex[0]].y, -1.0f);
    for (int f = 1; f < 4; ++f) {
        const ModelFace &face = boneMarkerModel.faces[f];
        Vector3 baseMiddle = Add(v[face.vertexIndex[0]], v[face.vertexIndex[1]]);
        EXPECT_GT(Dot(baseMiddle, boneMarkerModel.normals[face.normalIndex[0]]), 0.0);
    }
}

TEST(StaticModels, FloorIsSeenFromAboveAndCulledFromBelow) {
    ASSERT_TRUE(UseOffscreenGl());
    InitGlState();
    EXPECT_GT(DrawFloorSeenFrom(30.0f), 100); // grey
    EXPECT_EQ(DrawFloorSeenFrom(-30.0f), 0);  // black background
    EXPECT_EQ(TakeGlError(), (unsigned int)GL_NO_ERROR);
}
