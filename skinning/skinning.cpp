#include "skinning/skinning.h"

#include "math/text_list.h"

const SkinningMethodInfo skinningMethods[] = {
    {"linear",
     "Linear",
     "linear blend",
     {1.0f, 0.9f, 0.1f}, // yellow: always on the line A-B
     SkinLinear,
     DeterminantLinear},
    {"rigid",
     "Rigid",
     "rigid",
     {1.0f, 0.5f, 0.0f}, // orange: always on A or B
     SkinRigid,
     DeterminantRigid},
    {"dual-quaternion",
     "Dual quaternion",
     "dual quaternions",
     {1.0f, 1.0f, 1.0f}, // white
     SkinDualQuaternion,
     DeterminantDualQuaternion},
    {"center-of-rotation",
     "Centre of rotation",
     "centres of rotation",
     {0.3f, 0.95f, 0.35f}, // green
     SkinCentreOfRotation,
     DeterminantCentreOfRotation},
};
static_assert(sizeof skinningMethods / sizeof skinningMethods[0] == SkinningMethodCount,
              "one row per SkinningMethod");

int ValidSkinningMethod(int method) {
    return method >= 0 && method < SkinningMethodCount ? method : SkinningLinear;
}

const char *SkinningMethodName(int method) {
    if (method < 0 || method >= SkinningMethodCount)
        return nullptr;
    return skinningMethods[method].name;
}

int FindSkinningMethod(const char *name, int &method) {
    int found =
        FindRowByText(skinningMethods, SkinningMethodCount, &SkinningMethodInfo::name, name);
    if (found < 0)
        return 0;
    method = found;
    return 1;
}

const char *SkinningMethodNameList() {
    static char list[256];
    return ListRowTexts(skinningMethods, SkinningMethodCount, &SkinningMethodInfo::name, list,
                        sizeof list);
}

const char *SkinningMethodWordList() {
    static char list[256];
    return ListRowTexts(skinningMethods, SkinningMethodCount, &SkinningMethodInfo::words, list,
                        sizeof list);
}

void SkinOneVertex(const SkinInput &in, int vertex, int method, SkinnedVertex &out) {
    const SkinningMethodInfo &info = skinningMethods[ValidSkinningMethod(method)];
    info.skin(in, vertex, vertex + 1, &out.position, &out.normal);
    out.determinant = info.determinant(in, vertex);
}

Vector3 InfluenceAlone(const SkinInput &in, int vertex, int k) {
    const VertexInfluences &influences = in.influences[vertex];
    if (k < 0 || k >= influences.count)
        return in.restPositions[vertex];
    Vector4 moved;
    TransformPoint(moved, in.skinMatrices[influences.joints[k]], AsPoint(in.restPositions[vertex]));
    return DropW(moved);
}

int CarriedRotationCentre(const SkinInput &in, int vertex, Vector3 &carried) {
    if (!in.centres || in.centresPending || vertex < 0 ||
        vertex >= (int)in.centres->centreOf.size())
        return 0;
    int centre = in.centres->centreOf[vertex];
    const VertexInfluences &influences = in.influences[vertex];
    if (centre < 0 || influences.count == 0)
        return 0;
    Vector4 c = AsPoint(in.centres->centres[centre]);
    // The same sum, in the same order, as the centre-of-rotation kernel forms it.
    for (int k = 0; k < influences.count; ++k) {
        Vector4 moved;
        TransformPoint(moved, in.skinMatrices[influences.joints[k]], c);
        float w = influences.weights[k];
        Vector3 term = {w * moved.x, w * moved.y, w * moved.z};
        carried = k == 0 ? term : Add(carried, term);
    }
    return 1;
}
