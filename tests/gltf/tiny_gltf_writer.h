#pragma once

// Writes small glTF files for the tests: one buffer, as a base64 data URI, so each file is a
// single string; the nodes, meshes, skins and animations are written out as JSON by each test,
// next to the numbers it expects from them.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

class TinyGltfWriter {
  public:
    // Appends data as a buffer view of its own (4-byte aligned); returns its index.
    int View(const void *data, size_t size, int stride = 0) {
        while (bytes.size() % 4)
            bytes.push_back('\0');
        char text[160];
        std::snprintf(text, sizeof text, "{\"buffer\":0,\"byteOffset\":%zu,\"byteLength\":%zu%s}",
                      bytes.size(), size,
                      stride ? (",\"byteStride\":" + std::to_string(stride)).c_str() : "");
        bytes.append((const char *)data, size);
        views.push_back(text);
        return (int)views.size() - 1;
    }

    // An accessor over view; extra is appended inside its object (",\"sparse\":{...}").
    int Accessor(int view, int componentType, size_t count, const char *type, int normalized = 0,
                 const std::string &extra = "") {
        std::string text = "{";
        if (view >= 0)
            text += "\"bufferView\":" + std::to_string(view) + ",";
        text += "\"componentType\":" + std::to_string(componentType) +
                ",\"count\":" + std::to_string(count) + ",\"type\":\"" + type + "\"" +
                (normalized ? ",\"normalized\":true" : "") + extra + "}";
        accessors.push_back(text);
        return (int)accessors.size() - 1;
    }

    template <typename T>
    int Data(const std::vector<T> &values, int componentType, const char *type, int width,
             int normalized = 0) {
        int view = View(values.data(), values.size() * sizeof(T));
        return Accessor(view, componentType, values.size() / width, type, normalized);
    }

    int Floats(const std::vector<float> &values, const char *type, int width) {
        return Data(values, 5126, type, width);
    }

    // The same with each component's least and greatest value, which glTF asks of positions and
    // of animation times (bounds gives the values they are taken from, where a sparse part
    // changes some).
    int FloatsWithBounds(const std::vector<float> &values, const char *type, int width,
                         const std::vector<float> &bounds = {}) {
        const std::vector<float> &from = bounds.empty() ? values : bounds;
        std::string low, high;
        for (int k = 0; k < width; ++k) {
            float a = from[(size_t)k], b = from[(size_t)k];
            for (size_t i = (size_t)k; i < from.size(); i += (size_t)width) {
                a = from[i] < a ? from[i] : a;
                b = from[i] > b ? from[i] : b;
            }
            low += (k ? "," : "") + Number(a);
            high += (k ? "," : "") + Number(b);
        }
        int view = View(values.data(), values.size() * sizeof(float));
        return Accessor(view, 5126, values.size() / (size_t)width, type, 0,
                        ",\"min\":[" + low + "],\"max\":[" + high + "]");
    }

    // The whole file: body holds the top-level members besides asset, buffers, bufferViews
    // and accessors (a leading comma is added).
    std::string Json(const std::string &body) const {
        std::string out = "{\"asset\":{\"version\":\"2.0\"},\"buffers\":[{\"byteLength\":" +
                          std::to_string(bytes.size()) +
                          ",\"uri\":\"data:application/octet-stream;base64," + Base64() +
                          "\"}],\"bufferViews\":[" + Join(views) + "],\"accessors\":[" +
                          Join(accessors) + "]";
        if (!body.empty())
            out += "," + body;
        return out + "}";
    }

  private:
    std::string bytes;
    std::vector<std::string> views, accessors;

    static std::string Join(const std::vector<std::string> &items) {
        std::string out;
        for (size_t k = 0; k < items.size(); ++k)
            out += (k ? "," : "") + items[k];
        return out;
    }

    std::string Base64() const {
        static const char digits[] =
            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        std::string out;
        size_t k = 0;
        for (; k + 2 < bytes.size(); k += 3) {
            uint32_t v =
                (uint8_t)bytes[k] << 16 | (uint8_t)bytes[k + 1] << 8 | (uint8_t)bytes[k + 2];
            for (int s = 18; s >= 0; s -= 6)
                out += digits[(v >> s) & 63];
        }
        if (k < bytes.size()) {
            uint32_t v = (uint8_t)bytes[k] << 16;
            if (k + 1 < bytes.size())
                v |= (uint8_t)bytes[k + 1] << 8;
            out += digits[(v >> 18) & 63];
            out += digits[(v >> 12) & 63];
            out += k + 1 < bytes.size() ? digits[(v >> 6) & 63] : '=';
            out += '=';
        }
        return out;
    }

    static std::string Number(float value) {
        char text[32];
        std::snprintf(text, sizeof text, "%.9g", value);
        return text;
    }
};
