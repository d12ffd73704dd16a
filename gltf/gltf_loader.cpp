#include "gltf/gltf_model.h"

#include "mesh/skin_mesh.h"
#include "mesh/skinned_mesh.h"
#include "rig/rig.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <nlohmann/json.hpp>
#include <stb_image.h>
#include <tiny_gltf.h>

namespace {

// A fault found while reading: the one line the user sees after the file's name.
struct Fault {
    std::string text;
};

std::string Number(long long n) {
    // Thousands separated, as the limits are written in the messages: 1,000,000.
    std::string digits = std::to_string(n < 0 ? -n : n), out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += ',';
        out += digits[i];
    }
    return n < 0 ? "-" + out : out;
}

// The first line of a message from tinygltf, without its trailing full stop or spaces.
std::string FirstLine(const std::string &text) {
    std::string line = text.substr(0, text.find('\n'));
    while (!line.empty() && (line.back() == ' ' || line.back() == '.' || line.back() == '\r'))
        line.pop_back();
    return line.empty() ? std::string("unreadable glTF") : line;
}

// ---------------------------------------------------------------------------------------------
// Accessors: every byte read is checked against its buffer view and its buffer first.

const int TypeScalar = TINYGLTF_TYPE_SCALAR;

int ComponentSize(int componentType) {
    switch (componentType) {
    case TINYGLTF_COMPONENT_TYPE_BYTE:
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE:
        return 1;
    case TINYGLTF_COMPONENT_TYPE_SHORT:
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT:
        return 2;
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT:
    case TINYGLTF_COMPONENT_TYPE_FLOAT:
        return 4;
    default:
        return 0;
    }
}

int ComponentsOf(int type) {
    switch (type) {
    case TINYGLTF_TYPE_SCALAR:
        return 1;
    case TINYGLTF_TYPE_VEC2:
        return 2;
    case TINYGLTF_TYPE_VEC3:
        return 3;
    case TINYGLTF_TYPE_VEC4:
        return 4;
    case TINYGLTF_TYPE_MAT4:
        return 16;
    default:
        return 0; // MAT2 and MAT3 carry padding no attribute here needs
    }
}

// One component at p, as a number; normalised integers map to -1..1 or 0..1 as glTF defines.
double ReadComponent(const unsigned char *p, int componentType, bool normalized) {
    switch (componentType) {
    case TINYGLTF_COMPONENT_TYPE_BYTE: {
        int8_t v;
        std::memcpy(&v, p, 1);
        return normalized ? std::max(v / 127.0, -1.0) : v;
    }
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE:
        return normalized ? p[0] / 255.0 : p[0];
    case TINYGLTF_COMPONENT_TYPE_SHORT: {
        int16_t v;
        std::memcpy(&v, p, 2);
        return normalized ? std::max(v / 32767.0, -1.0) : v;
    }
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT: {
        uint16_t v;
        std::memcpy(&v, p, 2);
        return normalized ? v / 65535.0 : v;
    }
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT: {
        uint32_t v;
        std::memcpy(&v, p, 4);
        return normalized ? v / 4294967295.0 : v;
    }
    default: {
        float v;
        std::memcpy(&v, p, 4);
        return v;
    }
    }
}

// The bytes of buffer view index: its start and its length, both inside its buffer.
const unsigned char *ViewBytes(const tinygltf::Model &gltf, int index, uint64_t &length,
                               const std::string &what) {
    if (index < 0 || (size_t)index >= gltf.bufferViews.size())
        throw Fault{what + " names buffer view " + std::to_string(index) + ", past the file's " +
                    std::to_string(gltf.bufferViews.size())};
    const tinygltf::BufferView &view = gltf.bufferViews[index];
    if (view.buffer < 0 || (size_t)view.buffer >= gltf.buffers.size())
        throw Fault{"buffer view " + std::to_string(index) + " names buffer " +
                    std::to_string(view.buffer) + ", past the file's " +
                    std::to_string(gltf.buffers.size())};
    const std::vector<unsigned char> &data = gltf.buffers[view.buffer].data;
    uint64_t offset = view.byteOffset, size = view.byteLength;
    if (offset > data.size() || size > data.size() - offset)
        throw Fault{"buffer view " + std::to_string(index) + " (bytes " +
                    Number((long long)offset) + " to " + Number((long long)(offset + size)) +
                    ") runs past its buffer of " + Number((long long)data.size()) + " bytes"};
    length = size;
    return data.data() + offset;
}

// Reads count elements of width components each from view bytes at offset with stride into
// out[element * width + component]; every element must lie within the view.
void ReadElements(const unsigned char *bytes, uint64_t length, uint64_t offset, uint64_t stride,
                  uint64_t count, int width, int componentType, bool normalized, double *out,
                  const std::string &what) {
    uint64_t elementSize = (uint64_t)width * ComponentSize(componentType);
    if (count == 0)
        return;
    // count is below 2^32 and stride below 256 (both checked before), so nothing overflows.
    if (offset > length || (count - 1) * stride + elementSize > length - offset)
        throw Fault{what + " runs past its buffer view (" + Number((long long)count) +
                    " elements of " + std::to_string(elementSize) + " bytes from byte " +
                    Number((long long)offset) + ", in " + Number((long long)length) + ")"};
    int size = ComponentSize(componentType);
    for (uint64_t e = 0; e < count; ++e) {
        const unsigned char *p = bytes + offset + e * stride;
        for (int c = 0; c < width; ++c)
            out[e * width + c] = ReadComponent(p + c * size, componentType, normalized);
    }
}

// What an accessor may hold to be read as one thing: its components, and its component types.
struct AccessorRule {
    std::vector<int> types;           // TINYGLTF_TYPE_..., any of them
    std::vector<int> componentTypes;  // plain floats and integers
    std::vector<int> normalizedTypes; // integer types that must be normalised
};

