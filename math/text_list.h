#pragma once

#include <cstddef>
#include <cstdio>
#include <cstring>

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

// The tables of named rows (the solvers, the skinning methods, the poses) are looked up and
// listed the same way, by one of their text fields.

// The index of the first of count rows whose field reads text, or -1 (also for a null text).
template <typename Row>
int FindRowByText(const Row *rows, int count, const char *const Row::*field, const char *text) {
    for (int i = 0; text && i < count; ++i)
        if (std::strcmp(text, rows[i].*field) == 0)
            return i;
    return -1;
}

// Fills list once, when it is still empty, with the rows' field as a sentence lists them;
// returns list. Up to 16 rows.
template <typename Row>
const char *ListRowTexts(const Row *rows, int count, const char *const Row::*field, char *list,
                         std::size_t size) {
    if (!list[0]) {
        const char *words[16];
        int n = count < 16 ? count : 16;
        for (int i = 0; i < n; ++i)
            words[i] = rows[i].*field;
        JoinAsList(words, n, list, size);
    }
    return list;
}
