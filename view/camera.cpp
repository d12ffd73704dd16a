#include "view/camera.h"

#include <cmath>

#include "math/vec3d.h"

namespace {

// The narrowest view, width over height, the scene is framed for beside the panel.
const double SceneMinAspect = 4.0 / 3.0;

// The camera applies its tilt and yaw as glRotate does, so it turns with the program's one
// convention for turns about the axes.
Vec3d AboutX(const Vec3d &v, double degrees) {
    return TurnX(v, TurnOf(degrees));
}

Vec3d AboutY(const Vec3d &v, double degrees) {
    return TurnY(v, TurnOf(degrees));
}

} // namespace

double ViewFieldOfView(const SceneViewport &view, int clientWidth, int clientHeight) {
    if (view.width <= 0 || view.height <= 0 || clientWidth <= 0 || clientHeight <= 0)
        return CameraFieldOfView;
    if (view.width == clientWidth && view.height == clientHeight &&
        view.width * 3 >= view.height * 4)
        return CameraFieldOfView; // the whole window, 4:3 or wider: the demo's own view
    double viewAspect = (double)view.width / view.height;
    // As much across as the whole window would take in, and never less than a 4:3 window does:
    // a tall window (a phone held upright) cuts the scene's sides even without a panel.
    double windowAspect = (double)clientWidth / clientHeight;
    if (windowAspect < SceneMinAspect)
        windowAspect = SceneMinAspect;
    if (viewAspect >= windowAspect)
        return CameraFieldOfView;
    double halfTan = std::tan(CameraFieldOfView * 0.5 * DegreesToRadians);
    return 2.0 * std::atan(halfTan * windowAspect / viewAspect) / DegreesToRadians;
}

Vector3 ModelToEye(const CameraView &camera, const Vector3 &p) {
    Vec3d v = {p.x * (double)SceneScale, p.y * (double)SceneScale, p.z * (double)SceneScale};
    v = AboutX(AboutY(v, camera.yaw), camera.tilt);
    return Vector3{(float)v.x, (float)(v.y - CameraHeight), (float)(v.z - camera.distance)};
}

Vector3 ModelOffsetForPixels(const CameraView &camera, const Vector3 &p, double dx, double dy,
                             int viewportHeight) {
    if (viewportHeight <= 0)
        return Vector3{0.0f, 0.0f, 0.0f};
    // At depth d the view is 2 d tan(fov / 2) eye units high.
    double depth = -ModelToEye(camera, p).z;
    double eyeUnitsPerPixel =
        2.0 * depth * std::tan(camera.fieldOfView * 0.5 * DegreesToRadians) / viewportHeight;
    Vec3d offset = {dx * eyeUnitsPerPixel, -dy * eyeUnitsPerPixel, 0.0};
    offset = AboutY(AboutX(offset, -camera.tilt), -camera.yaw);
    return Vector3{(float)(offset.x / SceneScale), (float)(offset.y / SceneScale),
                   (float)(offset.z / SceneScale)};
}

int ModelToPixels(const CameraView &camera, const Vector3 &p, int width, int height,
                  PixelPoint &out) {
    if (width <= 0 || height <= 0)
        return 0;
    Vector3 eye = ModelToEye(camera, p);
    double depth = -(double)eye.z;
    if (!(depth >= CameraNearPlane))
        return 0;
    // A perspective of vertical field fov: normalised device coordinates are the eye's x and y
    // over depth, times cot(fov / 2), x divided by the aspect as well; the viewport maps -1..1 to
    // the full width and height, and y is turned to run down.
    double focal = 1.0 / std::tan(camera.fieldOfView * 0.5 * DegreesToRadians);
    double aspect = (double)width / height;
    double ndcX = focal / aspect * eye.x / depth, ndcY = focal * eye.y / depth;
    out.x = (ndcX + 1.0) * 0.5 * width;
    out.y = (1.0 - ndcY) * 0.5 * height;
    out.depth = depth;
    return 1;
}

double NearPlaneFor(const CameraView &camera, const Vector3 *points, int count) {
    // A margin in front of the nearest point, so that it is not cut at the plane itself.
    const double Margin = 0.8;
    double nearPlane = CameraNearPlane;
    // ModelToEye's depth, with its turns taken once for every point (see ClearDistanceFor).
    Turn yaw = TurnOf(camera.yaw), tilt = TurnOf(camera.tilt);
    for (int i = 0; i < count; ++i) {
        const Vector3 &p = points[i];
        Vec3d v = {p.x * (double)SceneScale, p.y * (double)SceneScale, p.z * (double)SceneScale};
        double depth = -(double)(float)(TurnX(TurnY(v, yaw), tilt).z - camera.distance);
        if (depth > 0.0 && depth * Margin < nearPlane)
            nearPlane = depth * Margin;
    }
    return nearPlane < CameraMinNearPlane ? CameraMinNearPlane : nearPlane;
}

double ClearDistanceFor(const CameraView &camera, const Vector3 *points, int count) {
    // A point's depth is the distance less its eye z at distance 0, so the nearest point sets
    // the distance alone.
    // ModelToEye's arithmetic with its turns taken once, not twice a point: a large model's
    // skin is tens of thousands of points every frame.
    Turn yaw = TurnOf(camera.yaw), tilt = TurnOf(camera.tilt);
    double clear = 0.0;
    for (int i = 0; i < count; ++i) {
        const Vector3 &p = points[i];
        Vec3d v = {p.x * (double)SceneScale, p.y * (double)SceneScale, p.z * (double)SceneScale};
        double needed = (double)(float)TurnX(TurnY(v, yaw), tilt).z + CameraMinDepth;
        if (needed > clear)
            clear = needed;
    }
    return clear;
}
