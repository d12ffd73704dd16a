#pragma once

#include "math/math3d.h"

#include <string>
#include <vector>

// A skeleton of any shape: joints with parents listed before their children, so that one pass
// in index order finds every joint's world matrix from its parent's. Each joint carries the
// inverse of its world matrix at bind time (glTF's inverse bind matrix), which takes a rest
// vertex into the joint's own space; the skin matrix world x inverse bind then moves it as the
// joint has moved since. A rig bound with identity inverse binds (the limb: its bones turn
// model space about their pivots) skins with the world matrices themselves.
struct Rig {
    std::vector<std::string> names;
    std::vector<int> parents;          // -1 for a root; otherwise below the joint's own index
    std::vector<Matrix4> inverseBinds; // model space at bind time into the joint's space
};

inline int JointCount(const Rig &rig) {
    return (int)rig.parents.size();
}

// 1 when every parent is -1 or an earlier joint, so one pass in order sees parents first (and no
// chain of parents can loop); 0 otherwise.
int ParentsBeforeChildren(const int *parents, int count);

// worlds[j] = worlds[parent] * locals[j], or locals[j] for a root, for j = 0 .. count - 1 in
// order. parents must pass ParentsBeforeChildren.
void ComputeWorldMatrices(const int *parents, const Matrix4 *locals, int count, Matrix4 *worlds);

// skins[j] = worlds[j] * inverseBinds[j]; where an inverse bind is exactly the identity the world
// matrix is copied as it is, so that such a rig skins with its world matrices bit for bit.
void ComputeSkinMatrices(const Matrix4 *worlds, const Matrix4 *inverseBinds, int count,
                         Matrix4 *skins);

// 1 when m is exactly the identity.
int IsIdentity(const Matrix4 &m);
