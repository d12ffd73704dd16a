#pragma once

#include "math/dual_quaternion.h"
#include "math/math3d.h"
#include "model/model.h"

#include <cstddef>
#include <string>
#include <vector>

// A glTF 2.0 file (.gltf with its buffers and images, or .glb) as the demo's Model, with the
// joints' rest transforms and the animation clips that move them.
//
// The rig holds every node a drawn mesh depends on, ancestors included (a skin's joint world
// matrices run up to the scene's root, whether or not those ancestors are joints), parents before
// children. A mesh without a skin follows its own node with weight 1, so it is drawn with its
// node's transform; a skinned mesh ignores its node's transform, as glTF requires. Where two uses
// of one node need different inverse bind matrices (two skins, or a skin and a mesh without one),
// the node gets a twin: a child joint with an identity local matrix and the other inverse bind.
//
// The mesh's triangles are stored with their corners turned the limb's way (clockwise seen from
// the front), so the volume, the normals and the drawing treat both alike.

// Beyond these a file is refused, and the message names the limit.
const int GltfMaxVertices = 1000000;
const int GltfMaxJoints = 1024;
// Keys per animation channel, and pixels on a texture side: no file the demo is for comes near.
const int GltfMaxKeys = 1000000;
const int GltfMaxTextureSide = 8192;

enum GltfPath { GltfTranslation, GltfRotation, GltfScale };
enum GltfInterpolation { GltfLinear, GltfStep, GltfCubicSpline };

// One animated property of one joint. values holds, per key, 3 numbers (translation, scale) or
// 4 (rotation, x y z w as in the file); a cubic spline key holds three such groups: in-tangent,
// value, out-tangent.
struct GltfChannel {
    int joint;
    int path;          // a GltfPath
    int interpolation; // a GltfInterpolation
    std::vector<float> times;
    std::vector<float> values;
};

struct GltfClip {
    std::string name; // as in the file, or "clip N" for one without
    std::vector<GltfChannel> channels;
    float start, end; // the earliest and latest key of its channels
};

// A joint's local transform at rest: the node's translation, rotation and scale, its matrix as
// the file gives it (or as they compose), and whether the file gave a matrix.
struct GltfJointRest {
    Vector3 translation;
    Quaternion rotation;
    Vector3 scale;
    Matrix4 matrix;
};

// A run of triangles from one primitive: drawn with one call.
struct GltfPrimitive {
    int firstTriangle, triangleCount;
};

struct GltfTexture {
    int width = 0, height = 0;
    std::vector<unsigned char> rgba; // rows top first, as glTF's texture coordinates count them
};

struct LoadedModel {
    std::string fileName; // without its folder
    Model model;
    std::vector<GltfJointRest> rest; // one per rig joint
    std::vector<int> jointNode;      // each rig joint's node, -1 for a twin
    std::vector<GltfClip> clips;
    std::vector<GltfPrimitive> primitives;
    int maxInfluences = 0;          // the most joints of positive weight on one vertex
    int renormalisedVertices = 0;   // whose weights summed to more than 0.002 away from 1
    int zeroWeightVertices = 0;     // whose weights were all zero: they follow the skin's root
    int ignoredMorphChannels = 0;   // animation channels of morph target weights, not played
    int skinnedMeshes = 0;          // drawn mesh nodes with a skin
    GltfTexture texture;            // the first textured primitive's base colour, or empty
    Vector3 boundsMin, boundsMax;   // of the mesh posed at rest
    std::vector<std::string> notes; // what was left out, one sentence each
};

// Loads the file at path (by its first bytes: a .glb's magic, else JSON). Returns 1, or 0 with
// error set to one line: the file's path, a colon, the fault. out is left as it was on a fault.
int LoadGltfFile(const std::string &path, LoadedModel &out, std::string &error);

// The same from bytes in memory; baseFolder is where external buffers and images are looked
// for, and name is what error messages call the file.
int LoadGltfBytes(const unsigned char *bytes, size_t size, const std::string &baseFolder,
                  const std::string &name, LoadedModel &out, std::string &error);

// The rest pose: every joint's local matrix at rest.
void RestLocals(const LoadedModel &loaded, std::vector<Matrix4> &locals);

// translation x rotation x scale, as glTF composes a node's transform.
Matrix4 ComposeTransform(const Vector3 &translation, const Quaternion &rotation,
                         const Vector3 &scale);
