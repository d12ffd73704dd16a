#include "rig/rig.h"

int ParentsBeforeChildren(const int *parents, int count) {
    for (int j = 0; j < count; ++j)
        if (parents[j] < -1 || parents[j] >= j)
            return 0;
    return 1;
}

void ComputeWorldMatrices(const int *parents, const Matrix4 *locals, int count, Matrix4 *worlds) {
    for (int j = 0; j < count; ++j) {
        if (parents[j] < 0)
            worlds[j] = locals[j];
        else
            MultMatrix(worlds[j], worlds[parents[j]], locals[j]);
    }
}

int IsIdentity(const Matrix4 &m) {
    for (int k = 0; k < 16; ++k)
        if (m.m[k] != (k % 5 == 0 ? 1.0f : 0.0f))
            return 0;
    return 1;
}

void ComputeSkinMatrices(const Matrix4 *worlds, const Matrix4 *inverseBinds, int count,
                         Matrix4 *skins) {
    for (int j = 0; j < count; ++j) {
        // A product with the identity rounds nothing but can turn a -0 into a +0; the copy keeps
        // an identity-bound rig's skinning exactly that of its world matrices.
        if (IsIdentity(inverseBinds[j]))
            skins[j] = worlds[j];
        else
            MultMatrix(skins[j], worlds[j], inverseBinds[j]);
    }
}