// Reads accessor index as numbers, count x width of them, checking everything the file says
// about it: its type, its component type, its buffer view, its stride, its sparse part.
std::vector<double> ReadAccessor(const tinygltf::Model &gltf, int index, const AccessorRule &rule,
                                 uint64_t maxCount, int &width, uint64_t &count,
                                 const std::string &what) {
    if (index < 0 || (size_t)index >= gltf.accessors.size())
        throw Fault{what + " names accessor " + std::to_string(index) + ", past the file's " +
                    std::to_string(gltf.accessors.size())};
    const tinygltf::Accessor &a = gltf.accessors[index];
    std::string name = what + " (accessor " + std::to_string(index) + ")";
    if (std::find(rule.types.begin(), rule.types.end(), a.type) == rule.types.end())
        throw Fault{name + " has a type it cannot have"};
    int type = a.componentType;
    bool plain = std::find(rule.componentTypes.begin(), rule.componentTypes.end(), type) !=
                 rule.componentTypes.end();
    bool normal = std::find(rule.normalizedTypes.begin(), rule.normalizedTypes.end(), type) !=
                  rule.normalizedTypes.end();
    if (!(plain && (!a.normalized || type == TINYGLTF_COMPONENT_TYPE_FLOAT)) &&
        !(normal && a.normalized))
        throw Fault{name + " has component type " + std::to_string(type) +
                    (a.normalized ? " (normalised)" : "") + ", which it cannot have"};
    width = ComponentsOf(a.type);
    if (a.count > maxCount)
        throw Fault{name + " has " + Number((long long)std::min<uint64_t>(a.count, 1ull << 62)) +
                    " elements, more than " + Number((long long)maxCount)};
    count = a.count;
    std::vector<double> out(count * width, 0.0);
    if (a.bufferView >= 0) {
        uint64_t length = 0;
        const unsigned char *bytes = ViewBytes(gltf, a.bufferView, length, name);
        uint64_t elementSize = (uint64_t)width * ComponentSize(type);
        uint64_t stride = gltf.bufferViews[a.bufferView].byteStride;
        if (stride == 0)
            stride = elementSize;
        if (stride < elementSize || stride > 252)
            throw Fault{name + " has a stride of " + std::to_string(stride) +
                        " bytes for elements of " + std::to_string(elementSize)};
        ReadElements(bytes, length, a.byteOffset, stride, count, width, type, a.normalized,
                     out.data(), name);
    }
    if (a.sparse.isSparse) {
        // Replaces the elements the sparse part names, in the order it names them.
        if (a.sparse.count < 0 || (uint64_t)a.sparse.count > count)
            throw Fault{name + " has " + std::to_string(a.sparse.count) +
                        " sparse elements, more than its " + Number((long long)count)};
        uint64_t n = a.sparse.count;
        int indexType = a.sparse.indices.componentType;
        if (indexType != TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE &&
            indexType != TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT &&
            indexType != TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT)
            throw Fault{name + "'s sparse indices have component type " +
                        std::to_string(indexType)};
        if (a.sparse.indices.byteOffset < 0 || a.sparse.values.byteOffset < 0)
            throw Fault{name + "'s sparse part has a negative byte offset"};
        std::vector<double> indices(n), values(n * width);
        uint64_t length = 0;
        const unsigned char *bytes =
            ViewBytes(gltf, a.sparse.indices.bufferView, length, name + "'s sparse indices");
        ReadElements(bytes, length, a.sparse.indices.byteOffset, ComponentSize(indexType), n, 1,
                     indexType, false, indices.data(), name + "'s sparse indices");
        bytes = ViewBytes(gltf, a.sparse.values.bufferView, length, name + "'s sparse values");
        ReadElements(bytes, length, a.sparse.values.byteOffset,
                     (uint64_t)width * ComponentSize(type), n, width, type, a.normalized,
                     values.data(), name + "'s sparse values");
        for (uint64_t k = 0; k < n; ++k) {
            if (indices[k] >= (double)count)
                throw Fault{name + "'s sparse index " + Number((long long)indices[k]) +
                            " is past its " + Number((long long)count) + " elements"};
            uint64_t at = (uint64_t)indices[k];
            for (int c = 0; c < width; ++c)
                out[at * width + c] = values[k * width + c];
        }
    }
    for (double v : out)
        if (!std::isfinite(v))
            throw Fault{name + " holds a number that is not finite"};
    return out;
}

// Room in list for extra more at once, as doubling would give it: a large primitive is not
// copied into ever larger arrays as it is added element by element.
template <typename T> void Grow(std::vector<T> &list, size_t extra) {
    if (list.capacity() - list.size() < extra)
        list.reserve(std::max(list.size() + extra, 2 * list.capacity()));
}

const int Float = TINYGLTF_COMPONENT_TYPE_FLOAT;
const int UByte = TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE;
const int UShort = TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT;
const int UInt = TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT;
const int Byte = TINYGLTF_COMPONENT_TYPE_BYTE;
const int Short = TINYGLTF_COMPONENT_TYPE_SHORT;

// ---------------------------------------------------------------------------------------------
// Transforms.

Matrix4 MatrixOf(const std::vector<double> &m) {
    Matrix4 out;
    for (int k = 0; k < 16; ++k)
        out.m[k] = (float)m[k];
    return out;
}

// The translation, rotation and scale of an affine matrix without shear: the columns' lengths
// are the scale (the first negated when the matrix mirrors), what is left the rotation.
void Decompose(const Matrix4 &m, GltfJointRest &rest) {
    rest.translation = Vector3{m.m[12], m.m[13], m.m[14]};
    double s[3], r[9]; // r row-major
    for (int c = 0; c < 3; ++c)
        s[c] = std::sqrt((double)m.m[4 * c] * m.m[4 * c] + (double)m.m[4 * c + 1] * m.m[4 * c + 1] +
                         (double)m.m[4 * c + 2] * m.m[4 * c + 2]);
    double det = m.m[0] * ((double)m.m[5] * m.m[10] - (double)m.m[9] * m.m[6]) -
                 m.m[4] * ((double)m.m[1] * m.m[10] - (double)m.m[9] * m.m[2]) +
                 m.m[8] * ((double)m.m[1] * m.m[6] - (double)m.m[5] * m.m[2]);
    if (det < 0)
        s[0] = -s[0];
    for (int c = 0; c < 3; ++c)
        for (int row = 0; row < 3; ++row)
            r[3 * row + c] = s[c] != 0.0 ? m.m[4 * c + row] / s[c] : (row == c ? 1.0 : 0.0);
    rest.scale = Vector3{(float)s[0], (float)s[1], (float)s[2]};
    double w, x, y, z, trace = r[0] + r[4] + r[8];
    if (trace > 0) {
        double k = 0.5 / std::sqrt(trace + 1.0);
        w = 0.25 / k, x = (r[7] - r[5]) * k, y = (r[2] - r[6]) * k, z = (r[3] - r[1]) * k;
    } else if (r[0] > r[4] && r[0] > r[8]) {
        double k = 2.0 * std::sqrt(std::max(1e-12, 1.0 + r[0] - r[4] - r[8]));
        w = (r[7] - r[5]) / k, x = 0.25 * k, y = (r[1] + r[3]) / k, z = (r[2] + r[6]) / k;
    } else if (r[4] > r[8]) {
        double k = 2.0 * std::sqrt(std::max(1e-12, 1.0 + r[4] - r[0] - r[8]));
        w = (r[2] - r[6]) / k, x = (r[1] + r[3]) / k, y = 0.25 * k, z = (r[5] + r[7]) / k;
    } else {
        double k = 2.0 * std::sqrt(std::max(1e-12, 1.0 + r[8] - r[0] - r[4]));
        w = (r[3] - r[1]) / k, x = (r[2] + r[6]) / k, y = (r[5] + r[7]) / k, z = 0.25 * k;
    }
    double n = std::sqrt(w * w + x * x + y * y + z * z);
    rest.rotation = Quaternion{(float)(w / n), (float)(x / n), (float)(y / n), (float)(z / n)};
}

