// The kernels again, with only the four-float code that machines without AVX (and the browser)
// run, under other names, so that the limb's comparison checks that code too on a machine that
// would otherwise always take the AVX loops.
#define SKIN_KERNELS_PORTABLE 1
#define SkinLinear PortableSkinLinear
#define SkinRigid PortableSkinRigid
#define SkinDualQuaternion PortableSkinDualQuaternion
#define SkinCentreOfRotation PortableSkinCentreOfRotation
#define DeterminantLinear PortableDeterminantLinear
#define DeterminantRigid PortableDeterminantRigid
#define DeterminantDualQuaternion PortableDeterminantDualQuaternion
#define DeterminantCentreOfRotation PortableDeterminantCentreOfRotation
#define ComputeRotationCentres PortableComputeRotationCentres
#define StartRotationCentres PortableStartRotationCentres
#define ContinueRotationCentres PortableContinueRotationCentres
#define FinishRotationCentres PortableFinishRotationCentres
#include "skinning/skin_kernels.cpp"
