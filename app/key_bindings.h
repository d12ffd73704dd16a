#pragma once

// Every key the demo answers, in one table: the key handler runs the command of a key's row,
// and --help, the on-screen panel's list and the README's key table all show the rows' words.
// A key without a row does nothing.

struct KeyBinding {
    const char *keyName; // as a person reads it on the keyboard
    int keyCode;         // virtual-key code (platform/key_codes.h)
    int command;         // DemoCommandType run on key-down
    int index;           // the command's index and value (CommandSteer: the axis and the
    double value;        // direction; releasing the key stops that axis)
    const char *help;    // what the key does; null: shown on one line with the row above.
                         // The keys that go through the solvers or the methods name them all:
                         // their help holds one %s, filled from that table (KeyHelpText).
};

// What the key of binding does, in words; null when it shares the row above's.
const char *KeyHelpText(const KeyBinding &binding);

extern const KeyBinding keyBindings[];
extern const int KeyBindingCount;

// The row of keyCode, or null when the key has none.
const KeyBinding *FindKeyBinding(int keyCode);

// One line of the key list as people read it: keys that share a description together
// ("Left / Right"), then the description.
struct KeyHelpLine {
    char keys[64];
    const char *help;
};

const int MaxKeyHelpLines = 64;

// Fills lines with the key list, in the table's order; returns how many lines.
int KeyHelpLines(KeyHelpLine *lines, int maxLines);