// The inverse of an affine matrix (its last row 0 0 0 1): for the joints' places at bind time.
Matrix4 AffineInverse(const Matrix4 &m) {
    const float *a = m.m;
    double c00 = (double)a[5] * a[10] - (double)a[9] * a[6];
    double c01 = (double)a[9] * a[2] - (double)a[1] * a[10];
    double c02 = (double)a[1] * a[6] - (double)a[5] * a[2];
    double det = a[0] * c00 + a[4] * c01 + a[8] * c02;
    Matrix4 out = IdentityMatrix();
    if (det == 0.0)
        return out;
    double inv[9] = {c00,
                     c01,
                     c02,
                     (double)a[8] * a[6] - (double)a[4] * a[10],
                     (double)a[0] * a[10] - (double)a[8] * a[2],
                     (double)a[4] * a[2] - (double)a[0] * a[6],
                     (double)a[4] * a[9] - (double)a[8] * a[5],
                     (double)a[8] * a[1] - (double)a[0] * a[9],
                     (double)a[0] * a[5] - (double)a[4] * a[1]};
    // inv is column-major like Matrix4: inv[3 * c + r].
    for (int c = 0; c < 3; ++c)
        for (int r = 0; r < 3; ++r)
            out.m[4 * c + r] = (float)(inv[3 * c + r] / det);
    for (int r = 0; r < 3; ++r)
        out.m[12 + r] = -(out.m[r] * a[12] + out.m[4 + r] * a[13] + out.m[8 + r] * a[14]);
    return out;
}

int SameMatrix(const Matrix4 &a, const Matrix4 &b) {
    return std::memcmp(a.m, b.m, sizeof a.m) == 0;
}

// ---------------------------------------------------------------------------------------------
// Images: tinygltf hands each one's bytes here; they are decoded once, as RGBA.

bool DecodeImage(tinygltf::Image *image, const int, std::string *err, std::string *, int, int,
                 const unsigned char *bytes, int size, void *userData) {
    const tinygltf::Model *gltf = (const tinygltf::Model *)userData;
    if (image->bufferView >= 0) {
        // tinygltf does not check an image's buffer view against its buffer: done here before
        // a byte is read.
        try {
            uint64_t length = 0;
            ViewBytes(*gltf, image->bufferView, length, "an image");
        } catch (const Fault &fault) {
            *err += fault.text + "\n";
            return false;
        }
    }
    int width = 0, height = 0, components = 0;
    if (size <= 0 || !stbi_info_from_memory(bytes, size, &width, &height, &components) ||
        width > GltfMaxTextureSide || height > GltfMaxTextureSide) {
        // An image that cannot be shown costs the model its texture, not its shape.
        image->width = image->height = 0;
        return true;
    }
    unsigned char *pixels = stbi_load_from_memory(bytes, size, &width, &height, &components, 4);
    if (!pixels) {
        image->width = image->height = 0;
        return true;
    }
    image->width = width;
    image->height = height;
    image->component = 4;
    image->bits = 8;
    image->pixel_type = TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE;
    image->image.assign(pixels, pixels + (size_t)width * height * 4);
    stbi_image_free(pixels);
    return true;
}

// ---------------------------------------------------------------------------------------------
// The model.

const char *const RefusedExtensions[][2] = {
    {"KHR_draco_mesh_compression", "Draco mesh compression"},
    {"EXT_meshopt_compression", "meshopt compression"},
    {"KHR_meshopt_compression", "meshopt compression"},
    {"KHR_mesh_quantization", "quantized vertex attributes"},
};

void RefuseExtensions(const tinygltf::Model &gltf) {
    for (const auto &refused : RefusedExtensions) {
        auto named = [&](const std::vector<std::string> &list) {
            return std::find(list.begin(), list.end(), refused[0]) != list.end();
        };
        if (named(gltf.extensionsRequired) || named(gltf.extensionsUsed))
            throw Fault{std::string("uses ") + refused[0] + " (" + refused[1] +
                        "), which this program does not read"};
    }
}

struct Builder {
    const tinygltf::Model &gltf;
    LoadedModel &out;
    std::vector<int> parentOf;   // per node
    std::vector<int> jointOf;    // per node: its rig joint, -1 when not in the rig
    std::vector<int> ibmSet;     // per rig joint: its inverse bind was given by a use
    std::vector<char> hasNormal; // per vertex

    Builder(const tinygltf::Model &g, LoadedModel &o) : gltf(g), out(o) {}

    void Hierarchy() {
        size_t n = gltf.nodes.size();
        parentOf.assign(n, -1);
        for (size_t p = 0; p < n; ++p)
            for (int c : gltf.nodes[p].children) {
                if (c < 0 || (size_t)c >= n)
                    throw Fault{"node " + std::to_string(p) + " has child " + std::to_string(c) +
                                ", past the file's " + std::to_string(n) + " nodes"};
                if (parentOf[c] != -1 || (size_t)c == p)
                    throw Fault{"node " + std::to_string(c) +
                                " is a child twice over (a node cycle or a shared child)"};
                parentOf[c] = (int)p;
            }
        // With one parent each, a chain of parents longer than the node count is a cycle.
        for (size_t s = 0; s < n; ++s) {
            int at = (int)s;
            for (size_t steps = 0; at >= 0; ++steps) {
                if (steps > n)
                    throw Fault{"the nodes form a cycle through node " + std::to_string(s)};
                at = parentOf[at];
            }
        }
        jointOf.assign(n, -1);
    }

