#pragma once

#include <cstddef>
#include <cstdio>

// Joins count words into out as a sentence lists them: "a", "a and b", "a, b and c". Cut short,
// never overrun, when out is too small.
inline void JoinAsList(const char *const *words, int count, char *out, std::size_t size) {
    if (size == 0)
        return;
    out[0] = '\0';
    std::size_t used = 0;
    for (int i = 0; i < count && used < size; ++i) {
        const char *separator = i == 0 ? "" : i == count - 1 ? " and " : ", ";
        int written = std::snprintf(out + used, size - used, "%s%s", separator, words[i]);
        if (written < 0)
            return;
        used += (std::size_t)written;
    }
}
