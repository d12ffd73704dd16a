#include "tests/render/scene_support.h"

#include <GL/gl.h>
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "demo/demo_state.h"
#include "mesh/skin_mesh.h"
#include "model/limb_model.h"
#include "render/renderer.h"
#include "rig/bones.h"
#include "tests/support/offscreen_gl.h"

void ResetScene(bool zeroSkeleton) {
    ResetDemoGlobals();
    demoState.clientWidth = OffscreenWidth;
    demoState.clientHeight = OffscreenHeight;
    skinTexture = 0;
    floorTexture = 0;
    if (!zeroSkeleton)
        InitSkinAndBones();
}

void KeepInBackBuffer() {}

Frame ReadFrame() {
    Frame frame;
    frame.width = OffscreenWidth;
    frame.height = OffscreenHeight;
    frame.rgb.resize((size_t)frame.width * frame.height * 3);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, frame.width, frame.height, GL_RGB, GL_UNSIGNED_BYTE, frame.rgb.data());
    return frame;
}

Colour PixelAt(const Frame &frame, int x, int y) {
    if (x < 0 || y < 0 || x >= frame.width || y >= frame.height)
        return Colour{0, 0, 0};
    const unsigned char *p = &frame.rgb[((size_t)y * frame.width + x) * 3];
    return Colour{p[0], p[1], p[2]};
}

namespace {

const double Pi = 3.14159265358979323846;

struct EyePoint {
    double x, y, z;
};

EyePoint EyeFromModel(const Vector3 &model, double viewAngle) {
    const double scale = 2.5, tilt = 15.0 * Pi / 180.0, yaw = viewAngle * Pi / 180.0;
    double x = model.x * scale, y = model.y * scale, z = model.z * scale;
    double turnedX = x * std::cos(yaw) + z * std::sin(yaw);
    double turnedZ = -x * std::sin(yaw) + z * std::cos(yaw);
    double tiltedY = y * std::cos(tilt) - turnedZ * std::sin(tilt);
    double tiltedZ = y * std::sin(tilt) + turnedZ * std::cos(tilt);
    return EyePoint{turnedX, tiltedY - 3.0, tiltedZ - 12.0};
}

} // namespace

WindowPoint ProjectModelPoint(const Vector3 &model, double viewAngle) {
    const double nearPlane = 1.0, farPlane = 30.0;
    const double focal = 1.0 / std::tan(30.0 * Pi / 180.0); // half of the 60 degree field
    double width = demoState.clientWidth, height = demoState.clientHeight;
    EyePoint eye = EyeFromModel(model, viewAngle);
    double w = -eye.z;
    double ndcX = focal / (width / height) * eye.x / w;
    double ndcY = focal * eye.y / w;
    double ndcZ = ((farPlane + nearPlane) / (nearPlane - farPlane) * eye.z +
                   2.0 * farPlane * nearPlane / (nearPlane - farPlane)) /
                  w;
    return WindowPoint{(ndcX + 1.0) * 0.5 * width, (ndcY + 1.0) * 0.5 * height, (ndcZ + 1.0) * 0.5};
}

double LightFacing(const Vector3 &normal, double viewAngle) {
    double turnedZ = EyeFromModel(normal, viewAngle).z - EyeFromModel({}, viewAngle).z; // x 2.5
    return turnedZ / (2.5 * 2.5);
}

ScreenBox ProjectModelBox(const Vector3 &low, const Vector3 &high, double viewAngle) {
    ScreenBox box = {OffscreenWidth, OffscreenHeight, -1, -1};
    for (int corner = 0; corner < 8; ++corner) {
        Vector3 model = {(corner & 1) ? high.x : low.x, (corner & 2) ? high.y : low.y,
                         (corner & 4) ? high.z : low.z};
        WindowPoint window = ProjectModelPoint(model, viewAngle);
        box.x0 = std::min(box.x0, (int)std::floor(window.x));
        box.y0 = std::min(box.y0, (int)std::floor(window.y));
        box.x1 = std::max(box.x1, (int)std::ceil(window.x));
        box.y1 = std::max(box.y1, (int)std::ceil(window.y));
    }
    box.x0 = std::max(box.x0, 0);
    box.y0 = std::max(box.y0, 0);
    box.x1 = std::min(box.x1, OffscreenWidth - 1);
    box.y1 = std::min(box.y1, OffscreenHeight - 1);
    return box;
}