    int Depth(int node) const {
        int depth = 0;
        for (int at = parentOf[node]; at >= 0; at = parentOf[at])
            ++depth;
        return depth;
    }

    // Puts node and its ancestors in the rig, each after its parent.
    int AddNode(int node) {
        // The ancestors not yet in the rig, nearest first, added farthest first; walked rather
        // than recursed, so a deep file cannot exhaust the stack.
        std::vector<int> chain;
        for (int at = node; at >= 0 && jointOf[at] < 0; at = parentOf[at]) {
            if (JointCount(out.model.rig) + (int)chain.size() >= GltfMaxJoints)
                throw Fault{"needs more than " + Number(GltfMaxJoints) + " joints"};
            chain.push_back(at);
        }
        for (size_t k = chain.size(); k-- > 0;)
            AddOne(chain[k]);
        return jointOf[node];
    }

    int AddOne(int node) {
        int parent = parentOf[node] >= 0 ? jointOf[parentOf[node]] : -1;
        Rig &rig = out.model.rig;
        if (JointCount(rig) >= GltfMaxJoints)
            throw Fault{"needs more than " + Number(GltfMaxJoints) + " joints"};
        const tinygltf::Node &source = gltf.nodes[node];
        GltfJointRest rest;
        rest.translation = Vector3{0, 0, 0};
        rest.rotation = Quaternion{1, 0, 0, 0};
        rest.scale = Vector3{1, 1, 1};
        if (!source.matrix.empty()) {
            if (source.matrix.size() != 16)
                throw Fault{"node " + std::to_string(node) + "'s matrix does not have 16 numbers"};
            rest.matrix = MatrixOf(source.matrix);
            Decompose(rest.matrix, rest);
        } else {
            if (!source.translation.empty() && source.translation.size() != 3)
                throw Fault{"node " + std::to_string(node) + "'s translation is not 3 numbers"};
            if (!source.rotation.empty() && source.rotation.size() != 4)
                throw Fault{"node " + std::to_string(node) + "'s rotation is not 4 numbers"};
            if (!source.scale.empty() && source.scale.size() != 3)
                throw Fault{"node " + std::to_string(node) + "'s scale is not 3 numbers"};
            if (!source.translation.empty())
                rest.translation =
                    Vector3{(float)source.translation[0], (float)source.translation[1],
                            (float)source.translation[2]};
            if (!source.rotation.empty()) {
                const std::vector<double> &q = source.rotation;
                double length = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
                if (!(length > 0.0) || !std::isfinite(length))
                    throw Fault{"node " + std::to_string(node) + "'s rotation is not a rotation"};
                rest.rotation = Quaternion{(float)(q[3] / length), (float)(q[0] / length),
                                           (float)(q[1] / length), (float)(q[2] / length)};
            }
            if (!source.scale.empty())
                rest.scale =
                    Vector3{(float)source.scale[0], (float)source.scale[1], (float)source.scale[2]};
            rest.matrix = ComposeTransform(rest.translation, rest.rotation, rest.scale);
        }
        for (float v : rest.matrix.m)
            if (!std::isfinite(v))
                throw Fault{"node " + std::to_string(node) + "'s transform is not finite"};
        int joint = JointCount(rig);
        rig.names.push_back(source.name.empty() ? "node " + std::to_string(node) : source.name);
        rig.parents.push_back(parent);
        rig.inverseBinds.push_back(IdentityMatrix());
        ibmSet.push_back(0);
        out.rest.push_back(rest);
        out.jointNode.push_back(node);
        jointOf[node] = joint;
        return joint;
    }

    // The rig joint that carries node with inverse bind ibm: the node's own, or its twin.
    int JointFor(int node, const Matrix4 &ibm) {
        int joint = AddNode(node);
        Rig &rig = out.model.rig;
        if (!ibmSet[joint]) {
            ibmSet[joint] = 1;
            rig.inverseBinds[joint] = ibm;
            return joint;
        }
        if (SameMatrix(rig.inverseBinds[joint], ibm))
            return joint;
        for (int j = joint + 1; j < JointCount(rig); ++j)
            if (rig.parents[j] == joint && out.jointNode[j] < 0 &&
                SameMatrix(rig.inverseBinds[j], ibm))
                return j;
        if (JointCount(rig) >= GltfMaxJoints)
            throw Fault{"needs more than " + Number(GltfMaxJoints) + " joints"};
        int twin = JointCount(rig);
        rig.names.push_back(rig.names[joint] + " (bind " + std::to_string(twin) + ")");
        rig.parents.push_back(joint);
        rig.inverseBinds.push_back(ibm);
        ibmSet.push_back(1);
        GltfJointRest rest;
        rest.translation = Vector3{0, 0, 0};
        rest.rotation = Quaternion{1, 0, 0, 0};
        rest.scale = Vector3{1, 1, 1};
        rest.matrix = IdentityMatrix();
        out.rest.push_back(rest);
        out.jointNode.push_back(-1);
        return twin;
    }

    // The skin's joints as rig joints, and the one a vertex without weight follows: the topmost
    // joint (the first of the shallowest), which is where the skin's motion starts.
    void SkinJoints(int skinIndex, std::vector<int> &joints, int &root) {
        if (skinIndex < 0 || (size_t)skinIndex >= gltf.skins.size())
            throw Fault{"a mesh node names skin " + std::to_string(skinIndex) +
                        ", past the file's " + std::to_string(gltf.skins.size())};
        const tinygltf::Skin &skin = gltf.skins[skinIndex];
        std::string name = "skin " + std::to_string(skinIndex);
        if (skin.joints.empty())
            throw Fault{name + " has no joints"};
        if (skin.joints.size() > (size_t)GltfMaxJoints)
            throw Fault{name + " has more than " + Number(GltfMaxJoints) + " joints"};
        std::vector<double> ibms;
        if (skin.inverseBindMatrices >= 0) {
            int width = 0;
            uint64_t count = 0;
            ibms = ReadAccessor(gltf, skin.inverseBindMatrices,
                                AccessorRule{{TINYGLTF_TYPE_MAT4}, {Float}, {}}, GltfMaxJoints,
                                width, count, name + "'s inverse bind matrices");
            if (count < skin.joints.size())
                throw Fault{name + " has " + std::to_string(count) + " inverse bind matrices for " +
                            std::to_string(skin.joints.size()) + " joints"};
        }
        joints.clear();
        root = -1;
        int rootDepth = 0;
        for (size_t k = 0; k < skin.joints.size(); ++k) {
            int node = skin.joints[k];
            if (node < 0 || (size_t)node >= gltf.nodes.size())
                throw Fault{name + " names node " + std::to_string(node) + ", past the file's " +
                            std::to_string(gltf.nodes.size()) + " nodes"};
            Matrix4 ibm = IdentityMatrix(); // glTF's default when the skin gives none
            if (!ibms.empty())
                for (int e = 0; e < 16; ++e)
                    ibm.m[e] = (float)ibms[k * 16 + e];
            joints.push_back(JointFor(node, ibm));
            int depth = Depth(node);
            if (root < 0 || depth < rootDepth)
                root = (int)k, rootDepth = depth;
        }
        root = joints[root];
    }

