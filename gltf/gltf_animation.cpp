#include "gltf/gltf_animation.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

int Width(const GltfChannel &channel) {
    return channel.path == GltfRotation ? 4 : 3;
}

// Key k's value (for a cubic spline, its middle group), width numbers.
const float *KeyValue(const GltfChannel &channel, size_t k) {
    int width = Width(channel);
    if (channel.interpolation == GltfCubicSpline)
        return channel.values.data() + (3 * k + 1) * width;
    return channel.values.data() + k * width;
}

void Normalise4(double q[4]) {
    double n = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
    if (n > 0.0)
        for (int c = 0; c < 4; ++c)
            q[c] /= n;
}

// Spherical interpolation from a to b by u, the short way round (b's sign turned to a's side).
void Slerp(const float *a, const float *b, double u, double out[4]) {
    double dot = 0.0, bb[4];
    for (int c = 0; c < 4; ++c)
        dot += (double)a[c] * b[c];
    double sign = dot < 0.0 ? -1.0 : 1.0;
    for (int c = 0; c < 4; ++c)
        bb[c] = sign * b[c];
    dot = std::fabs(dot);
    double wa = 1.0 - u, wb = u;
    if (dot < 0.9995) {
        // Far enough apart that the sine does not vanish; closer, a straight blend is as good.
        double angle = std::acos(std::min(dot, 1.0));
        double s = std::sin(angle);
        wa = std::sin((1.0 - u) * angle) / s;
        wb = std::sin(u * angle) / s;
    }
    for (int c = 0; c < 4; ++c)
        out[c] = wa * a[c] + wb * bb[c];
    Normalise4(out);
}

} // namespace

Matrix4 ComposeTransform(const Vector3 &t, const Quaternion &q, const Vector3 &s) {
    double w = q.w, x = q.x, y = q.y, z = q.z;
    double r[9] = {1 - 2 * (y * y + z * z), 2 * (x * y - z * w),     2 * (x * z + y * w),
                   2 * (x * y + z * w),     1 - 2 * (x * x + z * z), 2 * (y * z - x * w),
                   2 * (x * z - y * w),     2 * (y * z + x * w),     1 - 2 * (x * x + y * y)};
    Matrix4 m = IdentityMatrix();
    double scale[3] = {s.x, s.y, s.z};
    for (int c = 0; c < 3; ++c)
        for (int row = 0; row < 3; ++row)
            m.m[4 * c + row] = (float)(r[3 * row + c] * scale[c]);
    m.m[12] = t.x;
    m.m[13] = t.y;
    m.m[14] = t.z;
    return m;
}

void RestLocals(const LoadedModel &loaded, std::vector<Matrix4> &locals) {
    locals.resize(loaded.rest.size());
    for (size_t j = 0; j < loaded.rest.size(); ++j)
        locals[j] = loaded.rest[j].matrix;
}

void SampleChannel(const GltfChannel &channel, double time, float out[4]) {
    int width = Width(channel);
    size_t keys = channel.times.size();
    if (keys == 0) {
        std::memset(out, 0, 4 * sizeof(float));
        return;
    }
    const std::vector<float> &t = channel.times;
    if (!(time > t[0])) // before the first key (or not a number): the first key's value
        time = t[0];
    if (time >= t[keys - 1] || keys == 1) {
        std::memcpy(out, KeyValue(channel, keys - 1), width * sizeof(float));
        return;
    }
    // The last key at or before time; the next one is after it.
    size_t k = (size_t)(std::upper_bound(t.begin(), t.end(), (float)time) - t.begin()) - 1;
    if (k + 1 >= keys)
        k = keys - 2;
    double interval = (double)t[k + 1] - t[k];
    double u = interval > 0.0 ? (time - t[k]) / interval : 0.0;
    u = std::min(std::max(u, 0.0), 1.0);
    const float *a = KeyValue(channel, k), *b = KeyValue(channel, k + 1);
    double value[4] = {0, 0, 0, 0};
    switch (channel.interpolation) {
    case GltfStep:
        std::memcpy(out, a, width * sizeof(float));
        return;
    case GltfCubicSpline: {
        // Hermite basis; the file's tangents are per unit of time, so they scale by the
        // interval.
        const float *outTangent = a + width; // key k's out-tangent
        const float *inTangent = b - width;  // key k + 1's in-tangent
        double u2 = u * u, u3 = u2 * u;
        double h00 = 2 * u3 - 3 * u2 + 1, h10 = u3 - 2 * u2 + u, h01 = -2 * u3 + 3 * u2,
               h11 = u3 - u2;
        for (int c = 0; c < width; ++c)
            value[c] = h00 * a[c] + h10 * interval * outTangent[c] + h01 * b[c] +
                       h11 * interval * inTangent[c];
        if (width == 4)
            Normalise4(value);
        break;
    }
    default:
        if (width == 4)
            Slerp(a, b, u, value);
        else
            for (int c = 0; c < width; ++c)
                value[c] = (1.0 - u) * a[c] + u * b[c];
        break;
    }
    for (int c = 0; c < width; ++c)
        out[c] = (float)value[c];
}

double ClipStart(const LoadedModel &loaded, int clip) {
    double start = 0.0;
    int any = 0;
    for (int c = 0; c < (int)loaded.clips.size(); ++c)
        if ((clip == GltfAllClips || clip == c) && !loaded.clips[c].channels.empty()) {
            start = any ? std::min(start, (double)loaded.clips[c].start) : loaded.clips[c].start;
            any = 1;
        }
    return start;
}

double ClipEnd(const LoadedModel &loaded, int clip) {
    double end = 0.0;
    for (int c = 0; c < (int)loaded.clips.size(); ++c)
        if ((clip == GltfAllClips || clip == c) && !loaded.clips[c].channels.empty())
            end = std::max(end, (double)loaded.clips[c].end);
    return end;
}

void PoseAtTime(const LoadedModel &loaded, int clip, double time, std::vector<Matrix4> &locals) {
    size_t joints = loaded.rest.size();
    std::vector<GltfJointRest> trs(loaded.rest);
    std::vector<char> moved(joints, 0);
    for (int c = 0; c < (int)loaded.clips.size(); ++c) {
        if (clip != GltfAllClips && clip != c)
            continue;
        for (const GltfChannel &channel : loaded.clips[c].channels) {
            if (channel.joint < 0 || (size_t)channel.joint >= joints)
                continue;
            float v[4];
            SampleChannel(channel, time, v);
            GltfJointRest &r = trs[channel.joint];
            if (channel.path == GltfTranslation)
                r.translation = Vector3{v[0], v[1], v[2]};
            else if (channel.path == GltfScale)
                r.scale = Vector3{v[0], v[1], v[2]};
            else
                r.rotation = Quaternion{v[3], v[0], v[1], v[2]};
            moved[channel.joint] = 1;
        }
    }
    locals.resize(joints);
    for (size_t j = 0; j < joints; ++j)
        locals[j] = moved[j] ? ComposeTransform(trs[j].translation, trs[j].rotation, trs[j].scale)
                             : loaded.rest[j].matrix;
}

int FindClip(const LoadedModel &loaded, const char *text, int &clip) {
    for (int c = 0; c < (int)loaded.clips.size(); ++c)
        if (loaded.clips[c].name == text) {
            clip = c;
            return 1;
        }
    char *end = nullptr;
    long number = std::strtol(text, &end, 10);
    if (end != text && *end == '\0' && *text >= '0' && *text <= '9' && number >= 0 &&
        number < (long)loaded.clips.size()) {
        clip = (int)number;
        return 1;
    }
    return 0;
}