int CountPixels(const Frame &frame, const ScreenBox &box, bool (*matches)(Colour)) {
    int count = 0;
    for (int y = box.y0; y <= box.y1; ++y)
        for (int x = box.x0; x <= box.x1; ++x)
            count += matches(PixelAt(frame, x, y)) ? 1 : 0;
    return count;
}

bool AnyPixelNear(const Frame &frame, const WindowPoint &at, int radius, bool (*matches)(Colour)) {
    int x = (int)std::floor(at.x), y = (int)std::floor(at.y);
    return CountPixels(frame, ScreenBox{x - radius, y - radius, x + radius, y + radius}, matches) >
           0;
}

namespace {

unsigned int UploadRgb(int size, const std::vector<unsigned char> &rgb) {
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, size, size, 0, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glBindTexture(GL_TEXTURE_2D, 0);
    return name;
}

} // namespace

unsigned int MakeSolidTexture(unsigned char r, unsigned char g, unsigned char b) {
    return MakeCheckerTexture(2, Colour{r, g, b}, Colour{r, g, b});
}

unsigned int MakeCheckerTexture(int size, Colour light, Colour dark) {
    std::vector<unsigned char> rgb((size_t)size * size * 3);
    int check = size >= 8 ? size / 8 : 1;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const Colour &c = ((x / check + y / check) % 2) ? dark : light;
            unsigned char *p = &rgb[((size_t)y * size + x) * 3];
            p[0] = (unsigned char)c.r;
            p[1] = (unsigned char)c.g;
            p[2] = (unsigned char)c.b;
        }
    }
    return UploadRgb(size, rgb);
}

unsigned int MakeRampTexture(int size) {
    std::vector<unsigned char> rgb((size_t)size * size * 3);
    int check = size >= 8 ? size / 8 : 1;
    for (int t = 0; t < size; ++t) {
        for (int s = 0; s < size; ++s) {
            unsigned char *p = &rgb[((size_t)t * size + s) * 3];
            p[0] = (unsigned char)((s * 255 + size / 2) / (size - 1));
            p[1] = (unsigned char)((t * 255 + size / 2) / (size - 1));
            p[2] = ((s / check + t / check) % 2) ? 40 : 220;
        }
    }
    return UploadRgb(size, rgb);
}

double ReadDepth(int x, int y) {
    GLfloat depth = -1.0f;
    glReadBuffer(GL_BACK);
    glReadPixels(x, y, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    return depth;
}

int WritePpm(const Frame &frame, const char *path) {
    FILE *file = std::fopen(path, "wb");
    if (!file)
        return 0;
    std::fprintf(file, "P6\n%d %d\n255\n", frame.width, frame.height);
    size_t rowBytes = (size_t)frame.width * 3;
    int ok = 1;
    for (int y = frame.height - 1; y >= 0 && ok; --y)
        ok = std::fwrite(&frame.rgb[(size_t)y * rowBytes], 1, rowBytes, file) == rowBytes;
    return std::fclose(file) == 0 && ok;
}

int ReadPpm(const char *path, Frame &frame) {
    FILE *file = std::fopen(path, "rb");
    if (!file)
        return 0;
    int width = 0, height = 0, maxValue = 0;
    int ok = std::fscanf(file, "P6 %d %d %d", &width, &height, &maxValue) == 3 &&
             std::fgetc(file) == '\n' && width > 0 && height > 0 && width <= 4096 &&
             height <= 4096 && maxValue == 255;
    if (ok) {
        frame.width = width;
        frame.height = height;
        size_t rowBytes = (size_t)width * 3;
        frame.rgb.assign(rowBytes * height, 0);
        for (int y = height - 1; y >= 0 && ok; --y)
            ok = std::fread(&frame.rgb[(size_t)y * rowBytes], 1, rowBytes, file) == rowBytes;
    }
    std::fclose(file);
    return ok;
}