    void Primitive(int nodeIndex, int meshIndex, int p) {
        const tinygltf::Node &node = gltf.nodes[nodeIndex];
        const tinygltf::Primitive &prim = gltf.meshes[meshIndex].primitives[p];
        std::string name = "mesh " + std::to_string(meshIndex) + " primitive " + std::to_string(p);
        if (prim.mode != TINYGLTF_MODE_TRIANGLES && prim.mode != -1) {
            out.notes.push_back(name + " is not made of triangles and is not drawn.");
            return;
        }
        if (prim.extensions.count("KHR_draco_mesh_compression"))
            throw Fault{name + " uses KHR_draco_mesh_compression (Draco mesh compression), which "
                               "this program does not read"};
        auto attribute = [&](const char *key) {
            auto it = prim.attributes.find(key);
            return it == prim.attributes.end() ? -1 : it->second;
        };
        if (attribute("POSITION") < 0)
            throw Fault{name + " has no POSITION"};
        SkinnedMesh &mesh = out.model.mesh;
        uint64_t room = (uint64_t)GltfMaxVertices - mesh.restPositions.size();
        int width = 0;
        uint64_t count = 0;
        std::vector<double> positions;
        {
            const tinygltf::Accessor *a = nullptr;
            int index = attribute("POSITION");
            if ((size_t)index < gltf.accessors.size())
                a = &gltf.accessors[index];
            if (a && a->count > room)
                throw Fault{"has more than " + Number(GltfMaxVertices) + " vertices"};
            positions = ReadAccessor(gltf, index, AccessorRule{{TINYGLTF_TYPE_VEC3}, {Float}, {}},
                                     room, width, count, name + "'s POSITION");
        }
        int first = VertexCount(mesh);
        int n = (int)count;
        std::vector<double> normals, uvs;
        uint64_t c2 = 0;
        if (attribute("NORMAL") >= 0) {
            normals = ReadAccessor(gltf, attribute("NORMAL"),
                                   AccessorRule{{TINYGLTF_TYPE_VEC3}, {Float}, {}}, count, width,
                                   c2, name + "'s NORMAL");
            if (c2 != count)
                throw Fault{name + "'s NORMAL has " + std::to_string(c2) + " elements for " +
                            std::to_string(count) + " positions"};
        }
        if (attribute("TEXCOORD_0") >= 0) {
            uvs = ReadAccessor(gltf, attribute("TEXCOORD_0"),
                               AccessorRule{{TINYGLTF_TYPE_VEC2}, {Float}, {UByte, UShort}}, count,
                               width, c2, name + "'s TEXCOORD_0");
            if (c2 != count)
                throw Fault{name + "'s TEXCOORD_0 has " + std::to_string(c2) + " elements for " +
                            std::to_string(count) + " positions"};
        }
        // Triangles, their corners turned to the limb's order.
        std::vector<double> indices;
        if (prim.indices >= 0) {
            indices = ReadAccessor(gltf, prim.indices,
                                   AccessorRule{{TypeScalar}, {UByte, UShort, UInt}, {}},
                                   (uint64_t)GltfMaxVertices * 12, width, c2, name + "'s indices");
        } else {
            indices.resize(count);
            for (uint64_t k = 0; k < count; ++k)
                indices[k] = (double)k;
        }
        if (indices.size() % 3 != 0)
            throw Fault{name + " has " + std::to_string(indices.size()) +
                        " indices, not a whole number of triangles"};
        GltfPrimitive range{(int)mesh.triangles.size(), (int)(indices.size() / 3)};
        Grow(mesh.triangles, indices.size() / 3);
        for (size_t k = 0; k < indices.size(); k += 3) {
            for (int c = 0; c < 3; ++c)
                if (indices[k + c] >= (double)count)
                    throw Fault{name + " has index " + Number((long long)indices[k + c]) +
                                ", past its " + Number((long long)count) + " vertices"};
            mesh.triangles.push_back(Triangle{{first + (int)indices[k], first + (int)indices[k + 2],
                                               first + (int)indices[k + 1]}});
        }
        out.primitives.push_back(range);

        // Influences: the skin's joints by weight, or the node itself.
        std::vector<VertexInfluences> influences(n);
        if (node.skin >= 0) {
            std::vector<int> joints;
            int root = -1;
            SkinJoints(node.skin, joints, root);
            int sets = attribute("JOINTS_1") >= 0 || attribute("WEIGHTS_1") >= 0 ? 2 : 1;
            for (int v = 0; v < n; ++v)
                influences[v].count = 0;
            std::vector<double> sums(n, 0.0);
            std::vector<std::vector<double>> jointSets, weightSets;
            for (int set = 0; set < sets; ++set) {
                std::string j = "JOINTS_" + std::to_string(set);
                std::string w = "WEIGHTS_" + std::to_string(set);
                if (attribute(j.c_str()) < 0 || attribute(w.c_str()) < 0)
                    throw Fault{name + " has a skin but no " + (attribute(j.c_str()) < 0 ? j : w)};
                uint64_t cj = 0, cw = 0;
                int wj = 0, ww = 0;
                std::vector<double> js =
                    ReadAccessor(gltf, attribute(j.c_str()),
                                 AccessorRule{{TINYGLTF_TYPE_VEC4}, {UByte, UShort}, {}}, count, wj,
                                 cj, name + "'s " + j);
                std::vector<double> ws =
                    ReadAccessor(gltf, attribute(w.c_str()),
                                 AccessorRule{{TINYGLTF_TYPE_VEC4}, {Float}, {UByte, UShort}},
                                 count, ww, cw, name + "'s " + w);
                if (cj != count || cw != count)
                    throw Fault{name + "'s " + j + " or " + w +
                                " does not have one element per "
                                "vertex"};
                for (int v = 0; v < n; ++v)
                    for (int k = 0; k < 4; ++k) {
                        double joint = js[v * 4 + k], weight = ws[v * 4 + k];
                        if (joint >= (double)joints.size())
                            throw Fault{name + " vertex " + std::to_string(v) + " names joint " +
                                        Number((long long)joint) + ", past its skin's " +
                                        std::to_string(joints.size()) + " joints"};
                        if (!(weight > 0.0))
                            continue; // zero, or a negative weight glTF does not allow
                        VertexInfluences &in = influences[v];
                        in.joints[in.count] = joints[(int)joint];
                        in.weights[in.count] = (float)weight;
                        ++in.count;
                        sums[v] += weight;
                    }
            }
            for (int v = 0; v < n; ++v) {
                VertexInfluences &in = influences[v];
                if (in.count == 0) {
                    // glTF leaves it undefined; following the skin's root keeps the vertex with
                    // the body rather than at the origin.
                    in.count = 1;
                    in.joints[0] = root;
                    in.weights[0] = 1.0f;
                    ++out.zeroWeightVertices;
                    continue;
                }
                if (std::fabs(sums[v] - 1.0) > 2e-3)
                    ++out.renormalisedVertices;
                for (int k = 0; k < in.count; ++k)
                    in.weights[k] = (float)(in.weights[k] / sums[v]);
                out.maxInfluences = std::max(out.maxInfluences, in.count);
            }
        } else {
            int joint = JointFor(nodeIndex, IdentityMatrix());
            for (int v = 0; v < n; ++v) {
                influences[v].count = 1;
                influences[v].joints[0] = joint;
                influences[v].weights[0] = 1.0f;
            }
            out.maxInfluences = std::max(out.maxInfluences, 1);
        }

        Grow(mesh.restPositions, n);
        Grow(mesh.restNormals, n);
        Grow(hasNormal, n);
        Grow(mesh.texCoords, n);
        Grow(mesh.influences, n);
        for (int v = 0; v < n; ++v) {
            mesh.restPositions.push_back(Vector3{
                (float)positions[v * 3], (float)positions[v * 3 + 1], (float)positions[v * 3 + 2]});
            mesh.restNormals.push_back(normals.empty() ? Vector3{0, 0, 0}
                                                       : Vector3{(float)normals[v * 3],
                                                                 (float)normals[v * 3 + 1],
                                                                 (float)normals[v * 3 + 2]});
            hasNormal.push_back(!normals.empty());
            mesh.texCoords.push_back(
                uvs.empty() ? TexCoord{0, 0} : TexCoord{(float)uvs[v * 2], (float)uvs[v * 2 + 1]});
            mesh.influences.push_back(influences[v]);
        }
        if (!uvs.empty() && out.texture.rgba.empty())
            TakeTexture(prim.material);
    }

