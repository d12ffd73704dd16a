#pragma once

#include "skinning/skin_kernels.h"

// The four-float kernels (portable_kernels.cpp).
void PortableSkinLinear(const SkinInput &in, int from, int to, Vector3 *positions,
                        Vector3 *normals);
void PortableSkinRigid(const SkinInput &in, int from, int to, Vector3 *positions,
                       Vector3 *normals);
void PortableSkinDualQuaternion(const SkinInput &in, int from, int to, Vector3 *positions,
                                Vector3 *normals);
void PortableSkinCentreOfRotation(const SkinInput &in, int from, int to, Vector3 *positions,
                                  Vector3 *normals);
