#pragma once

#include "math/math3d.h"

// A rectangle of the window in pixels, x right and y down from the client area's top-left
// corner, as mouse positions come.
struct SceneViewport {
    int x, y, width, height;
};

// Where the camera stands, in the numbers the mouse and keys change: every function below takes
// it, so that the arithmetic reads no setting of its own.
struct CameraView {
    double yaw;         // degrees about the vertical
    double tilt;        // degrees the camera looks down
    double distance;    // eye units from the camera to the scene
    double fieldOfView; // vertical, degrees (ViewFieldOfView)
};

// The camera that looks at the scene, in numbers shared by the renderer (which hands them to
// GL) and by the mouse controls (which work out what a drag means in the scene).
//
// Eye space from model space: scale the scene by SceneScale, turn it by the yaw about Y, tilt it
// by the tilt about X, move it down CameraHeight and away the distance along the line of sight
// (-Z).

const double CameraFieldOfView = 60.0; // vertical, degrees
const double CameraNearPlane = 1.0;
// The nearest NearPlaneFor brings the near plane in, to keep the model whole at close range.
const double CameraMinNearPlane = 0.05;
const double CameraFarPlane = 30.0;
const double CameraHeight = 3.0; // eye units the scene is lowered by
const float SceneScale = 2.5f;   // scene units to eye units; also shortens normals to 0.4

const double CameraStartTilt = 15.0; // degrees, looking down on the floor
const double CameraMinTilt = 5.0;
const double CameraMaxTilt = 80.0;
const double CameraStartDistance = 12.0; // eye units
// Close enough that the limb fills the view, far enough that the floor's far corner stays in
// front of the far plane whatever the tilt.
const double CameraMinDistance = 5.0;
const double CameraMaxDistance = 22.0;

// The vertical field of view, degrees, for the scene drawn in view: CameraFieldOfView for the
// whole window, and for a part of it (beside the panel) at least as wide, for its height, as
// the whole window and as a 4:3 one; wider where the part is narrower, so that it takes in as
// much across as such a window would and the whole scene shows beside the panel, only smaller.
// clientWidth x clientHeight is the whole window's drawable size.
double ViewFieldOfView(const SceneViewport &view, int clientWidth, int clientHeight);

// Where the model point p lies in eye space for camera.
Vector3 ModelToEye(const CameraView &camera, const Vector3 &p);

// The model-space offset that moves a point at model position p by (dx, dy) pixels on screen
// (x right, y down) while keeping its distance from the image plane: a move in the plane that
// faces the camera through p. viewportHeight is the height of the view in pixels.
Vector3 ModelOffsetForPixels(const CameraView &camera, const Vector3 &p, double dx, double dy,
                             int viewportHeight);

// Where a model point lies on screen in a view width x height pixels, as the renderer's
// projection and viewport put it.
struct PixelPoint {
    double x, y;  // right and down from the top-left corner; pixel column k spans k to k + 1
    double depth; // eye units in front of the eye along the line of sight
};

// The pixel point of model point p for camera, in a view width x height pixels; 0 (out
// untouched) when p is not beyond the near plane, where nothing is drawn, or the view is empty.
int ModelToPixels(const CameraView &camera, const Vector3 &p, int width, int height,
                  PixelPoint &out);

// The near plane for camera and the model's count points: CameraNearPlane, or, where a point
// lies closer to the eye than that (at the closest zoom, looking down, the limb's top comes
// within a unit), nearer than the nearest of them, so that the model shows whole; never nearer
// than CameraMinNearPlane. Points behind the eye are left out: nothing can show them.
double NearPlaneFor(const CameraView &camera, const Vector3 *points, int count);

// How near the eye may come to the model along its line of sight, eye units. Looking steeply
// down at the closest zoom, the eye would stand inside the limb, and no near plane shows a
// model whole from inside it: the camera stays back instead.
const double CameraMinDepth = 0.25;

// The distance from the scene at which the nearest of the model's count points lies
// CameraMinDepth in front of the eye, for camera's yaw and tilt (its distance is not read): the
// camera stands no closer than this, whatever the zoom asks for. 0 for no points.
double ClearDistanceFor(const CameraView &camera, const Vector3 *points, int count);