    void TakeTexture(int material) {
        if (material < 0 || (size_t)material >= gltf.materials.size())
            return;
        int texture = gltf.materials[material].pbrMetallicRoughness.baseColorTexture.index;
        if (texture < 0 || (size_t)texture >= gltf.textures.size())
            return;
        int source = gltf.textures[texture].source;
        if (source < 0 || (size_t)source >= gltf.images.size())
            return;
        const tinygltf::Image &image = gltf.images[source];
        if (image.width <= 0 || image.height <= 0 || image.component != 4 || image.bits != 8 ||
            image.image.size() != (size_t)image.width * image.height * 4)
            return;
        out.texture.width = image.width;
        out.texture.height = image.height;
        out.texture.rgba = image.image;
    }

    // The meshes under root, depth first in the file's order, without recursion.
    void Nodes(int root) {
        std::vector<int> stack{root};
        size_t visited = 0;
        while (!stack.empty()) {
            int node = stack.back();
            stack.pop_back();
            if (++visited > gltf.nodes.size())
                throw Fault{"the nodes form a cycle through node " + std::to_string(node)};
            const tinygltf::Node &source = gltf.nodes[node];
            if (source.mesh >= 0) {
                if ((size_t)source.mesh >= gltf.meshes.size())
                    throw Fault{"node " + std::to_string(node) + " names mesh " +
                                std::to_string(source.mesh) + ", past the file's " +
                                std::to_string(gltf.meshes.size())};
                if (source.skin >= 0)
                    ++out.skinnedMeshes;
                for (size_t p = 0; p < gltf.meshes[source.mesh].primitives.size(); ++p)
                    Primitive(node, source.mesh, (int)p);
            }
            for (size_t k = source.children.size(); k-- > 0;)
                stack.push_back(source.children[k]);
        }
    }

    void Meshes() {
        std::vector<int> roots;
        if (!gltf.scenes.empty()) {
            int scene = gltf.defaultScene >= 0 && (size_t)gltf.defaultScene < gltf.scenes.size()
                            ? gltf.defaultScene
                            : 0;
            for (int node : gltf.scenes[scene].nodes) {
                if (node < 0 || (size_t)node >= gltf.nodes.size())
                    throw Fault{"scene " + std::to_string(scene) + " names node " +
                                std::to_string(node) + ", past the file's " +
                                std::to_string(gltf.nodes.size())};
                roots.push_back(node);
            }
        } else {
            for (size_t node = 0; node < gltf.nodes.size(); ++node)
                if (parentOf[node] < 0)
                    roots.push_back((int)node);
        }
        for (int root : roots)
            Nodes(root);
        if (out.model.mesh.triangles.empty())
            throw Fault{"has no triangles to draw"};
    }

    void Normals() {
        SkinnedMesh &mesh = out.model.mesh;
        int n = VertexCount(mesh);
        if (std::find(hasNormal.begin(), hasNormal.end(), 0) == hasNormal.end())
            return;
        std::vector<Vector3> computed(n);
        if (!ComputeVertexNormals(mesh.restPositions.data(), n, mesh.triangles.data(),
                                  (int)mesh.triangles.size(), computed.data()))
            throw Fault{"not enough memory for its normals"};
        for (int v = 0; v < n; ++v)
            if (!hasNormal[v])
                mesh.restNormals[v] = computed[v];
        out.notes.push_back("Normals were computed where the file has none.");
    }

