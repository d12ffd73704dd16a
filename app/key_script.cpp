#include "app/key_script.h"

#include "platform/key_codes.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace {

struct NamedKey {
    const char *name;
    int code;
};

const NamedKey namedKeys[] = {
    {"escape", KeyEscape},     {"esc", KeyEscape},
    {"pageup", KeyPageUp},     {"pagedown", KeyPageDown},
    {"end", KeyEnd},           {"home", KeyHome},
    {"left", KeyLeft},         {"up", KeyUp},
    {"right", KeyRight},       {"down", KeyDown},
    {"plus", KeyPadPlus},      {"minus", KeyPadMinus},
    {"mainplus", KeyMainPlus}, {"mainminus", KeyMainMinus},
    {"space", KeySpace},
};

const int MaxTick = 1000000000;

int SameNameIgnoringCase(const char *name, const char *text, int length) {
    if ((int)std::strlen(name) != length)
        return 0;
    for (int i = 0; i < length; ++i)
        if (std::tolower((unsigned char)text[i]) != name[i])
            return 0;
    return 1;
}

int IsSeparator(char c) {
    return c == ' ' || c == ',' || c == '\t' || c == '\n';
}

int Append(KeyScript &script, int tick, int keyCode, int down) {
    if (script.count >= MaxScriptedKeys)
        return 0;
    script.keys[script.count++] = ScriptedKey{tick, keyCode, down};
    return 1;
}

int ParseEntry(const char *entry, int length, KeyScript &script, char *error, int errorSize) {
    int tick = 0;
    int used = ReadCappedDecimal(entry, MaxTick, tick);
    if (used == 0 || tick < 1 || used >= length) {
        std::snprintf(error, errorSize, "'%.*s' does not start with a tick number from 1", length,
                      entry);
        return 0;
    }
    char action = entry[used];
    int keyCode = KeyCodeFromName(entry + used + 1, length - used - 1);
    if ((action != ':' && action != '+' && action != '-') || keyCode == 0) {
        std::snprintf(error, errorSize, "'%.*s' is not TICK:KEY, TICK+KEY or TICK-KEY", length,
                      entry);
        return 0;
    }
    int fits = 1;
    if (action != '-')
        fits = Append(script, tick, keyCode, 1);
    if (fits && action != '+')
        fits = Append(script, tick, keyCode, 0);
    if (!fits)
        std::snprintf(error, errorSize, "more than %d key events", MaxScriptedKeys);
    return fits;
}

} // namespace

int ReadCappedDecimal(const char *text, int maxValue, int &value) {
    int used = 0;
    long long number = 0;
    while (std::isdigit((unsigned char)text[used])) {
        number = number * 10 + (text[used] - '0');
        if (number > maxValue)
            return 0;
        ++used;
    }
    if (used > 0)
        value = (int)number;
    return used;
}

int KeyCodeFromName(const char *name, int length) {
    if (length == 1 && std::isalpha((unsigned char)name[0]))
        return std::toupper((unsigned char)name[0]);
    int function = 0;
    if ((length == 2 || length == 3) && std::tolower((unsigned char)name[0]) == 'f' &&
        ReadCappedDecimal(name + 1, 12, function) == length - 1 && function >= 1)
        return KeyF1 + function - 1;
    if (length > 1 && name[0] == '#') {
        int code = 0;
        if (ReadCappedDecimal(name + 1, 255, code) != length - 1 || code < 1)
            return 0;
        return code;
    }
    for (const NamedKey &key : namedKeys)
        if (SameNameIgnoringCase(key.name, name, length))
            return key.code;
    return 0;
}

int ParseKeyScript(const char *text, KeyScript &script, char *error, int errorSize) {
    const char *p = text;
    while (*p) {
        if (IsSeparator(*p)) {
            ++p;
            continue;
        }
        int length = 0;
        while (p[length] && !IsSeparator(p[length]))
            ++length;
        if (!ParseEntry(p, length, script, error, errorSize))
            return 0;
        p += length;
    }
    return 1;
}

int LastScriptedTick(const KeyScript &script) {
    int last = 0;
    for (int i = 0; i < script.count; ++i)
        if (script.keys[i].tick > last)
            last = script.keys[i].tick;
    return last;
}
