#pragma once

#include <cstddef>
#include <cstdint>

// A read-only run of bytes and its length. BMP files are read only through the functions
// below: each checks that every byte it needs lies inside the run and reports failure (0)
// otherwise, so no header field, colour table or pixel row can be read past the end of a
// short or hostile file. Multi-byte values are little-endian, as the format stores them; the
// file is never reinterpreted through a packed struct.
struct ByteView {
    const unsigned char *bytes;
    size_t length;
};

// Non-zero when count bytes starting at offset lie inside the view (no overflow possible).
inline int HasBytes(ByteView view, uint64_t offset, uint64_t count) {
    return offset <= view.length && count <= view.length - offset;
}

// The bytes from offset to the end, or an empty view when offset lies past the end.
inline ByteView ViewFrom(ByteView view, uint64_t offset) {
    if (offset > view.length)
        return ByteView{view.bytes, 0};
    return ByteView{view.bytes + offset, view.length - (size_t)offset};
}

inline int ReadU16Le(ByteView view, uint64_t offset, uint32_t *value) {
    if (!HasBytes(view, offset, 2))
        return 0;
    const unsigned char *p = view.bytes + offset;
    *value = (uint32_t)p[0] | (uint32_t)p[1] << 8;
    return 1;
}

inline int ReadU32Le(ByteView view, uint64_t offset, uint32_t *value) {
    if (!HasBytes(view, offset, 4))
        return 0;
    const unsigned char *p = view.bytes + offset;
    *value = (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
    return 1;
}

// Two's-complement reinterpretation of the unsigned field, without implementation-defined casts.
inline int ReadS32Le(ByteView view, uint64_t offset, int32_t *value) {
    uint32_t raw = 0;
    if (!ReadU32Le(view, offset, &raw))
        return 0;
    *value = raw <= INT32_MAX ? (int32_t)raw : (int32_t)(raw - 0x80000000u) + INT32_MIN;
    return 1;
}