    void Clips() {
        for (size_t a = 0; a < gltf.animations.size(); ++a) {
            const tinygltf::Animation &animation = gltf.animations[a];
            GltfClip clip;
            clip.name = animation.name.empty() ? "clip " + std::to_string(a) : animation.name;
            clip.start = 0.0f;
            clip.end = 0.0f;
            int any = 0;
            for (size_t c = 0; c < animation.channels.size(); ++c) {
                const tinygltf::AnimationChannel &channel = animation.channels[c];
                std::string name =
                    "animation " + std::to_string(a) + " channel " + std::to_string(c);
                if (channel.target_node < 0 || (size_t)channel.target_node >= gltf.nodes.size())
                    throw Fault{name + " targets node " + std::to_string(channel.target_node) +
                                ", not one of the file's " + std::to_string(gltf.nodes.size())};
                int path = -1;
                if (channel.target_path == "translation")
                    path = GltfTranslation;
                else if (channel.target_path == "rotation")
                    path = GltfRotation;
                else if (channel.target_path == "scale")
                    path = GltfScale;
                else if (channel.target_path == "weights") {
                    ++out.ignoredMorphChannels;
                    continue;
                } else
                    throw Fault{name + " animates '" + channel.target_path + "'"};
                if (channel.sampler < 0 || (size_t)channel.sampler >= animation.samplers.size())
                    throw Fault{name + " names sampler " + std::to_string(channel.sampler) +
                                ", past the animation's " +
                                std::to_string(animation.samplers.size())};
                const tinygltf::AnimationSampler &sampler = animation.samplers[channel.sampler];
                GltfChannel out1;
                out1.path = path;
                if (sampler.interpolation == "LINEAR" || sampler.interpolation.empty())
                    out1.interpolation = GltfLinear;
                else if (sampler.interpolation == "STEP")
                    out1.interpolation = GltfStep;
                else if (sampler.interpolation == "CUBICSPLINE")
                    out1.interpolation = GltfCubicSpline;
                else
                    throw Fault{name + " interpolates by '" + sampler.interpolation + "'"};
                int width = 0;
                uint64_t keys = 0, values = 0;
                std::vector<double> times =
                    ReadAccessor(gltf, sampler.input, AccessorRule{{TypeScalar}, {Float}, {}},
                                 GltfMaxKeys, width, keys, name + "'s times");
                int size = path == GltfRotation ? 4 : 3;
                AccessorRule rule{{path == GltfRotation ? TINYGLTF_TYPE_VEC4 : TINYGLTF_TYPE_VEC3},
                                  {Float},
                                  path == GltfRotation
                                      ? std::vector<int>{Byte, UByte, Short, UShort}
                                      : std::vector<int>{}};
                std::vector<double> v =
                    ReadAccessor(gltf, sampler.output, rule, (uint64_t)GltfMaxKeys * 3, width,
                                 values, name + "'s values");
                uint64_t wanted = out1.interpolation == GltfCubicSpline ? keys * 3 : keys;
                if (keys == 0 || values != wanted)
                    throw Fault{name + " has " + std::to_string(values) + " values for " +
                                std::to_string(keys) + " key times"};
                for (uint64_t k = 1; k < keys; ++k)
                    if (times[k] < times[k - 1])
                        throw Fault{name + "'s key times go backwards"};
                // A node outside the rig moves nothing that is drawn.
                if (jointOf[channel.target_node] < 0)
                    continue;
                out1.joint = jointOf[channel.target_node];
                out1.times.assign(times.begin(), times.end());
                out1.values.assign(v.begin(), v.end());
                (void)size;
                if (!any || times.front() < clip.start)
                    clip.start = (float)times.front();
                if (!any || times.back() > clip.end)
                    clip.end = (float)times.back();
                any = 1;
                clip.channels.push_back(std::move(out1));
            }
            out.clips.push_back(std::move(clip));
        }
        if (out.ignoredMorphChannels > 0)
            out.notes.push_back(std::to_string(out.ignoredMorphChannels) +
                                " animation channels of morph target weights are not played.");
    }

    // Bones: from each joint with a bind place to each child joint with one, where the skin
    // binds both.
    void Segments() {
        const Rig &rig = out.model.rig;
        std::vector<Vector3> head(JointCount(rig));
        for (int j = 0; j < JointCount(rig); ++j) {
            Matrix4 bind = AffineInverse(rig.inverseBinds[j]);
            head[j] = Vector3{bind.m[12], bind.m[13], bind.m[14]};
        }
        for (int j = 0; j < JointCount(rig); ++j) {
            int p = rig.parents[j];
            if (p < 0 || !ibmSet[j] || !ibmSet[p] || out.jointNode[j] < 0)
                continue;
            out.model.segments.push_back(BoneSegment{head[p], head[j], p, j});
        }
    }

    void Bounds() {
        ModelPose pose;
        RestLocals(out, pose.locals);
        PoseModel(out.model, pose);
        const SkinnedMesh &mesh = out.model.mesh;
        out.boundsMin = Vector3{1e30f, 1e30f, 1e30f};
        out.boundsMax = Vector3{-1e30f, -1e30f, -1e30f};
        for (int v = 0; v < VertexCount(mesh); ++v) {
            const VertexInfluences &in = mesh.influences[v];
            Vector3 p = {0, 0, 0};
            for (int k = 0; k < in.count; ++k) {
                Vector4 moved;
                TransformPoint(moved, pose.skins[in.joints[k]], AsPoint(mesh.restPositions[v]));
                p = Add(p, Vector3{moved.x * in.weights[k], moved.y * in.weights[k],
                                   moved.z * in.weights[k]});
            }
            out.boundsMin = Vector3{std::min(out.boundsMin.x, p.x), std::min(out.boundsMin.y, p.y),
                                    std::min(out.boundsMin.z, p.z)};
            out.boundsMax = Vector3{std::max(out.boundsMax.x, p.x), std::max(out.boundsMax.y, p.y),
                                    std::max(out.boundsMax.z, p.z)};
        }
    }

    void Build() {
        RefuseExtensions(gltf);
        Hierarchy();
        Meshes();
        Normals();
        Clips();
        Segments();
        if (!ParentsBeforeChildren(out.model.rig.parents.data(), JointCount(out.model.rig)) ||
            !SkinnedMeshIsValid(out.model.mesh, JointCount(out.model.rig)))
            throw Fault{"could not be made into a valid model"};
        Bounds();
        // Their centres of rotation can take longer than the rest of the loading: whoever shows
        // the model works them out between frames.
        WeightsChangedCentresLater(out.model);
    }
};

