#pragma once

// Scripted key presses for unattended runs: each entry presses or releases one key just
// before the timer tick with the given number (the first tick is 1).
//
// Text form: entries separated by spaces or commas, each TICK then one of
//   ":KEY"  press and release (key-down then key-up before the same tick)
//   "+KEY"  press and hold (key-down only)
//   "-KEY"  release (key-up only)
// KEY is a letter (A-Z), Escape, PageUp, PageDown, End, Home, Left, Up, Right, Down, Plus or
// Minus (the numeric-pad keys), MainPlus or MainMinus (the main row's), F1 to F12, or #CODE
// for any virtual-key code from 1 to 255. Names are not case-sensitive. Example: "1:I 2:Up 3:Up
// 10+Left 30-Left".

const int MaxScriptedKeys = 1024;

struct ScriptedKey {
    int tick;
    int keyCode;
    int down; // 1 key-down, 0 key-up
};

struct KeyScript {
    int count;
    ScriptedKey keys[MaxScriptedKeys];
};

// Parses text into script (appending). Returns 1, or 0 with a message in error.
int ParseKeyScript(const char *text, KeyScript &script, char *error, int errorSize);

// The virtual-key code named by name (see above), or 0 when there is none.
int KeyCodeFromName(const char *name, int length);

// Reads the decimal digits at the start of text as a number no larger than maxValue (which is
// at most INT_MAX). Returns how many characters it used, or 0 when text starts with no digit or
// the number is too large; value is set only on success.
int ReadCappedDecimal(const char *text, int maxValue, int &value);

// The largest tick number in the script, 0 when it is empty.
int LastScriptedTick(const KeyScript &script);