// tinygltf drops a negative offset, length or count without a word and reads from 0 instead;
// a file that says -8 is refused here, from the JSON itself. Returns the fault, or "".
std::string CheckWholeNumbers(const unsigned char *bytes, size_t size, bool binary) {
    const unsigned char *text = bytes;
    size_t length = size;
    if (binary) {
        // The JSON chunk: its length at byte 12, its bytes from 20 (tinygltf has checked both).
        if (size < 20)
            return "";
        uint32_t chunk = 0;
        std::memcpy(&chunk, bytes + 12, 4);
        if (chunk > size - 20)
            return "";
        text = bytes + 20;
        length = chunk;
    }
    nlohmann::json doc = nlohmann::json::parse(text, text + length, nullptr, false);
    const char *const arrays[][2] = {{"accessors", "accessor"}, {"bufferViews", "buffer view"}};
    const char *const properties[] = {"byteOffset", "byteLength", "byteStride", "count"};
    if (!doc.is_object())
        return "";
    for (const auto &array : arrays) {
        auto list = doc.find(array[0]);
        if (list == doc.end() || !list->is_array())
            continue;
        for (size_t k = 0; k < list->size(); ++k) {
            const nlohmann::json &item = (*list)[k];
            if (!item.is_object())
                continue;
            for (const char *property : properties) {
                auto value = item.find(property);
                if (value == item.end() || value->is_number_unsigned())
                    continue;
                std::string shown = value->is_number_integer()
                                        ? std::to_string(value->get<long long>())
                                        : std::string("not a whole number");
                return std::string(array[1]) + " " + std::to_string(k) + "'s " + property + " is " +
                       shown + ", not a whole number from 0";
            }
        }
    }
    return "";
}

// Files are read with the C library, by tinygltf (its buffers and images) as by the loader: its
// own way, through C++ file streams, would add their code to the page's download for nothing.
// 0 when the file cannot be opened (errno says why) or read.
int ReadFileBytes(const std::string &path, std::vector<unsigned char> &bytes, int &opened) {
    std::FILE *file = std::fopen(path.c_str(), "rb");
    opened = file != nullptr;
    if (!file)
        return 0;
    bytes.clear();
    // Room for the whole file at once where it tells its size, so that a large model is not
    // copied into a larger buffer again and again as it comes in.
    if (std::fseek(file, 0, SEEK_END) == 0) {
        long size = std::ftell(file);
        if (size > 0 && size < (1L << 30))
            bytes.reserve((size_t)size);
        std::rewind(file);
    }
    unsigned char chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + got);
    int read = !std::ferror(file);
    std::fclose(file);
    return read;
}

bool FileExists(const std::string &path, void *) {
    std::FILE *file = std::fopen(path.c_str(), "rb");
    if (file)
        std::fclose(file);
    return file != nullptr;
}

std::string ExpandFilePath(const std::string &path, void *) {
    return path; // as tinygltf's own: a URI's ~ and $ are no business of a model file
}

// tinygltf's messages for a buffer or image file it cannot have.
bool ReadWholeFile(std::vector<unsigned char> *out, std::string *err, const std::string &path,
                   void *) {
    int opened = 0;
    if (!ReadFileBytes(path, *out, opened) || out->empty()) {
        *err += (!opened ? "File open error : " : out->empty() ? "File is empty : "
                                                                : "File read error : ") +
                path + "\n";
        return false;
    }
    return true;
}

bool WriteWholeFile(std::string *err, const std::string &path, const std::vector<unsigned char> &,
                    void *) {
    *err += "File write error : " + path + " (the loader writes no files)\n";
    return false;
}

std::string BaseName(const std::string &path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

int LoadGltfBytes(const unsigned char *bytes, size_t size, const std::string &baseFolder,
                  const std::string &name, LoadedModel &out, std::string &error) {
    if (size == 0) {
        error = name + ": the file is empty";
        return 0;
    }
    if (size > 0x7fffffff) {
        error = name + ": the file is larger than 2 GB";
        return 0;
    }
    tinygltf::TinyGLTF reader;
    tinygltf::Model gltf;
    reader.SetImageLoader(DecodeImage, &gltf);
    tinygltf::FsCallbacks files = {FileExists, ExpandFilePath, ReadWholeFile, WriteWholeFile,
                                   nullptr};
    reader.SetFsCallbacks(files);
    std::string err, warn;
    bool binary = size >= 4 && std::memcmp(bytes, "glTF", 4) == 0;
    bool read = binary ? reader.LoadBinaryFromMemory(&gltf, &err, &warn, bytes, (unsigned int)size,
                                                     baseFolder)
                       : reader.LoadASCIIFromString(&gltf, &err, &warn, (const char *)bytes,
                                                    (unsigned int)size, baseFolder);
    // tinygltf skips some malformed parts (a channel without its node) and only says so in err;
    // it also complains there of a skin without inverse bind matrices, which glTF allows.
    std::string complaints;
    for (size_t at = 0; at < err.size();) {
        size_t end = std::min(err.find('\n', at), err.size());
        std::string line = err.substr(at, end - at);
        if (!line.empty() &&
            line.find("'inverseBindMatrices' property is missing") == std::string::npos)
            complaints += line + "\n";
        at = end + 1;
    }
    err = complaints;
    if (!read || !err.empty()) {
        error = name + ": " + FirstLine(err);
        return 0;
    }
    std::string fault = CheckWholeNumbers(bytes, size, binary);
    if (!fault.empty()) {
        error = name + ": " + fault;
        return 0;
    }
    LoadedModel loaded;
    loaded.fileName = BaseName(name);
    try {
        Builder builder(gltf, loaded);
        builder.Build();
    } catch (const Fault &fault) {
        error = name + ": " + fault.text;
        return 0;
    }
    out = std::move(loaded);
    return 1;
}

int LoadGltfFile(const std::string &path, LoadedModel &out, std::string &error) {
    std::vector<unsigned char> bytes;
    int opened = 0;
    if (!ReadFileBytes(path, bytes, opened)) {
        error = path + ": " + (opened ? "could not be read" : std::strerror(errno));
        return 0;
    }
    size_t slash = path.find_last_of('/');
    std::string folder = slash == std::string::npos ? std::string(".") : path.substr(0, slash);
    return LoadGltfBytes(bytes.data(), bytes.size(), folder, path, out, error);
}
